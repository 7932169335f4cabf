// What every settings dialog shares: the warning it shows on a bad "Ok", where it opens, the
// distance units it converts to and from, and how it reads and writes the numbers of its edit
// boxes (always with '.' as the decimal point, whatever the process locale).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vq {

// A warning box with the exclamation icon and an OK button, as a rejected "Ok" shows it.
struct DialogMessage {
    std::string text;
    std::string title;
    bool operator==(const DialogMessage&) const = default;
};

// What "Ok" answered: nothing means accepted (the dialog closes), a message means refused
// (the dialog stays open).
using OkAnswer = std::optional<DialogMessage>;

// Screen rectangle, pixels.
struct DialogRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// Where a dialog of width x height opens: its centre over the centre of the main window; moved
// left to screen width - width - 11 when it would pass the right edge of the screen, and up to
// screen height - height - caption height - 10 when it would pass the bottom; never above or
// left of the screen's origin. Returns the top-left corner.
DialogRect PlaceDialog(const DialogRect& main_window, int width, int height, int screen_width,
                       int screen_height, int caption_height);

// The distance units of the "Units" setting: 0 metres, 1 feet, 2 yards.
inline constexpr double kFeetPerMetre = 3.280839895013123;
inline constexpr double kYardsPerMetre = 1.0936132983377076;
inline constexpr double kMetresPerFoot = 0.3048;
inline constexpr double kMetresPerYard = 0.9144;
int ClampUnits(int units);
double MetresToUnits(double metres, int units);
double UnitsToMetres(double value, int units);

// A number typed into an edit box: optional blanks, a sign, digits, at most one '.', blanks.
// Anything else (empty text, letters, a second number) is not a number.
std::optional<double> ParseTypedNumber(std::string_view text);
// The same, for boxes that hold whole numbers only.
std::optional<int> ParseTypedInteger(std::string_view text);

// printf's "%d" and "%<width>.<precision>f" ("%0<width>.<precision>f" with zero_pad).
std::string FormatInt(long long value);
std::string FormatFloat(double value, int precision, int width = 0, bool zero_pad = false);

// Adds delta to value and keeps the result within lo..hi (the arrows of a small scroll bar).
double StepAndClamp(double value, double delta, double lo, double hi);

}  // namespace vq
