// A finished picture with what it was drawn with, as the GUI thread receives it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/latest_handoff.h"
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

// The finished pictures go from the ping thread to the GUI thread, the newest one winning.
using PictureHandOff = LatestHandOff<PictureFrame>;

}  // namespace vq
