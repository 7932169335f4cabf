// The engine's commands of the control panel: the four dials' values, background removal's
// buttons, the range cell under the pointer and the profile depth window; and the read-outs
// the panel shows.
#include <algorithm>

#include "app/engine_impl.h"
#include "core/range_change.h"

namespace vq {
namespace {

struct PanelChange {
    RangeChangeResult range;
    bool cleared = false;  // persistence went from non-zero to zero
};

// Writes `v` into the settings within the limits of `st` (the caller holds the store's lock).
PanelChange WritePanelValues(const PanelValues& v, SettingsState& st) {
    PanelChange c;
    const bool live = st.s.RunMode == 0;
    const PanelValues old = ReadPanelValues(st);
    if (live && (v.range_index != old.range_index || v.half_range != old.half_range)) {
        c.range = ApplyRangeChange(st, v.range_index, v.half_range);
    } else if (!live && v.half_range != old.half_range) {
        // Playback: the arrow beside the range dial switches half-range mode at the lowest range.
        const int lo = std::max(st.head.min_range_index, 0);
        const int half = v.half_range && st.s.Range == lo && lo < kHalfRangeBelowIndex ? 1 : 0;
        c.range.half_range_changed = half != st.s.HalfRange;
        st.s.HalfRange = half;
        st.work.half_range = half;
    }
    if (live) st.s.Gain = std::clamp(v.gain, 0, std::max(st.head.max_gain, 0));
    st.s.DisplayGain = std::clamp(v.display_gain, kMinDisplayGain, kMaxDisplayGain);
    if (st.s.DisplayType != kProfileMode) {
        st.s.Persistence = std::clamp(v.persistence, 0, kMaxPersistenceS);
        c.cleared = old.persistence != 0 && st.s.Persistence == 0;
    }
    return c;
}

}  // namespace

bool Engine::SetPanelValues(const PanelValues& values) {
    Impl& d = *impl_;
    // A held dial sends a value every 75 ms: the settings file is written when the operator
    // lets go (SaveSettings), not with every step.
    CommandScope scope(d.in_command);
    if (scope.refused()) return false;
    {
        PanelChange c;
        d.store.Update([&](SettingsState& st) { c = WritePanelValues(values, st); });
        // A new range (or pulse length) sets up the geometry and tables before the next ping;
        // half-range mode redraws the grid labels.
        if (c.range.index_changed || c.range.pulse_changed || c.range.offset_lowered) {
            d.pipeline.RequestOperatingPoint(true);
        } else if (c.range.half_range_changed) {
            d.pipeline.RequestDisplayRebuild();
        }
        if (c.cleared) d.pipeline.RequestClear();
        if (d.in_playback()) d.TakeOverRequestsNow();
    }
    d.RefreshMenu();
    return true;
}

PanelValues Engine::panel_values() const {
    return impl_->store.Read([](const SettingsState& st) { return ReadPanelValues(st); });
}

PanelLimits Engine::panel_limits() const {
    const bool hold = impl_->hold.load();
    return impl_->store.Read([hold](const SettingsState& st) { return ReadPanelLimits(st, hold); });
}

bool Engine::BuildBackgroundReference() {
    Impl& d = *impl_;
    return d.Run([&d] {
        if (!d.activity.background_removal) return;
        d.activity.building_reference = true;
        d.pipeline.RequestBackground(2);
        if (d.in_playback()) d.TakeOverRequestsNow();
    });
}

bool Engine::StoreBackgroundReference() {
    Impl& d = *impl_;
    return d.Run([&d] {
        if (!d.activity.background_removal) return;
        d.activity.building_reference = false;
        d.pipeline.RequestBackground(3);
        if (d.in_playback()) d.TakeOverRequestsNow();
    });
}

bool Engine::ClearImage() {
    Impl& d = *impl_;
    return d.Run([&d] {
        d.pipeline.RequestClear();
        if (d.in_playback()) d.TakeOverRequestsNow();
    });
}

bool Engine::building_background_reference() const {
    const ActivityState& a = impl_->activity;
    return a.background_removal && a.building_reference;
}

void Engine::StoreRangeBin(int cell) {
    impl_->store.Update([cell](SettingsState& st) { st.s.RangeBin = std::clamp(cell, 0, 499); });
}

bool Engine::SetProfileDepths(float min_depth_m, float max_depth_m) {
    if (!(min_depth_m > 0.0f) || !(max_depth_m > min_depth_m)) return false;
    return impl_->Run([&] {
        impl_->store.Update([&](SettingsState& st) {
            st.s.ProfileMinDepthBelowSonar = min_depth_m;
            st.s.ProfileMaxDepthBelowSonar = max_depth_m;
        });
    });
}

float Engine::head_temperature_c() const {
    return impl_->pipeline.stats().head_temperature_c;
}

NavState& Engine::Nav() {
    return impl_->sensors.Nav();
}

const sim::SimHead* Engine::simulated_head() const {
    return impl_->sim.get();
}

}  // namespace vq
