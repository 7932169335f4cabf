// A short live recording of the simulated head, made by a real engine (link the test with
// vq_app): the bytes of the .VQS file.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include "app/engine.h"
#include "app/menu_table.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"

namespace vq::test {

inline std::string RecordSimulatedPings(std::uint64_t pings) {
    TempDir dir;
    dir.WriteLoopbackIni("AutoFilename=1\r\n");
    RecordingOperator op;
    EngineOptions o;
    o.working_dir = dir.path();
    o.simulate = true;
    o.sim_pacing = false;
    o.link_initial_delay_ms = 0;
    Engine e(o, op);
    e.Start();
    auto wait = [&](std::uint64_t n) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (e.stats().pings_processed < n && std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };
    wait(2);
    e.Command(menu::kRecord);
    wait(e.stats().pings_processed + pings);
    e.Command(menu::kRecord);
    e.Shutdown();
    for (const auto& f : std::filesystem::directory_iterator(dir.path())) {
        if (f.path().extension() == ".VQS") return ReadFile(f.path());
    }
    return {};
}

}  // namespace vq::test
