// Playback of a sonar recording through the same pipeline as live pings: one record per turn
// with the recorded or a fixed pace, looping at the end of the file; conversions write their
// outputs on the way and end (or go on with the next file of a batch) at the end of the file.
// The driver belongs to the thread that plays the recording (PlaybackSource); other threads
// read what it is doing from snapshot().
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "pipeline/ping_outputs.h"
#include "recording/conversion.h"
#include "recording/vqs_reader.h"
#include "video/playback_frames.h"

namespace vq {

// What the "Playback" window and the command line show of playback.
struct PlaybackSnapshot {
    bool open = false;
    std::string file;                  // the recording being played, "" when none
    double progress = 0.0;             // 0..1 through the file
    std::uint64_t records = 0;         // records handed to the pipeline since start-up
    std::uint64_t ends = 0;            // how often the end of a file was reached
    std::uint64_t records_at_end = 0;  // `records` when the end was last reached
    bool batch_running = false;
};

class PlaybackDriver {
  public:
    PlaybackDriver(SettingsStore& store, Operator& op, PingPipeline& pipeline,
                   PingOutputs& outputs);

    // Opens a recording for plain viewing (messages and title on failure).
    bool Open(const std::filesystem::path& path);
    // Opens a recording for conversion with the given outputs; every record is converted.
    bool OpenForConversion(const std::filesystem::path& path,
                           const std::vector<ConversionOutput>& outputs);
    void Close();
    bool is_open() const { return file_.is_open(); }
    const VqsPlaybackFile& file() const { return file_; }
    // A command-line conversion reads nothing after the end of its file.
    void set_stop_at_end(bool on) { stop_at_end_ = on; }
    // Conversions read every next record ahead (from a second reader of the same file) and
    // hand its ping to the pipeline with the current one, for forming its beams ahead.
    void set_lookahead(bool on) { lookahead_ = on; }
    // Where the camera frames found in the recording go (the "Video Playback" window); set
    // once before playback runs. Conversions pass none on.
    void set_frames(PlaybackFrames* frames) { frames_ = frames; }
    // Whether there is a record to read next.
    bool wants_turn() const { return file_.is_open() && !stopped_at_end_; }

    // One record: returns the milliseconds to wait before the next turn.
    int Turn(bool paced);
    // The position bar: 1..99 percent of the file, then the next record start.
    bool Jump(int percent);

    // Menu conversion of one or many files (up to 1000), one after the other.
    bool StartBatch(ConversionTarget target, std::vector<std::string> paths);
    bool batch_running() const { return batch_.running(); }

    // Any thread: what playback is doing now, without waiting for the reading thread.
    PlaybackSnapshot snapshot() const;
    // Any thread: waits until the end of a file has been reached `ends` times.
    bool WaitForEnd(std::uint64_t ends, std::chrono::milliseconds timeout) const;

  private:
    void ApplyRecordedValues();
    void EndOfFile();
    void CloseOutputs();
    void PublishFile();
    void PublishPosition();

    SettingsStore& store_;
    Operator& op_;
    PingPipeline& pipeline_;
    PingOutputs& outputs_;
    VqsPlaybackFile file_;
    VqsPlaybackFile next_;  // the reader ahead (lookahead)
    bool lookahead_ = false;
    BatchConversion batch_;
    bool converting_ = false;
    bool stop_at_end_ = false;
    bool stopped_at_end_ = false;
    int live_points_switch_ = -1;  // the head's sample-count setting before playback changed it
    PlaybackFrames* frames_ = nullptr;

    // Published for other threads: the file under a short lock (changed only when a file
    // opens or closes), the counts as atomics.
    mutable std::mutex status_m_;
    mutable std::condition_variable end_cv_;
    std::string status_file_;
    bool status_open_ = false;
    bool status_batch_ = false;
    std::atomic<std::uint64_t> position_{0}, size_{0};
    std::atomic<std::uint64_t> records_{0}, ends_{0}, records_at_end_{0};
};

}  // namespace vq
