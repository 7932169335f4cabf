// The engine: owns the settings and every subsystem of one running program, and wires them
// together. Tests build as many engines as they like, each in its own working directory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/menu_table.h"
#include "core/operator.h"
#include "core/settings_store.h"
#include "display/picture_handoff.h"

namespace vq {

struct EngineOptions {
    std::filesystem::path working_dir = ".";  // recordings; the settings file unless below
    std::filesystem::path settings_dir;       // the settings file's directory when not empty
    // Start a simulated head in-process on an ephemeral loopback port and point the link at
    // it; the output address is forced to 127.0.0.1 for this run (the stored addresses stay).
    bool simulate = false;
    bool sim_pacing = true;
    std::uint64_t sim_seed = 1;
    int link_initial_delay_ms = 1000;  // the link's first wait after it starts
    // Explicit serial devices for this run (win over the settings file's keys when not empty).
    std::string gps_device;
    std::string sv_device;
    // A recording named on the command line with its conversion switch ('p', 'b', 'x', 'c',
    // or 0 for plain playback).
    std::string command_line_file;
    char command_line_switch = 0;
};

struct EngineStats {
    std::uint64_t pings_received = 0;   // complete pings handed over by the link
    std::uint64_t pings_processed = 0;  // pings that went through the pipeline
    std::uint64_t pictures = 0;
    bool connected = false;
};

class Engine {
  public:
    Engine(EngineOptions options, Operator& op);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Start-up: built-in defaults, the settings file, then the run mode (live starts the link).
    void Start();
    // Shutdown in the specified order; writes the settings file. Safe to call twice.
    void Shutdown();

    // Main-window commands by menu identifier, and typed characters ('H' hold, 'C' clear, ...).
    void Command(int id);
    void KeyChar(char c);
    bool hold() const;

    // Playback: reads and processes one record; returns the milliseconds to wait before the
    // next turn (-1 when no file is open or the hold is on).
    bool in_playback() const;
    int PlaybackTurn();
    bool playback_open() const;
    bool playback_reached_end() const;  // the end of the file was reached since it was opened
    double playback_progress() const;   // 0..1
    std::uint64_t records_played() const;
    std::string playback_file() const;
    // The "Playback" window: jump to a percentage of the file; the speed slider (0 slowest ..
    // 100 fastest) sets the fixed playback delay.
    void PlaybackJump(int percent);
    void set_playback_speed(int speed);
    std::vector<std::string> output_files() const;  // the point/beam/XTF/CSV files open now
    // The point (beam: the beam) output file of the data-output dialog: opens `path`, replacing
    // a file of that name, or with an empty path closes the open one. True while it is open.
    bool SetOutputFile(bool beam, const std::filesystem::path& path);

    // External control: the output socket's descriptor (for a read notifier) and the handler
    // of one arriving datagram (GUI thread).
    int control_fd() const;
    void ReceiveControl();
    std::uint16_t output_local_port() const;

    // The newest finished picture (GUI thread).
    bool TakePicture();
    const PictureFrame& Picture() const;

    const MenuState& menu() const;
    SettingsStore& Store();
    const std::filesystem::path& working_dir() const;
    EngineStats stats() const;
    std::uint16_t simulated_head_port() const;  // 0 without --simulate
    bool SaveSettings();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vq
