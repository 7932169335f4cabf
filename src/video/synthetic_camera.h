// A camera without hardware: a moving test pattern (scrolling colour bars, a bouncing square)
// with the frame's number twice, as digits for the eye and as a strip of 32 black and white
// cells along the top edge (most significant bit first) for a program. It stands in for a real
// camera with --simulate and in the tests, delivering at a camera's pace into a VideoFeed.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "recording/bmp_image.h"
#include "video/video_feed.h"

namespace vq {

struct CameraFormat {
    int width = 0;
    int height = 0;
    friend bool operator==(const CameraFormat&, const CameraFormat&) = default;
};

// Draws frame number n of the pattern into a width x height picture (top-down 0xFFRRGGBB,
// stride = width).
void RenderTestPattern(std::uint32_t* pixels, int width, int height, std::uint64_t n);
// The number of the code strip, or nothing when the top rows hold no such strip.
std::optional<std::uint32_t> ReadTestPatternNumber(const Rgb32View& picture);

class SyntheticCamera {
  public:
    // The formats it offers, the first one by default.
    static constexpr std::array<CameraFormat, 3> kFormats = {
        CameraFormat{320, 240}, CameraFormat{640, 480}, CameraFormat{176, 144}};
    static constexpr std::chrono::milliseconds kFramePeriod{66};

    explicit SyntheticCamera(VideoFeed& feed) : feed_(feed) {}
    ~SyntheticCamera() { Stop(); }
    SyntheticCamera(const SyntheticCamera&) = delete;
    SyntheticCamera& operator=(const SyntheticCamera&) = delete;

    // Starts (or restarts with a new format) delivering one frame per period.
    void Start(CameraFormat format, std::chrono::milliseconds period = kFramePeriod);
    // Stops delivering; the feed then has no frame.
    void Stop();
    bool running() const { return thread_.joinable(); }
    CameraFormat format() const { return format_; }

  private:
    void Run(CameraFormat format, std::chrono::milliseconds period);

    VideoFeed& feed_;
    CameraFormat format_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;  // guarded by mutex_
};

}  // namespace vq
