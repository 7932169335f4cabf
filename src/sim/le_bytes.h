// Little-endian field access for the head's packets (the head is an independent device and
// keeps its own readers and writers).
#pragma once

#include <cstdint>
#include <cstring>

namespace vq::sim {

inline std::uint16_t GetU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline float GetF32(const std::uint8_t* p) {
    const std::uint32_t u = GetU32(p);
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}
inline void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}
inline void PutF32(std::uint8_t* p, float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    PutU32(p, u);
}
inline void PutText(std::uint8_t* p, std::size_t width, const char* text) {
    std::memset(p, 0, width);
    const std::size_t n = std::strlen(text);
    std::memcpy(p, text, n < width ? n : width - 1);  // always NUL-terminated
}

}  // namespace vq::sim
