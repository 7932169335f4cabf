// The main window's menu commands, by identifier.
#include "app/engine_impl.h"

namespace vq {
namespace {

// Toggles an int setting between 0 and 1.
void Toggle(int& v) {
    v = v ? 0 : 1;
}

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
    auto set = [this](auto f) { store.Update(f); };
    if (id >= menu::kColorFirst && id <= menu::kColorLast) {
        set([id](SettingsState& st) { st.s.Colors = id - menu::kColorFirst; });
        pipeline.RequestColors();
        pipeline.RequestDisplayRebuild();
        return;
    }
    if (id >= menu::kModeSector && id <= menu::kModeBeamTest) {
        SetDisplayMode(id - menu::kModeSector);
        return;
    }
    if (const int shots = ShotsForAveragingItem(id); shots >= 0) {
        set([shots](SettingsState& st) {
            st.s.AvgFilter = shots > 0 ? 1 : 0;
            if (shots > 0) st.s.AvgFilterIndex = LimitAveragingForMode(shots, st.s.DisplayType);
        });
        pipeline.RequestAveragingReset();
        return;
    }
    if (id >= menu::kProcessed0 && id <= menu::kProcessed3) {
        set([id](SettingsState& st) { st.s.ProcessingMode = id - menu::kProcessed0; });
        return;
    }
    if (id >= menu::kBeams480 && id <= menu::kBeams120) {
        set([id](SettingsState& st) { st.s.StepSize = id - menu::kBeams480; });
        pipeline.RequestOperatingPoint(true);
        return;
    }
    if (id >= menu::kSector30 && id <= menu::kSector110) {
        set([id](SettingsState& st) { st.s.SectorSize = id - menu::kSector30; });
        pipeline.RequestOperatingPoint(true);
        return;
    }
    if (id >= menu::kMeters && id <= menu::kYards) {
        set([id](SettingsState& st) { st.s.Units = id - menu::kMeters; });
        pipeline.RequestDisplayRebuild();
        return;
    }
    switch (id) {
        case menu::kHead:
            if (in_playback()) SwitchDataSource(0);
            break;
        case menu::kFile:
            if (!in_playback()) SwitchDataSource(1);
            break;
        case menu::kPlaybackFile:
            OpenPlaybackFile();
            break;
        case menu::kConvertQ4P:
            StartConversion(ConversionTarget::Point);
            break;
        case menu::kConvertQ4B:
            StartConversion(ConversionTarget::Beam);
            break;
        case menu::kConvertXTF:
            StartConversion(ConversionTarget::Xtf);
            break;
        case menu::kRecord:
            ToggleRecording();
            break;
        case menu::kCopy:
            ToggleCopy();
            break;
        case menu::kRealtimePlayback:
            if (in_playback()) set([](SettingsState& st) { Toggle(st.s.RealtimePlayback); });
            break;
        case menu::kXdcrUp:
        case menu::kXdcrDown:
            set([id](SettingsState& st) { st.s.Xdcr = id == menu::kXdcrUp ? 1 : 0; });
            pipeline.RequestClear();
            break;
        case menu::kGrid:
            set([](SettingsState& st) { Toggle(st.s.Grid); });
            pipeline.RequestDisplayRebuild();
            break;
        case menu::kAutoFilenames:
            set([](SettingsState& st) { Toggle(st.s.AutoFilename); });
            break;
        case menu::kDateNumber:
        case menu::kDateTime:
            set([id](SettingsState& st) { st.s.AutoFilenameType = id - menu::kDateNumber; });
            break;
        case menu::kRemoveBackground:
            activity.background_removal = !activity.background_removal;
            pipeline.RequestBackground(activity.background_removal ? 0 : 1);
            if (!activity.background_removal) pipeline.RequestClear();
            break;
        case menu::kCircular:
        case menu::kRectangular:
            set([id](SettingsState& st) { st.s.ProfileGrid = id - menu::kCircular; });
            pipeline.RequestDisplayRebuild();
            break;
        case menu::kGainEqualization:
            set([](SettingsState& st) { Toggle(st.s.GainEqualization); });
            break;
        case menu::kSignalLevel:
            set([](SettingsState& st) { Toggle(st.work.signal_level_display); });
            pipeline.RequestClear();
            break;
        case menu::kSwathCoverage:
            set([](SettingsState& st) { Toggle(st.s.DisplaySwathCoverage); });
            break;
        case menu::kDiagnostics:
            activity.diagnostics_shown = !activity.diagnostics_shown;
            set([this](SettingsState& st) { st.s.DiagnosticsWindow = activity.diagnostics_shown; });
            break;
        case menu::kTrackPlotter:
            activity.track_plotter_shown = !activity.track_plotter_shown;
            set([this](SettingsState& st) {
                st.s.TrackPlotterWindow = activity.track_plotter_shown;
            });
            break;
        case menu::kAltitude:
            activity.altitude_shown = !activity.altitude_shown;
            break;
        case menu::kSidescan:
            activity.sidescan_shown = !activity.sidescan_shown;
            break;
        case menu::kEchoSounder:
            activity.echo_sounder_shown = !activity.echo_sounder_shown;
            break;
        case menu::kIntensity:
            activity.intensity_shown = !activity.intensity_shown;
            break;
        case menu::kSonarInfo:
            activity.sonar_info_shown = !activity.sonar_info_shown;
            break;
        case menu::kSonarStatus:
            activity.sonar_status_shown = !activity.sonar_status_shown;
            break;
        default:
            break;
    }
}

}  // namespace vq
