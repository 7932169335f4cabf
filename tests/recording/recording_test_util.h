// Synthetic pings and hand-written little-endian readers for the recording tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "recording/time_stamp.h"

namespace vq::test {

// A ping as the link stores it: a 1152-byte command opening with "TMND", then return bytes.
// The filler never contains 'T' or 'V', so only the bytes a test plants look like magic.
inline std::vector<std::uint8_t> MakePing(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> p(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::uint8_t b = static_cast<std::uint8_t>((i * 7 + seed) % 80);  // 0..79: no 'T'/'V'
        p[i] = b;
    }
    std::memcpy(p.data(), "TMND", 4);
    if (n > 4) p[4] = seed;
    return p;
}

inline std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint32_t Be16(const std::uint8_t* p) {
    return (p[0] << 8) | p[1];
}
inline std::uint32_t Be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
inline float Lef32(const std::uint8_t* p) {
    std::uint32_t v = Le32(p);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}
inline std::string TextAt(const std::uint8_t* p, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(p), n);
}

inline PingTimeStamp Stamp(int y, int mo, int d, int h, int mi, int s, int ms) {
    return PingTimeStamp::FromFields(y, mo, d, h, mi, s, ms);
}

}  // namespace vq::test
