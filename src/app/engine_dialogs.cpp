// The engine's commands for the values the settings dialogs accepted. The window shows the
// dialogs and validates with their models; these only store and apply.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "app/engine_impl.h"
#include "core/dialogs/ip_address_dialog.h"
#include "core/range_table.h"

namespace vq {
namespace {

constexpr auto kSerialReopenPause = std::chrono::milliseconds(250);

// The range change: half range off, and with automatic pulse length the pulse length (times
// the multiplier, within the head's limit) and the filter follow the range.
void ChangeRange(SettingsState& st, int index) {
    const int i = ClampRangeIndex(index);
    if (i != st.s.Range) st.s.HalfRange = 0;
    st.s.Range = i;
    if (st.work.auto_pulse_length == 0) return;
    const bool fine = st.head.fine_resolution;
    const double pulse = std::round(AutoPulseLengthUs(i, fine) * st.work.pulse_multiplier);
    st.s.PulseLength = std::min(static_cast<int>(pulse), st.head.max_pulse_length_us);
    st.s.FIRFilter = AutoFilterIndex(i, fine);
}

}  // namespace

bool Engine::ApplySwitches(const SwitchesValues& v) {
    Impl& d = *impl_;
    return d.Run([&] {
        if (d.in_playback()) return;
        bool transmit_off = false;
        d.store.Update([&](SettingsState& st) {
            st.s.Gain = std::clamp(v.gain_db, 0, st.head.max_gain);
            st.s.Frequency = RoundFrequencyKhz(v.frequency_khz);
            st.work.transmit_disabled = v.transmit ? 0 : 1;
            transmit_off = !v.transmit;
            st.work.range_offset_m = std::max(0, v.range_offset_m);
            st.work.auto_pulse_length = v.auto_pulse_length ? 1 : 0;
            st.work.pulse_multiplier = static_cast<float>(std::clamp(v.pulse_multiplier, 1.0, 2.0));
            st.s.PulseLength = v.pulse_length_us;
            st.s.DataPointsSwitch = v.data_points_switch == 1 ? 1 : 0;
            st.work.data_points_switch_initial = st.s.DataPointsSwitch;
            st.s.DataFormat = v.data_format == 10 ? 10 : 11;
            st.work.data_bits = st.s.DataFormat == 10 ? 8 : 16;
            ChangeRange(st, v.range_index);
        });
        // The geometry, the frequency and the range labels are taken over before the next ping.
        d.pipeline.RequestOperatingPoint(true);
        d.pipeline.RequestDisplayRebuild();
        d.op.SetStatus("xmit", transmit_off ? "XMIT Disabled" : "");
    });
}

bool Engine::SetSoundVelocity(double metres_per_second) {
    Impl& d = *impl_;
    return d.Run([&] {
        const auto v = static_cast<float>(std::clamp(metres_per_second, 1400.0, 1600.0));
        const bool playback = d.in_playback();
        d.store.Update([&](SettingsState& st) {
            if (playback && v != st.s.SoundVelocityMeters) st.work.sound_velocity_override = 1;
            st.s.SoundVelocityMeters = v;
            st.work.sound_velocity_manual = v;
            if (!playback || st.work.sound_velocity_override) st.work.sound_velocity_current = v;
        });
        d.pipeline.RequestOperatingPoint(true);
        if (playback) d.TakeOverRequestsNow();
    });
}

bool Engine::SetPersistence(int seconds) {
    Impl& d = *impl_;
    return d.Run([&] {
        const int s = std::clamp(seconds, 0, 600);
        int before = 0;
        d.store.Update([&](SettingsState& st) {
            before = st.s.Persistence;
            st.s.Persistence = s;
        });
        if (before != 0 && s == 0) d.pipeline.RequestClear();
        if (d.in_playback()) d.TakeOverRequestsNow();
    });
}

bool Engine::SetMaximumFilesize(int mbytes) {
    Impl& d = *impl_;
    return d.Run([&] {
        const int mb = std::clamp(mbytes / 100 * 100, 100, 1000);
        d.store.Update([mb](SettingsState& st) { st.s.MaximumFilesize = mb; });
        d.Post([&d, mb] {
            RecordingOptions o = d.outputs.Recording().options();
            o.MaximumFilesize = mb;
            d.outputs.Recording().set_options(o);
        });
    });
}

bool Engine::SetVideoRecordingRate(double frames_per_second) {
    Impl& d = *impl_;
    return d.Run([&] {
        const auto r = static_cast<float>(std::clamp(frames_per_second, 0.1, 20.0));
        d.store.Update([r](SettingsState& st) { st.s.RecordVideoRate = r; });
    });
}

bool Engine::SetProfileTiltAngle(double degrees) {
    Impl& d = *impl_;
    return d.Run([&] {
        const auto t = static_cast<float>(std::clamp(degrees, -90.0, 90.0));
        d.store.Update([t](SettingsState& st) { st.s.ProfileTiltAngle = t; });
        d.pipeline.RequestOperatingPoint(true);
        if (d.in_playback()) d.TakeOverRequestsNow();
    });
}

bool Engine::SetAddresses(const std::string& sonar, const std::string& output) {
    Impl& d = *impl_;
    return d.Run([&] {
        const auto [old_sonar, old_output] = d.store.Read([](const SettingsState& st) {
            return std::pair(st.s.IPAddress_Sonar1, st.s.IPAddress_Output1);
        });
        if (sonar != old_sonar && IsDottedDecimalAddress(sonar)) {
            // The link thread stops before the address it uses changes, and starts again on
            // the new one.
            d.stored_sonar_address = sonar;
            if (!d.in_playback()) d.StopSource();
            d.store.Update([&sonar](SettingsState& st) { st.s.IPAddress_Sonar1 = sonar; });
            if (!d.in_playback()) d.StartLink();
        }
        if (output != old_output && IsDottedDecimalAddress(output)) {
            d.stored_output_address = output;
            int port = 0;
            d.store.Update([&](SettingsState& st) {
                st.s.IPAddress_Output1 = output;
                port = st.s.RemotePort_Output1;
            });
            // The destination is replaced while the socket stays open for the pings being
            // sent and the control datagrams being read; a controller's redirection ends.
            d.udp.ResetDestination(output, port);
        }
    });
}

bool Engine::SetComPorts(const ComPortSetupValues& v) {
    Impl& d = *impl_;
    return d.Run([&] {
        if (d.in_playback()) return;
        d.sensors.Close();
        d.store.Update([&v](SettingsState& st) { StoreComPortValues(v, st.s); });
        // A device named for this run only (--gps, --sv) stays out of the settings file.
        if (v.gps.explicit_device != d.opts.gps_device || d.opts.gps_device.empty())
            d.stored_gps_device = v.gps.explicit_device;
        if (v.sv.explicit_device != d.opts.sv_device || d.opts.sv_device.empty())
            d.stored_sv_device = v.sv.explicit_device;
        std::this_thread::sleep_for(kSerialReopenPause);
        d.OpenSerialPorts();
    });
}

bool Engine::SetDeviceOffsets(const DeviceOffsetTable& t) {
    Impl& d = *impl_;
    return d.Run([&] { d.store.Update([&t](SettingsState& st) { StoreDeviceOffsets(t, st.s); }); });
}

bool Engine::SetDataOutput(const DataOutputValues& v) {
    Impl& d = *impl_;
    return d.Run([&] {
        d.store.Update([&v](SettingsState& st) {
            st.s.DataOutputType = std::clamp(v.output_type, 0, 2);
            st.s.ProfilePointIntensityOutput = v.include_intensities ? 1 : 0;
        });
        if (v.beam_output) d.pipeline.RequestOperatingPoint(true);
    });
}

bool Engine::SetProfileSetup(const ProfileSetupValues& v) {
    Impl& d = *impl_;
    return d.Run([&] {
        d.store.Update([&v](SettingsState& st) { StoreProfileSetup(v, st.s); });
        d.pipeline.RequestClear();
        d.pipeline.RequestOperatingPoint(true);
        d.pipeline.RequestDisplayRebuild();
        if (d.in_playback()) d.TakeOverRequestsNow();
    });
}

bool Engine::SetAdvancedFilter(const AdvancedFilterSettings& v) {
    Impl& d = *impl_;
    return d.Run([&] {
        d.advanced = v;
        d.advanced.long_outliers = 1;
        d.store.Update([&v](SettingsState& st) { StoreAdvancedFilter(v, st.s); });
        const AdvancedFilterValues counts{v.max_points, v.num_segments, v.num_depth_bins, 1};
        d.Post([&d, counts] { d.pipeline.Profile().AdvancedFilter() = counts; });
    });
}

AdvancedFilterSettings Engine::advanced_filter() const {
    const Settings s = impl_->store.Read([](const SettingsState& st) { return st.s; });
    return AdvancedFilterOf(s, impl_->advanced);
}

void Engine::Impl::ReportSerialFailures(const char* title) {
    if (!sensors.gps_failure().empty())
        op.MessageBox("The GPS port could not be opened:\n" + sensors.gps_failure(), title);
    if (!sensors.sv_failure().empty()) {
        op.MessageBox("The sound velocity port could not be opened:\n" + sensors.sv_failure(),
                      title);
    }
}

}  // namespace vq
