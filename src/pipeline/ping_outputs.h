// The output steps of every processed ping: point, beam, XTF, CSV and XYZ records to their files,
// point and beam datagrams (or the keep-alive) to the network, and the live recording. Runs
// on the ping thread, which alone opens, writes and closes the files (the engine posts the
// operator's commands to it); other threads read the recording state from
// Recording().snapshot().
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "net/control.h"
#include "net/udp_output.h"
#include "pipeline/pipeline.h"
#include "recording/point_record.h"
#include "recording/recording_control.h"
#include "recording/sounding_files.h"
#include "recording/time_stamp.h"
#include "recording/vqs_format.h"
#include "recording/xtf_writer.h"
#include "sensors/nav_state.h"
#include "video/frame_recorder.h"

namespace vq {

// The local date and time now, as the time stamp texts of a ping.
PingTimeStamp LocalTimeStamp();

class PingOutputs final : public PipelineOutputs {
  public:
    PingOutputs(SettingsStore& store, Operator& op);

    // Ping thread only, except snapshot().
    RecordingControl& Recording() { return rec_; }
    const RecordingControl& Recording() const { return rec_; }
    TimeStampHistory& History() { return history_; }
    void set_udp(UdpOutput* udp) { udp_ = udp; }
    // External control: the event flag goes into the next point record; the status box is
    // refreshed every tenth ping. Its state is made of atomics: no lock is needed.
    void set_control(ControlState* control) { control_ = control; }
    // Where the position of a live ping comes from (the GPS state, which has its own lock).
    // Set once before pings run.
    void set_nav(const NavState* nav) { nav_state_ = nav; }
    // Playback: the values restored from the record being processed (nullptr live).
    // Set by the thread that switches the data source, possibly while the link thread still
    // finishes a live ping: the pipeline takes it over once at the start of each ping.
    void set_playback_record(const RecordedValues* values) {
        next_played_.store(values, std::memory_order_release);
    }
    // The camera frames that go into live records (one every K records); its feed is set
    // once before pings run.
    RecordingFrames& Frames() { return frames_; }
    void StartXtf() { xtf_.StartFile(); }
    void StartSoundings() { soundings_.Start(); }
    std::uint64_t records_written() const { return records_written_; }

    void OnPingProcessed(PingPipeline& p, const std::uint8_t* ping, std::size_t length,
                         const PingInput& input) override;
    void OnPingDone(PingPipeline& p, bool header_valid) override;

  private:
    PingTimeStamp StampOf(const PingInput& input) const;
    OutputRecordHeader MakeHeader(const PingPipeline& p, const PingTimeStamp& ts) const;
    PointRecordInputs MakePointInputs(const PingPipeline& p, const PingTimeStamp& ts);
    RecordSettings MakeRecordSettings(const PingPipeline& p) const;
    void WriteAndSend(PingPipeline& p, const PingTimeStamp& ts);
    void WriteBeams(PingPipeline& p, const OutputRecordHeader& h, bool write_file, bool send);
    void WriteXtfAndCsv(PingPipeline& p, const PingTimeStamp& ts);
    const std::uint8_t* BeamRows(const PingPipeline& p, std::size_t& stride);

    SettingsStore& store_;
    Operator& op_;
    RecordingControl rec_;
    TimeStampHistory history_;
    PointRecordBuilder point_;
    BeamRecordBuilder beam_;
    XtfBuilder xtf_;
    SoundingFiles soundings_;
    UdpOutput* udp_ = nullptr;
    ControlState* control_ = nullptr;
    const NavState* nav_state_ = nullptr;
    std::atomic<const RecordedValues*> next_played_{nullptr};
    const RecordedValues* played_ = nullptr;  // of the ping being processed (pipeline thread)
    RecordNav nav_;
    std::vector<std::uint8_t> beam_rows_;  // 480 x 1000 bytes for 1000-sample beam records
    std::uint64_t records_written_ = 0;
    RecordingFrames frames_;
    bool was_recording_ = false;  // a new recording restarts the frame count
};

}  // namespace vq
