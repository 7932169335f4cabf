// Captures the clip of the "Video" menu: the camera's newest frame fifteen times a second for
// five seconds into "KPV16_CAPTURE.AVI", on a thread of its own so the window and the pings go
// on meanwhile. The operator can end it early (Escape or a left click); what was captured up
// to then is kept. A camera slower than the clip repeats its last frame, so the clip always
// plays at its nominal rate.
#pragma once

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "video/clip_writer.h"
#include "video/video_feed.h"

namespace vq {

struct ClipResult {
    bool ok = false;
    int frames = 0;
    std::filesystem::path path;
    std::string error;  // why the clip failed
};

class ClipCapture {
  public:
    explicit ClipCapture(VideoFeed& feed) : feed_(feed) {}
    ~ClipCapture();  // ends a running capture early and completes its file
    ClipCapture(const ClipCapture&) = delete;
    ClipCapture& operator=(const ClipCapture&) = delete;

    // Called on the capture thread when a clip has ended (completed, ended early or failed).
    void set_on_done(std::function<void(const ClipResult&)> f) { on_done_ = std::move(f); }
    // Starts a clip of frames x (1 / frames_per_second) seconds of the camera's pictures.
    // Fails at once when a clip is running, the camera has no picture or the file cannot be
    // made.
    bool Start(const std::filesystem::path& path, std::string* error,
               int frames_per_second = kClipFramesPerSecond,
               int frames = kClipFramesPerSecond * kClipSeconds);
    // Escape or a left click: the clip ends with the frames captured so far.
    void RequestStop();
    bool running() const;
    // Waits for the running clip to end and returns its result (the last result when none
    // runs).
    ClipResult Wait();

  private:
    void Run(int frames_per_second, int frames);
    void Reap();

    VideoFeed& feed_;
    ClipWriter writer_;
    std::function<void(const ClipResult&)> on_done_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;     // guarded by mutex_
    bool finished_ = true;  // guarded by mutex_
    bool reported_ = true;  // the done callback has returned; guarded by mutex_
    ClipResult result_;     // guarded by mutex_
};

}  // namespace vq
