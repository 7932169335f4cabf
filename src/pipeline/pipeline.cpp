#include "pipeline/pipeline.h"

#include <cassert>
#include <cstring>
#include <thread>

#include "core/range_table.h"
#include "dsp/byte_image.h"

namespace vq {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// The pause after an invalid header, on the ping thread.
void WaitMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

void PingPipeline::ProfileHook::OnFormed(BeamData& beams, const BeamGeometry& geometry) {
    p_.profile_.Process(beams, geometry, p_.snap_.s, p_.RangeSpan(), p_.snap_.work.range_offset_m);
}

void PingPipeline::ProfileHook::OnReset() {
    p_.profile_.ResetProfileState();
}

PingPipeline::PingPipeline(SettingsStore& store, Operator& op, PictureHandOff& pictures)
    : store_(store), op_(op), pictures_(pictures) {
    bf_.set_hook(&hook_);
    store_.SnapshotInto(snap_);
    active_mode_.store(snap_.s.DisplayType);
}

float PingPipeline::RangeSpan() const {
    return RangeSpanMeters(snap_.s.Range, snap_.head.fine_resolution);
}

PipelineStats PingPipeline::stats() const {
    PipelineStats s;
    s.pings = pings_.load();
    s.processed = processed_.load();
    s.invalid = invalid_.load();
    s.formed_ahead = formed_ahead_.load();
    s.beamforming_ms = beamforming_ms_.load();
    s.drawing_ms = drawing_ms_.load();
    s.latency_ms = latency_ms_.load();
    return s;
}

void PingPipeline::CheckThread() {
    const std::thread::id owner = owner_.load();
    if (owner == std::thread::id() || owner == std::this_thread::get_id()) return;
    thread_violations_.fetch_add(1);
    assert(!"the pipeline is used off its ping thread");
}

void PingPipeline::TakeOverRequests() {
    CheckThread();
    store_.SnapshotInto(snap_);
    const int requested = requested_mode_.exchange(-1);
    bool mode_changed = false;
    if (requested >= 0 && requested != active_mode_.load()) {
        active_mode_.store(requested);
        mode_changed = true;
    }
    if (avg_reset_requested_.exchange(false)) bf_.ClearAveraging();
    const bool force = force_apply_.exchange(false);
    if (apply_requested_.exchange(false) || force) {
        if (force) store_.Update([](SettingsState& st) { st.work.applied_frequency_khz = -1; });
        store_.SnapshotInto(snap_);
        ApplyOperatingPoint(snap_.s.Frequency);
    } else if ((mode_changed || display_requested_.load()) && display_ready_) {
        ApplyDisplayMode();
    }
    display_requested_.store(false);
    switch (background_request_.exchange(-1)) {
        case 0:
            picture_.set_background_removal(true);
            break;
        case 1:
            picture_.set_background_removal(false);
            break;
        case 2:
            picture_.BuildReference();
            break;
        case 3:
            picture_.StoreReference();
            break;
        default:
            break;
    }
    if (const int t = threshold_request_.exchange(-1); t >= 0) profile_.set_profile_threshold(t);
    if (const float b = blanking_request_.exchange(-1.0f); b >= 0.0f) {
        profile_.set_profile_blanking(b);
    }
    if (colors_requested_.exchange(false)) picture_.SelectColors(snap_.s.Colors);
    if (clear_requested_.exchange(false)) picture_.Clear();
}

void PingPipeline::Process(const std::uint8_t* ping, std::size_t length, const PingInput& input) {
    CheckThread();
    last_thread_.store(std::this_thread::get_id());
    pings_.fetch_add(1);
    TakeOverRequests();
    const Clock::time_point now = Clock::now();
    if (last_ping_time_ != Clock::time_point{}) {
        ping_interval_ms_ =
            std::chrono::duration<double, std::milli>(now - last_ping_time_).count();
    }
    last_ping_time_ = now;
    if (input.context.playback && input.recorded_interval_ms > 0) {
        ping_interval_ms_ = input.recorded_interval_ms;
    }

    const bool valid = parser_.Parse(ping, length, input.context) && CheckAndAdopt(input);
    if (!valid) {
        invalid_.fetch_add(1);
        WaitMs(invalid_wait_ms_);
    } else {
        FormAndDraw(input);
        if (picture_wanted_) Publish(input);
        processed_.fetch_add(1);
        if (outputs_) outputs_->OnPingProcessed(*this, ping, length, input);
    }
    if (outputs_) outputs_->OnPingDone(*this, valid);
    // The same ping can never pass the header check twice.
    auto& lh = parser_.Legacy().bytes;
    lh[0] = lh[1] = lh[2] = 0;
}

bool PingPipeline::CheckAndAdopt(const PingInput& input) {
    CheckContext cc;
    cc.playback = input.context.playback;
    cc.recording_version = input.context.recording_version;
    cc.current_head_id = parser_.current_head_id();
    AdoptionResult adoption;
    store_.Update([&](SettingsState& st) {
        check_ = CheckHeader(parser_.Record(), parser_.Legacy(), cc, st);
        if (!check_.valid) return;
        const int recorded =
            input.recorded_frequency_khz > 0 ? input.recorded_frequency_khz : st.s.Frequency;
        adoption = AdoptHeadType(check_.head_type_index, cc.playback, recorded, st);
    });
    if (!check_.valid) return false;
    format_.data_format = check_.data_format;
    format_.bits = check_.sample_bits;
    format_.num_elements = check_.num_elements;
    format_.num_samples = check_.num_samples;
    format_.special_gain_curve = check_.special_gain_curve;
    store_.SnapshotInto(snap_);

    const bool format_changed =
        !geometry_ready_ || format_.data_format != setup_format_.data_format ||
        format_.num_elements != setup_format_.num_elements ||
        format_.num_samples != setup_format_.num_samples || format_.bits != setup_format_.bits;
    if (format_changed || check_.range_index_changed || check_.fine_resolution_changed) {
        store_.Update([](SettingsState& st) { st.work.applied_frequency_khz = -1; });
        store_.SnapshotInto(snap_);
    }
    int f = snap_.s.Frequency;
    if (adoption.apply_operating_point) f = adoption.frequency_khz;
    if (input.context.playback && input.recorded_frequency_khz > 0)
        f = input.recorded_frequency_khz;
    ApplyOperatingPoint(f);
    return true;
}

void PingPipeline::ApplyOperatingPoint(int frequency_khz) {
    bool changed = false;
    store_.Update([&](SettingsState& st) {
        if (frequency_khz == st.work.applied_frequency_khz &&
            st.work.range_offset_m == st.work.applied_range_offset_m) {
            return;
        }
        st.work.applied_frequency_khz = frequency_khz;
        st.work.applied_range_offset_m = st.work.range_offset_m;
        st.s.Frequency = frequency_khz;
        changed = true;
    });
    if (!changed && geometry_ready_) return;
    store_.SnapshotInto(snap_);
    bf_.Setup(snap_, format_);
    setups_.fetch_add(1);
    setup_format_ = format_;
    geometry_ready_ = true;
    std::memset(bf_.ByteImage().data(), 0, bf_.ByteImage().size());
    profile_.ResetForGeometry(format_.num_samples);
    ApplyDisplayMode();
}

DisplayParams PingPipeline::MakeDisplayParams() const {
    const Settings& s = snap_.s;
    const BeamGeometry& g = bf_.geometry();
    DisplayParams p;
    p.mode = static_cast<DisplayMode>(active_mode_.load());
    p.sector_deg = g.SectorDeg;
    p.num_beams = g.NumBeams;
    p.step_size = s.StepSize;
    p.num_samples = g.NumSamples;
    p.num_elements = g.NumElements;
    p.range_span_m = RangeSpan();
    p.range_start_m = snap_.work.range_offset_m;
    p.tilt_deg = s.ProfileTiltAngle;
    p.half_range = s.HalfRange != 0;
    p.units = s.Units;
    p.sound_velocity = snap_.work.sound_velocity_current;
    p.colors = s.Colors;
    p.grid = s.Grid != 0;
    p.profile_grid = s.ProfileGrid;
    p.profile_waterfall = s.ProfileWaterfall != 0;
    p.waterfall_offset = s.ProfileWaterfallOffset;
    p.waterfall_span = s.ProfileWaterfallSpan;
    p.persistence_s = s.Persistence;
    p.fine_resolution = snap_.head.fine_resolution;
    p.min_range_index = snap_.head.min_range_index;
    p.xdcr = s.Xdcr;
    const ByteImageRule rule = ByteImageRuleFor(parser_.Legacy().bytes[1], format_.head_formed());
    p.linear_rule = rule == ByteImageRule::kA   ? ByteRule::A
                    : rule == ByteImageRule::kB ? ByteRule::B
                                                : ByteRule::C;
    p.head_formed = format_.head_formed();
    return p;
}

void PingPipeline::ApplyDisplayMode() {
    if (active_mode_.load() == static_cast<int>(DisplayMode::Profile) && snap_.s.Persistence != 0) {
        store_.Update([](SettingsState& st) { st.s.Persistence = 0; });
        store_.SnapshotInto(snap_);
    }
    if (picture_wanted_) {
        picture_.set_params(MakeDisplayParams());
        picture_.SelectColors(snap_.s.Colors);
    }
    display_ready_ = true;
}

void PingPipeline::FormAndDraw(const PingInput& input) {
    const int mode = active_mode_.load();
    const std::uint8_t* samples = parser_.samples();
    const std::size_t size = parser_.gathered_bytes();
    if (mode == static_cast<int>(DisplayMode::BeamTest)) {
        beamforming_ms_.store(0.0);
        const Clock::time_point t1 = Clock::now();
        if (!format_.head_formed()) {
            bf_.Unpack(samples, size, format_, snap_.s.Xdcr, true);
            if (picture_wanted_) picture_.Render(bf_.ByteImage(), FrameInputs{ping_interval_ms_});
        }
        drawing_ms_.store(MsSince(t1));
        return;
    }
    const Clock::time_point t0 = Clock::now();
    if (format_.head_formed()) {
        bf_.LoadHeadFormed(samples, size, format_);
        if (snap_.s.AvgFilter) bf_.AverageHeadFormed(snap_);
        beamforming_ms_.store(0.0);
    } else {
        bf_.Unpack(samples, size, format_, snap_.s.Xdcr, false);
        // The next ping's beams are formed on the helper threads while this one goes on.
        if (speculate_ && !input.next_ping.empty() &&
            next_parser_.Parse(input.next_ping.data(), input.next_ping.size(),
                               input.next_context)) {
            bf_.SetNextPing(next_parser_.samples(), next_parser_.gathered_bytes(), snap_.s.Xdcr);
        }
        bf_.Form(snap_, format_);
        formed_ahead_.store(bf_.speculations_used());
        beamforming_ms_.store(MsSince(t0));
    }
    const BeamGeometry& g = bf_.geometry();
    const ElementView view = bf_.element_view();
    if (!format_.head_formed()) lines_.BuildSidescanLine(view, g, snap_.s);
    if (snap_.s.ProfilePointIntensityOutput == 1) profile_.ComputeOutputIntensity(view, g, snap_.s);
    const Clock::time_point t1 = Clock::now();
    if (snap_.s.ProfilePointDetection == 1) {
        profile_.BuildProfileOutputTable(g, snap_.s, RangeSpan(), snap_.work.range_offset_m);
        altitude_.Update(profile_.profile_points_out(), profile_.output_count(), g.NumBeams,
                         snap_.s.ProfileTiltAngle, snap_.work.sound_velocity_current);
    }
    DrawImage(input);
    drawing_ms_.store(MsSince(t1));
}

void PingPipeline::DrawImage(const PingInput&) {
    const BeamGeometry& g = bf_.geometry();
    FrameInputs in;
    in.ping_interval_ms = ping_interval_ms_;
    OverlayInput overlay;
    if (snap_.s.ProfilePointDetection == 1) {
        overlay.range_tenths = profile_.profile_range_tenths();
        overlay.count = profile_.output_count();
        overlay.dot_size = snap_.s.ProfilePointDotSize;
        overlay.display_type = snap_.s.ProfileDisplayType;
        overlay.point_type = snap_.s.ProfilePointType;
        overlay.point_filter = snap_.s.ProfilePointFilter;
        overlay.show_outliers = snap_.s.ProfilePointFilter_g_show_outliers_sw != 0;
        in.overlay = &overlay;
    }
    in.waterfall_threshold = static_cast<int>(profile_.profile_threshold() * 255 * 0.01);
    if (active_mode_.load() == static_cast<int>(DisplayMode::Linear)) {
        if (picture_wanted_) picture_.RenderLinear(bf_.Beams(), g.NumSamples, in);
        return;
    }
    const ByteImageRule rule = ByteImageRuleFor(parser_.Legacy().bytes[1], format_.head_formed());
    ByteImageOptions options;
    options.half_range = snap_.s.HalfRange != 0;
    options.skip_fill =
        SkipByteImageFill(snap_.s.ProfilePointDetection, snap_.s.ProfileDisplayType);
    // The byte image also feeds the beam records of 500-sample pings: it is made either way.
    ConvertBeamsToBytes(bf_.Beams(), g.NumBeams, g.NumSamples, rule, options, bf_.ByteImage(),
                        split_);
    if (picture_wanted_) picture_.Render(bf_.ByteImage(), in);
}

void PingPipeline::Publish(const PingInput& input) {
    PictureFrame& f = pictures_.Back();
    std::memcpy(f.pixels.data(), picture_.display_image(), f.pixels.size());
    f.palette = PaletteWords(picture_.palette());
    f.ping = pings_.load();
    f.display_type = active_mode_.load();
    pictures_.Publish();
    if (input.last_packet_time != Clock::time_point{}) {
        latency_ms_.store(MsSince(input.last_packet_time));
    }
    op_.PictureReady();
}

}  // namespace vq
