#include "core/range_change.h"

#include <algorithm>

#include "core/range_table.h"

namespace vq {
namespace {

int LowestIndex(const HeadLimits& h) {
    return std::clamp(h.min_range_index, 0, kNumRangeIndexes - 1);
}

int HighestIndex(const HeadLimits& h) {
    return std::clamp(h.max_range_index, LowestIndex(h), kNumRangeIndexes - 1);
}

}  // namespace

AutoPulse AutoPulseForRange(int index, bool fine_resolution, int max_pulse_length_us) {
    AutoPulse p{AutoPulseLengthUs(index, fine_resolution), AutoFilterIndex(index, fine_resolution)};
    if (max_pulse_length_us > 0)
        p.pulse_length_us = std::min(p.pulse_length_us, max_pulse_length_us);
    return p;
}

RangeChangeResult ApplyRangeChange(SettingsState& st, int index, bool half_range) {
    RangeChangeResult r;
    const int lo = LowestIndex(st.head);
    const int i = std::clamp(index, lo, HighestIndex(st.head));
    const int half = half_range && i == lo && lo < kHalfRangeBelowIndex ? 1 : 0;
    r.index_changed = i != st.s.Range;
    r.half_range_changed = half != st.s.HalfRange;
    st.s.Range = i;
    st.s.HalfRange = half;
    st.work.half_range = half;
    r.pulse_changed = ApplyAutoPulse(st);
    // Live the offset stays within what the range allows; in playback it follows the recording.
    if (st.s.RunMode == 0 && st.work.range_offset_m > MaxRangeOffsetMeters(i)) {
        st.work.range_offset_m = MaxRangeOffsetMeters(i);
        r.offset_lowered = true;
    }
    return r;
}

bool ApplyAutoPulse(SettingsState& st) {
    if (st.work.auto_pulse_length == 0) return false;
    const AutoPulse p =
        AutoPulseForRange(st.s.Range, st.head.fine_resolution, st.head.max_pulse_length_us);
    const bool changed = p.pulse_length_us != st.s.PulseLength || p.filter_index != st.s.FIRFilter;
    st.s.PulseLength = p.pulse_length_us;
    st.s.FIRFilter = p.filter_index;
    return changed;
}

bool StepRange(PanelValues& v, const PanelLimits& l, bool up) {
    const PanelValues before = v;
    const int lo = std::clamp(l.min_range_index, 0, kNumRangeIndexes - 1);
    const int hi = std::clamp(l.max_range_index, lo, kNumRangeIndexes - 1);
    v.range_index = std::clamp(v.range_index, lo, hi);
    if (v.range_index != lo) v.half_range = false;
    if (up) {
        if (v.half_range) {
            v.half_range = false;
        } else {
            v.range_index = std::min(v.range_index + 1, hi);
        }
    } else if (v.range_index > lo) {
        v.range_index -= 1;
    } else if (lo < kHalfRangeBelowIndex) {
        v.half_range = true;
    }
    return v != before;
}

}  // namespace vq
