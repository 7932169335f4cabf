#include "pipeline/header_check.h"

#include <cmath>

namespace vq {

namespace {

struct RangeLimits {
    int min_index;
    int max_index;
    int max_pulse_us;  // 0: unchanged
};

RangeLimits RangeLimitsFor(std::uint32_t sonar_code, std::uint32_t tx_type, int current_min) {
    if (sonar_code == 3) {
        switch (tx_type) {
            case 15:
                return {2, 10, 30};
            case 10:
                return {2, 14, 0};
            case 21:
            case 22:
                return {2, 10, 0};
            default:
                return {2, 11, 0};
        }
    }
    if (sonar_code == 6) {
        switch (tx_type) {
            case 13:
                return {2, 11, 0};
            case 16:
                return {2, 12, 0};
            case 14:
                return {current_min, 14, 0};
            case 15:
                return {2, 10, 0};
            default:
                return {2, 14, 0};
        }
    }
    return {2, 11, 0};
}

void AdoptLimits(const PingRecord& record, SettingsState& st, HeaderCheckResult& out) {
    HeadLimits& h = st.head;
    h.serial_number = record.info.serial_number;
    if (record.frequency_limits_valid) {
        h.min_frequency_khz = record.min_frequency_khz;
        h.max_frequency_khz = record.max_frequency_khz;
        h.min_frequency_f = record.min_frequency_f;
        h.max_frequency_f = record.max_frequency_f;
    }
    const RangeLimits lim =
        RangeLimitsFor(record.info.sonar_code, record.info.tx_xdcr_type, h.min_range_index);
    out.range_limits_changed = lim.min_index != h.min_range_index ||
                               lim.max_index != h.max_range_index ||
                               (lim.max_pulse_us != 0 && lim.max_pulse_us != h.max_pulse_length_us);
    h.min_range_index = lim.min_index;
    h.max_range_index = lim.max_index;
    if (lim.max_pulse_us != 0) h.max_pulse_length_us = lim.max_pulse_us;
    // Strict bounds in single precision: a reported 0.011 m leaves the mode as it is.
    const float res = record.info.native_resolution_m;
    bool fine = h.fine_resolution;
    if (res > 0.009f && res < 0.011f) fine = false;
    if (res > 0.0009f && res < 0.0011f) fine = true;
    out.fine_resolution_changed = fine != h.fine_resolution;
    h.fine_resolution = fine;
}

void AdoptRecordedRange(const PingRecord& record, SettingsState& st, HeaderCheckResult& out) {
    float span = record.echo.range_span_m;
    if (st.head.fine_resolution) span *= 10.0f;
    if (!(span >= 0.0f && span < 100000.0f)) return;
    const int index = RangeIndexForSpan(static_cast<int>(span));
    if (index >= 0 && index != st.s.Range) {
        st.s.Range = index;
        out.range_index_changed = true;
    }
}

}  // namespace

int RangeIndexForSpan(int m) {
    switch (m) {
        case 1:
            return 0;
        case 2:
            return 1;
        case 3:
        case 4:
        case 5:
            return 2;
        case 10:
            return 3;
        case 20:
            return 4;
        case 30:
            return 5;
        case 40:
            return 6;
        case 50:
            return 7;
        case 60:
            return 8;
        case 80:
            return 9;
        case 100:
            return 10;
        case 150:
            return 11;
        case 200:
            return 12;
        case 250:
            return 13;
        case 300:
            return 14;
        case 400:
            return 15;
        case 500:
            return 16;
        default:
            return -1;
    }
}

HeaderCheckResult CheckHeader(const PingRecord& record, LegacyHeader& legacy,
                              const CheckContext& context, SettingsState& st) {
    HeaderCheckResult out;
    const auto& b = legacy.bytes;
    if (b[0] != 'T' || b[1] != context.current_head_id || b[2] != 'N') return out;
    out.valid = true;
    if (context.playback && record.info.serial_number == 9761 && legacy.bytes[8] == 0)
        legacy.bytes[8] = 17;
    out.head_type_index = legacy.bytes[8];
    AdoptLimits(record, st, out);
    out.data_format = record.header.data_format;
    out.num_samples = record.echo.data_points >= 1000 ? 1000 : 500;
    out.special_gain_curve = record.special_gain_curve;
    out.sample_bits = record.echo.data_bits >= 16 ? 16 : 8;
    out.num_elements = 16;
    if (context.playback && b[1] == 77) {
        const int f = out.data_format;
        const bool sixteen = f == 2 || f == 3 || f == 10 || f == 11 ||
                             context.recording_version == 5 || context.recording_version == 6;
        out.num_elements = sixteen ? 16 : 64;
    }
    if (context.playback) AdoptRecordedRange(record, st, out);
    return out;
}

HeadTypeEntry HeadTypeFor(int index) {
    switch (index) {
        case 0:
            return {11, 540, 28};
        case 1:
            return {11, 1100, 90};
        case 2:
            return {11, 675, 30};
        // Index 3 has no model of its own: it is taken as the standard 260 kHz head, the
        // group every other unlisted index belongs to.
        case 3:
            return {4, 260, 13};
        // Index 5 ends with the complete entry of the 120 kHz long-range head (index 7), the
        // values a head of this index has always run with; a mix of that entry with model 12
        // would pair a grating-limited array with the wrong absorption.
        case 5:
        case 7:
            return {5, 120, 8};
        case 10:
            return {14, 165, 10};
        case 11:
            return {15, 2250, 340};
        case 17:
            return {16, -1, 30};
        case 18:
            return {17, 675, 30};
        default:
            return {4, 260, 13};
    }
}

AdoptionResult AdoptHeadType(int index, bool playback, int recorded_frequency_khz,
                             SettingsState& st) {
    AdoptionResult out;
    HeadLimits& h = st.head;
    if (index == h.head_type) return out;
    out.adopted = true;
    const HeadTypeEntry e = HeadTypeFor(index);
    h.head_type = index;
    h.model_code = e.model_code;
    h.absorption_code = e.absorption_code;
    int nominal = e.nominal_frequency_khz < 0 ? st.s.Frequency : e.nominal_frequency_khz;
    int frequency = nominal;
    if (!playback) {
        const int old_min = h.min_range_index, old_max = h.max_range_index;
        if (e.model_code == 4) {
            h.max_range_index = 11;
            if (st.s.Range < h.min_range_index || st.s.Range > h.max_range_index) {
                st.s.Range = h.default_range_index;
                out.range_index_reset = true;
            }
            if (h.min_frequency_khz != 260 && h.max_frequency_khz != 260) nominal = 240;
            frequency = st.s.Frequency;
        } else if (e.model_code == 5) {
            h.max_range_index = 14;
            h.min_frequency_khz = 115;
            h.max_frequency_khz = 125;
            h.min_frequency_f = 115.0f;
            h.max_frequency_f = 125.0f;
        } else if (e.model_code == 7) {
            h.max_range_index = 8;
            frequency = st.s.Frequency;
        }
        out.range_limits_changed = old_min != h.min_range_index || old_max != h.max_range_index;
        h.nominal_frequency_khz = nominal;
        h.nominal_frequency_f = static_cast<float>(nominal);
    } else {
        frequency = recorded_frequency_khz;
    }
    st.s.Frequency = frequency;
    out.apply_operating_point = true;
    out.frequency_khz = frequency;
    return out;
}

}  // namespace vq
