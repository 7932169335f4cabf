// The profile waterfall: a 500 x 518 picture whose top 120 rows show the current profile as
// dots and whose lower rows scroll down one per ping, colour-coding the first echo's height.
#pragma once

#include <cstdint>

namespace vq {

inline constexpr int kWaterfallWidth = 500;
inline constexpr int kWaterfallHeight = 518;
inline constexpr int kWaterfallFirstScrollRow = 120;
inline constexpr std::uint8_t kWaterfallMarkValue = 56;

struct WaterfallInput {
    int top = 20;                         // T: ProfileWaterfallOffset
    int height = 200;                     // H: ProfileWaterfallSpan
    int threshold = 64;                   // palette level of the profile detection threshold
    const float* persist = nullptr;       // searched when persistence is on
    const std::uint8_t* clean = nullptr;  // searched otherwise
};

// One ping: scroll, search the band of the main picture, mark the band and its key on
// `display`, and write the new row and dots into `image` ([518][500]) and `profile` ([500]).
void UpdateWaterfall(const WaterfallInput& in, std::uint8_t* display, std::uint8_t* image,
                     std::int32_t* profile);

}  // namespace vq
