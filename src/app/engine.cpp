#include "app/engine.h"

#include "app/engine_impl.h"
#include "core/dialogs/ip_address_dialog.h"
#include "core/range_change.h"
#include "core/settings_file.h"

namespace vq {

namespace {

// The settings a played-back recording overrides, back to the operator's live values.
void RestoreLiveValues(const SettingsState& live, SettingsState& st) {
    st.s.Xdcr = live.s.Xdcr;
    st.s.Range = live.s.Range;
    st.s.Gain = live.s.Gain;
    st.s.PulseLength = live.s.PulseLength;
    st.s.ProfileTiltAngle = live.s.ProfileTiltAngle;
    st.s.DataPointsSwitch = live.s.DataPointsSwitch;
    st.s.Frequency = live.s.Frequency;
}

double MsBetween(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

}  // namespace

Engine::Engine(EngineOptions options, Operator& op)
    : impl_(std::make_unique<Impl>(std::move(options), op)) {}

Engine::~Engine() {
    Shutdown();
}

std::uint64_t Engine::Impl::Post(TaskQueue::Task task) {
    const std::uint64_t seq = tasks.Post([this, t = std::move(task)] {
        t();
        op.StateChanged();
    });
    // Nothing runs pings: everything the ping thread would own is this thread's now.
    if (!active) tasks.RunPending();
    return seq;
}

void Engine::Impl::StartSource(PingSource* s) {
    active = s;
    if (!s->Start()) active = nullptr;
}

void Engine::Impl::StopSource() {
    if (active) active->Stop();
    active = nullptr;
    connected.store(false);
    tasks.RunPending();
}

void Engine::Impl::StartSimulatedHead() {
    sim::Options so;
    so.port = 0;  // an ephemeral loopback port: several engines never collide
    so.pacing = opts.sim_pacing;
    so.seed = opts.sim_seed;
    so.scene = sim::DemoScene(so.head);
    sim = std::make_unique<sim::SimHead>(so);
    std::string error;
    if (!sim->Start(&error)) {
        op.MessageBox("The simulated sonar head could not be started:\n" + error, "Simulate");
        sim.reset();
    }
}

void Engine::Impl::StartLink() {
    LinkConfig lc;
    lc.initial_delay_ms = opts.link_initial_delay_ms;
    if (sim) {
        // A simulated run stays on this machine: the sonar address is taken when it is a
        // loopback address (the "IP Address" dialog may name another one of them).
        const std::string a =
            store.Read([](const SettingsState& st) { return st.s.IPAddress_Sonar1; });
        lc.address = a.starts_with("127.") && IsDottedDecimalAddress(a) ? a : "127.0.0.1";
        lc.port = sim->port();
    }
    LinkCallbacks cb;
    cb.on_ping = [this](const std::uint8_t* p, std::size_t n, const PingTiming& t) {
        received.fetch_add(1);
        feeds.set_link_times(MsBetween(t.first_send_start, t.first_receive_end),
                             MsBetween(t.first_send_start, t.last_receive_end));
        ApplyProbeSoundVelocity();
        PingInput in;
        in.last_packet_time = std::chrono::steady_clock::now();
        pipeline.Process(p, n, in);
    };
    cb.before_cycle_step = [this](int n) {
        if (n == 0) pipeline.TakeOverRequests();
    };
    cb.on_connection_state = [this](bool on) {
        connected.store(on);
        op.SetStatus("connection", on ? "Connected" : "No Connection");
    };
    cb.on_frequency_forced = [this](int) { pipeline.RequestOperatingPoint(false); };
    cb.on_thread_start = [this] { pipeline.BindToCurrentThread(); };
    cb.on_thread_end = [this] { pipeline.Unbind(); };
    link = std::make_unique<Link>(lc, store, op, cb);
    link->set_tasks(&tasks);
    link->set_hold(hold.load());
    StartSource(link.get());
}

// What the source being left had open: the recording, the copy and the playback file.
void Engine::Impl::CloseFilesOfTheSource() {
    RecordingControl& rec = outputs.Recording();
    rec.RecordStop();
    if (rec.copying()) rec.CopyStop(playback.file().path());
    playback.Close();
    recording_intent.reset();
    copy_intent.reset();
}

// Switching the data source between the live head and file playback.
void Engine::Impl::SwitchDataSource(int run_mode) {
    if (run_mode == source) return;
    pipeline.RequestClear();
    // The serial readers and the source's thread end before anything they use is closed.
    if (run_mode == 1) sensors.Close();
    StopSource();
    CloseFilesOfTheSource();
    if (source >= 0) {
        // A switch by the operator: the point, beam and other output files close (unless a
        // recording named on the command line is being converted), and the output socket
        // opens afresh.
        if (!command_line_run) {
            for (OutputKind k :
                 {OutputKind::Point, OutputKind::Beam, OutputKind::Xtf, OutputKind::Csv}) {
                outputs.Recording().CloseOutput(k);
            }
        }
        OpenOutputSocket();
    }
    if (run_mode == 1) {
        saved_live = store.snapshot();
        store.Update([](SettingsState& st) {
            st.s.RunMode = 1;
            st.s.HalfRange = 0;
        });
        op.SetWindowTitle("Vornax_Qi Multibeam Sonar - [No File]");
    } else {
        if (source == 1) {
            store.Update([this](SettingsState& st) {
                RestoreLiveValues(saved_live, st);
                st.work.range_offset_m = saved_live.work.range_offset_m;
                st.head.absorption_code = saved_live.head.absorption_code;
                st.work.sound_velocity_current = saved_live.work.sound_velocity_current;
            });
        }
        store.Update([](SettingsState& st) {
            st.s.RunMode = 0;
            st.s.HalfRange = 0;
            st.work.sound_velocity_override = 0;
        });
        op.SetWindowTitle("Vornax_Qi Multibeam Sonar");
    }
    // Switching releases the hold.
    hold.store(false);
    playback_source.set_hold(false);
    if (run_mode == 1) {
        StartSource(&playback_source);
    } else {
        StartLink();
        OpenSerialPorts();
        pipeline.RequestOperatingPoint(true);
        CloseTrackPlotterWithoutGps();
    }
    source = run_mode;
    RefreshMenu();
}

// Live without GPS input there is no track to plot: the track plotter closes (its menu item
// is greyed, so it could not be closed from the menu).
void Engine::Impl::CloseTrackPlotterWithoutGps() {
    const bool gps = store.Read([](const SettingsState& st) { return st.s.ComPortGPSEnable != 0; });
    if (gps || !activity.track_plotter_shown) return;
    activity.track_plotter_shown = false;
    store.Update([](SettingsState& st) { st.s.TrackPlotterWindow = 0; });
}

void Engine::Impl::RefreshMenu() {
    // What the recording and playback objects are doing is read from them, not remembered:
    // a recording can also stop by itself (a full disk).
    activity.recording = Recording();
    activity.copying = Copying();
    activity.playback_file_open = playback.snapshot().open;
    const SettingsState st = store.snapshot();
    UpdateMenu(menu, st, activity);
    track.set_options(TrackOptionsFor(st.s));
}

bool Engine::Impl::Recording() {
    if (recording_intent && tasks.done() < recording_intent->task) return recording_intent->on;
    return outputs.Recording().snapshot().recording;
}

bool Engine::Impl::Copying() {
    if (copy_intent && tasks.done() < copy_intent->task) return copy_intent->on;
    return outputs.Recording().snapshot().copying;
}

bool Engine::Impl::SaveSettings() {
    if (!opts.save_settings) return true;  // read, never written back (--read-only-settings)
    SettingsState st = store.snapshot();
    // In playback the values restored from the recording are not the operator's: the live
    // ones kept aside are what the file stores.
    if (source == 1) RestoreLiveValues(saved_live, st);
    // Run-only overrides never reach the file.
    st.s.IPAddress_Sonar1 = stored_sonar_address;
    st.s.IPAddress_Output1 = stored_output_address;
    st.s.ComPortGPSDevice = stored_gps_device;
    st.s.ComPortSVDevice = stored_sv_device;
    return SaveSettingsFile(opts.settings_dir.empty() ? opts.working_dir : opts.settings_dir, st,
                            op);
}

void Engine::Start() {
    Impl& d = *impl_;
    if (d.started) return;
    d.started = true;
    SettingsState st;
    LoadSettingsFile(d.opts.settings_dir.empty() ? d.opts.working_dir : d.opts.settings_dir, st);
    d.stored_sonar_address = st.s.IPAddress_Sonar1;
    d.stored_output_address = st.s.IPAddress_Output1;
    d.stored_gps_device = st.s.ComPortGPSDevice;
    d.stored_sv_device = st.s.ComPortSVDevice;
    if (d.opts.simulate) {
        st.s.IPAddress_Sonar1 = "127.0.0.1";
        st.s.IPAddress_Output1 = "127.0.0.1";
        st.s.RunMode = 0;
    }
    if (!d.opts.gps_device.empty()) st.s.ComPortGPSDevice = d.opts.gps_device;
    if (!d.opts.sv_device.empty()) st.s.ComPortSVDevice = d.opts.sv_device;
    st.work.applied_frequency_khz = -1;
    // The pulse length and filter follow the range from the first ping on.
    ApplyAutoPulse(st);
    d.store.Update([&](SettingsState& s) { s = st; });
    d.pipeline.RequestDisplayMode(st.s.DisplayType);
    d.pipeline.set_outputs(&d.feeds);
    d.RestoreShownWindows(st.s);
    d.pipeline.set_picture_wanted(d.opts.draw_picture);
    if (d.opts.jobs > 1) {
        d.split = std::make_unique<WorkSplit>(d.opts.jobs);
        d.pipeline.set_work_split(d.split.get());
    }
    // The GPS state is one object for the whole run; the serial reader fills it.
    d.outputs.set_nav(&d.sensors.Nav());
    d.outputs.Frames().set_feed(&d.video_feed);
    d.playback.set_frames(&d.playback_frames);
    d.activity.recording_available = true;
    d.activity.conversion_available = true;
    // The windows that were open at the last exit open again.
    d.activity.diagnostics_shown = st.s.DiagnosticsWindow != 0;
    d.activity.track_plotter_shown =
        st.s.TrackPlotterWindow != 0 && (st.s.RunMode == 1 || st.s.ComPortGPSEnable != 0);
    d.OpenOutputSocket();
    if (!d.opts.command_line_file.empty()) {
        // A recording named on the command line: playback (and conversion) without the link,
        // as fast as the pipeline allows; a conversion reads nothing after the end.
        d.command_line_run = true;
        d.saved_live = d.store.snapshot();
        d.store.Update([](SettingsState& s) { s.s.RunMode = 1; });
        d.source = 1;
        d.pipeline.RequestOperatingPoint(true);
        // A conversion on several threads forms each next ping's beams while the current one
        // is detected and written (the same beams).
        if (d.opts.jobs > 1 && d.opts.command_line_switch != 0) {
            d.pipeline.set_speculation(true);
            d.playback.set_lookahead(true);
        }
        d.command_line_opened = d.StartCommandLineConversion();
        for (const std::string& p : d.outputs.Recording().snapshot().output_paths) {
            if (!p.empty()) d.command_line_outputs.push_back(p);
        }
        d.playback_source.set_paced(false);
        d.playback.set_stop_at_end(d.opts.command_line_switch != 0);
        d.StartSource(&d.playback_source);
        d.RefreshMenu();
        return;
    }
    if (d.opts.simulate) d.StartSimulatedHead();
    d.SwitchDataSource(st.s.RunMode);
    d.pipeline.RequestOperatingPoint(true);
    d.RefreshMenu();
}

void Engine::Shutdown() {
    Impl& d = *impl_;
    if (!d.started || d.shut_down) return;
    d.shut_down = true;
    d.sensors.Close();
    d.StopSource();
    d.CloseFilesOfTheSource();
    for (OutputKind k : kOutputKinds) d.outputs.Recording().CloseOutput(k);
    d.udp.Close();
    d.SaveSettings();
    if (d.sim) d.sim->Stop();
}

bool Engine::hold() const {
    return impl_->hold.load();
}
bool Engine::in_playback() const {
    return impl_->in_playback();
}
bool Engine::TakePicture() {
    return impl_->pictures.Take();
}
const PictureFrame& Engine::Picture() const {
    return impl_->pictures.front();
}
const MenuState& Engine::menu() {
    impl_->RefreshMenu();
    return impl_->menu;
}
SettingsStore& Engine::Store() {
    return impl_->store;
}
const std::filesystem::path& Engine::working_dir() const {
    return impl_->opts.working_dir;
}
bool Engine::SaveSettings() {
    return impl_->SaveSettings();
}

VideoFeed& Engine::video_feed() {
    return impl_->video_feed;
}
PlaybackFrames& Engine::playback_frames() {
    return impl_->playback_frames;
}
bool Engine::simulating() const {
    return impl_->opts.simulate;
}
bool Engine::SetCameraState(bool available, bool connected) {
    // Only the menu follows: no setting changes, so the settings file is not written (the
    // window says this before the engine has even read it).
    CommandScope scope(impl_->in_command);
    if (scope.refused()) return false;
    impl_->activity.camera_available = available;
    impl_->activity.camera_connected = connected;
    impl_->RefreshMenu();
    return true;
}

std::uint16_t Engine::simulated_head_port() const {
    return impl_->sim ? impl_->sim->port() : 0;
}

sim::SimHead* Engine::simulated_head() {
    return impl_->sim.get();
}

EngineStats Engine::stats() const {
    EngineStats s;
    s.pings_received = impl_->received.load();
    s.pings_processed = impl_->pipeline.processed();
    s.connected = impl_->connected.load();
    s.pipeline_thread_violations = impl_->pipeline.thread_violations();
    s.sim_pings_served = impl_->sim ? impl_->sim->pings_served() : 0;
    s.pings_formed_ahead = impl_->pipeline.stats().formed_ahead;
    return s;
}

std::thread::id Engine::ping_thread() const {
    return impl_->pipeline.last_thread();
}

PlaybackSnapshot Engine::playback() const {
    return impl_->playback.snapshot();
}

bool Engine::WaitForPlaybackEnd(std::uint64_t ends, std::chrono::milliseconds timeout) const {
    return impl_->playback.WaitForEnd(ends, timeout);
}

RecordingSnapshot Engine::recording() const {
    return impl_->outputs.Recording().snapshot();
}

bool Engine::command_line_opened() const {
    return impl_->command_line_opened;
}

const std::vector<std::string>& Engine::command_line_outputs() const {
    return impl_->command_line_outputs;
}

std::vector<std::string> Engine::output_files() const {
    const RecordingSnapshot r = recording();
    std::vector<std::string> out;
    for (const std::string& p : r.output_paths) {
        if (!p.empty()) out.push_back(p);
    }
    return out;
}

bool Engine::Sync(std::chrono::milliseconds timeout) {
    return impl_->tasks.WaitDone(impl_->tasks.posted(), timeout);
}

int Engine::control_fd() const {
    return impl_->udp.fd();
}
std::uint16_t Engine::output_local_port() const {
    return impl_->udp.local_port();
}

}  // namespace vq
