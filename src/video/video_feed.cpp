#include "video/video_feed.h"

#include <cstring>

namespace vq {

int RecordFrameReduction(int width, int height) {
    int f = 1;
    while (width / f > kRecordFrameMaxWidth || height / f > kRecordFrameMaxHeight) ++f;
    return f;
}

void VideoFeed::Format(int& width, int& height) const {
    const std::uint64_t f = format_.load(std::memory_order_acquire);
    width = static_cast<int>(f >> 32);
    height = static_cast<int>(f & 0xFFFFFFFFu);
}

std::uint32_t VideoFeed::frame_block_bytes() const {
    int w = 0, h = 0;
    Format(w, h);
    if (w <= 0 || h <= 0) return 0;
    const int f = RecordFrameReduction(w, h);
    return static_cast<std::uint32_t>(BmpFileBytes(w / f, h / f));
}

void VideoFeed::PublishCopy(LatestHandOff<VideoFrame>& to, const Rgb32View& p,
                            VideoClock::time_point t) {
    VideoFrame& f = to.Back();
    f.width = p.width;
    f.height = p.height;
    f.number = number_;
    f.time = t;
    f.pixels.resize(static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height));
    for (int y = 0; y < p.height; ++y) {
        std::memcpy(f.pixels.data() + static_cast<std::size_t>(y) * p.width,
                    p.pixels + static_cast<std::size_t>(y) * p.stride_pixels,
                    static_cast<std::size_t>(p.width) * sizeof(std::uint32_t));
    }
    to.Publish();
}

void VideoFeed::PublishEncoded(const Rgb32View& p, VideoClock::time_point t) {
    Rgb32View src = p;
    const int factor = RecordFrameReduction(p.width, p.height);
    if (factor > 1) {
        // Keep every factor-th pixel of every factor-th row.
        const int w = p.width / factor, h = p.height / factor;
        reduced_.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (int y = 0; y < h; ++y) {
            const std::uint32_t* row =
                p.pixels + static_cast<std::size_t>(y) * factor * p.stride_pixels;
            for (int x = 0; x < w; ++x)
                reduced_[static_cast<std::size_t>(y) * w + x] = row[x * factor];
        }
        src = {reduced_.data(), w, h, static_cast<std::size_t>(w)};
    }
    EncodedFrame& e = record_.Back();
    e.width = src.width;
    e.height = src.height;
    e.number = number_;
    e.time = t;
    EncodeBmp24(src, e.bmp);
    record_.Publish();
}

void VideoFeed::Deliver(const Rgb32View& p) {
    if (p.pixels == nullptr || !BmpSizeAllowed(p.width, p.height) ||
        p.stride_pixels < static_cast<std::size_t>(p.width)) {
        return;
    }
    const VideoClock::time_point t = VideoClock::now();
    ++number_;
    format_.store(std::uint64_t(p.width) << 32 | std::uint32_t(p.height),
                  std::memory_order_release);
    running_.store(true, std::memory_order_release);
    PublishEncoded(p, t);
    PublishCopy(preview_, p, t);
    PublishCopy(clip_, p, t);
    delivered_.fetch_add(1, std::memory_order_acq_rel);
}

void VideoFeed::Stop() {
    running_.store(false, std::memory_order_release);
    format_.store(0, std::memory_order_release);
    EncodedFrame& e = record_.Back();
    e.width = e.height = 0;
    e.bmp.clear();  // keeps the storage for the next camera
    record_.Publish();
    for (LatestHandOff<VideoFrame>* h : {&preview_, &clip_}) {
        VideoFrame& f = h->Back();
        f.width = f.height = 0;
        f.pixels.clear();
        h->Publish();
    }
}

}  // namespace vq
