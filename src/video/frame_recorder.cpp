#include "video/frame_recorder.h"

namespace vq {

std::span<const std::uint8_t> RecordingFrames::FrameFor(bool record_video, float frames_per_second,
                                                        int measured_period_ms) {
    VideoFeed* feed = feed_.load(std::memory_order_acquire);
    if (feed == nullptr || !record_video || !feed->running()) return {};
    if (!schedule_.NextRecordCarriesFrame(frames_per_second, measured_period_ms)) return {};
    feed->record().Take();
    const EncodedFrame& f = feed->record().front();
    if (f.bmp.empty() || VideoClock::now() - f.time > stale_after_) return {};
    ++given_;
    return {f.bmp.data(), f.bmp.size()};
}

}  // namespace vq
