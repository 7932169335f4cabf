// The receiving side of the data output: tells point records, beam records (reassembled from
// their pieces by the "Q4B" magic and the 24-bit length) and keep-alives apart, and describes
// each in one line. Used by vq-remote and by tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vq {

enum class ArrivalKind { None, PointRecord, BeamRecord, KeepAlive, Unknown };

struct Arrival {
    ArrivalKind kind = ArrivalKind::None;  // None: a beam piece was taken, record not complete
    std::span<const std::uint8_t> bytes;   // the whole record or datagram (valid until next feed)
};

class RecordAssembler {
  public:
    RecordAssembler();
    // One datagram as it arrived.
    Arrival Feed(std::span<const std::uint8_t> datagram);
    // Beam records abandoned because a piece went missing or did not fit.
    std::uint64_t dropped_records() const { return dropped_; }
    bool in_progress() const { return expected_ > 0; }

  private:
    std::vector<std::uint8_t> buf_;
    std::size_t expected_ = 0;  // declared length of the record being collected, 0 = none
    std::size_t have_ = 0;
    std::uint64_t dropped_ = 0;
};

// One line describing a complete record or datagram.
std::string DescribeArrival(const Arrival& a);

}  // namespace vq
