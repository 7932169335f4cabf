// The camera's frames on their way to the three places that use them: the recording (each
// frame already encoded as the bitmap block a record carries, so the ping thread only copies
// bytes to the file), the preview window and the clip capture. Each gets the newest frame
// through its own lock-free hand-over, so a slow or stalled consumer never holds up the camera
// and the camera never holds up the ping thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

#include "core/latest_handoff.h"
#include "recording/bmp_image.h"

namespace vq {

using VideoClock = std::chrono::steady_clock;

// A frame as top-down 0xFFRRGGBB words.
struct VideoFrame {
    int width = 0;
    int height = 0;
    std::uint64_t number = 0;  // counts the frames delivered since the feed was made
    VideoClock::time_point time{};
    std::vector<std::uint32_t> pixels;
    Rgb32View View() const {
        return {pixels.data(), width, height, static_cast<std::size_t>(width)};
    }
    bool empty() const { return width <= 0 || height <= 0; }
};

// A frame as a complete 24-bit BMP file image (empty when the camera had none).
struct EncodedFrame {
    int width = 0;
    int height = 0;
    std::uint64_t number = 0;
    VideoClock::time_point time{};
    std::vector<std::uint8_t> bmp;
};

// Side lengths of the frames the recording stores: larger camera frames are reduced by a whole
// factor until they fit (the playback reader takes frames up to this size).
inline constexpr int kRecordFrameMaxWidth = 1920;
inline constexpr int kRecordFrameMaxHeight = 1080;

class VideoFeed {
  public:
    // --- camera side: one producer thread at a time ---
    // A new frame from the camera; copied, so the caller's buffer is free on return.
    void Deliver(const Rgb32View& picture);
    // The camera stopped: every consumer gets an empty frame, the format becomes 0 x 0.
    void Stop();

    // --- any thread ---
    bool running() const { return running_.load(std::memory_order_acquire); }
    // The size of the camera's frames, read as one pair (0 x 0 when stopped).
    void Format(int& width, int& height) const;
    std::uint64_t frames_delivered() const { return delivered_.load(std::memory_order_acquire); }
    // Bytes of the frame block a record carries for the current format (0 when stopped).
    std::uint32_t frame_block_bytes() const;

    // --- consumers: one thread each ---
    LatestHandOff<EncodedFrame>& record() { return record_; }
    LatestHandOff<VideoFrame>& preview() { return preview_; }
    LatestHandOff<VideoFrame>& clip() { return clip_; }

  private:
    void PublishCopy(LatestHandOff<VideoFrame>& to, const Rgb32View& p, VideoClock::time_point t);
    void PublishEncoded(const Rgb32View& p, VideoClock::time_point t);

    LatestHandOff<EncodedFrame> record_;
    LatestHandOff<VideoFrame> preview_;
    LatestHandOff<VideoFrame> clip_;
    std::vector<std::uint32_t> reduced_;  // producer's work buffer for oversized frames
    std::uint64_t number_ = 0;            // producer only
    std::atomic<bool> running_{false};
    std::atomic<std::uint64_t> format_{0};  // width << 32 | height
    std::atomic<std::uint64_t> delivered_{0};
};

// The whole factor by which a width x height frame is reduced to fit the recording's limits.
int RecordFrameReduction(int width, int height);

}  // namespace vq
