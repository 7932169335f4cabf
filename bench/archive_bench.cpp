// A survey archive converted with scripts/convert-archive: 20 recordings of 480 x 1000 pings
// in a small tree, converted to point files on one core (-j 1 --threads 1) and on every core
// (one conversion per core), one after the other in each iteration; rates are files and pings
// per wall second, `speedup` the ratio of the two times of the same iteration.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/sim_recording.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 20;
constexpr int kPings = 100;

class Archive {
  public:
    Archive() {
        std::string t = (fs::temp_directory_path() / "vq-archivebench-XXXXXX").string();
        if (mkdtemp(t.data()) != nullptr) path_ = t;
        std::ofstream(path_ / "Vornax_Qi.INI", std::ios::binary)
            << "[Settings]\r\nIPAddress_Sonar1=127.0.0.1\r\nIPAddress_Output1=127.0.0.1\r\n"
               "StepSize=0\r\n";
        const std::string rec = vq::test::MakeSimRecording(kPings, 1000, false);
        for (int i = 0; i < kFiles; ++i) {
            const fs::path dir = path_ / "survey" / ("day" + std::to_string(i / 5));
            fs::create_directories(dir);
            std::ofstream(dir / ("line" + std::to_string(i) + ".vqs"), std::ios::binary) << rec;
        }
    }
    ~Archive() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    // Removes the point files of the last run.
    void Clean() const {
        for (const auto& f : fs::recursive_directory_iterator(path_ / "survey"))
            if (f.path().extension() == ".Q4P") fs::remove(f.path());
    }
    // Converts the archive; returns the wall seconds, or a negative value on failure.
    double Convert(const std::string& options) const {
        Clean();
        const std::string cmd = "cd '" + path_.string() +
                                "' && '" VQ_SOURCE_DIR
                                "/scripts/convert-archive' --program '" VQ_PROGRAM "' " +
                                options + " survey >/dev/null 2>&1";
        const auto t0 = std::chrono::steady_clock::now();
        const int rc = std::system(cmd.c_str());
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        return WIFEXITED(rc) && WEXITSTATUS(rc) == 0 ? s : -1.0;
    }

  private:
    fs::path path_;
};

void BM_ArchiveOneAndAllCores(benchmark::State& state) {
    Archive archive;
    double t_one = 0.0, t_all = 0.0;
    for (auto _ : state) {
        const double one = archive.Convert("-j 1 --threads 1");
        const double all = archive.Convert("");
        if (one < 0 || all < 0) {
            state.SkipWithError("the archive did not convert");
            return;
        }
        t_one += one;
        t_all += all;
        state.SetIterationTime(all);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["one_core_files_s"] = kFiles * n / t_one;
    state.counters["one_core_pings_s"] = kFiles * kPings * n / t_one;
    state.counters["all_cores_files_s"] = kFiles * n / t_all;
    state.counters["all_cores_pings_s"] = kFiles * kPings * n / t_all;
    state.counters["speedup"] = t_one / t_all;
}
BENCHMARK(BM_ArchiveOneAndAllCores)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
