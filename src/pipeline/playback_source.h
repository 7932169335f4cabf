// A recording as a source of pings: a thread of its own reads one record after the other and
// hands each ping to the pipeline, paced like the head that recorded them (the recorded ping
// interval less the time spent forming and drawing the ping, or the fixed playback delay),
// looping at the end of the file. The hold pauses it; the work posted to its task queue
// (opening a file, a jump, copy and output files) runs on it between records.
#pragma once

#include <atomic>
#include <thread>

#include "core/ping_source.h"
#include "core/task_queue.h"
#include "pipeline/playback.h"

namespace vq {

class PlaybackSource final : public PingSource {
  public:
    PlaybackSource(PlaybackDriver& driver, PingPipeline& pipeline, TaskQueue& tasks);
    ~PlaybackSource() override { Stop(); }
    PlaybackSource(const PlaybackSource&) = delete;
    PlaybackSource& operator=(const PlaybackSource&) = delete;

    bool Start() override;
    void Stop() override;
    bool running() const override { return thread_.joinable(); }

    // Hold: nothing is read (the thread looks again every 50 ms, and at once on release).
    void set_hold(bool on);
    // Unpaced, records follow each other as fast as the pipeline allows (command-line
    // conversions).
    void set_paced(bool on) { paced_.store(on); }

  private:
    void Run();
    // Waits `ms` after a record; posted work runs meanwhile, the hold or a stop end it.
    void Pace(int ms);

    PlaybackDriver& driver_;
    PingPipeline& pipeline_;
    TaskQueue& tasks_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> hold_{false};
    std::atomic<bool> paced_{true};
};

}  // namespace vq
