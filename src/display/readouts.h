// What the small read-outs of the main window show: the logging status line, the processor
// temperature warning and the GPS panel (position, speed and course, satellites, HDOP and fix
// quality with their lamps, and the GPS time-out). Pure logic; the window only paints it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vq {

class NavState;

struct ReadoutColour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const ReadoutColour&, const ReadoutColour&) = default;
};

inline constexpr ReadoutColour kReadoutValueGrey{216, 216, 216};
inline constexpr ReadoutColour kReadoutDimGrey{72, 72, 72};
inline constexpr ReadoutColour kReadoutRed{255, 0, 0};
inline constexpr ReadoutColour kReadoutGreen{0, 180, 0};
inline constexpr ReadoutColour kReadoutYellowGreen{144, 180, 0};
inline constexpr const char* kNotAvailable = "n/a";

struct ReadoutText {
    std::string text;
    ReadoutColour colour;
};

// The lit circle of a three-lamp indicator (Off: all dark).
enum class Lamp { Off, Red, YellowGreen, Green };
Lamp SatellitesLamp(int satellites);
Lamp HdopLamp(float hdop);
ReadoutColour LampColour(Lamp lamp);

// Values are light grey, or dark grey while the colour table "&Rev Grey" is selected.
ReadoutColour ValueColour(bool reverse_grey);

// The logging status line left of the dials.
class StatusLine {
  public:
    // After each ping: "File Playback" in playback; live and connected, "Not Logging ",
    // "Disk Full " or "Logging " followed by the ticking activity dots; otherwise nothing.
    std::optional<ReadoutText> AfterPing(bool playback, bool connected, bool recording,
                                         bool disk_full);

  private:
    int activity_ = 0;  // 0 .. 7
};

// The blinking processor-temperature warning, updated when the clock second changes.
class TemperatureWarning {
  public:
    enum class Action { None, Draw, Clear };
    struct Result {
        Action action = Action::None;
        ReadoutText label;  // "CPU Temperature:" in grey
        ReadoutText value;  // "%4.1f C" in red
    };
    Result OnSecond(float temperature_c, int second);

  private:
    bool active_ = false;
};

// Fix quality "%d" and its label ("Invalid" in red for 0; the number alone from 6 on).
struct FixQualityReadout {
    ReadoutText number;
    ReadoutText label;
};
FixQualityReadout ReadFixQuality(int fix_quality, bool reverse_grey);

// "%3.1f  KTS".
std::string SpeedText(float knots);
// End of the 8-pixel course needle from the circle's centre, north up.
std::array<int, 2> CourseNeedleEnd(int cx, int cy, float course_deg);

// The GPS panel's state: what was last drawn, the blink of the position mark and the time-out.
// Used by the thread that updates the read-outs; on_repaint may come from the window's thread.
class GpsPanel {
  public:
    static constexpr int kTimeoutSteps = 10;

    struct Position {
        ReadoutText latitude;
        ReadoutText longitude;
        bool mark = false;  // "*" right after the latitude text
    };
    struct Quality {
        std::optional<ReadoutText> satellites;  // set only when the value changed
        Lamp satellites_lamp = Lamp::Off;
        std::optional<ReadoutText> hdop;
        Lamp hdop_lamp = Lamp::Off;
        std::optional<FixQualityReadout> fix_quality;
    };
    // What every line shows after the time-out: "n/a" in dark grey, lamps off.
    struct TimedOut {
        ReadoutText text{kNotAvailable, kReadoutDimGrey};
    };

    // A new GPS position: its texts (copied together from the navigation state), the blink.
    Position OnPosition(std::string_view latitude_text, std::string_view longitude_text,
                        bool reverse_grey);
    ReadoutText Speed(float knots, bool reverse_grey) const;
    // The satellites, HDOP and fix quality items that changed since they were last drawn.
    Quality ReadQuality(int satellites, float hdop, int fix_quality, bool reverse_grey);

    // One ping or clock update of the link thread. On the step that reaches the time-out the
    // position texts are blanked together and the speed set to 0 in `nav`, the last-drawn
    // values are forgotten, and the "n/a" read-out is returned.
    std::optional<TimedOut> Tick(NavState& nav);
    // A repaint of the main window: a running count is set to one step before the time-out.
    void OnRepaint();
    int steps_without_position() const { return steps_.load(std::memory_order_relaxed); }

  private:
    bool blink_ = false;
    std::atomic<int> steps_{0};
    int last_satellites_ = -1;
    float last_hdop_ = -1.0f;
    int last_fix_quality_ = -1;
};

}  // namespace vq
