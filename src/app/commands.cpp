// The main window's menu commands, by identifier.
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
    // In playback the pipeline runs on this thread: the mode changes at once. Live, the link
    // thread takes it over before its next ping.
    if (in_playback()) pipeline.TakeOverRequests();
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
        case menu::kTiltAngle:
            // "Profile Tilt Angle...": the window shows its dialog; this menu command by
            // itself changes nothing.
            break;
        default:
            break;
    }
}

}  // namespace vq
