#include "core/panel_values.h"

#include <algorithm>

#include "core/range_table.h"

namespace vq {

PanelValues ReadPanelValues(const SettingsState& st) {
    PanelValues v;
    v.range_index = st.s.Range;
    v.half_range = st.s.HalfRange != 0;
    v.gain = st.s.Gain;
    v.display_gain = st.s.DisplayGain;
    v.persistence = st.s.Persistence;
    return v;
}

PanelLimits ReadPanelLimits(const SettingsState& st, bool hold) {
    PanelLimits l;
    l.live = st.s.RunMode == 0;
    l.hold = hold;
    l.display_type = st.s.DisplayType;
    l.fine_resolution = st.head.fine_resolution;
    l.units = st.s.Units;
    l.min_range_index = std::clamp(st.head.min_range_index, 0, kNumRangeIndexes - 1);
    l.max_range_index =
        std::clamp(st.head.max_range_index, l.min_range_index, kNumRangeIndexes - 1);
    l.max_gain = std::max(st.head.max_gain, 0);
    return l;
}

}  // namespace vq
