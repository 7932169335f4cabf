#include "video/frame_recorder.h"

namespace vq {

void RecordingFrames::NotePingInterval(int ms) {
    if (ms <= 0) return;
    intervals_[static_cast<std::size_t>(next_interval_)] = ms;
    next_interval_ = (next_interval_ + 1) % kPeriodPings;
    if (intervals_noted_ < kPeriodPings) ++intervals_noted_;
}

int RecordingFrames::period_ms() const {
    if (intervals_noted_ == 0) return 0;
    long long sum = 0;
    for (int i = 0; i < intervals_noted_; ++i) sum += intervals_[static_cast<std::size_t>(i)];
    return static_cast<int>((sum + intervals_noted_ / 2) / intervals_noted_);
}

std::span<const std::uint8_t> RecordingFrames::FrameFor(bool record_video,
                                                        float frames_per_second) {
    VideoFeed* feed = feed_.load(std::memory_order_acquire);
    if (feed == nullptr || !record_video || !feed->running()) return {};
    if (!schedule_.NextRecordCarriesFrame(frames_per_second, period_ms())) return {};
    feed->record().Take();
    const EncodedFrame& f = feed->record().front();
    if (f.bmp.empty() || VideoClock::now() - f.time > stale_after_) return {};
    ++given_;
    return {f.bmp.data(), f.bmp.size()};
}

}  // namespace vq
