// Which live records carry a camera frame, and the frame they carry: one frame every K records
// (K from the recording rate and the measured ping period), always the newest frame the camera
// delivered. Runs on the ping thread; it never waits for the camera and allocates nothing.
//
// The ping period is the mean of the last kPeriodPings measured intervals: the head's pings
// come on a fixed schedule, and one ping that arrived late (with the next one early to make up
// for it) would otherwise change K twice and bunch or space out the frames.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "recording/vqs_format.h"
#include "video/video_feed.h"

namespace vq {

// A frame older than this is not stored: the camera has stopped delivering.
inline constexpr std::chrono::milliseconds kStaleFrameAge{2000};
inline constexpr int kPeriodPings = 8;

class RecordingFrames {
  public:
    // The camera feed (nullptr: no camera). May be changed while pings run.
    void set_feed(VideoFeed* feed) { feed_.store(feed, std::memory_order_release); }
    // A new recording starts: its first frame comes with its K-th record.
    void RestartCount() { schedule_.Reset(); }

    // Every live ping's measured interval in milliseconds (0: none measured yet).
    void NotePingInterval(int ms);
    // The period the frame rule uses: the mean of the last intervals noted, 0 when none.
    int period_ms() const;

    // For every record written live: the frame block to append after it, or nothing. Counts
    // records only while a camera delivers and frames are to be recorded (INI "RecordVideo").
    std::span<const std::uint8_t> FrameFor(bool record_video, float frames_per_second);
    std::uint64_t frames_given() const { return given_; }
    // How old a frame may be and still be stored (kStaleFrameAge unless a test says otherwise).
    void set_stale_after(VideoClock::duration age) { stale_after_ = age; }

  private:
    std::atomic<VideoFeed*> feed_{nullptr};
    VideoFrameSchedule schedule_;
    std::uint64_t given_ = 0;
    VideoClock::duration stale_after_ = kStaleFrameAge;
    std::array<int, kPeriodPings> intervals_{};  // ring of the last intervals
    int next_interval_ = 0;
    int intervals_noted_ = 0;
};

}  // namespace vq
