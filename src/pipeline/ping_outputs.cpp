#include "pipeline/ping_outputs.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/range_table.h"
#include "net/output_plan.h"

namespace vq {
namespace {

// Rounds magnitudes to bytes, 0..255 (NaN gives 0); 16 at a time with SSE2 where there is.
void QuantiseRow(const float* src, std::uint8_t* dst, int n) {
    int s = 0;
#if defined(__SSE2__)
    const __m128 half = _mm_set1_ps(0.5f), zero = _mm_setzero_ps(), top = _mm_set1_ps(255.0f);
    auto four = [&](const float* p) {
        // max(x, 0) yields 0 for NaN.
        const __m128 v = _mm_max_ps(_mm_add_ps(_mm_loadu_ps(p), half), zero);
        return _mm_cvttps_epi32(_mm_min_ps(v, top));
    };
    for (; s + 16 <= n; s += 16) {
        const __m128i lo = _mm_packs_epi32(four(src + s), four(src + s + 4));
        const __m128i hi = _mm_packs_epi32(four(src + s + 8), four(src + s + 12));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + s), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; s < n; ++s) {
        const float v = src[s] + 0.5f;
        dst[s] = v >= 255.0f ? 255 : (v > 0.0f ? static_cast<std::uint8_t>(v) : 0);
    }
}

}  // namespace

PingTimeStamp LocalTimeStamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    const int ms =
        static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return PingTimeStamp::FromFields(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                                     tm.tm_min, tm.tm_sec, ms);
}

PingOutputs::PingOutputs(SettingsStore& store, Operator& op)
    : store_(store), op_(op), rec_(op), beam_rows_(480 * 1000, 0) {}

PingTimeStamp PingOutputs::StampOf(const PingInput&) const {
    return played_ ? played_->ts : LocalTimeStamp();
}

OutputRecordHeader PingOutputs::MakeHeader(const PingPipeline& p, const PingTimeStamp& ts) const {
    const SettingsState& st = p.snapshot();
    const BeamGeometry& g = p.beam_former().geometry();
    OutputRecordHeader h;
    h.ts = ts;
    h.live = played_ == nullptr;
    h.nav = nav_;
    h.num_beams = g.NumBeams;
    h.samples_per_beam = g.NumSamples;
    h.sector_deg = g.SectorDeg;
    h.nominal_range_m = WholeMetreSpan(st.s.Range);
    h.range_m = RangeSpanMeters(st.s.Range, st.head.fine_resolution);
    h.fine_resolution = st.head.fine_resolution;
    h.frequency_khz = st.s.Frequency;
    h.sound_velocity = st.work.sound_velocity_current;
    h.pulse_length_us = st.s.PulseLength;
    h.tilt_deg = st.s.ProfileTiltAngle;
    h.ping_interval_ms =
        played_ ? played_->ping_interval_ms : static_cast<int>(p.ping_interval_ms() + 0.5);
    h.output_ping_number = rec_.output_ping_number();
    h.range_offset_m = st.work.range_offset_m;
    h.sonar_x_offset_m = played_ ? played_->sonar_x_offset_m : st.s.SonarXOffsetMeters;
    h.sonar_y_offset_m = played_ ? played_->sonar_y_offset_m : st.s.SonarYOffsetMeters;
    h.sonar_depth_m = played_ ? played_->sonar_depth_m : st.s.SonarDepthMeters;
    h.head_value16 = static_cast<std::uint16_t>(p.parser().Record().info.serial_number);
    h.head_value32 = p.parser().Record().info.sonar_code;
    return h;
}

PointRecordInputs PingOutputs::MakePointInputs(const PingPipeline& p, const PingTimeStamp& ts) {
    const Settings& s = p.snapshot().s;
    const int nb = p.beam_former().geometry().NumBeams;
    PointRecordInputs in;
    in.h = MakeHeader(p, ts);
    in.range_tenths = {p.Profile().profile_range_tenths(), static_cast<std::size_t>(nb)};
    in.points = {p.Profile().profile_points_out(), static_cast<std::size_t>(nb)};
    in.with_intensities = s.ProfilePointIntensityOutput == 1;
    in.avg_filter_length = s.AvgFilter ? s.AvgFilterIndex : 0;
    in.latency_ms = played_ ? 0.0 : p.stats().latency_ms;
    if (control_) in.external_event = control_->TakeEvent();
    return in;
}

RecordSettings PingOutputs::MakeRecordSettings(const PingPipeline& p) const {
    const SettingsState& st = p.snapshot();
    const BeamGeometry& g = p.beam_former().geometry();
    RecordSettings r;
    r.xdcr = st.s.Xdcr;
    r.gain = st.s.Gain;
    r.tilt_deg = st.s.ProfileTiltAngle;
    r.range_offset_m = st.work.range_offset_m;
    r.absorption_code = st.head.absorption_code;
    r.avg_filter_length = st.s.AvgFilter ? st.s.AvgFilterIndex : 0;
    r.pulse_length_us = st.s.PulseLength;
    r.sound_velocity = st.work.sound_velocity_current;
    r.frequency_khz = st.s.Frequency;
    r.ping_interval_ms = static_cast<int>(p.ping_interval_ms() + 0.5);
    r.display_gain = st.s.DisplayGain;
    r.num_beams = g.NumBeams;
    r.samples_per_beam = g.NumSamples;
    r.sector_deg = g.SectorDeg;
    r.range_m = RangeSpanMeters(st.s.Range, st.head.fine_resolution);
    r.output_ping_number = rec_.output_ping_number();
    r.sonar_depth_m = st.s.SonarDepthMeters;
    r.sonar_x_offset_m = st.s.SonarXOffsetMeters;
    r.sonar_y_offset_m = st.s.SonarYOffsetMeters;
    return r;
}

// Rows of the beam record: the byte image (500 cells), or each beam's own 1000 samples
// quantised like the byte image (row 0 = the last displayed beam).
const std::uint8_t* PingOutputs::BeamRows(const PingPipeline& p, std::size_t& stride) {
    const BeamGeometry& g = p.beam_former().geometry();
    if (g.NumSamples <= kByteImageCells) {
        stride = kByteImageCells;
        return p.beam_former().ByteImage().data();
    }
    stride = static_cast<std::size_t>(g.NumSamples);
    const BeamData& beams = p.beam_former().Beams();
    const int nb = std::min(g.NumBeams, 480);
    for (int k = 0; k < nb; ++k) {
        QuantiseRow(beams.Row(g.NumBeams - 1 - k),
                    beam_rows_.data() + static_cast<std::size_t>(k) * stride, g.NumSamples);
    }
    return beam_rows_.data();
}

void PingOutputs::WriteBeams(PingPipeline& p, const OutputRecordHeader& h, bool write_file,
                             bool send) {
    BeamRecordInputs in;
    in.h = h;
    in.display_type = p.active_mode();
    in.first_point_angle_deg = p.Profile().profile_points_out()[0].angle_deg;
    in.step_size = p.snapshot().s.StepSize;
    in.rows = BeamRows(p, in.stride);
    const auto bytes = beam_.Build(in);
    if (write_file) rec_.WriteOutput(OutputKind::Beam, bytes);
    if (send && udp_) {
        // Live, a beam record never leaves faster than the link delivers pings.
        if (!played_) {
            const PipelineStats st = p.stats();
            PaceBeamOutput(st.beamforming_ms, st.drawing_ms);
        }
        udp_->SendBeam(bytes);
    }
}

void PingOutputs::WriteXtfAndCsv(PingPipeline& p, const PingTimeStamp& ts) {
    const SettingsState& st = p.snapshot();
    if (rec_.OutputOpen(OutputKind::Xtf)) {
        XtfPingInputs x;
        x.ts = ts;
        x.ping_number = rec_.output_ping_number();
        x.sound_velocity = st.work.sound_velocity_current;
        x.speed_kn = nav_.speed_kn;
        x.heading_deg = nav_.heading_deg;
        x.lat_deg = static_cast<float>(nav_.lat_deg);
        x.lon_deg = static_cast<float>(nav_.lon_deg);
        x.heave_m = nav_.heave_m;
        x.range_m = RangeSpanMeters(st.s.Range, st.head.fine_resolution);
        x.samples = p.beam_former().geometry().NumSamples;
        const auto line = std::span<const std::int32_t>(
            p.lines().sidescan_line(), static_cast<std::size_t>(p.lines().sidescan_length()));
        rec_.WriteOutput(OutputKind::Xtf, xtf_.BuildPing(x, line));
    }
    if (SoundingFiles::Wanted(rec_) && st.s.ProfilePointDetection == 1) {
        const PointRecordInputs in = MakePointInputs(p, ts);
        soundings_.WritePing(rec_, in, MountingFrom(st.s, in.h), op_);
    }
}

void PingOutputs::WriteAndSend(PingPipeline& p, const PingTimeStamp& ts) {
    const Settings& s = p.snapshot().s;
    PingOutputInputs oi;
    oi.display_type = p.active_mode();
    oi.detection = s.ProfilePointDetection == 1;
    oi.data_output_type = s.DataOutputType;
    oi.beam_output = s.DataOutputType == 2;
    oi.point_file_open = rec_.OutputOpen(OutputKind::Point);
    oi.beam_file_open = rec_.OutputOpen(OutputKind::Beam);
    const PingOutputPlan plan = PlanPingOutput(oi);
    point_.NewPing();
    if (udp_) udp_->BeginPing();
    if (plan.count_for_points) rec_.AdvanceOutputPingNumber();
    if (plan.write_point_file || plan.send_point) {
        const PointRecordInputs in = MakePointInputs(p, ts);
        const auto bytes = point_.Build(in);
        if (plan.write_point_file) rec_.WriteOutput(OutputKind::Point, bytes);
        if (plan.send_point && udp_) udp_->SendPoint(bytes);
    }
    if (plan.count_for_beams) rec_.AdvanceOutputPingNumber();
    if (plan.write_beam_file || plan.send_beam) {
        WriteBeams(p, MakeHeader(p, ts), plan.write_beam_file, plan.send_beam);
    }
    if (p.active_mode() != 4) WriteXtfAndCsv(p, ts);
    if (udp_) udp_->FinishPing();  // the keep-alive when nothing else was sent
}

void PingOutputs::OnPingProcessed(PingPipeline& p, const std::uint8_t* ping, std::size_t length,
                                  const PingInput& input) {
    played_ = next_played_.load(std::memory_order_acquire);
    const PingTimeStamp now = StampOf(input);
    history_.Push(now);
    const Settings& s = p.snapshot().s;
    const int delay =
        DisplayDelayIndex(s.AvgFilter != 0, s.AvgFilterIndex,
                          s.ProfilePointDetection == 1 && s.ProfilePointFilter == 2, false);
    const PingTimeStamp& shown = history_.At(delay);
    if (played_) {
        nav_ = RecordNav{};
        nav_.position_valid = played_->position_valid;
        nav_.lat_deg = played_->lat_deg;
        nav_.lon_deg = played_->lon_deg;
        nav_.speed_kn = played_->speed_kn;
        nav_.course_deg = played_->course_deg;
        nav_.heading_valid = played_->heading_valid;
        nav_.heading_deg = played_->heading_deg;
        nav_.pitch_deg = played_->pitch_deg;
        nav_.roll_deg = played_->roll_deg;
    } else if (nav_state_) {
        nav_ = RecordNavFrom(nav_state_->snapshot(), 0.0f, 0.0f, 0.0f);
    }
    WriteAndSend(p, shown);
    // Live pings are recorded with the command that produced them, and every K-th with the
    // camera's newest frame.
    if (!input.context.playback) {
        frames_.NotePingInterval(static_cast<int>(p.ping_interval_ms() + 0.5));
    }
    const bool recording = !input.context.playback && rec_.Recording();
    if (recording) {
        if (!was_recording_) frames_.RestartCount();
        const RecordSettings rs = MakeRecordSettings(p);
        const std::span<const std::uint8_t> frame =
            frames_.FrameFor(s.RecordVideo != 0, s.RecordVideoRate);
        if (rec_.WritePing({ping, length}, shown, rs, nav_, frame, true)) ++records_written_;
    }
    was_recording_ = recording;
}

void PingOutputs::OnPingDone(PingPipeline&, bool) {
    // Every tenth ping the "External Control" box goes; datagrams that keep arriving keep
    // drawing it again.
    if (control_ && control_->OnPing()) op_.SetStatus("control", "");
}

}  // namespace vq
