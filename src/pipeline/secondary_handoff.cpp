// The per-ping frame of the secondary windows, filled on the ping thread.
#include <algorithm>
#include <cmath>

#include "pipeline/pipeline.h"

namespace vq {
namespace {

template <std::size_t N>
int CopyLine(const std::int32_t* from, int n, std::array<std::uint8_t, N>& to) {
    const int count = std::clamp(n, 0, static_cast<int>(N));
    for (int i = 0; i < count; ++i) {
        to[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::clamp(from[i], 0, 255));
    }
    return count;
}

// The -3 dB width of a beam of the uniformly weighted array, in degrees.
float BeamwidthDeg(const BeamGeometry& g) {
    const double aperture = static_cast<double>(g.NumElements) * g.ElementPitch;
    if (!(aperture > 0.0) || !(g.CarrierHz > 0.0f)) return 0.0f;
    const double wavelength = static_cast<double>(g.SoundVelocity) / g.CarrierHz;
    return static_cast<float>(0.886 * wavelength / aperture * 180.0 / 3.14159265358979323846);
}

}  // namespace

float PingPipeline::StepSidescanAngle(bool up) {
    float now = sidescan_angle_.load();
    float next = now;
    do {
        next = std::clamp(now + (up ? 5.0f : -5.0f), StripLines::kMinSidescanAngle,
                          StripLines::kMaxSidescanAngle);
    } while (!sidescan_angle_.compare_exchange_weak(now, next));
    return next;
}

// The echo-sounder line is formed only for a shown window; the lines of this ping go into its
// frame.
void PingPipeline::FormStripLines() {
    SecondaryFrame& f = *frame_;
    const BeamGeometry& g = bf_.geometry();
    const bool elements = !format_.head_formed();
    f.echo_length = 0;
    if (elements && windows_on_.echo_sounder.load(std::memory_order_relaxed)) {
        lines_.BuildEchoLine(bf_.element_view(), g, snap_.s);
        f.echo_length = CopyLine(lines_.echo_line(), lines_.echo_length(), f.echo);
    }
    f.sidescan_length =
        elements ? CopyLine(lines_.sidescan_line(), lines_.sidescan_length(), f.sidescan) : 0;
    f.port_formed = elements && lines_.port_beam() >= 0;
    f.starboard_formed = elements && lines_.starboard_beam() >= 0;
    f.sidescan_angle = lines_.sidescan_angle();
    f.intensity_length = 0;
    if (windows_on_.intensity.load(std::memory_order_relaxed)) {
        f.intensity_length = CopyLine(profile_.profile_out_intensity(), g.NumBeams, f.intensity);
    }
    f.has_lines = true;
}

void PingPipeline::FillSecondary(bool parsed, bool valid) {
    SecondaryFrame& f = *frame_;
    const Settings& s = snap_.s;
    const BeamGeometry& g = bf_.geometry();
    f.ping = pings_.load();
    f.header_valid = valid;
    f.detection_on = s.ProfilePointDetection == 1;
    f.altitude_m = f.detection_on ? altitude_.altitude() : 0.0f;
    f.units = s.Units;
    f.display_type = active_mode_.load();
    f.record_valid = parsed;
    if (parsed) f.record = parser_.Record();

    DiagnosticsValues& d = f.diagnostics;
    d.header = parser_.Legacy().bytes;
    d.header_valid = valid;
    d.head_type = parser_.Legacy().head_type_index();
    d.proc_time_ms = beamforming_ms_.load();
    d.plot_time_ms = drawing_ms_.load();
    d.ping_interval_ms = ping_interval_ms_;
    d.display_gain = s.DisplayGain;
    d.pulse_length_us = s.PulseLength;
    d.frequency_khz = s.Frequency;
    d.average_shots = s.AvgFilter != 0 ? s.AvgFilterIndex : 1;
    d.beamwidth_deg = BeamwidthDeg(g);
    d.beams = g.NumBeams;
    d.sound_velocity = snap_.work.sound_velocity_current;
    SetAddressText(d.ip_sonar, s.IPAddress_Sonar1);
    SetAddressText(d.ip_output, s.IPAddress_Output1);
    const PingRecord& r = parser_.Record();
    d.temperature_c = r.info.processor_temp_c;
    d.xdcr_type = static_cast<int>(r.info.rx_xdcr_type);
    d.resolution_m = r.info.native_resolution_m;
    d.data_bits = r.echo.data_bits;
    d.ext_trigger = (r.info.capability_flags & 1u) != 0;
    d.status_bit3 = r.status_bit3;
    d.transmit_disabled = snap_.work.transmit_disabled != 0;
}

}  // namespace vq
