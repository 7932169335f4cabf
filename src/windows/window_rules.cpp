// Places of the secondary windows.
#include "windows/window_rules.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

namespace vq {
namespace {

constexpr int kMaxWindowSide = 16000;
constexpr int kMinVisible = 30;

using S = Settings;
constexpr std::array kWindows{
    SecondaryWindowSpec{
        "Diagnostics", {2, 61, 170, 170}, &S::DiagnosticsWindow, &S::DiagnosticsWindowRect},
    SecondaryWindowSpec{"Track Plotter",
                        {754, 390, kTrackPlotterWidth, kTrackPlotterHeight},
                        &S::TrackPlotterWindow,
                        &S::TrackPlotterWindowRect},
    SecondaryWindowSpec{"Sidescan", {8, 400, 300, 200}, &S::SidescanWindow, &S::SidescanWindowRect},
    SecondaryWindowSpec{
        "Echo Sounder", {900, 600, 300, 200}, &S::EchoSounderWindow, &S::EchoSounderWindowRect},
    SecondaryWindowSpec{
        "Intensity", {600, 600, 300, 200}, &S::IntensityWindow, &S::IntensityWindowRect},
    SecondaryWindowSpec{
        "Sonar Info", {2, 61, 170, 170}, &S::SonarInfoWindow, &S::SonarInfoWindowRect},
    SecondaryWindowSpec{
        "Sonar Status", {2, 61, 170, 170}, &S::SonarStatusWindow, &S::SonarStatusWindowRect},
};

bool ReadInt(std::string_view& text, int& out) {
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, out);
    if (r.ec != std::errc{}) return false;
    text.remove_prefix(static_cast<std::size_t>(r.ptr - text.data()));
    return true;
}

}  // namespace

std::string FormatWindowRect(const WindowRect& r) {
    return std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.width) + "," +
           std::to_string(r.height);
}

std::optional<WindowRect> ParseWindowRect(std::string_view text) {
    std::array<int, 4> v{};
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (i > 0) {
            if (text.empty() || text.front() != ',') return std::nullopt;
            text.remove_prefix(1);
        }
        if (!ReadInt(text, v[i])) return std::nullopt;
    }
    if (!text.empty()) return std::nullopt;
    const WindowRect r{v[0], v[1], v[2], v[3]};
    if (r.width < 1 || r.height < 1 || r.width > kMaxWindowSide || r.height > kMaxWindowSide) {
        return std::nullopt;
    }
    return r;
}

WindowRect KeepOnScreen(WindowRect r, int screen_width, int screen_height) {
    if (r.x < 0 || r.x > screen_width - kMinVisible) r.x = 0;
    if (r.y < 0 || r.y > screen_height - kMinVisible) r.y = 0;
    return r;
}

WindowRect PlaceAltitudeWindow(int x, int y, int width, int height, int screen_width,
                               int screen_height) {
    WindowRect r{x, y, width, height};
    r.x = std::max(0, std::min(r.x, screen_width - width - 10));
    r.y = std::max(0, std::min(r.y, screen_height - height - 48));
    return r;
}

std::span<const SecondaryWindowSpec> SecondaryWindows() {
    return kWindows;
}

const SecondaryWindowSpec* FindSecondaryWindow(std::string_view title) {
    for (const SecondaryWindowSpec& w : kWindows) {
        if (title == w.title) return &w;
    }
    return nullptr;
}

WindowRect RestoredRect(const Settings& s, const SecondaryWindowSpec& w) {
    if (w.rect != nullptr) {
        if (const auto r = ParseWindowRect(s.*w.rect)) return *r;
    }
    WindowRect r = w.first;
    if (std::strcmp(w.title, "Track Plotter") == 0) {
        r.x = s.TrackPlotterWindowX;
        r.y = s.TrackPlotterWindowY;
    }
    return r;
}

void StoreRect(Settings& s, const SecondaryWindowSpec& w, const WindowRect& r) {
    if (w.rect != nullptr) s.*w.rect = FormatWindowRect(r);
    if (std::strcmp(w.title, "Track Plotter") == 0) {
        s.TrackPlotterWindowX = r.x;
        s.TrackPlotterWindowY = r.y;
    }
}

}  // namespace vq
