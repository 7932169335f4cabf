// A short video clip in an AVI file that common players open: MPEG-4 video through FFmpeg's
// libavformat and libavcodec. The file is written under a temporary name and takes its own
// name only when it is complete, so a failed capture never leaves a broken clip behind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "recording/bmp_image.h"

namespace vq {

inline constexpr const char* kClipFileName = "KPV16_CAPTURE.AVI";
inline constexpr int kClipFramesPerSecond = 15;
inline constexpr int kClipSeconds = 5;

class ClipWriter {
  public:
    ClipWriter();
    ~ClipWriter();  // abandons an unfinished clip
    ClipWriter(const ClipWriter&) = delete;
    ClipWriter& operator=(const ClipWriter&) = delete;

    // Starts a clip of width x height (odd sides lose their last pixel) at the given rate.
    bool Open(const std::filesystem::path& path, int width, int height, int frames_per_second,
              std::string* error);
    // Appends one frame, scaled to the clip's size when the camera's size changed.
    bool Add(const Rgb32View& frame, std::string* error);
    // Completes the file and gives it its name.
    bool Finish(std::string* error);
    // Drops the clip: nothing is left on the disk.
    void Abandon();

    bool is_open() const;
    int frames_written() const { return frames_; }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    struct Codec;
    bool Encode(bool flush, std::string* error);

    std::unique_ptr<Codec> codec_;
    std::filesystem::path path_;
    std::filesystem::path temp_;
    int width_ = 0;
    int height_ = 0;
    int frames_ = 0;
};

}  // namespace vq
