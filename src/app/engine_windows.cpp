// The engine's side of the secondary windows and of the "Playback" window's speed slider, and
// the rule that a controller's tilt or sound velocity outlasts the records played after it.
#include <algorithm>
#include <cmath>

#include "app/engine_impl.h"

namespace vq {

// In playback a tilt or sound velocity set by external control stays until another file is
// opened: the ping thread stops taking them from the records and puts the operator's back in
// case a record already in hand replaced it.
void Engine::Impl::KeepOperatorValuesInPlayback(const ControlResult& r) {
    if (!r.tilt_changed && !r.sound_velocity_changed) return;
    const SettingsState now = store.snapshot();
    const float tilt = now.s.ProfileTiltAngle;
    const float sv = now.work.sound_velocity_current;
    const bool keep_tilt = r.tilt_changed;
    const bool keep_sv = r.sound_velocity_changed;
    Post([this, keep_tilt, keep_sv, tilt, sv] {
        if (keep_tilt) playback.KeepOperatorTilt();
        if (keep_sv) playback.KeepOperatorSoundVelocity();
        store.Update([=](SettingsState& st) {
            if (keep_tilt) st.s.ProfileTiltAngle = tilt;
            if (keep_sv) st.work.sound_velocity_current = sv;
        });
        pipeline.RequestOperatingPoint(true);
    });
}

std::array<char, 3> Engine::controller_id() const {
    return impl_->control.controller_id();
}

SecondaryHandOff& Engine::SecondaryFrames() {
    return impl_->pipeline.secondary();
}

void Engine::SetStripWindowsShown(bool sidescan, bool echo_sounder, bool intensity) {
    SecondaryWindowsOn& on = impl_->pipeline.windows_on();
    on.sidescan.store(sidescan);
    on.echo_sounder.store(echo_sounder);
    on.intensity.store(intensity);
}

float Engine::StepSidescanAngle(bool up) {
    return impl_->pipeline.StepSidescanAngle(up);
}

TrackModel& Engine::Track() {
    return impl_->track;
}

void Engine::ZoomTrack(bool in) {
    Impl& d = *impl_;
    const int zoom = in ? d.track.ZoomIn() : d.track.ZoomOut();
    d.store.Update([zoom](SettingsState& st) { st.s.TrackPlotterZoom = zoom; });
}

bool Engine::set_playback_slider(int x) {
    return impl_->Run([&] {
        const int pos = std::clamp(x, 0, 1000);
        // The left end is the slowest: s = trunc(100 * (1 - x / 1000)).
        const int s = static_cast<int>(100.0 * (1.0 - pos / 1000.0));
        const int delay = SpeedDelayMs(s);
        impl_->store.Update([pos, delay](SettingsState& st) {
            st.s.PlaybackDelayX = pos;
            st.s.PlaybackDelay = delay;
        });
    });
}

}  // namespace vq
