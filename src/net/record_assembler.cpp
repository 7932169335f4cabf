#include "net/record_assembler.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/byte_order.h"

namespace vq {
namespace {

constexpr std::size_t kHeader = 256;
constexpr std::size_t kPiece = 64000;
// Largest beam record accepted: 600 beams of 1010 samples and the header.
constexpr std::size_t kMaxBeamRecord = kHeader + 600 * 1010;

bool Magic(std::span<const std::uint8_t> d, const char* m) {
    return d.size() >= 3 && std::memcmp(d.data(), m, 3) == 0;
}
unsigned U16(std::span<const std::uint8_t> d, std::size_t at) {
    return byte_order::GetBe<std::uint16_t>(d, at);
}
unsigned long U32(std::span<const std::uint8_t> d, std::size_t at) {
    return byte_order::GetBe<std::uint32_t>(d, at);
}
std::string Text(std::span<const std::uint8_t> d, std::size_t at, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n && d[at + i] != 0; ++i) {
        char c = static_cast<char>(d[at + i]);
        s += (c >= 32 && c < 127) ? c : '?';
    }
    return s;
}

// The header fields both records share.
std::string HeaderSummary(std::span<const std::uint8_t> d) {
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "#%lu %s %s%s beams=%u samples=%u range=%u m freq=%u kHz sv=%.1f m/s", U32(d, 93),
                  Text(d, 8, 12).c_str(), Text(d, 20, 9).c_str(), Text(d, 29, 3).c_str(),
                  U16(d, 70), U16(d, 72), U16(d, 79), U16(d, 81), (U16(d, 83) & 0x7FFFu) * 0.1);
    std::string out = buf;
    // The GPS position texts, speed and heading, once a position is known.
    if (d[33] != 0) {
        std::snprintf(buf, sizeof buf, " pos=%s,%s speed=%.1f kn heading=%.1f",
                      Text(d, 33, 14).c_str(), Text(d, 47, 14).c_str(), d[61] * 0.1,
                      (U16(d, 68) & 0x7FFFu) * 0.1);
        out += buf;
    }
    return out;
}

}  // namespace

RecordAssembler::RecordAssembler() {
    buf_.resize(kMaxBeamRecord);
}

Arrival RecordAssembler::Feed(std::span<const std::uint8_t> d) {
    // A piece that continues the record being collected has exactly the expected size; this
    // tells image bytes that happen to start with "Q4B" from the start of a new record.
    if (expected_ > 0) {
        std::size_t want = std::min(kPiece, expected_ - have_);
        if (d.size() == want) {
            std::memcpy(buf_.data() + have_, d.data(), d.size());
            have_ += d.size();
            if (have_ < expected_) return {};
            Arrival a{ArrivalKind::BeamRecord, {buf_.data(), expected_}};
            expected_ = have_ = 0;
            return a;
        }
        ++dropped_;
        expected_ = have_ = 0;
    }
    if (Magic(d, "Q4Z") && d.size() == 32) return {ArrivalKind::KeepAlive, d};
    if (Magic(d, "Q4P") && d.size() >= kHeader && U16(d, 4) == d.size()) {
        return {ArrivalKind::PointRecord, d};
    }
    if (Magic(d, "Q4B") && d.size() >= 7) {
        std::size_t len = byte_order::GetU24Be(d.data() + 4);
        if (len >= kHeader && len <= kMaxBeamRecord && d.size() == std::min(kPiece, len)) {
            expected_ = len;
            have_ = 0;
            return Feed(d);
        }
    }
    return {ArrivalKind::Unknown, d};
}

std::string DescribeArrival(const Arrival& a) {
    char buf[96];
    switch (a.kind) {
        case ArrivalKind::KeepAlive:
            return "keep-alive (32 bytes)";
        case ArrivalKind::PointRecord:
            std::snprintf(buf, sizeof buf, " len=%zu intensities=%d ext-event=%d", a.bytes.size(),
                          a.bytes[117], a.bytes[155]);
            return "point " + HeaderSummary(a.bytes) + buf;
        case ArrivalKind::BeamRecord:
            std::snprintf(buf, sizeof buf, " len=%zu", a.bytes.size());
            return "beam " + HeaderSummary(a.bytes) + buf;
        case ArrivalKind::Unknown:
            std::snprintf(buf, sizeof buf, "unknown datagram (%zu bytes)", a.bytes.size());
            return buf;
        case ArrivalKind::None:
            break;
    }
    return {};
}

}  // namespace vq
