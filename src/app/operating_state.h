// The operating state as the menu shows it: which items are enabled, checked and how their
// texts read for the current settings, data source and activities.
#pragma once

#include "app/menu_table.h"
#include "core/settings_store.h"

namespace vq {

struct ActivityState {
    bool recording = false;
    bool copying = false;
    bool playback_file_open = false;
    bool point_file_open = false;
    bool beam_file_open = false;
    bool sector_limited_by_grating_lobes = false;
    bool altitude_shown = false;
    bool diagnostics_shown = false;
    bool track_plotter_shown = false;
    bool sidescan_shown = false;
    bool echo_sounder_shown = false;
    bool intensity_shown = false;
    bool sonar_info_shown = false;
    bool sonar_status_shown = false;
    bool background_removal = false;
    bool recording_available = false;  // the recording commands exist in this build
    bool conversion_available = false;
    bool camera_available = false;  // a camera can be connected (the window looked for one)
    bool camera_connected = false;  // the "Video" window's camera delivers
};

// Sets every check mark, enabled state and swapped text from the settings and activities.
void UpdateMenu(MenuState& menu, const SettingsState& st, const ActivityState& act);

// Averaging in profile mode is limited to 7 shots; returns the index to use.
int LimitAveragingForMode(int avg_filter_index, int display_type);

// Shots of an averaging menu item (512 .. 534), 0 for "&Off" (510), -1 for other ids.
int ShotsForAveragingItem(int id);

}  // namespace vq
