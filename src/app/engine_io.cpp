// The engine's inputs and outputs: the UDP socket and external control, the serial ports, the
// live recording, playback and conversions.
#include <chrono>
#include <ctime>

#include "app/engine_impl.h"
#include "platform/serial_port.h"
#include "recording/vqs_format.h"
#include "sensors/sv_probe.h"

namespace vq {

void Engine::Impl::OpenOutputSocket() {
    udp.Close();
    OutputSocketConfig c;
    store.Read([&c](const SettingsState& st) {
        c.address = st.s.IPAddress_Output1;
        c.port = st.s.RemotePort_Output1;
    });
    // A simulated run never sends beyond this machine.
    c.loopback_only = opts.simulate;
    if (opts.simulate) c.bind_address = "127.0.0.1";
    udp.Open(c);
    outputs.set_udp(&udp);
    outputs.set_control(&control);
}

void Engine::Impl::OpenSerialPorts() {
    const Settings s = store.Read([](const SettingsState& st) { return st.s; });
    // Listed after closing: a port this program held is then listed where it belongs.
    sensors.Close();
    const std::vector<std::string> devices = ListSerialDevices();
    sensors.OpenGps(s, devices);
    sensors.OpenSv(s, devices);
    ReportSerialFailures(kComPortCaption);
}

// Live: a sound velocity from the probe or from external control becomes the one in use.
void Engine::Impl::ApplyProbeSoundVelocity() {
    float sv = store.Read([](const SettingsState& st) { return st.work.sound_velocity_current; });
    if (ApplyExternalSoundVelocity(sensors.SoundVelocity(), true, sv)) {
        store.Update([sv](SettingsState& st) { st.work.sound_velocity_current = sv; });
        pipeline.RequestOperatingPoint(true);
    }
}

// A live recording into `path`, or under an automatic name when the path is empty; with
// `next_file` the current one ends first (Ctrl+N). The files are opened by the ping thread.
void Engine::Impl::StartRecording(const std::filesystem::path& path, bool next_file) {
    if (in_playback()) return;
    const Settings s = store.Read([](const SettingsState& st) { return st.s; });
    RecordingOptions o;
    o.AutoFilename = s.AutoFilename;
    o.AutoFilenameType = s.AutoFilenameType;
    o.MaximumFilesize = s.MaximumFilesize;
    o.current_dir = opts.working_dir;
    o.startup_dir = opts.working_dir;
    const std::uint64_t task = Post([this, o, path, next_file] {
        RecordingControl& rec = outputs.Recording();
        if (next_file) rec.RecordStop();
        if (rec.Recording()) return;
        rec.set_options(o);
        if (path.empty()) {
            rec.RecordStartAutomatic(LocalTimeStamp());
        } else {
            rec.RecordStartAt(path, false);
        }
    });
    recording_intent = Intent{true, task};
}

void Engine::Impl::StopRecording() {
    recording_intent = Intent{false, Post([this] { outputs.Recording().RecordStop(); })};
}

void Engine::Impl::StartCopy(const std::filesystem::path& path) {
    if (!in_playback()) return;
    copy_intent = Intent{true, Post([this, path] { outputs.Recording().CopyStart(path); })};
}

void Engine::Impl::StopCopy() {
    copy_intent =
        Intent{false, Post([this] { outputs.Recording().CopyStop(playback.file().path()); })};
}

void Engine::Impl::OpenPlaybackFile(const std::filesystem::path& path) {
    if (!in_playback()) return;
    Post([this, path] { playback.Open(path); });
}

void Engine::Impl::StartConversion(ConversionTarget target, std::vector<std::string> paths) {
    if (!in_playback() || paths.empty()) return;
    Post([this, target, p = std::move(paths)]() mutable { playback.StartBatch(target, p); });
}

void Engine::Impl::SetOutputFile(OutputKind kind, const std::filesystem::path& path) {
    Post([this, kind, path] {
        RecordingControl& rec = outputs.Recording();
        rec.CloseOutput(kind);
        if (!path.empty()) rec.OpenOutput(kind, path);
    });
}

// The position bar: a jump while the hold is on shows the record found there (with averaging
// on, enough records to fill the average).
void Engine::Impl::JumpPlayback(int percent) {
    if (!in_playback()) return;
    const Settings s = store.Read([](const SettingsState& st) { return st.s; });
    const int shown = s.AvgFilter && s.AvgFilterIndex > 2 ? s.AvgFilterIndex - 1 : 1;
    Post([this, percent, shown] {
        if (!playback.Jump(percent) || !hold.load()) return;
        for (int i = 0; i < shown; ++i) playback.Turn(false);
    });
}

void Engine::Impl::StepPlayback(int records) {
    if (!in_playback()) return;
    Post([this, records] {
        for (int i = 0; i < records; ++i) playback.Turn(false);
    });
}

bool Engine::Impl::StartCommandLineConversion() {
    std::string text = opts.command_line_file;
    if (opts.command_line_switch != 0) text += std::string(" /") + opts.command_line_switch;
    std::optional<CommandLineRequest> req = ParseCommandLine(text);
    if (!req || CheckCommandLineFile(*req) != CommandLineFile::Ok) return false;
    ConversionTarget t = ConversionTarget::Point;
    if (req->beam) t = ConversionTarget::Beam;
    if (req->xtf) t = ConversionTarget::Xtf;
    if (req->csv) t = ConversionTarget::Csv;
    if (req->xyz) t = ConversionTarget::Xyz;
    const ForcedSettings f = ForcedSettingsFor(t);
    store.Update([&f](SettingsState& st) {
        st.s.ProfilePointDetection = f.ProfilePointDetection;
        st.s.DataOutputType = f.DataOutputType;
    });
    const std::vector<ConversionOutput> outs = CommandLineOutputs(*req);
    if (outs.empty()) return playback.Open(req->file);
    return playback.OpenForConversion(req->file, outs);
}

void Engine::Impl::ActOnControl(const ControlResult& r) {
    const bool playback_mode = in_playback();
    if (r.display_mode_request >= 0) SetDisplayMode(r.display_mode_request);
    if (r.sound_velocity_pending) sensors.SoundVelocity().Supply(*r.sound_velocity_pending);
    if (r.geometry_changed || r.range_changed || r.sector_size_changed || r.step_size_changed ||
        r.tilt_changed || r.data_output_changed || r.sound_velocity_changed) {
        pipeline.RequestOperatingPoint(true);
    }
    if (r.averaging_changed) pipeline.RequestAveragingReset();
    if (r.units_changed) pipeline.RequestDisplayRebuild();
    if (r.xdcr_changed || r.persistence_cleared) pipeline.RequestClear();
    if (r.threshold_changed) pipeline.RequestProfileThreshold(control.profile_threshold());
    if (r.blanking_changed) pipeline.RequestProfileBlanking(control.profile_blanking());
    // The decision compares with what the recorder does (or has been asked to do), never
    // with a remembered copy.
    if (r.recording == RecordingRequest::Start && !playback_mode && !Recording()) {
        StartRecording({});
    } else if (r.recording == RecordingRequest::Stop && Recording()) {
        StopRecording();
    }
    if (r.applied) op.SetStatus("control", control.Active() ? "External Control" : "");
    if (r.transmit_changed) {
        const bool off =
            store.Read([](const SettingsState& st) { return st.work.transmit_disabled != 0; });
        op.SetStatus("xmit", off ? "XMIT Disabled" : "");
    }
    if (playback_mode) {
        KeepOperatorValuesInPlayback(r);
        TakeOverRequestsNow();
    }
    RefreshMenu();
    if (r.settings_changed()) SaveSettings();
}

}  // namespace vq
