#include "video/playback_frames.h"

namespace vq {

bool PlaybackFrames::Publish(std::span<const std::uint8_t> block) {
    const std::optional<BmpLayout> l = ParseBmp24(block);
    if (!l) return false;
    EncodedFrame& f = frames_.Back();
    f.width = l->width;
    f.height = l->height;
    f.number = ++number_;
    f.time = VideoClock::now();
    f.bmp.assign(block.begin(), block.end());  // grows to the largest frame once
    frames_.Publish();
    published_.fetch_add(1, std::memory_order_acq_rel);
    return true;
}

void PlaybackFrames::Clear() {
    EncodedFrame& f = frames_.Back();
    f.width = f.height = 0;
    f.bmp.clear();
    frames_.Publish();
}

WindowRect VideoWindowOuterRect(const WindowRect& main_outer, int picture_width, int picture_height,
                                int frame_width, int frame_height) {
    WindowRect r;
    r.width = picture_width + frame_width;
    r.height = picture_height + frame_height;
    r.x = main_outer.x + main_outer.width - 4 - r.width;
    r.y = main_outer.y + main_outer.height - r.height;
    return r;
}

}  // namespace vq
