#include "app/operating_state.h"

namespace vq {
namespace {

void CheckOne(MenuState& m, int first, int last, int chosen) {
    m.CheckOne(first, last, chosen);
}

void UpdateDataSource(MenuState& m, const Settings& s, const ActivityState& a) {
    const bool playback = s.RunMode == 1;
    m.Check(menu::kHead, !playback);
    m.Check(menu::kFile, playback);
    for (int id : {menu::kPlaybackFile, menu::kConvertQ4P, menu::kConvertQ4B, menu::kConvertXTF}) {
        m.Enable(id, playback && a.conversion_available);
    }
    m.Enable(menu::kRealtimePlayback, playback);
    m.Check(menu::kRealtimePlayback, s.RealtimePlayback != 0);
    m.Enable(menu::kRecord, !playback && a.recording_available);
    m[menu::kRecord].text =
        a.recording ? "&Record Stop...\t  Ctrl+E" : "&Record Start...\t  Ctrl+S";
    m.Enable(menu::kCopy, playback && a.recording_available);
    m[menu::kCopy].text = a.copying ? "&Copy Stop..." : "&Copy Start...";
    m.Enable(menu::kXdcrUp, !playback);
    m.Enable(menu::kXdcrDown, !playback);
    m.Check(menu::kXdcrUp, s.Xdcr == 1);
    m.Check(menu::kXdcrDown, s.Xdcr == 0);
    m.Enable(menu::kTrackPlotter, playback || s.ComPortGPSEnable != 0);
    // The settings dialogs: the serial ports live only ("&Video Recording Rate..." follows the
    // camera); "S&witches" opens the read-only view in playback.
    m.Enable(menu::kComPorts, !playback);
    for (int id : {menu::kSwitches, menu::kSoundVelocity, menu::kIPAddress, menu::kDataOutput,
                   menu::kMaxFilesize, menu::kDeviceOffsets, menu::kProfileSetup, menu::kAbout}) {
        m.Enable(id, true);
    }
}

void UpdateModeRules(MenuState& m, const Settings& s, const ActivityState& a) {
    const int mode = s.DisplayType;
    CheckOne(m, menu::kModeSector, menu::kModeBeamTest, menu::kModeSector + mode);
    const bool profile = mode == 3;
    m.Enable(menu::kRemoveBackground, mode == 0);
    m.Enable(menu::kPersistence, !profile);  // profile mode has no persistence
    m.Check(menu::kRemoveBackground, a.background_removal);
    for (int id : {menu::kTiltAngle, menu::kRectangular, menu::kAltitude, menu::kCircular}) {
        m.Enable(id, profile);
    }
    m.Check(menu::kCircular, s.ProfileGrid == 0);
    m.Check(menu::kRectangular, s.ProfileGrid == 1);
    m.Check(menu::kAltitude, profile && a.altitude_shown);
    for (int id : {menu::kAvg9, menu::kAvg15, menu::kAvg25}) m.Enable(id, !profile);
    const int shots = s.AvgFilter ? s.AvgFilterIndex : 0;
    for (int id : {menu::kAvgOff, menu::kAvg3, menu::kAvg5, menu::kAvg7, menu::kAvg9, menu::kAvg15,
                   menu::kAvg25}) {
        m.Check(id, ShotsForAveragingItem(id) == shots);
    }
}

void UpdateOptions(MenuState& m, const Settings& s, const ActivityState& a) {
    CheckOne(m, menu::kColorFirst, menu::kColorLast, menu::kColorFirst + s.Colors);
    CheckOne(m, menu::kMeters, menu::kYards, menu::kMeters + s.Units);
    CheckOne(m, menu::kDateNumber, menu::kDateTime, menu::kDateNumber + s.AutoFilenameType);
    m.Check(menu::kAutoFilenames, s.AutoFilename != 0);
    m.Check(menu::kGrid, s.Grid != 0);
    m.Check(menu::kGainEqualization, s.GainEqualization != 0);
    CheckOne(m, menu::kProcessed0, menu::kProcessed3, menu::kProcessed0 + s.ProcessingMode);
    CheckOne(m, menu::kBeams480, menu::kBeams120, menu::kBeams480 + s.StepSize);
    CheckOne(m, menu::kSector30, menu::kSector110, menu::kSector30 + s.SectorSize);
    for (int id = menu::kSector30; id <= menu::kSector110; ++id) {
        m.Enable(id, !a.sector_limited_by_grating_lobes);
    }
    m.Check(menu::kDiagnostics, a.diagnostics_shown);
    m.Check(menu::kTrackPlotter, a.track_plotter_shown);
    m.Check(menu::kSwathCoverage, s.DisplaySwathCoverage != 0);
    m.Check(menu::kSidescan, a.sidescan_shown);
    m.Check(menu::kEchoSounder, a.echo_sounder_shown);
    m.Check(menu::kIntensity, a.intensity_shown);
    m.Check(menu::kSonarInfo, a.sonar_info_shown);
    m.Check(menu::kSonarStatus, a.sonar_status_shown);
    m.Check(menu::kRecordVideo, s.RecordVideo != 0);
}

// The video items: the camera's commands live only and with a camera connected; in
// playback "Open Video &Window" asks for the recorded frames.
void UpdateVideo(MenuState& m, const Settings& s, const ActivityState& a) {
    const bool live = s.RunMode != 1;
    m.Enable(menu::kVideoWindow, !live || a.camera_available);
    for (int id : {menu::kRecordVideo, menu::kVideoFormat, menu::kVideoRate}) {
        m.Enable(id, live && a.camera_connected);
    }
    m.Enable(menu::kSaveScreen, true);
}

// Choices that need the recording layer stay greyed without it.
void GreyUnavailable(MenuState& m, const ActivityState& a) {
    if (!a.recording_available) {
        m.Enable(menu::kAutoFilenames, false);
        m.Enable(menu::kDateNumber, false);
        m.Enable(menu::kDateTime, false);
    }
}

}  // namespace

int ShotsForAveragingItem(int id) {
    switch (id) {
        case menu::kAvgOff:
            return 0;
        case menu::kAvg3:
            return 3;
        case menu::kAvg5:
            return 5;
        case menu::kAvg7:
            return 7;
        case menu::kAvg9:
            return 9;
        case menu::kAvg15:
            return 15;
        case menu::kAvg25:
            return 25;
        default:
            return -1;
    }
}

int LimitAveragingForMode(int avg_filter_index, int display_type) {
    return display_type == 3 && avg_filter_index > 7 ? 7 : avg_filter_index;
}

void UpdateMenu(MenuState& menu, const SettingsState& st, const ActivityState& act) {
    UpdateDataSource(menu, st.s, act);
    UpdateModeRules(menu, st.s, act);
    UpdateOptions(menu, st.s, act);
    UpdateVideo(menu, st.s, act);
    GreyUnavailable(menu, act);
}

}  // namespace vq
