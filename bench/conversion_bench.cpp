// Speed and memory of the unattended conversion ("survey.vqs /p", "/b" and "/x"): a recording
// of 480 beams x 1000 samples of 16-bit element data played through the whole engine with the
// point, beam, or XTF and point files open, on one thread and on every core. Peak memory is
// read with getrusage before and after; a conversion that holds nothing per ping shows the
// same peak for 500 and 2000 pings.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
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

double MaxRssMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const char kSwitches[] = {'p', 'b', 'x'};

// One conversion of `rec` by switch `sw` on `jobs` threads, drawing the picture or not.
// Returns the pings converted (0 after an error, reported on `state`).
std::uint64_t Convert(benchmark::State& state, const fs::path& rec, char sw, int jobs, bool draw) {
    vq::NullOperator op;
    vq::EngineOptions o;
    o.working_dir = Dir().path();
    o.command_line_file = rec.string();
    o.command_line_switch = sw;
    o.jobs = jobs;
    o.draw_picture = draw;
    o.save_settings = false;
    vq::Engine engine(o, op);
    engine.Start();
    if (engine.command_line_outputs().empty()) {
        state.SkipWithError("the conversion opened no output");
        return 0;
    }
    engine.WaitForPlaybackEnd(1, std::chrono::hours(1));
    const std::uint64_t played = engine.playback().records_at_end;
    engine.Shutdown();
    return played;
}

// Args: pings in the recording, switch (0 = /p, 1 = /b, 2 = /x). Every iteration converts
// the recording three times, one after the other: on one thread drawing the picture as the
// unattended conversion did before, on one thread without the picture, and on one thread per
// core without it (what the command line does now). Rates are pings per wall second; the
// ratios compare runs made in the same iteration.
void BM_ConversionCores(benchmark::State& state) {
    const int pings = static_cast<int>(state.range(0));
    const char sw = kSwitches[state.range(1)];
    const fs::path rec = Recording(pings);
    const unsigned hc = std::thread::hardware_concurrency();
    const int cores = hc > 0 ? static_cast<int>(hc) : 1;
    const double rss_before = MaxRssMb();
    double t_drawn = 0, t_one = 0, t_all = 0;
    std::uint64_t n = 0;
    for (auto _ : state) {
        const double t0 = WallSeconds();
        const std::uint64_t a = Convert(state, rec, sw, 1, true);
        const double t1 = WallSeconds();
        const std::uint64_t b = Convert(state, rec, sw, 1, false);
        const double t2 = WallSeconds();
        const std::uint64_t c = Convert(state, rec, sw, cores, false);
        const double t3 = WallSeconds();
        if (a != static_cast<std::uint64_t>(pings) || b != a || c != a) {
            state.SkipWithError("a conversion did not convert every ping");
            break;
        }
        t_drawn += t1 - t0;
        t_one += t2 - t1;
        t_all += t3 - t2;
        n += static_cast<std::uint64_t>(pings);
        state.SetIterationTime(t3 - t2);
    }
    if (n == 0) return;
    const double rss_after = MaxRssMb();
    state.counters["cores"] = cores;
    state.counters["one_core_drawn_pings_s"] = static_cast<double>(n) / t_drawn;
    state.counters["one_core_pings_s"] = static_cast<double>(n) / t_one;
    state.counters["all_cores_pings_s"] = static_cast<double>(n) / t_all;
    state.counters["x_drawn"] = t_drawn / t_all;
    state.counters["x_one_core"] = t_one / t_all;
    state.counters["maxrss_MB"] = rss_after;
    state.counters["maxrss_growth_MB"] = rss_after - rss_before;
}
// 500 pings first: a growth of the peak on the 2000-ping run would mean memory per ping.
BENCHMARK(BM_ConversionCores)
    ->ArgNames({"pings", "switch"})
    ->Args({500, 0})
    ->Args({500, 1})
    ->Args({500, 2})
    ->Args({2000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
