// The one rule every change of range goes through, whoever asks for it (dial, key, typed entry,
// settings dialog, external control, start-up): the index is kept inside the head's span,
// half-range mode exists only at the lowest index, the pulse length and receive filter follow
// the range while automatic pulse length is on, and live a range offset beyond the new range's
// largest offset is lowered to it.
#pragma once

#include "core/panel_values.h"
#include "core/settings_store.h"

namespace vq {

struct RangeChangeResult {
    bool index_changed = false;
    bool half_range_changed = false;
    bool pulse_changed = false;   // pulse length or filter index
    bool offset_lowered = false;  // the range offset was lowered to the range's maximum
    bool any() const {
        return index_changed || half_range_changed || pulse_changed || offset_lowered;
    }
};

// Applies range index `index` (clamped into the head's span) with half-range mode `half_range`
// (kept only at the lowest index of a head whose lowest index is below 3).
RangeChangeResult ApplyRangeChange(SettingsState& st, int index, bool half_range = false);

// Pulse length (µs) and filter index the range gives while automatic pulse length is on: the
// table's values, the pulse length capped at the head's longest.
struct AutoPulse {
    int pulse_length_us;
    int filter_index;
};
AutoPulse AutoPulseForRange(int index, bool fine_resolution, int max_pulse_length_us);

// While automatic pulse length is on, sets the pulse length and filter the current range
// gives (at start-up, before the first ping). True when they changed.
bool ApplyAutoPulse(SettingsState& st);

// One range step down (F1) or up (F2) within the head's span. Down from the lowest index,
// when that index is below 3, half-range mode engages instead; up from half-range mode leaves
// it at the same index. True when something changed.
bool StepRange(PanelValues& v, const PanelLimits& l, bool up);

}  // namespace vq
