// The engine: owns the settings and every subsystem of one running program, and wires them
// together. Tests build as many engines as they like, each in its own working directory.
//
// Threads: the commands below come from one thread (the window's). The pings run on one ping
// thread: the link's while live, the playback source's while a recording plays. Commands
// that touch what the ping thread owns (recording, copy, output and playback files, the
// processing state) are handed to it and take effect before its next ping; they return at
// once and never wait for a disk or the network. Their effect is read back from the
// snapshots (recording(), playback(), menu()), and the operator's StateChanged() says when
// to read again.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/menu_table.h"
#include "core/dialogs/com_port_dialog.h"
#include "core/dialogs/data_output_dialog.h"
#include "core/dialogs/device_offsets_dialog.h"
#include "core/dialogs/profile_dialogs.h"
#include "core/dialogs/switches_dialog.h"
#include "core/operator.h"
#include "core/panel_values.h"
#include "core/settings_store.h"
#include "display/picture_handoff.h"
#include "net/control.h"
#include "pipeline/playback.h"
#include "pipeline/secondary_handoff.h"
#include "recording/conversion.h"
#include "recording/file_dialogs.h"
#include "recording/recording_control.h"
#include "video/playback_frames.h"
#include "video/video_feed.h"
#include "windows/track_model.h"

namespace vq {

class NavState;
namespace sim {
class SimHead;
}  // namespace sim

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
    // Threads that share the beam forming of every ping (1: the ping thread alone); the
    // outputs are the same whatever the count.
    int jobs = 1;
    // Whether anyone sees the picture (an unattended conversion does not; its outputs are the
    // same either way).
    bool draw_picture = true;
    // Whether the settings file is written back at the end of the run.
    bool save_settings = true;
};

struct EngineStats {
    std::uint64_t pings_received = 0;   // complete pings handed over by the link
    std::uint64_t pings_processed = 0;  // pings that went through the pipeline
    std::uint64_t pictures = 0;
    bool connected = false;
    // Calls into the pipeline from a thread other than the ping thread (a fault when not 0).
    std::uint64_t pipeline_thread_violations = 0;
    // With --simulate: complete pings the simulated head has sent.
    std::uint64_t sim_pings_served = 0;
    // Conversions on several threads: pings whose beams were formed while the ping before
    // them was detected and written.
    std::uint64_t pings_formed_ahead = 0;
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

    // --- Commands ---
    // They come from one thread (the window's, or the caller of a headless engine). A command
    // that arrives while another one runs (from a callback inside it, or from another thread)
    // is refused and returns false; it is never run nested.

    // Main-window commands by menu identifier, and typed characters ('H' hold, 'C' clear).
    // A command that needs a file dialog (DialogFor) does nothing here without its files.
    bool Command(int id);
    bool KeyChar(char c);
    bool hold() const;
    // The file dialog the window shows before menu command `id` can run, if any: "&Record
    // Start..." with automatic names off, "&Copy Start...", "&Playback File..." and the three
    // conversions (only when the command would start something).
    std::optional<FileDialogKind> DialogFor(int id) const;
    // Menu command `id` with the names the operator chose in its dialog (CheckChosenFiles
    // passed them).
    bool CommandWithFiles(int id, const std::vector<std::string>& files);

    // Live recording: into `path` (chosen in the save dialog), or with an empty path under an
    // automatic name; Ctrl+N ends the current file and starts the next one the same way.
    bool StartRecording(const std::filesystem::path& path = {});
    bool StopRecording();
    bool NextRecordingFile(const std::filesystem::path& path = {});
    // Playback: copying the records played into a new recording.
    bool StartCopy(const std::filesystem::path& path);
    bool StopCopy();
    // Playback: opens a recording; converts one or many recordings (up to 1000) in turn.
    bool OpenPlaybackFile(const std::filesystem::path& path);
    bool StartConversion(ConversionTarget target, std::vector<std::string> paths);
    // The point (OutputKind::Point) or beam (OutputKind::Beam) output file of the data-output
    // dialog: opens `path`, replacing a file of that name, or with an empty path closes it.
    bool SetOutputFile(OutputKind kind, const std::filesystem::path& path);

    // --- The values the settings dialogs accepted (the window shows the dialogs) ---
    // "Set Switches", live only: a new range goes through the range change (half range off,
    // pulse length and filter follow it when the pulse length is automatic); then gain,
    // frequency, transmit, range offset, pulse length and multiplier, samples per beam and data
    // format, applied from the next ping on.
    bool ApplySwitches(const SwitchesValues& v);
    // "Sound Velocity", m/s; in playback it replaces the speed recorded with the pings.
    bool SetSoundVelocity(double metres_per_second);
    // "Persistence", seconds (the picture is cleared when it goes from on to 0).
    bool SetPersistence(int seconds);
    // "Maximum Filesize", MBytes; a recording under way splits at the new size.
    bool SetMaximumFilesize(int mbytes);
    bool SetVideoRecordingRate(double frames_per_second);
    bool SetProfileTiltAngle(double degrees);
    // "IP Address": a changed sonar address restarts the link on it (live); a changed output
    // address reopens the output socket (watch control_fd() again afterwards).
    bool SetAddresses(const std::string& sonar, const std::string& output);
    // "ComPort Setup", live only: the readers close, the settings are stored and after 250 ms
    // the readers open again; a port that cannot be opened is reported by name and reason.
    bool SetComPorts(const ComPortSetupValues& v);
    bool SetDeviceOffsets(const DeviceOffsetTable& t);
    // "Data Output Setup": output type and intensities (the files open and close at once
    // through SetOutputFile).
    bool SetDataOutput(const DataOutputValues& v);
    // "Profile Point Setup" and "Advanced Filter Settings".
    bool SetProfileSetup(const ProfileSetupValues& v);
    bool SetAdvancedFilter(const AdvancedFilterSettings& v);
    // The filter values of this run, with those that have no settings key.
    AdvancedFilterSettings advanced_filter() const;

    bool in_playback() const;
    // The "Playback" window: jump to a percentage of the file (1..99; while the hold is on the
    // record found there is shown); the speed slider (0 slowest .. 100 fastest) sets the fixed
    // playback delay.
    bool PlaybackJump(int percent);
    bool set_playback_speed(int speed);
    // While the hold is on: reads the next `records` records (a wrap-around counts as one).
    bool StepPlayback(int records);

    // --- The control panel ---
    // Range (index and half-range mode), start gain, display gain and persistence as the
    // dials, keys and typed entries set them. A range change goes through the range-change rule
    // (pulse length and receive filter follow it); range and gain change only live, except
    // that in playback half-range mode may be switched at the lowest range. Values outside
    // their limits are clamped. The settings file is not written here: the window calls
    // SaveSettings when the operator lets go of the dial or key.
    bool SetPanelValues(const PanelValues& values);
    PanelValues panel_values() const;
    PanelLimits panel_limits() const;
    // Background removal's buttons: "Build Reference", "Store Reference", "Clear Image".
    bool BuildBackgroundReference();
    bool StoreBackgroundReference();
    bool ClearImage();
    // While a reference is being built (background removal on, sector mode).
    bool building_background_reference() const;
    // A left press in the window keeps the range cell under the pointer as `RangeBin`.
    void StoreRangeBin(int cell);
    // The profile depth window, dragged by its handles (metres below the sonar).
    bool SetProfileDepths(float min_depth_m, float max_depth_m);

    // --- Snapshots: any thread, never waiting for a disk or the ping thread ---
    // The head's processor temperature of the last ping (degC, 0 .. 200).
    float head_temperature_c() const;
    // The GPS state the serial reader fills (the GPS read-outs read and time it out).
    NavState& Nav();
    // With --simulate: the simulated head (what it received; its scene may be changed).
    const sim::SimHead* simulated_head() const;
    // The recording, copy and output files open now, with their sizes.
    RecordingSnapshot recording() const;
    std::vector<std::string> output_files() const;  // the point/beam/XTF/CSV files open now
    // A recording named on the command line: whether it opened at start-up, and the output
    // files created for its conversion then (before any record was read).
    bool command_line_opened() const;
    const std::vector<std::string>& command_line_outputs() const;
    // The recording being played, its position and how many records went through.
    PlaybackSnapshot playback() const;
    // Waits until the end of a played file has been reached `ends` times in all.
    bool WaitForPlaybackEnd(std::uint64_t ends, std::chrono::milliseconds timeout) const;
    // The thread that ran the last ping through the pipeline.
    std::thread::id ping_thread() const;

    // Waits until every command given so far has taken effect on the ping thread (tests and
    // the command line; the window never waits). False after `timeout`.
    bool Sync(std::chrono::milliseconds timeout = std::chrono::seconds(30));

    // External control: the output socket's descriptor (for a read notifier) and the handler
    // of one arriving datagram (GUI thread).
    int control_fd() const;
    // Reads and applies one datagram; returns whether it asks to hide or show the main window.
    WindowRequest ReceiveControl();
    // The three characters of the last control datagram.
    std::array<char, 3> controller_id() const;
    std::uint16_t output_local_port() const;

    // --- The secondary windows (the window's thread) ---
    // Every ping's lines, altitude, diagnostics and head record, in order.
    SecondaryHandOff& SecondaryFrames();
    // The strip windows shown now: the echo-sounder and intensity lines are only formed for
    // a shown window.
    void SetStripWindowsShown(bool sidescan, bool echo_sounder, bool intensity);
    // The sidescan window's clicks: 5 degrees up or down within 15 .. 75; the new angle.
    float StepSidescanAngle(bool up);
    // The track plotter's model (fed by the GPS reader live, by the recording in playback) and
    // its zoom clicks, remembered as "TrackPlotterZoom".
    TrackModel& Track();
    void ZoomTrack(bool in);
    // The speed slider of the "Playback" window at position x (0 slowest .. 1000 fastest):
    // remembered as "PlaybackDelayX", it sets the fixed playback delay.
    bool set_playback_slider(int x);
    // --- Video ---
    // The camera delivers its frames here (from whichever thread it runs on); live records
    // carry one of them every K pings. The frames found in a recording being played come out
    // of playback_frames() for the "Video Playback" window.
    VideoFeed& video_feed();
    PlaybackFrames& playback_frames();
    // The window says whether a camera can be connected and whether one delivers now (the
    // video items of the menu follow it).
    bool SetCameraState(bool available, bool connected);
    // Started with --simulate (the synthetic camera stands in for hardware).
    bool simulating() const;

    // The newest finished picture (GUI thread).
    bool TakePicture();
    const PictureFrame& Picture() const;

    // The menu's enabled, checked and text state for what the engine is doing now (the
    // command thread).
    const MenuState& menu();
    SettingsStore& Store();
    const std::filesystem::path& working_dir() const;
    EngineStats stats() const;
    std::uint16_t simulated_head_port() const;  // 0 without --simulate
    sim::SimHead* simulated_head();             // nullptr without --simulate
    bool SaveSettings();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vq
