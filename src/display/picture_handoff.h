// Hands finished pictures from the thread that runs the pings to the GUI thread without
// tearing and without locks: a triple buffer. The producer always has a buffer of its own to
// draw into, the consumer always reads a complete picture, and the newest one wins.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "display/display_params.h"
#include "display/waterfall.h"

namespace vq {

struct PictureFrame {
    static constexpr int kWidth = kImageWidth;
    static constexpr int kHeight = kImageHeight;
    std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(kWidth * kHeight, 0);
    std::array<std::uint32_t, 256> palette{};  // 0xRRGGBB per index
    std::uint64_t ping = 0;                    // number of the ping the picture shows
    int display_type = 0;
    // The geometry and settings the picture was drawn with: what the cursor read-outs and the
    // range read-out of the window measure against.
    DisplayParams params;
    // The profile waterfall picture, copied only while it is shown (profile mode with the
    // waterfall on); the main picture is then shown at half size beside it.
    bool waterfall_shown = false;
    std::vector<std::uint8_t> waterfall =
        std::vector<std::uint8_t>(static_cast<std::size_t>(kWaterfallWidth) * kWaterfallHeight, 0);
};

class PictureHandOff {
  public:
    // Producer side: draw into back(), then publish() it.
    PictureFrame& Back() { return buffers_[back_]; }
    void Publish() {
        const int previous = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel);
        back_ = previous & kIndexMask;
    }

    // Consumer side: take the newest published picture if there is one; front() stays valid
    // until the next take().
    bool Take() {
        if ((middle_.load(std::memory_order_acquire) & kFresh) == 0) return false;
        const int previous = middle_.exchange(front_, std::memory_order_acq_rel);
        front_ = previous & kIndexMask;
        return true;
    }
    const PictureFrame& front() const { return buffers_[front_]; }

  private:
    static constexpr int kFresh = 4;
    static constexpr int kIndexMask = 3;
    std::array<PictureFrame, 3> buffers_;
    int back_ = 0;                // owned by the producer
    int front_ = 1;               // owned by the consumer
    std::atomic<int> middle_{2};  // shared: index of the middle buffer | kFresh
};

}  // namespace vq
