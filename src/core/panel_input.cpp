#include "core/panel_input.h"

#include <algorithm>
#include <cmath>

#include "core/range_change.h"

namespace vq {
namespace {

// Display gain moved by the acceleration factor, the result truncated to a whole percent.
int AcceleratedDisplayGain(int display_gain, double delta) {
    const double t = std::trunc(display_gain + delta);
    return static_cast<int>(std::clamp(t, double{kMinDisplayGain}, double{kMaxDisplayGain}));
}

// Up or down on the dial under the pointer.
void ArrowOnDial(Dial over, bool up, double acceleration, PanelValues& v, const PanelLimits& l) {
    const int sign = up ? 1 : -1;
    switch (over) {
        case Dial::Range:
            if (l.live) StepRange(v, l, up);
            break;
        case Dial::Gain:
            if (l.live) v.gain = std::clamp(v.gain + sign, 0, std::max(l.max_gain, 0));
            break;
        case Dial::DisplayGain:
            v.display_gain = AcceleratedDisplayGain(v.display_gain, sign * acceleration);
            break;
        case Dial::Persistence:
            if (!l.profile_mode())
                v.persistence = std::clamp(v.persistence + sign, 0, kMaxPersistenceS);
            break;
        case Dial::None:
            break;
    }
}

}  // namespace

PanelEffect ApplyPanelKey(PanelKey key, Dial over, double acceleration, const PanelValues& v,
                          const PanelLimits& l) {
    PanelEffect e;
    e.values = v;
    PanelValues& n = e.values;
    const int pixels = static_cast<int>(acceleration);
    switch (key) {
        case PanelKey::F1:
        case PanelKey::F2:
            if (l.live) StepRange(n, l, key == PanelKey::F2);
            break;
        case PanelKey::F3:
        case PanelKey::F4:
            if (l.live) {
                n.gain =
                    std::clamp(n.gain + (key == PanelKey::F4 ? 1 : -1), 0, std::max(l.max_gain, 0));
            }
            break;
        case PanelKey::F5:
        case PanelKey::F6:
            n.display_gain = AcceleratedDisplayGain(
                n.display_gain, key == PanelKey::F6 ? acceleration : -acceleration);
            break;
        case PanelKey::Up:
        case PanelKey::Down:
            if (over != Dial::None) {
                ArrowOnDial(over, key == PanelKey::Up, acceleration, n, l);
            } else {
                e.pointer_dy = key == PanelKey::Up ? -pixels : pixels;
            }
            break;
        case PanelKey::Left:
            e.pointer_dx = -pixels;
            break;
        case PanelKey::Right:
            e.pointer_dx = pixels;
            break;
    }
    e.changed = n != v;
    return e;
}

PanelEffect PanelInput::KeyDown(PanelKey key, Dial over, const PanelValues& v,
                                const PanelLimits& l) {
    PanelEffect e = ApplyPanelKey(key, over, acceleration_.factor(), v, l);
    acceleration_.AfterKeyDown();
    return e;
}

PanelEffect PanelInput::Char(char c, const PanelValues& v, const PanelLimits& l) {
    PanelEffect e;
    e.values = v;
    switch (c) {
        case 'R':
        case 'r':
            e.entry_changed = entry_.Open(Dial::Range, l);
            break;
        case 'G':
        case 'g':
            e.entry_changed = entry_.Open(Dial::Gain, l);
            break;
        case 'D':
        case 'd':
            e.entry_changed = entry_.Open(Dial::DisplayGain, l);
            break;
        case 'P':
        case 'p':
            e.entry_changed = entry_.Open(Dial::Persistence, l);
            break;
        case 'H':
        case 'h':
            e.toggle_hold = true;
            break;
        case 'C':
        case 'c':
            e.clear_image = true;
            break;
        case '\r':
        case '\n':
            if (entry_.open()) {
                const EntryResult r = ApplyTypedEntry(entry_.dial(), entry_.text(), v, l);
                e.values = r.values;
                e.warning = r.warning;
                e.clear_image = r.clear_image;
                entry_.Close();
                e.entry_changed = true;
            }
            break;
        case '\x1b':
            e.entry_changed = entry_.open();
            entry_.Close();
            break;
        default:
            e.entry_changed = entry_.Append(c);
            break;
    }
    acceleration_.AfterKeyDown();
    e.changed = e.values != v;
    return e;
}

PanelEffect PanelInput::Turn(Dial dial, int steps, const PanelValues& v, const PanelLimits& l) {
    PanelEffect e;
    e.values = v;
    if (DialResponds(dial, l)) e.changed = TurnDial(dial, steps, e.values, l);
    return e;
}

PanelEffect PanelInput::DialPress(Dial dial, DialPoint press, DialPoint centre, DialPoint tip,
                                  std::int64_t now_ms, const PanelValues& v, const PanelLimits& l) {
    if (!DialResponds(dial, l)) {
        repeat_.Release();
        PanelEffect e;
        e.values = v;
        return e;
    }
    const int step = repeat_.Press(dial, DialPressDirection(press, centre, tip), now_ms);
    return Turn(dial, step, v, l);
}

PanelEffect PanelInput::DialTimer(std::int64_t now_ms, const PanelValues& v, const PanelLimits& l) {
    const Dial dial = repeat_.dial();
    const std::optional<int> step = repeat_.Poll(now_ms);
    if (!step) {
        PanelEffect e;
        e.values = v;
        return e;
    }
    return Turn(dial, *step, v, l);
}

}  // namespace vq
