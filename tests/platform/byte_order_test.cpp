#include "platform/byte_order.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace vq {
namespace {

using namespace byte_order;

// Fields at every alignment of a buffer: the bytes of the head's packet number 0x0203 and of
// a point record's 24-bit length, as they appear on the wire.
TEST(ByteOrder, IntegersReadInBothOrdersAtAnyAlignment) {
    const std::array<std::uint8_t, 11> b = {0xEE, 0x01, 0x02, 0x03, 0x04, 0x05,
                                            0x06, 0x07, 0x08, 0x80, 0xFF};
    EXPECT_EQ(GetU16Le(b.data() + 1), 0x0201u);
    EXPECT_EQ(GetU16Be(b.data() + 1), 0x0102u);
    EXPECT_EQ(GetU32Le(b.data() + 1), 0x04030201u);
    EXPECT_EQ(GetU32Be(b.data() + 1), 0x01020304u);
    EXPECT_EQ(GetU24Be(b.data() + 1), 0x010203u);
    EXPECT_EQ(GetU64Le(b.data() + 1), 0x0807060504030201ull);
    EXPECT_EQ(GetU64Be(b.data() + 1), 0x0102030405060708ull);
    // Sign bits come out as two's complement, never through a shift into the sign.
    EXPECT_EQ(GetI16Le(b.data() + 9), static_cast<std::int16_t>(-128));               // 0xFF80
    EXPECT_EQ(GetBe<std::int16_t>(b.data() + 9), static_cast<std::int16_t>(-32513));  // 0x80FF
    EXPECT_EQ(GetLe<std::int32_t>(b.data() + 7), static_cast<std::int32_t>(0xFF800807u));
}

TEST(ByteOrder, WritesAreTheMirrorOfReads) {
    std::array<std::uint8_t, 16> b{};
    PutU16Le(b.data(), 0xBEEF);
    PutU16Be(b.data() + 2, 0xBEEF);
    PutU24Be(b.data() + 4, 0x123456);
    PutU32Le(b.data() + 7, 0xA1B2C3D4u);
    PutU32Be(b.data() + 11, 0xA1B2C3D4u);
    const std::array<std::uint8_t, 16> want = {0xEF, 0xBE, 0xBE, 0xEF, 0x12, 0x34, 0x56, 0xD4,
                                               0xC3, 0xB2, 0xA1, 0xA1, 0xB2, 0xC3, 0xD4, 0x00};
    EXPECT_EQ(b, want);
    std::array<std::uint8_t, 8> q{};
    PutU64Be(q.data(), 0x0102030405060708ull);
    EXPECT_EQ(GetU64Be(q.data()), 0x0102030405060708ull);
    EXPECT_EQ(q[0], 0x01);
    PutU64Le(q.data(), 0x0102030405060708ull);
    EXPECT_EQ(q[0], 0x08);
}

// IEEE floats travel as their bit patterns: 1500 m/s and a NaN payload come back bit for bit.
TEST(ByteOrder, FloatsKeepTheirBitPatterns) {
    std::array<std::uint8_t, 12> b{};
    PutF32Le(b.data(), 1500.0f);
    EXPECT_EQ(GetU32Le(b.data()), 0x44BB8000u);
    EXPECT_EQ(GetF32Le(b.data()), 1500.0f);
    PutF64Le(b.data() + 4, -43.653646);
    EXPECT_EQ(GetF64Le(b.data() + 4), -43.653646);
    PutU32Le(b.data(), 0x7FC01234u);  // a quiet NaN with a payload
    const float nan = GetF32Le(b.data());
    EXPECT_TRUE(std::isnan(nan));
    PutF32Le(b.data() + 4, nan);
    EXPECT_EQ(GetU32Le(b.data() + 4), 0x7FC01234u);
    PutBe(b.data(), std::numeric_limits<float>::infinity());
    EXPECT_EQ(GetU32Be(b.data()), 0x7F800000u);
}

// A field that reaches past the end of the bytes received reads as 0 and is never written.
TEST(ByteOrder, SpanFieldsOutsideTheBytesReadZeroAndAreNotWritten) {
    std::vector<std::uint8_t> v = {1, 2, 3, 4, 5};
    const std::span<const std::uint8_t> s(v);
    EXPECT_EQ(GetLe<std::uint32_t>(s, 1), 0x05040302u);
    EXPECT_EQ(GetLe<std::uint32_t>(s, 2), 0u);
    EXPECT_EQ(GetBe<std::uint16_t>(s, 4), 0u);
    EXPECT_EQ(GetBe<std::uint16_t>(s, std::numeric_limits<std::size_t>::max()), 0u);
    EXPECT_EQ(GetLe<float>(s.first(0), 0), 0.0f);
    std::span<std::uint8_t> w(v);
    EXPECT_TRUE(PutBe<std::uint16_t>(w, 3, 0xABCD));
    EXPECT_FALSE(PutLe<std::uint32_t>(w, 2, 0xFFFFFFFFu));
    EXPECT_FALSE(PutLe<std::uint16_t>(w, std::numeric_limits<std::size_t>::max() - 1, 1));
    EXPECT_EQ(v, (std::vector<std::uint8_t>{1, 2, 3, 0xAB, 0xCD}));
}

TEST(ByteOrder, TextFieldsAreCutToTheirWidth) {
    std::array<std::uint8_t, 8> b{};
    PutText(b.data(), "Version 0.1.0", 5);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 6), std::string("Versi\0", 6));
    PutText(b.data() + 6, "", 2);
    EXPECT_EQ(b[6], 0);
}

}  // namespace
}  // namespace vq
