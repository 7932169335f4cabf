// Playback of a sonar recording through the same pipeline as live pings: one record per turn
// with the recorded or a fixed pace, looping at the end of the file; conversions write their
// outputs on the way and end (or go on with the next file of a batch) at the end of the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/ping_outputs.h"
#include "recording/conversion.h"
#include "recording/vqs_reader.h"

namespace vq {

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

    // One record: returns the milliseconds to wait before the next turn.
    int Turn(bool paced);
    // The end of the file was reached at least once since the last Open.
    bool reached_end() const { return reached_end_; }
    std::uint64_t records_processed() const { return processed_; }
    double progress() const;  // 0..1 through the file
    // The position bar: 1..99 percent of the file, then the next record start.
    bool Jump(int percent) { return file_.JumpToPercent(percent); }

    // Menu conversion of one or many files (up to 1000), one after the other.
    bool StartBatch(ConversionTarget target, std::vector<std::string> paths);
    bool batch_running() const { return batch_.running(); }

  private:
    void ApplyRecordedValues();
    void EndOfFile();
    void CloseOutputs();

    SettingsStore& store_;
    Operator& op_;
    PingPipeline& pipeline_;
    PingOutputs& outputs_;
    VqsPlaybackFile file_;
    BatchConversion batch_;
    bool converting_ = false;
    bool reached_end_ = false;
    std::uint64_t processed_ = 0;
    int live_points_switch_ = -1;  // the head's sample-count setting before playback changed it
};

}  // namespace vq
