// Little- and big-endian fields of the byte streams the program exchanges: the head's packets,
// the recording file and XTF (little-endian), the point and beam records and the control
// datagram (big-endian integers). Every access copies bytes with memcpy, so alignment and
// aliasing never matter and no shift touches a sign bit. The span forms read a field that lies
// (partly) beyond the end of the span as 0 and leave such a field unwritten.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <type_traits>

namespace vq::byte_order {

namespace internal {

template <class U>
constexpr U Swap(U v) {
    U out = 0;
    for (std::size_t i = 0; i < sizeof(U); ++i) {
        out = static_cast<U>((out << 8) | (v & 0xFFu));
        v = static_cast<U>(v >> 8);
    }
    return out;
}

// The unsigned integer of the same width as T.
template <class T>
using Bits = std::conditional_t<
    sizeof(T) == 1, std::uint8_t,
    std::conditional_t<sizeof(T) == 2, std::uint16_t,
                       std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;

// T from the sizeof(T) bytes at p in the given byte order.
template <class T, std::endian order>
T Load(const std::uint8_t* p) {
    static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= 8);
    Bits<T> u;
    std::memcpy(&u, p, sizeof u);
    if constexpr (order != std::endian::native) u = Swap(u);
    T v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

template <class T, std::endian order>
void Store(std::uint8_t* p, T value) {
    static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= 8);
    Bits<T> u;
    std::memcpy(&u, &value, sizeof u);
    if constexpr (order != std::endian::native) u = Swap(u);
    std::memcpy(p, &u, sizeof u);
}

inline bool Fits(std::size_t size, std::size_t at, std::size_t n) {
    return at <= size && n <= size - at;
}

}  // namespace internal

// Reads a T stored little-endian at p (sizeof(T) bytes).
template <class T>
T GetLe(const std::uint8_t* p) {
    return internal::Load<T, std::endian::little>(p);
}
// Reads a T stored big-endian at p.
template <class T>
T GetBe(const std::uint8_t* p) {
    return internal::Load<T, std::endian::big>(p);
}
template <class T>
void PutLe(std::uint8_t* p, T value) {
    internal::Store<T, std::endian::little>(p, value);
}
template <class T>
void PutBe(std::uint8_t* p, T value) {
    internal::Store<T, std::endian::big>(p, value);
}

// The field at byte `at` of s; 0 when it does not lie wholly inside s.
template <class T>
T GetLe(std::span<const std::uint8_t> s, std::size_t at) {
    return internal::Fits(s.size(), at, sizeof(T)) ? GetLe<T>(s.data() + at) : T{};
}
template <class T>
T GetBe(std::span<const std::uint8_t> s, std::size_t at) {
    return internal::Fits(s.size(), at, sizeof(T)) ? GetBe<T>(s.data() + at) : T{};
}
// Writes the field at byte `at` of s; false (and nothing written) when it does not fit.
template <class T>
bool PutLe(std::span<std::uint8_t> s, std::size_t at, T value) {
    if (!internal::Fits(s.size(), at, sizeof(T))) return false;
    PutLe<T>(s.data() + at, value);
    return true;
}
template <class T>
bool PutBe(std::span<std::uint8_t> s, std::size_t at, T value) {
    if (!internal::Fits(s.size(), at, sizeof(T))) return false;
    PutBe<T>(s.data() + at, value);
    return true;
}

// The common widths by name, for call sites that read like the record tables.
inline std::uint16_t GetU16Le(const std::uint8_t* p) {
    return GetLe<std::uint16_t>(p);
}
inline std::int16_t GetI16Le(const std::uint8_t* p) {
    return GetLe<std::int16_t>(p);
}
inline std::uint32_t GetU32Le(const std::uint8_t* p) {
    return GetLe<std::uint32_t>(p);
}
inline std::uint64_t GetU64Le(const std::uint8_t* p) {
    return GetLe<std::uint64_t>(p);
}
inline float GetF32Le(const std::uint8_t* p) {
    return GetLe<float>(p);
}
inline double GetF64Le(const std::uint8_t* p) {
    return GetLe<double>(p);
}
inline std::uint16_t GetU16Be(const std::uint8_t* p) {
    return GetBe<std::uint16_t>(p);
}
// The 24-bit length of a beam record.
inline std::uint32_t GetU24Be(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(GetU16Be(p + 1));
}
inline std::uint32_t GetU32Be(const std::uint8_t* p) {
    return GetBe<std::uint32_t>(p);
}
inline std::uint64_t GetU64Be(const std::uint8_t* p) {
    return GetBe<std::uint64_t>(p);
}

inline void PutU16Le(std::uint8_t* p, std::uint16_t v) {
    PutLe(p, v);
}
inline void PutU32Le(std::uint8_t* p, std::uint32_t v) {
    PutLe(p, v);
}
inline void PutU64Le(std::uint8_t* p, std::uint64_t v) {
    PutLe(p, v);
}
inline void PutF32Le(std::uint8_t* p, float v) {
    PutLe(p, v);
}
inline void PutF64Le(std::uint8_t* p, double v) {
    PutLe(p, v);
}
inline void PutU16Be(std::uint8_t* p, std::uint16_t v) {
    PutBe(p, v);
}
inline void PutU24Be(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>((v >> 16) & 0xFFu);
    PutU16Be(p + 1, static_cast<std::uint16_t>(v & 0xFFFFu));
}
inline void PutU32Be(std::uint8_t* p, std::uint32_t v) {
    PutBe(p, v);
}
inline void PutU64Be(std::uint8_t* p, std::uint64_t v) {
    PutBe(p, v);
}

// A fixed-width text field of a record: at most `width` bytes of text are copied and the rest
// of the field is left as it was (zero in a freshly cleared record).
inline void PutText(std::uint8_t* p, std::string_view text, std::size_t width) {
    if (!text.empty()) std::memcpy(p, text.data(), text.size() < width ? text.size() : width);
}

}  // namespace vq::byte_order
