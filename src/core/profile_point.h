// The per-beam output record of the seabed profile, shared by the profile detector that fills
// it and the point writers that store and send it.
#pragma once

#include <cstdint>

namespace vq {

// One output record per kept beam for the point writers: three 32-bit fields, 12 bytes.
struct ProfilePointRecord {
    float range_dm = 0.0f;       // range in decimetres plus the whole-metre range start
    float angle_deg = 0.0f;      // beam angle in degrees
    std::int32_t intensity = 0;  // 0..255
};
static_assert(sizeof(ProfilePointRecord) == 12);

}  // namespace vq
