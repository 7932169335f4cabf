// What the secondary windows need from every ping, handed from the ping thread to the GUI
// thread in a ring of preallocated frames: the sidescan, echo-sounder and intensity lines, the
// altitude, the diagnostics values and the head's information record. Nothing is allocated or
// formatted per ping; the GUI makes its texts when the values changed.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "dsp/beam_data.h"
#include "pipeline/ping_record.h"
#include "windows/diagnostics.h"
#include "windows/frame_ring.h"
#include "windows/strip_lines.h"

namespace vq {

struct SecondaryFrame {
    std::uint64_t ping = 0;     // number of the ping (as counted by the pipeline)
    bool header_valid = false;  // false: no lines, the record may be from an earlier ping
    bool has_lines = false;     // the lines below belong to this ping
    int sidescan_length = 0;    // 2 * ns, or 0 when no sidescan line was formed
    int echo_length = 0;        // ns, or 0 while the "Echo Sounder" window is off
    int intensity_length = 0;   // nb, or 0 while the "Intensity" window is off
    bool port_formed = false;
    bool starboard_formed = false;
    float sidescan_angle = StripLines::kDefaultSidescanAngle;
    std::array<std::uint8_t, 2 * StripLines::kMaxSamples> sidescan{};
    std::array<std::uint8_t, StripLines::kMaxSamples> echo{};
    std::array<std::uint8_t, kMaxBeams> intensity{};
    float altitude_m = 0.0f;  // 0: none
    bool detection_on = false;
    int units = 0;
    int display_type = 0;
    DiagnosticsValues diagnostics;
    bool record_valid = false;  // a ping was parsed into `record`
    PingRecord record;
};

// 64 frames cover about a second of the fastest pings while the GUI is busy elsewhere.
using SecondaryHandOff = FrameRing<SecondaryFrame, 64>;

// Which secondary windows are shown, as the ping thread reads it once per ping: the lines of
// the echo sounder and intensity windows are only formed for a shown window.
struct SecondaryWindowsOn {
    std::atomic<bool> sidescan{false};
    std::atomic<bool> echo_sounder{false};
    std::atomic<bool> intensity{false};
};

}  // namespace vq
