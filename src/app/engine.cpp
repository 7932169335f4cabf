#include "app/engine.h"

#include <algorithm>
#include <thread>

#include "app/engine_impl.h"
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

}  // namespace

Engine::Engine(EngineOptions options, Operator& op)
    : impl_(std::make_unique<Impl>(std::move(options), op)) {}

Engine::~Engine() {
    Shutdown();
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
    if (link && link->running()) return;
    LinkConfig lc;
    lc.initial_delay_ms = opts.link_initial_delay_ms;
    if (sim) {
        lc.address = "127.0.0.1";
        lc.port = sim->port();
    }
    LinkCallbacks cb;
    cb.on_ping = [this](const std::uint8_t* p, std::size_t n, const PingTiming&) {
        received.fetch_add(1);
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
    link = std::make_unique<Link>(lc, store, op, cb);
    link->set_drawing_flag(&drawing);
    link->set_hold(hold.load());
    link->StartLinkThread();
}

void Engine::Impl::StopLink() {
    if (link) link->StopLinkThread();
    connected.store(false);
}

// Switching the data source between the live head and file playback.
void Engine::Impl::SwitchDataSource(int run_mode) {
    if (run_mode == source) return;
    pipeline.RequestClear();
    // Entering playback: the link thread and the serial readers end before anything they use
    // is closed.
    if (run_mode == 1) {
        sensors.Close();
        StopLink();
    }
    {
        std::lock_guard lock(outputs.RecordingMutex());
        outputs.Recording().RecordStop();
        if (outputs.Recording().copying()) outputs.Recording().CopyStop(playback.file().path());
    }
    playback.Close();
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
        });
        op.SetWindowTitle("Vornax_Qi Multibeam Sonar");
        StartLink();
        OpenSerialPorts();
        pipeline.RequestOperatingPoint(true);
    }
    source = run_mode;
    // Switching releases the hold.
    hold.store(false);
    if (link) link->set_hold(false);
    RefreshMenu();
}

void Engine::Impl::RefreshMenu() {
    // What the recording and playback objects are doing is read from them, not remembered:
    // a recording can also stop by itself (a full disk).
    {
        std::lock_guard lock(outputs.RecordingMutex());
        activity.recording = outputs.Recording().Recording();
        activity.copying = outputs.Recording().copying();
    }
    activity.playback_file_open = playback.is_open();
    UpdateMenu(menu, store.snapshot(), activity);
}

bool Engine::Impl::Recording() {
    std::lock_guard lock(outputs.RecordingMutex());
    return outputs.Recording().Recording();
}

bool Engine::Impl::SaveSettings() {
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
    d.store.Update([&](SettingsState& s) { s = st; });
    d.pipeline.RequestDisplayMode(st.s.DisplayType);
    d.pipeline.set_outputs(&d.outputs);
    d.activity.recording_available = true;
    d.activity.conversion_available = true;
    d.OpenOutputSocket();
    if (!d.opts.command_line_file.empty()) {
        // A recording named on the command line: playback (and conversion) without the link.
        d.command_line_run = true;
        d.saved_live = d.store.snapshot();
        d.store.Update([](SettingsState& s) { s.s.RunMode = 1; });
        d.source = 1;
        d.pipeline.RequestOperatingPoint(true);
        d.StartCommandLineConversion();
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
    d.StopLink();
    {
        std::lock_guard lock(d.outputs.RecordingMutex());
        RecordingControl& rec = d.outputs.Recording();
        rec.RecordStop();
        if (rec.copying()) rec.CopyStop(d.playback.file().path());
        for (OutputKind k : kOutputKinds) rec.CloseOutput(k);
    }
    d.playback.Close();
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
const MenuState& Engine::menu() const {
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

std::uint16_t Engine::simulated_head_port() const {
    return impl_->sim ? impl_->sim->port() : 0;
}

EngineStats Engine::stats() const {
    EngineStats s;
    s.pings_received = impl_->received.load();
    s.pings_processed = impl_->pipeline.processed();
    s.connected = impl_->connected.load();
    return s;
}

int Engine::PlaybackTurn() {
    Impl& d = *impl_;
    if (!d.in_playback()) return -1;
    if (d.hold.load()) return 50;
    if (!d.playback.is_open()) return -1;
    // A command-line conversion runs as fast as the pipeline allows.
    return d.playback.Turn(!d.command_line_run);
}

bool Engine::playback_reached_end() const {
    return impl_->playback.reached_end();
}
double Engine::playback_progress() const {
    return impl_->playback.progress();
}
std::uint64_t Engine::records_played() const {
    return impl_->playback.records_processed();
}
bool Engine::playback_open() const {
    return impl_->playback.is_open();
}
std::string Engine::playback_file() const {
    return impl_->playback.file().path().string();
}
void Engine::PlaybackJump(int percent) {
    impl_->playback.Jump(percent);
}

void Engine::set_playback_speed(int speed) {
    const int delay = SpeedDelayMs(100 - std::clamp(speed, 0, 100));
    impl_->store.Update([delay](SettingsState& st) { st.s.PlaybackDelay = delay; });
}
int Engine::control_fd() const {
    return impl_->udp.fd();
}
std::uint16_t Engine::output_local_port() const {
    return impl_->udp.local_port();
}

void Engine::ReceiveControl() {
    Impl& d = *impl_;
    std::array<std::uint8_t, 256> buf{};
    if (!d.udp.ReceiveOne(buf)) return;
    ControlInputs in;
    in.playback = d.in_playback();
    in.beam_output = d.store.Read([](const SettingsState& st) { return st.s.DataOutputType == 2; });
    in.recording = d.Recording();
    const ControlResult r = ApplyControlDatagram(buf.data(), buf.size(), d.control, d.store, in);
    d.ActOnControl(r);
}

std::vector<std::string> Engine::output_files() const {
    std::vector<std::string> out;
    Impl& d = *impl_;
    std::lock_guard lock(d.outputs.RecordingMutex());
    for (OutputKind k : kOutputKinds) {
        if (d.outputs.Recording().OutputOpen(k)) {
            out.push_back(d.outputs.Recording().OutputPath(k).string());
        }
    }
    return out;
}

void Engine::Command(int id) {
    impl_->HandleCommand(id);
    impl_->RefreshMenu();
    impl_->SaveSettings();
}

void Engine::KeyChar(char c) {
    Impl& d = *impl_;
    switch (c) {
        case 'H':
        case 'h': {
            const bool on = !d.hold.load();
            d.hold.store(on);
            if (d.link) d.link->set_hold(on);
            d.sensors.set_hold(on);
            d.op.SetStatus("hold", on ? "HOLD" : "");
            break;
        }
        case 'C':
        case 'c':
            d.pipeline.RequestClear();
            break;
        default:
            break;
    }
}

}  // namespace vq
