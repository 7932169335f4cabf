#include "video/clip_capture.h"

#include <chrono>

namespace vq {

ClipCapture::~ClipCapture() {
    RequestStop();
    Reap();
}

bool ClipCapture::running() const {
    std::lock_guard lock(mutex_);
    return !finished_;
}

void ClipCapture::Reap() {
    if (thread_.joinable()) thread_.join();
}

bool ClipCapture::Start(const std::filesystem::path& path, std::string* error,
                        int frames_per_second, int frames) {
    if (running()) {
        if (error) *error = "a clip is being captured";
        return false;
    }
    Reap();
    feed_.clip().Take();
    const VideoFrame& first = feed_.clip().front();
    if (first.empty()) {
        if (error) *error = "the camera delivers no picture";
        return false;
    }
    if (!writer_.Open(path, first.width, first.height, frames_per_second, error)) return false;
    {
        std::lock_guard lock(mutex_);
        stop_ = false;
        finished_ = false;
        reported_ = false;
        result_ = ClipResult{};
        result_.path = path;
    }
    thread_ = std::thread([this, frames_per_second, frames] { Run(frames_per_second, frames); });
    return true;
}

void ClipCapture::RequestStop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
}

void ClipCapture::Run(int frames_per_second, int frames) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const std::chrono::duration<double> period(1.0 / frames_per_second);
    std::string error;
    bool ok = true;
    for (int n = 0; n < frames && ok; ++n) {
        // The picture of the moment the clip started is always in it, however soon it ends.
        if (n > 0) {
            std::unique_lock lock(mutex_);
            const auto due = start + std::chrono::duration_cast<Clock::duration>(n * period);
            if (wake_.wait_until(lock, due, [this] { return stop_; })) break;
        }
        feed_.clip().Take();
        const VideoFrame& f = feed_.clip().front();
        if (f.empty()) break;  // the camera stopped: keep what there is
        ok = writer_.Add(f.View(), &error);
    }
    const int written = writer_.frames_written();
    if (ok && written == 0) {
        writer_.Abandon();
        ok = false;
        error = "the camera delivered no picture";
    } else if (ok) {
        ok = writer_.Finish(&error);
    } else {
        writer_.Abandon();
    }
    ClipResult r;
    {
        std::lock_guard lock(mutex_);
        result_.ok = ok;
        result_.frames = ok ? written : 0;
        result_.error = error;
        finished_ = true;
        r = result_;
    }
    wake_.notify_all();
    if (on_done_) on_done_(r);
    {
        std::lock_guard lock(mutex_);
        reported_ = true;
    }
    wake_.notify_all();
}

ClipResult ClipCapture::Wait() {
    // The result counts once the done callback has been told too.
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return finished_ && reported_; });
    return result_;
}

}  // namespace vq
