// The check that runs first on every parsed ping, and the adoption of what the head reports:
// range limits, resolution, sample width and element count, the recorded range in playback,
// and the head type with its model, nominal frequency and absorption.
#pragma once

#include "core/settings_store.h"
#include "pipeline/ping_record.h"

namespace vq {

struct CheckContext {
    bool playback = false;
    int recording_version = 0;
    int current_head_id = 77;
};

struct HeaderCheckResult {
    bool valid = false;                    // false: the ping is not processed
    int head_type_index = 0;               // after the playback special case
    bool fine_resolution_changed = false;  // range labels must be rebuilt
    bool range_limits_changed = false;
    bool range_index_changed = false;  // playback: the recorded span picked another index
    int sample_bits = 16;              // 8 or 16
    int num_elements = 16;             // 16, or 64 for other recorded formats
    int data_format = 11;
    int num_samples = 500;
    bool special_gain_curve = false;
};

// Checks the legacy header against the current head id and adopts the reported limits into
// st.head (frequency limits, serial number, range-index limits, FineResolution) and, in
// playback, the range index of the recorded span. Writes the head type index (with the
// playback special case) back into byte 8 of the legacy header.
HeaderCheckResult CheckHeader(const PingRecord& record, LegacyHeader& legacy,
                              const CheckContext& context, SettingsState& st);

// Range index of a recorded span in whole metres (after x10 on a fine-resolution head);
// -1 when the span is not one of the table's.
int RangeIndexForSpan(int whole_metres);

struct HeadTypeEntry {
    int model_code;
    int nominal_frequency_khz;  // -1: the current frequency setting
    int absorption_code;
};

// Model code, nominal frequency and absorption code of a head type index.
HeadTypeEntry HeadTypeFor(int head_type_index);

struct AdoptionResult {
    bool adopted = false;  // the index differed from the last adopted one
    bool range_limits_changed = false;
    bool range_index_reset = false;      // model 4: the range went back to its default
    bool apply_operating_point = false;  // the engine applies it with frequency_khz
    int frequency_khz = 0;
};

// Adopts the head type index when it differs from st.head.head_type: writes model code,
// nominal frequency and absorption code into st.head and the operating frequency into
// st.s.Frequency (the nominal or kept one live, the recorded one in playback).
AdoptionResult AdoptHeadType(int head_type_index, bool playback, int recorded_frequency_khz,
                             SettingsState& st);

}  // namespace vq
