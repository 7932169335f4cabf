// The operator's input to the control panel as one model: function and arrow keys with their
// acceleration, the typed entry field, hold and clear keys, and held presses on the dials. The
// window feeds it events with the current values and limits; each event answers what to do:
// the new values (which the window hands to the engine as ordinary commands), a warning to
// show, a pointer move, a hold toggle or a clear.
#pragma once

#include <cstdint>
#include <optional>

#include "core/dial.h"
#include "core/panel_values.h"
#include "core/typed_entry.h"

namespace vq {

enum class PanelKey { F1, F2, F3, F4, F5, F6, Up, Down, Left, Right };

// Grows by 0.5 with every key-down (after that key's effect) up to 16; a key-up resets it.
class KeyAcceleration {
  public:
    static constexpr double kStart = 1.0;
    static constexpr double kStep = 0.5;
    static constexpr double kMax = 16.0;
    double factor() const { return factor_; }
    void AfterKeyDown() { factor_ = factor_ + kStep > kMax ? kMax : factor_ + kStep; }
    void KeyUp() { factor_ = kStart; }

  private:
    double factor_ = kStart;
};

struct PanelEffect {
    PanelValues values;  // after the event; equal to the input when nothing changed
    bool changed = false;
    std::optional<PanelWarning> warning;
    bool clear_image = false;    // "C", or persistence typed from non-zero to zero
    bool toggle_hold = false;    // "H"
    bool entry_changed = false;  // the entry field opened, grew or closed: redraw it
    int pointer_dx = 0;          // move the pointer by this many pixels
    int pointer_dy = 0;
};

// What one key does to the values (no acceleration bookkeeping). `over` is the dial under the
// pointer (None elsewhere).
PanelEffect ApplyPanelKey(PanelKey key, Dial over, double acceleration, const PanelValues& v,
                          const PanelLimits& l);

class PanelInput {
  public:
    // A function or arrow key went down.
    PanelEffect KeyDown(PanelKey key, Dial over, const PanelValues& v, const PanelLimits& l);
    // Any key went down that is neither a panel key nor a character (it still accelerates).
    void OtherKeyDown() { acceleration_.AfterKeyDown(); }
    void KeyUp() { acceleration_.KeyUp(); }
    // A typed character: "R", "G", "D", "P" open the entry field; digits and "." fill it;
    // "\r" (Enter) applies and "\x1b" (Esc) closes it; "H" toggles hold, "C" clears.
    PanelEffect Char(char c, const PanelValues& v, const PanelLimits& l);

    // Left button down on a dial at `press`, with the dial's centre and pointer tip.
    PanelEffect DialPress(Dial dial, DialPoint press, DialPoint centre, DialPoint tip,
                          std::int64_t now_ms, const PanelValues& v, const PanelLimits& l);
    // The repeat timer: the step due now, if any.
    PanelEffect DialTimer(std::int64_t now_ms, const PanelValues& v, const PanelLimits& l);
    // Button up or the pointer left the dial.
    void DialRelease() { repeat_.Release(); }

    const TypedEntry& entry() const { return entry_; }
    const DialRepeat& repeat() const { return repeat_; }
    double acceleration() const { return acceleration_.factor(); }

  private:
    PanelEffect Turn(Dial dial, int steps, const PanelValues& v, const PanelLimits& l);

    TypedEntry entry_;
    DialRepeat repeat_;
    KeyAcceleration acceleration_;
};

}  // namespace vq
