// The engine's inner state, shared by its source files (engine.cpp, commands.cpp,
// engine_io.cpp).
//
// Threads: commands arrive on one command thread (the window's). Pings run on one ping thread
// at a time: the link's while live, the playback source's in playback. Whatever the ping
// thread owns (the pipeline, the output and recording files, the playback file) is changed by
// tasks posted to it; while no source runs, the command thread runs them itself.
#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/operating_state.h"
#include "core/task_queue.h"
#include "core/work_split.h"
#include "link/link_thread.h"
#include "net/control.h"
#include "net/udp_output.h"
#include "pipeline/ping_outputs.h"
#include "pipeline/pipeline.h"
#include "pipeline/playback.h"
#include "pipeline/playback_source.h"
#include "sensors/sensor_inputs.h"
#include "sim/sim_head.h"

namespace vq {

// A state the operator asked for by a task that has not run yet: until the task with this
// sequence number has run, the state is the one asked for, not the one the snapshot shows.
struct Intent {
    bool on = false;
    std::uint64_t task = 0;
};

struct Engine::Impl {
    Impl(EngineOptions o, Operator& op_) : opts(std::move(o)), op(op_) {}

    EngineOptions opts;
    Operator& op;
    SettingsStore store;
    MenuState menu;
    ActivityState activity;
    PictureHandOff pictures;
    // Outlive the ping thread and the window's camera: declared before what uses them.
    VideoFeed video_feed;
    PlaybackFrames playback_frames;
    std::atomic<bool> hold{false};
    std::atomic<std::uint64_t> received{0};
    std::atomic<bool> connected{false};
    // With jobs > 1, the threads the ping thread shares with; it outlives the pipeline, whose
    // beam former finishes its last speculation when it goes.
    std::unique_ptr<WorkSplit> split;
    PingPipeline pipeline{store, op, pictures};
    PingOutputs outputs{store, op};
    PlaybackDriver playback{store, op, pipeline, outputs};
    TaskQueue tasks;
    PlaybackSource playback_source{playback, pipeline, tasks};
    UdpOutput udp;
    ControlState control;
    SensorInputs sensors;
    bool command_line_run = false;
    bool command_line_opened = false;               // the recording named opened at start
    std::vector<std::string> command_line_outputs;  // and the outputs created for it
    std::unique_ptr<sim::SimHead> sim;
    std::unique_ptr<Link> link;
    PingSource* active = nullptr;  // the source running now, if any
    int source = -1;  // data source of the last switch: -1 none yet, 0 live, 1 playback
    bool started = false;
    bool shut_down = false;
    // Values of this run that must not reach the settings file (--simulate, --gps, --sv).
    std::string stored_sonar_address, stored_output_address, stored_gps_device, stored_sv_device;
    // Live values kept aside while playing back.
    SettingsState saved_live;
    // Re-entrancy guard of the commands: set while one runs.
    std::atomic<bool> in_command{false};
    std::optional<Intent> recording_intent, copy_intent;
    // "Advanced Filter Settings" of this run (the counts have no settings key).
    AdvancedFilterSettings advanced;

    // Runs `task` on the ping thread before its next ping (at once when no source runs).
    std::uint64_t Post(TaskQueue::Task task);
    void StartSource(PingSource* s);
    void StopSource();
    void StartSimulatedHead();
    void StartLink();
    void SwitchDataSource(int run_mode);
    void CloseFilesOfTheSource();
    void RefreshMenu();
    // A live recording is open, or has been asked for (copy: the same during playback).
    bool Recording();
    bool Copying();
    bool SaveSettings();
    void SetDisplayMode(int mode);
    void TakeOverRequestsNow();
    void HandleCommand(int id);
    bool HandleChoice(int id);
    bool HandleToggle(int id);
    bool HandleSourceOrFile(int id);
    void HandleOther(int id);
    void OpenOutputSocket();
    void OpenSerialPorts();
    void ReportSerialFailures(const char* title);
    void ApplyProbeSoundVelocity();
    void StartRecording(const std::filesystem::path& path, bool next_file = false);
    void StopRecording();
    void OpenPlaybackFile(const std::filesystem::path& path);
    void StartConversion(ConversionTarget target, std::vector<std::string> paths);
    void StartCopy(const std::filesystem::path& path);
    void StopCopy();
    void SetOutputFile(OutputKind kind, const std::filesystem::path& path);
    void JumpPlayback(int percent);
    void StepPlayback(int records);
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
