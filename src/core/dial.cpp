#include "core/dial.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/range_change.h"

namespace vq {

bool DialResponds(Dial dial, const PanelLimits& l) {
    if (l.hold) return false;
    switch (dial) {
        case Dial::Range:
        case Dial::Gain:
            return l.live;
        case Dial::DisplayGain:
            return true;
        case Dial::Persistence:
            return !l.profile_mode();
        case Dial::None:
            break;
    }
    return false;
}

int DialStepSize(int counter) {
    return counter <= 4 ? 1 : counter / 2;
}

int DialPressDirection(DialPoint press, DialPoint centre, DialPoint tip) {
    if (press.x < centre.x) {
        if (tip.x >= centre.x) return -1;
        return press.y < tip.y ? 1 : -1;
    }
    if (tip.x <= centre.x) return 1;
    return press.y < tip.y ? -1 : 1;
}

bool TurnDial(Dial dial, int steps, PanelValues& v, const PanelLimits& l) {
    const PanelValues before = v;
    switch (dial) {
        case Dial::Range:
            for (int i = 0; i < std::abs(steps); ++i) StepRange(v, l, steps > 0);
            break;
        case Dial::Gain:
            v.gain = std::clamp(v.gain + steps, 0, std::max(l.max_gain, 0));
            break;
        case Dial::DisplayGain:
            v.display_gain = std::clamp(v.display_gain + steps, kMinDisplayGain, kMaxDisplayGain);
            break;
        case Dial::Persistence:
            v.persistence = std::clamp(v.persistence + steps, 0, kMaxPersistenceS);
            break;
        case Dial::None:
            break;
    }
    return v != before;
}

double DialFraction(Dial dial, const PanelValues& v, const PanelLimits& l) {
    auto fraction = [](double value, double lo, double hi) {
        return hi > lo ? std::clamp((value - lo) / (hi - lo), 0.0, 1.0) : 0.0;
    };
    switch (dial) {
        case Dial::Range:
            if (v.half_range) return 0.0;
            return fraction(v.range_index, l.min_range_index, l.max_range_index);
        case Dial::Gain:
            return fraction(v.gain, 0, l.max_gain);
        case Dial::DisplayGain:
            return fraction(v.display_gain, kMinDisplayGain, kMaxDisplayGain);
        case Dial::Persistence:
            return fraction(v.persistence, 0, kMaxPersistenceS);
        case Dial::None:
            break;
    }
    return 0.0;
}

DialPoint DialTip(DialPoint centre, int radius, double fraction) {
    // Angle from straight up, clockwise: -135 degrees at 0, +135 degrees at 1.
    const double a = (-135.0 + 270.0 * std::clamp(fraction, 0.0, 1.0)) * std::numbers::pi / 180.0;
    return {centre.x + static_cast<int>(std::lround(radius * std::sin(a))),
            centre.y - static_cast<int>(std::lround(radius * std::cos(a)))};
}

int DialRepeat::Press(Dial dial, int direction, std::int64_t now_ms) {
    dial_ = dial;
    direction_ = direction >= 0 ? 1 : -1;
    counter_ = 0;
    next_due_ms_ = now_ms + kDialFirstRepeatMs;
    return TakeStep();
}

std::optional<int> DialRepeat::Poll(std::int64_t now_ms) {
    if (!active() || now_ms < next_due_ms_) return std::nullopt;
    next_due_ms_ = now_ms + kDialRepeatMs;
    return TakeStep();
}

int DialRepeat::TakeStep() {
    const int step = DialStepSize(counter_) * direction_;
    counter_ = std::min(counter_ + 1, kDialMaxCounter);
    return step;
}

}  // namespace vq
