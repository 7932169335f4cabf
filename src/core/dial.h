// The press rules of the control panel's dials: which dial answers, which way a press turns it,
// how far each step goes, and the repeat of a held press (the first step at once, the next
// after 500 ms, then every 75 ms). Time is passed in by the caller in milliseconds, so the
// rules run the same under a window timer and in a test.
#pragma once

#include <cstdint>
#include <optional>

#include "core/panel_values.h"

namespace vq {

struct DialPoint {
    int x = 0;
    int y = 0;
};

inline constexpr int kDialFirstRepeatMs = 500;
inline constexpr int kDialRepeatMs = 75;
inline constexpr int kDialMaxCounter = 10;

// Whether a dial answers now: nothing while hold is on; range and gain live only; persistence
// not in profile mode (where its dial is not shown).
bool DialResponds(Dial dial, const PanelLimits& l);

// Step size for the repeat counter: 1 while the counter is at most 4, otherwise counter / 2.
int DialStepSize(int counter);

// +1 (up) or -1 (down) for a press at `press` on a dial with its centre and pointer tip. Left
// of the centre: down when the tip is right of the centre, else up above the tip and down
// below it; right of the centre the same, mirrored (the pointer turns clockwise for up).
int DialPressDirection(DialPoint press, DialPoint centre, DialPoint tip);

// Turns a dial by `steps` (signed) and clamps: range one index per step with half-range mode
// at the bottom as for F1, gain 0 .. the head's maximum, display gain 1 .. 100, persistence
// 0 .. 600. True when the value changed.
bool TurnDial(Dial dial, int steps, PanelValues& v, const PanelLimits& l);

// Where the dial's pointer stands, 0 (lowest) .. 1 (highest); half-range mode reads 0.
double DialFraction(Dial dial, const PanelValues& v, const PanelLimits& l);

// The pointer sweeps 270 degrees clockwise from lower left (0) over the top to lower right
// (1). Returns the tip at `radius` from `centre` (screen coordinates, y down).
DialPoint DialTip(DialPoint centre, int radius, double fraction);

// A held press on a dial: the first step at once, a repeat 500 ms later, then every 75 ms,
// while the button stays down on the dial. The repeat counter starts at 0 and grows by one
// per step up to 10; each step's size comes from the counter before it grows.
class DialRepeat {
  public:
    // The press; returns the first step (signed size).
    int Press(Dial dial, int direction, std::int64_t now_ms);
    // The step due at `now_ms`, if any (at most one per call; a late call does not catch up).
    std::optional<int> Poll(std::int64_t now_ms);
    // Button up, or the pointer left the dial.
    void Release() { dial_ = Dial::None; }

    Dial dial() const { return dial_; }
    bool active() const { return dial_ != Dial::None; }
    int counter() const { return counter_; }
    // When the next step is due (meaningful while active).
    std::int64_t next_due_ms() const { return next_due_ms_; }

  private:
    int TakeStep();

    Dial dial_ = Dial::None;
    int direction_ = 0;
    int counter_ = 0;
    std::int64_t next_due_ms_ = 0;
};

}  // namespace vq
