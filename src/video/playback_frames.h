// Camera frames found in a recording during playback, on their way from the thread that reads
// the records to the "Video Playback" window: the newest one, whole, without locks. A block
// that is not a 24-bit bitmap this program can show is not passed on.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "core/latest_handoff.h"
#include "core/window_rect.h"
#include "video/video_feed.h"

namespace vq {

class PlaybackFrames {
  public:
    // --- the thread that reads the records ---
    // The frame block read with a record; returns whether it was passed on.
    bool Publish(std::span<const std::uint8_t> block);
    // A new file: the window has nothing to show until the next frame.
    void Clear();

    // --- the GUI thread ---
    bool Take() { return frames_.Take(); }
    const EncodedFrame& front() const { return frames_.front(); }

    // --- any thread ---
    std::uint64_t frames_published() const { return published_.load(std::memory_order_acquire); }

  private:
    LatestHandOff<EncodedFrame> frames_;
    std::uint64_t number_ = 0;  // reader thread only
    std::atomic<std::uint64_t> published_{0};
};

// Where a video window goes: its outer rectangle over the lower right corner of the main
// window, its right edge 4 pixels inside the main window's right edge and its bottom on the
// main window's bottom.
// frame_width and frame_height are what the window system adds around a client area of the
// picture's size (borders and title bar).
WindowRect VideoWindowOuterRect(const WindowRect& main_outer, int picture_width, int picture_height,
                                int frame_width, int frame_height);

}  // namespace vq
