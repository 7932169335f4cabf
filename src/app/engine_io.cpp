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
    const std::vector<std::string> devices = ListSerialDevices();
    sensors.Close();
    sensors.OpenGps(s, devices);
    sensors.OpenSv(s, devices);
    outputs.SetNavSource([this] {
        const NavSnapshot n = sensors.Nav().snapshot();
        return RecordNavFrom(n, 0.0f, 0.0f, 0.0f);
    });
}

// Live: a sound velocity from the probe or from external control becomes the one in use.
void Engine::Impl::ApplyProbeSoundVelocity() {
    float sv = store.Read([](const SettingsState& st) { return st.work.sound_velocity_current; });
    if (ApplyExternalSoundVelocity(sensors.SoundVelocity(), true, sv)) {
        store.Update([sv](SettingsState& st) { st.work.sound_velocity_current = sv; });
        pipeline.RequestOperatingPoint(true);
    }
}

void Engine::Impl::ToggleRecording() {
    if (in_playback()) return;
    RecordingControl& rec = outputs.Recording();
    {
        std::lock_guard lock(outputs.RecordingMutex());
        if (rec.Recording()) {
            rec.RecordStop();
            return;
        }
        const Settings s = store.Read([](const SettingsState& st) { return st.s; });
        RecordingOptions o;
        o.AutoFilename = s.AutoFilename;
        o.AutoFilenameType = s.AutoFilenameType;
        o.MaximumFilesize = s.MaximumFilesize;
        o.current_dir = opts.working_dir;
        o.startup_dir = opts.working_dir;
        rec.set_options(o);
    }
    // The name (and its dialog) is chosen without holding the lock the ping thread needs.
    bool automatic = false;
    const std::filesystem::path p = rec.ChooseRecordingName(LocalTimeStamp(), automatic);
    std::lock_guard lock(outputs.RecordingMutex());
    rec.RecordStartAt(p, automatic);
}

bool Engine::SetOutputFile(bool beam, const std::filesystem::path& path) {
    RecordingControl& rec = impl_->outputs.Recording();
    const OutputKind kind = beam ? OutputKind::Beam : OutputKind::Point;
    std::lock_guard lock(impl_->outputs.RecordingMutex());
    if (path.empty()) {
        rec.CloseOutput(kind);
        return false;
    }
    if (rec.OutputOpen(kind)) rec.CloseOutput(kind);
    return rec.OpenOutput(kind, path);
}

void Engine::Impl::ToggleCopy() {
    if (!in_playback()) return;
    std::lock_guard lock(outputs.RecordingMutex());
    RecordingControl& rec = outputs.Recording();
    if (rec.copying()) {
        rec.CopyStop(playback.file().path());
    } else {
        rec.CopyStart();
    }
}

void Engine::Impl::OpenPlaybackFile() {
    if (!in_playback()) return;
    const std::vector<std::string> names = op.ChooseFiles(PlaybackOpenDialog());
    if (names.empty()) return;
    playback.Open(names.front());
}

void Engine::Impl::StartConversion(ConversionTarget target) {
    if (!in_playback()) return;
    const std::vector<std::string> names = op.ChooseFiles(ConversionDialog(target));
    if (names.empty()) return;
    playback.StartBatch(target, names);
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
    const bool recording = Recording();
    if (r.recording == RecordingRequest::Start && !playback_mode && !recording) {
        ToggleRecording();
    } else if (r.recording == RecordingRequest::Stop && recording) {
        ToggleRecording();
    }
    if (r.applied) op.SetStatus("control", control.Active() ? "External Control" : "");
    if (r.transmit_changed) {
        const bool off =
            store.Read([](const SettingsState& st) { return st.work.transmit_disabled != 0; });
        op.SetStatus("xmit", off ? "XMIT Disabled" : "");
    }
    if (playback_mode) pipeline.TakeOverRequests();
    RefreshMenu();
    if (r.settings_changed()) SaveSettings();
}

}  // namespace vq
