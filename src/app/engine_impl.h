// The engine's inner state, shared by its source files (engine.cpp, commands.cpp,
// engine_io.cpp).
#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/operating_state.h"
#include "link/link_thread.h"
#include "net/control.h"
#include "net/udp_output.h"
#include "pipeline/ping_outputs.h"
#include "pipeline/pipeline.h"
#include "pipeline/playback.h"
#include "sensors/sensor_inputs.h"
#include "sim/sim_head.h"

namespace vq {

struct Engine::Impl {
    Impl(EngineOptions o, Operator& op_) : opts(std::move(o)), op(op_) {}

    EngineOptions opts;
    Operator& op;
    SettingsStore store;
    MenuState menu;
    ActivityState activity;
    PictureHandOff pictures;
    std::atomic<bool> drawing{false};
    std::atomic<bool> hold{false};
    std::atomic<std::uint64_t> received{0};
    std::atomic<bool> connected{false};
    PingPipeline pipeline{store, op, pictures};
    PingOutputs outputs{store, op};
    PlaybackDriver playback{store, op, pipeline, outputs};
    UdpOutput udp;
    ControlState control;
    SensorInputs sensors;
    bool command_line_run = false;
    std::unique_ptr<sim::SimHead> sim;
    std::unique_ptr<Link> link;
    int source = -1;  // data source of the last switch: -1 none yet, 0 live, 1 playback
    bool started = false;
    bool shut_down = false;
    // Values of this run that must not reach the settings file (--simulate, --gps, --sv).
    std::string stored_sonar_address, stored_output_address, stored_gps_device, stored_sv_device;
    // Live values kept aside while playing back.
    SettingsState saved_live;

    void StartSimulatedHead();
    void StartLink();
    void StopLink();
    // Re-entrancy guard of the commands: set while one runs.
    std::atomic<bool> in_command{false};

    void SwitchDataSource(int run_mode);
    void RefreshMenu();
    bool Recording();  // a live recording is open
    bool Copying();
    bool SaveSettings();
    void SetDisplayMode(int mode);
    void HandleCommand(int id);
    bool HandleChoice(int id);
    bool HandleToggle(int id);
    bool HandleSourceOrFile(int id);
    void HandleOther(int id);
    void OpenOutputSocket();
    void OpenSerialPorts();
    void ApplyProbeSoundVelocity();
    void StartRecording(const std::filesystem::path& path);
    void StopRecording();
    void OpenPlaybackFile(const std::filesystem::path& path);
    void StartConversion(ConversionTarget target, std::vector<std::string> paths);
    void StartCopy(const std::filesystem::path& path);
    void StopCopy();
    void ActOnControl(const ControlResult& r);
    bool StartCommandLineConversion();
    // A typed command: shares the guard and ends like a menu command (menu refreshed,
    // settings file written). False when refused.
    template <class F>
    bool Run(F&& f);
    bool in_playback() const {
        return store.Read([](const SettingsState& st) { return st.s.RunMode == 1; });
    }
};

}  // namespace vq

namespace vq {

// Holds the engine's command guard for the length of one command; refused() when another
// command was already running (a nested call, or a call from another thread).
class CommandScope {
  public:
    explicit CommandScope(std::atomic<bool>& busy) : busy_(busy), refused_(busy.exchange(true)) {}
    ~CommandScope() {
        if (!refused_) busy_.store(false);
    }
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;
    bool refused() const { return refused_; }

  private:
    std::atomic<bool>& busy_;
    bool refused_;
};

}  // namespace vq

namespace vq {

template <class F>
bool Engine::Impl::Run(F&& f) {
    CommandScope scope(in_command);
    if (scope.refused()) return false;
    f();
    RefreshMenu();
    SaveSettings();
    return true;
}

}  // namespace vq
