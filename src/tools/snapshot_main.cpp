// vq-snapshot: runs pings of the simulated head through the pipeline and writes the sonar
// picture of each display mode as an indexed PNG (used for the documentation and to look at
// the picture without a display).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/settings_store.h"
#include "display/picture_handoff.h"
#include "link/command_packet.h"
#include "pipeline/pipeline.h"
#include "sim/sim_head.h"

namespace {

const char* const kModeNames[] = {"sector", "linear", "perspective", "profile", "beamtest"};

void Usage() {
    std::puts(
        "Usage: vq-snapshot [--out DIR] [--pings N] [--mode M] [--detect] [--depth D]\n"
        "Writes DIR/<mode>.png for each display mode (or only mode M, 0..4) after N pings\n"
        "(default 12) of the simulated head. --detect turns profile point detection on.");
}

}  // namespace

int main(int argc, char** argv) {
    std::string out = ".";
    int pings = 12;
    int only_mode = -1;
    bool detect = false;
    float depth = 20.0f;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--out" && i + 1 < argc)
            out = argv[++i];
        else if (a == "--pings" && i + 1 < argc)
            pings = std::atoi(argv[++i]);
        else if (a == "--mode" && i + 1 < argc)
            only_mode = std::atoi(argv[++i]);
        else if (a == "--depth" && i + 1 < argc)
            depth = static_cast<float>(std::atof(argv[++i]));
        else if (a == "--detect")
            detect = true;
        else {
            Usage();
            return a == "--help" || a == "-h" ? 0 : 2;
        }
    }
    vq::sim::Options so;
    so.scene = vq::sim::DemoScene(so.head);
    so.scene.seabed_depth_m = depth;
    for (int mode = 0; mode < 5; ++mode) {
        if (only_mode >= 0 && mode != only_mode) continue;
        vq::SettingsStore store;
        store.Update([&](vq::SettingsState& st) {
            st.s.DisplayType = mode;
            st.s.ProfilePointDetection = detect ? 1 : 0;
        });
        vq::NullOperator op;
        vq::PictureHandOff pictures;
        vq::PingPipeline pipeline(store, op, pictures);
        pipeline.set_invalid_header_wait_ms(0);
        pipeline.RequestDisplayMode(mode);
        std::vector<std::uint8_t> command(1152);
        for (int p = 0; p < pings; ++p) {
            vq::BuildCommandPacket(store.snapshot(), 0, command.data());
            const auto ping =
                vq::sim::BuildPingBufferOffline(so, command, static_cast<std::uint64_t>(p));
            pipeline.Process(ping.data(), ping.size(), vq::PingInput{});
        }
        const std::string path = out + "/" + kModeNames[mode] + ".png";
        std::string error;
        if (!pipeline.Picture().SavePng(path, &error)) {
            std::fprintf(stderr, "vq-snapshot: %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
