// Where the secondary windows open and whether they open at start: each window's first place,
// the setting that remembers it was shown at exit, and its position and size kept in the
// settings file, brought back on the screen when the screen got smaller.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/settings.h"
#include "core/window_rect.h"

namespace vq {

// "x,y,width,height".
std::string FormatWindowRect(const WindowRect& r);
// Four integers separated by commas, width and height 1 .. 16000; nothing else is accepted.
std::optional<WindowRect> ParseWindowRect(std::string_view text);

// A window whose top-left corner lies off the screen (or so far right or down that less than
// 30 pixels of it would show) is put back at 0 in that direction.
WindowRect KeepOnScreen(WindowRect r, int screen_width, int screen_height);

// The altitude window's place: x at most screen width - window width - 10, y at most screen
// height - window height - 48, neither below 0.
WindowRect PlaceAltitudeWindow(int x, int y, int width, int height, int screen_width,
                               int screen_height);

struct SecondaryWindowSpec {
    const char* title;
    WindowRect first;             // place at the first start
    int Settings::*shown;         // shown at exit (nullptr: never reopened)
    std::string Settings::*rect;  // remembered place (nullptr: see the window)
};

// The secondary windows with a remembered place and start flag, in the order of the
// "Windows" menu: "Diagnostics", "Track Plotter", "Sidescan", "Echo Sounder", "Intensity",
// "Sonar Info", "Sonar Status".
std::span<const SecondaryWindowSpec> SecondaryWindows();
const SecondaryWindowSpec* FindSecondaryWindow(std::string_view title);

// The place a window opens at: its remembered rectangle, else (for the track plotter) the
// "TrackPlotterWindowX"/"TrackPlotterWindowY" position, else its first place.
WindowRect RestoredRect(const Settings& s, const SecondaryWindowSpec& w);
// Remembers a window's place (the track plotter also in its X and Y keys).
void StoreRect(Settings& s, const SecondaryWindowSpec& w, const WindowRect& r);

inline constexpr int kTrackPlotterWidth = 276;
inline constexpr int kTrackPlotterHeight = 240;

}  // namespace vq
