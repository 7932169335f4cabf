// The bytes of one ping as the link assembled them: the 1152-byte command for packet 0,
// return packet 0, then for each further packet its 128-byte request header and the return
// packet. This is what recordings store and what the ping parser reads.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vq {

class PingBuffer {
  public:
    static constexpr std::size_t kCapacity = 75000;

    // Starts a new ping.
    void Reset() { w_ = 0; }

    // Appends n bytes at the write index. Bytes that do not fit are dropped and counted: the
    // write index stops at kCapacity and nothing is ever written past the buffer (the longest
    // configuration only loses bytes beyond the sample data).
    void Append(const std::uint8_t* bytes, std::size_t n) {
        const std::size_t k = std::min(n, kCapacity - w_);
        if (k > 0) std::memcpy(buf_.data() + w_, bytes, k);
        w_ += k;
        dropped_ += n - k;
        highest_ = std::max(highest_, w_);
    }

    // Moves the write index back to `mark` (a value size() returned earlier in this ping),
    // discarding what was appended after it.
    void Truncate(std::size_t mark) { w_ = std::min(mark, w_); }

    const std::uint8_t* data() const { return buf_.data(); }
    std::size_t size() const { return w_; }           // the write index
    std::size_t highest() const { return highest_; }  // highest write index ever reached
    std::size_t dropped() const { return dropped_; }  // bytes that did not fit, ever

  private:
    std::array<std::uint8_t, kCapacity> buf_{};
    std::size_t w_ = 0;
    std::size_t highest_ = 0;
    std::size_t dropped_ = 0;
};

}  // namespace vq
