// Speed and memory of the unattended conversion ("survey.vqs /b" and "/x"): a recording of
// 480 beams x 1000 samples of 16-bit element data played through the whole engine with the
// beam file, or the XTF and point files, open. Peak memory is read with getrusage before and
// after; a conversion that holds nothing per ping shows the same peak for 500 and 2000 pings.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/engine.h"
#include "core/operator.h"
#include "core/settings_store.h"
#include "link/command_packet.h"
#include "recording/time_stamp.h"
#include "recording/vqs_format.h"
#include "sim/sim_head.h"

namespace {

namespace fs = std::filesystem;

// A scratch directory with a loopback settings file for 480 beams (the sample count comes
// from the recording).
class Scratch {
  public:
    Scratch() {
        std::string t = (fs::temp_directory_path() / "vq-convbench-XXXXXX").string();
        if (mkdtemp(t.data()) != nullptr) path_ = t;
        std::ofstream ini(path_ / "Vornax_Qi.INI", std::ios::binary);
        ini << "[Settings]\r\nIPAddress_Sonar1=127.0.0.1\r\nIPAddress_Output1=127.0.0.1\r\n"
               "StepSize=0\r\n";
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

Scratch& Dir() {
    static Scratch dir;
    return dir;
}

// Writes a recording of `pings` records (16 different simulated pings in turn) once.
fs::path Recording(int pings) {
    static std::map<int, fs::path> made;
    if (auto it = made.find(pings); it != made.end()) return it->second;
    vq::SettingsState st;
    st.s.StepSize = 0;
    st.s.DataPointsSwitch = 1;
    st.s.DataFormat = 11;
    std::vector<std::uint8_t> command(vq::kCommandPacketSize);
    vq::BuildCommandPacket(st, 0, command.data());
    vq::sim::Options so;
    so.scene = vq::sim::DemoScene(so.head);
    std::vector<std::vector<std::uint8_t>> source;
    for (int i = 0; i < 16; ++i) source.push_back(vq::sim::BuildPingBufferOffline(so, command, i));

    vq::RecordSettings rs;
    rs.num_beams = 480;
    rs.samples_per_beam = 1000;
    rs.ping_interval_ms = 100;
    vq::VqsRecordBuilder builder;
    const fs::path p = Dir().path() / ("survey" + std::to_string(pings) + ".vqs");
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    std::uint32_t previous = 0;
    for (int k = 0; k < pings; ++k) {
        const auto ts =
            vq::PingTimeStamp::FromFields(2026, 12, 8, 5, k / 600 % 60, k / 10 % 60, k % 10 * 100);
        const auto rec = builder.Build(source[static_cast<std::size_t>(k) % source.size()], ts, rs,
                                       vq::RecordNav{}, previous, 0);
        out.write(reinterpret_cast<const char*>(rec.data()),
                  static_cast<std::streamsize>(rec.size()));
        previous = static_cast<std::uint32_t>(rec.size());
    }
    made[pings] = p;
    return p;
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

double MaxRssMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// Args: pings in the recording, switch (0 = /b beam file, 1 = /x XTF and point files).
void BM_CommandLineConversion(benchmark::State& state) {
    const int pings = static_cast<int>(state.range(0));
    const char sw = state.range(1) == 0 ? 'b' : 'x';
    const fs::path rec = Recording(pings);
    const double rss_before = MaxRssMb();
    const double cpu_before = CpuSeconds();
    std::uint64_t converted = 0;
    for (auto _ : state) {
        vq::NullOperator op;
        vq::EngineOptions o;
        o.working_dir = Dir().path();
        o.command_line_file = rec.string();
        o.command_line_switch = sw;
        vq::Engine engine(o, op);
        engine.Start();
        if (engine.command_line_outputs().empty()) {
            state.SkipWithError("the conversion opened no output");
            break;
        }
        engine.WaitForPlaybackEnd(1, std::chrono::hours(1));
        const std::uint64_t played = engine.playback().records_at_end;
        converted += played;
        engine.Shutdown();
        // Every record became one 480 x 1000 beam record, or one 2384-byte XTF ping.
        const std::uint64_t expect = sw == 'b' ? 480256ull * static_cast<std::uint64_t>(pings)
                                               : 1024 + 2384ull * static_cast<std::uint64_t>(pings);
        fs::path out = rec;
        out.replace_extension(sw == 'b' ? ".Q4B" : "");
        if (sw == 'x') out += "_sss.XTF";
        if (played != static_cast<std::uint64_t>(pings) || fs::file_size(out) != expect) {
            state.SkipWithError("the output does not hold one record per ping");
            break;
        }
    }
    const double rss_after = MaxRssMb();
    const double cpu = CpuSeconds() - cpu_before;
    // On a shared machine the rate per CPU second says more than the one per wall second.
    if (cpu > 0.0) state.counters["pings/cpu_s"] = static_cast<double>(converted) / cpu;
    state.counters["pings/s"] =
        benchmark::Counter(static_cast<double>(converted), benchmark::Counter::kIsRate);
    state.counters["maxrss_MB"] = rss_after;
    state.counters["maxrss_growth_MB"] = rss_after - rss_before;
}
// 500 pings first: a growth of the peak on the 2000-ping run would mean memory per ping.
BENCHMARK(BM_CommandLineConversion)
    ->Args({500, 0})
    ->Args({2000, 0})
    ->Args({500, 1})
    ->Args({2000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
