// The engine's commands: the main window's menu commands by identifier, the typed commands
// that take the values the window's dialogs accepted, keys and control datagrams.
#include <algorithm>
#include <array>

#include "app/engine_impl.h"

namespace vq {
namespace {

// Toggles an int setting between 0 and 1.
void Toggle(int& v) {
    v = v ? 0 : 1;
}

// What the picture needs after a setting changed.
enum class FollowUp { None, DisplayRebuild, Clear };

// Menu items that switch one setting between 0 and 1.
struct SettingToggle {
    int id;
    int Settings::*setting;
    bool playback_only;
    FollowUp follow_up;
};

constexpr SettingToggle kSettingToggles[] = {
    {menu::kRealtimePlayback, &Settings::RealtimePlayback, true, FollowUp::None},
    {menu::kGrid, &Settings::Grid, false, FollowUp::DisplayRebuild},
    {menu::kAutoFilenames, &Settings::AutoFilename, false, FollowUp::None},
    {menu::kGainEqualization, &Settings::GainEqualization, false, FollowUp::None},
    {menu::kSwathCoverage, &Settings::DisplaySwathCoverage, false, FollowUp::None},
};

// Menu items that show or hide a secondary window; some windows are remembered in the
// settings file.
struct WindowToggle {
    int id;
    bool ActivityState::*shown;
    int Settings::*remembered;  // nullptr: not stored
};

constexpr WindowToggle kWindowToggles[] = {
    {menu::kDiagnostics, &ActivityState::diagnostics_shown, &Settings::DiagnosticsWindow},
    {menu::kTrackPlotter, &ActivityState::track_plotter_shown, &Settings::TrackPlotterWindow},
    {menu::kAltitude, &ActivityState::altitude_shown, nullptr},
    {menu::kSidescan, &ActivityState::sidescan_shown, nullptr},
    {menu::kEchoSounder, &ActivityState::echo_sounder_shown, nullptr},
    {menu::kIntensity, &ActivityState::intensity_shown, nullptr},
    {menu::kSonarInfo, &ActivityState::sonar_info_shown, nullptr},
    {menu::kSonarStatus, &ActivityState::sonar_status_shown, nullptr},
};

}  // namespace

void Engine::Impl::SetDisplayMode(int mode) {
    store.Update([mode](SettingsState& st) {
        st.s.DisplayType = mode;
        // Profile mode: averaging limited to 7 shots, persistence off.
        st.s.AvgFilterIndex = LimitAveragingForMode(st.s.AvgFilterIndex, mode);
        if (mode == 3) st.s.Persistence = 0;
    });
    if (mode != 0 && activity.background_removal) {
        activity.background_removal = false;
        pipeline.RequestBackground(1);
    }
    pipeline.RequestDisplayMode(mode);
    // In playback the mode changes at once, even while the hold is on. Live, the link thread
    // takes it over before its next ping.
    if (in_playback()) TakeOverRequestsNow();
}

void Engine::Impl::TakeOverRequestsNow() {
    Post([this] { pipeline.TakeOverRequests(); });
}

void Engine::Impl::HandleCommand(int id) {
    if (HandleChoice(id) || HandleToggle(id) || HandleSourceOrFile(id)) return;
    HandleOther(id);
}

// One choice out of a group of items: colour table, mode, averaging, processing, beams,
// sector size, units.
bool Engine::Impl::HandleChoice(int id) {
    auto set = [this](auto f) { store.Update(f); };
    if (id >= menu::kColorFirst && id <= menu::kColorLast) {
        set([id](SettingsState& st) { st.s.Colors = id - menu::kColorFirst; });
        pipeline.RequestColors();
        pipeline.RequestDisplayRebuild();
    } else if (id >= menu::kModeSector && id <= menu::kModeBeamTest) {
        SetDisplayMode(id - menu::kModeSector);
    } else if (const int shots = ShotsForAveragingItem(id); shots >= 0) {
        set([shots](SettingsState& st) {
            st.s.AvgFilter = shots > 0 ? 1 : 0;
            if (shots > 0) st.s.AvgFilterIndex = LimitAveragingForMode(shots, st.s.DisplayType);
        });
        pipeline.RequestAveragingReset();
    } else if (id >= menu::kProcessed0 && id <= menu::kProcessed3) {
        set([id](SettingsState& st) { st.s.ProcessingMode = id - menu::kProcessed0; });
    } else if (id >= menu::kBeams480 && id <= menu::kBeams120) {
        set([id](SettingsState& st) { st.s.StepSize = id - menu::kBeams480; });
        pipeline.RequestOperatingPoint(true);
    } else if (id >= menu::kSector30 && id <= menu::kSector110) {
        set([id](SettingsState& st) { st.s.SectorSize = id - menu::kSector30; });
        pipeline.RequestOperatingPoint(true);
    } else if (id >= menu::kMeters && id <= menu::kYards) {
        set([id](SettingsState& st) { st.s.Units = id - menu::kMeters; });
        pipeline.RequestDisplayRebuild();
    } else {
        return false;
    }
    return true;
}

// Items that switch a setting or a window on and off.
bool Engine::Impl::HandleToggle(int id) {
    for (const SettingToggle& t : kSettingToggles) {
        if (t.id != id) continue;
        if (t.playback_only && !in_playback()) return true;
        store.Update([&t](SettingsState& st) { Toggle(st.s.*t.setting); });
        if (t.follow_up == FollowUp::DisplayRebuild) pipeline.RequestDisplayRebuild();
        if (t.follow_up == FollowUp::Clear) pipeline.RequestClear();
        return true;
    }
    for (const WindowToggle& t : kWindowToggles) {
        if (t.id != id) continue;
        const bool shown = !(activity.*t.shown);
        activity.*t.shown = shown;
        if (t.remembered) {
            store.Update([&t, shown](SettingsState& st) { st.s.*t.remembered = shown ? 1 : 0; });
        }
        return true;
    }
    if (id == menu::kSignalLevel) {
        store.Update([](SettingsState& st) { Toggle(st.work.signal_level_display); });
        pipeline.RequestClear();
        return true;
    }
    return false;
}

// The data source, and the commands that open or close files. Those that need a name from a
// dialog do nothing here: the window asks first and calls CommandWithFiles.
bool Engine::Impl::HandleSourceOrFile(int id) {
    switch (id) {
        case menu::kHead:
            if (in_playback()) SwitchDataSource(0);
            return true;
        case menu::kFile:
            if (!in_playback()) SwitchDataSource(1);
            return true;
        case menu::kRecord:
            if (in_playback()) return true;
            if (Recording()) {
                StopRecording();
            } else if (store.Read([](const SettingsState& st) { return st.s.AutoFilename; })) {
                StartRecording({});
            }
            return true;
        case menu::kCopy:
            if (Copying()) StopCopy();
            return true;
        case menu::kPlaybackFile:
        case menu::kConvertQ4P:
        case menu::kConvertQ4B:
        case menu::kConvertXTF:
            return true;
        default:
            return false;
    }
}

void Engine::Impl::HandleOther(int id) {
    switch (id) {
        case menu::kXdcrUp:
        case menu::kXdcrDown:
            store.Update([id](SettingsState& st) { st.s.Xdcr = id == menu::kXdcrUp ? 1 : 0; });
            pipeline.RequestClear();
            break;
        case menu::kDateNumber:
        case menu::kDateTime:
            store.Update(
                [id](SettingsState& st) { st.s.AutoFilenameType = id - menu::kDateNumber; });
            break;
        case menu::kRemoveBackground:
            activity.background_removal = !activity.background_removal;
            pipeline.RequestBackground(activity.background_removal ? 0 : 1);
            if (!activity.background_removal) pipeline.RequestClear();
            break;
        case menu::kCircular:
        case menu::kRectangular:
            store.Update([id](SettingsState& st) { st.s.ProfileGrid = id - menu::kCircular; });
            pipeline.RequestDisplayRebuild();
            break;
        case menu::kRecordVideo:
            if (!in_playback()) store.Update([](SettingsState& st) { Toggle(st.s.RecordVideo); });
            break;
        case menu::kTiltAngle:
            // "Profile Tilt Angle...": the window shows its dialog; this menu command by
            // itself changes nothing.
            break;
        default:
            break;
    }
}

// --- the public commands ---

bool Engine::Command(int id) {
    CommandScope scope(impl_->in_command);
    if (scope.refused()) return false;
    impl_->HandleCommand(id);
    impl_->RefreshMenu();
    impl_->SaveSettings();
    return true;
}

std::optional<FileDialogKind> Engine::DialogFor(int id) const {
    Impl& d = *impl_;
    const bool playback = d.in_playback();
    switch (id) {
        case menu::kRecord: {
            const bool automatic =
                d.store.Read([](const SettingsState& st) { return st.s.AutoFilename != 0; });
            if (playback || automatic || d.Recording()) return std::nullopt;
            return FileDialogKind::Record;
        }
        case menu::kCopy:
            if (!playback || d.Copying()) return std::nullopt;
            return FileDialogKind::Copy;
        case menu::kPlaybackFile:
            return playback ? std::optional(FileDialogKind::Playback) : std::nullopt;
        case menu::kConvertQ4P:
            return playback ? std::optional(FileDialogKind::ConvertQ4P) : std::nullopt;
        case menu::kConvertQ4B:
            return playback ? std::optional(FileDialogKind::ConvertQ4B) : std::nullopt;
        case menu::kConvertXTF:
            return playback ? std::optional(FileDialogKind::ConvertXtf) : std::nullopt;
        default:
            return std::nullopt;
    }
}

bool Engine::CommandWithFiles(int id, const std::vector<std::string>& files) {
    if (files.empty()) return false;
    switch (id) {
        case menu::kRecord:
            return StartRecording(files.front());
        case menu::kCopy:
            return StartCopy(files.front());
        case menu::kPlaybackFile:
            return OpenPlaybackFile(files.front());
        case menu::kConvertQ4P:
            return StartConversion(ConversionTarget::Point, files);
        case menu::kConvertQ4B:
            return StartConversion(ConversionTarget::Beam, files);
        case menu::kConvertXTF:
            return StartConversion(ConversionTarget::Xtf, files);
        default:
            return false;
    }
}

bool Engine::StartRecording(const std::filesystem::path& path) {
    return impl_->Run([&] { impl_->StartRecording(path); });
}

bool Engine::StopRecording() {
    return impl_->Run([&] { impl_->StopRecording(); });
}

bool Engine::NextRecordingFile(const std::filesystem::path& path) {
    return impl_->Run([&] { impl_->StartRecording(path, true); });
}

bool Engine::StartCopy(const std::filesystem::path& path) {
    return impl_->Run([&] { impl_->StartCopy(path); });
}

bool Engine::StopCopy() {
    return impl_->Run([&] { impl_->StopCopy(); });
}

bool Engine::OpenPlaybackFile(const std::filesystem::path& path) {
    return impl_->Run([&] { impl_->OpenPlaybackFile(path); });
}

bool Engine::StartConversion(ConversionTarget target, std::vector<std::string> paths) {
    return impl_->Run([&] { impl_->StartConversion(target, std::move(paths)); });
}

bool Engine::SetOutputFile(OutputKind kind, const std::filesystem::path& path) {
    if (kind != OutputKind::Point && kind != OutputKind::Beam) return false;
    return impl_->Run([&] { impl_->SetOutputFile(kind, path); });
}

bool Engine::PlaybackJump(int percent) {
    return impl_->Run([&] { impl_->JumpPlayback(percent); });
}

bool Engine::StepPlayback(int records) {
    return impl_->Run([&] { impl_->StepPlayback(records); });
}

bool Engine::set_playback_speed(int speed) {
    return impl_->Run([&] {
        const int delay = SpeedDelayMs(100 - std::clamp(speed, 0, 100));
        impl_->store.Update([delay](SettingsState& st) { st.s.PlaybackDelay = delay; });
    });
}

bool Engine::KeyChar(char c) {
    Impl& d = *impl_;
    CommandScope scope(d.in_command);
    if (scope.refused()) return false;
    switch (c) {
        case 'H':
        case 'h': {
            const bool on = !d.hold.load();
            d.hold.store(on);
            if (d.link) d.link->set_hold(on);
            d.playback_source.set_hold(on);
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
    return true;
}

void Engine::ReceiveControl() {
    Impl& d = *impl_;
    CommandScope scope(d.in_command);
    if (scope.refused()) return;
    std::array<std::uint8_t, 256> buf{};
    if (!d.udp.ReceiveOne(buf)) return;
    ControlInputs in;
    in.playback = d.in_playback();
    in.beam_output = d.store.Read([](const SettingsState& st) { return st.s.DataOutputType == 2; });
    // The recorder's own state (or the state a command not yet run has asked for).
    in.recording = d.Recording();
    const ControlResult r = ApplyControlDatagram(buf.data(), buf.size(), d.control, d.store, in);
    d.ActOnControl(r);
}

}  // namespace vq
