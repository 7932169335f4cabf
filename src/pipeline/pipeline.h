// Every complete ping, live or played back, passes through PingPipeline::Process in a fixed
// order: header check and adoption, beam forming with profile detection, image formation,
// hand-over of the picture to the GUI, outputs, diagnostics. The pipeline owns the processing
// state of the ping thread; other threads talk to it only through the settings store and the
// atomic requests below, which it takes over before the next ping. One thread at a time runs
// it: the source that runs binds it to its thread, and a call from any other thread is a
// fault (counted, and an assertion in debug builds).
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <thread>

#include "core/operator.h"
#include "core/settings_store.h"
#include "core/work_split.h"
#include "display/picture_handoff.h"
#include "display/sonar_picture.h"
#include "dsp/beam_former.h"
#include "pipeline/header_check.h"
#include "pipeline/ping_record.h"
#include "profile/profile_processor.h"
#include "windows/altitude.h"
#include "windows/strip_lines.h"

namespace vq {

class PingPipeline;

// What the source of a ping tells the pipeline about it.
struct PingInput {
    ParseContext context;             // playback flag, recording version, packet size
    double recorded_interval_ms = 0;  // playback: the recorded ping interval
    int recorded_frequency_khz = 0;   // playback: the recorded operating frequency
    std::chrono::steady_clock::time_point last_packet_time{};  // live: arrival of the ping
    // A conversion that has read the next ping already: its bytes and context (empty when
    // unknown), for forming its beams ahead (set_speculation).
    std::span<const std::uint8_t> next_ping;
    ParseContext next_context;
};

// The steps that write or send a processed ping (recording, point and beam files, UDP). The
// engine implements them; each is called on the ping thread.
class PipelineOutputs {
  public:
    virtual ~PipelineOutputs() = default;
    // After the picture of a valid ping was drawn (not for invalid headers).
    virtual void OnPingProcessed(PingPipeline& pipeline, const std::uint8_t* ping,
                                 std::size_t length, const PingInput& input) = 0;
    // At the end of every ping, valid or not (diagnostics, status read-outs).
    virtual void OnPingDone(PingPipeline& pipeline, bool header_valid) = 0;
};

struct PipelineStats {
    std::uint64_t pings = 0;         // pings handed to Process
    std::uint64_t processed = 0;     // pings with a valid header that were drawn
    std::uint64_t invalid = 0;       // pings not processed for their header
    std::uint64_t formed_ahead = 0;  // pings whose beams were formed ahead (set_speculation)
    double beamforming_ms = 0.0;     // of the last ping
    double drawing_ms = 0.0;
    double latency_ms = 0.0;  // last packet to picture handed over (live)
};

class PingPipeline {
  public:
    PingPipeline(SettingsStore& store, Operator& op, PictureHandOff& pictures);
    PingPipeline(const PingPipeline&) = delete;
    PingPipeline& operator=(const PingPipeline&) = delete;

    void set_outputs(PipelineOutputs* outputs) { outputs_ = outputs; }

    // The ping thread: a source binds the pipeline to its thread when it starts and unbinds it
    // when it ends. While unbound (nothing runs pings) any one thread may use it.
    void BindToCurrentThread() { owner_.store(std::this_thread::get_id()); }
    void Unbind() { owner_.store(std::thread::id()); }
    // Calls of Process or TakeOverRequests from a thread other than the bound one.
    std::uint64_t thread_violations() const { return thread_violations_.load(); }
    // The thread of the last Process call.
    std::thread::id last_thread() const { return last_thread_.load(); }
    // Sleep of 50 ms after an invalid header (off in tests that count invalid pings quickly).
    void set_invalid_header_wait_ms(int ms) { invalid_wait_ms_ = ms; }
    // Whether anyone sees the picture. A command-line conversion shows none: the scan
    // conversion, the display tables and the hand-over of the picture are skipped, while the
    // beams, the byte image, the profile, the sidescan line and every output stay as they are.
    // Set before pings run.
    void set_picture_wanted(bool on) { picture_wanted_ = on; }
    // Threads to share the beam forming of every ping with (nullptr: the ping thread alone);
    // the beams are the same. Set before pings run.
    void set_work_split(WorkSplit* split) {
        split_ = split;
        bf_.set_work_split(split);
    }
    // With a work split of 2 or more threads and the next ping in PingInput: form that ping's
    // beams on the helper threads while this ping's detection and outputs run. The beams are
    // used only when they are exactly those the next ping forms (see BeamFormer::Speculate).
    void set_speculation(bool on) { speculate_ = on; }

    // One complete ping (the PingBuffer bytes).
    void Process(const std::uint8_t* ping, std::size_t length, const PingInput& input);

    // Requests from other threads, taken over before the next ping (TakeOverRequests).
    void RequestDisplayMode(int mode) { requested_mode_.store(mode); }
    void RequestOperatingPoint(bool force) {
        if (force) force_apply_.store(true);
        apply_requested_.store(true);
    }
    void RequestClear() { clear_requested_.store(true); }
    void RequestColors() { colors_requested_.store(true); }
    void RequestAveragingReset() { avg_reset_requested_.store(true); }
    // Grid, units, colours or other display settings changed: rebuild the display tables.
    void RequestDisplayRebuild() { display_requested_.store(true); }
    // "&Remove Background" on (0) or off (1); "Build Reference" (2), "Store Reference" (3).
    void RequestBackground(int action) { background_request_.store(action); }
    // The detection threshold (percent) and blanking (metres) set by external control.
    void RequestProfileThreshold(int percent) { threshold_request_.store(percent); }
    void RequestProfileBlanking(float metres) { blanking_request_.store(metres); }
    // Runs the pending requests now; called on the ping thread (the link's cycle step at
    // packet 0, a task posted in playback) and at the start of every Process.
    void TakeOverRequests();

    int active_mode() const { return active_mode_.load(); }
    double ping_interval_ms() const { return ping_interval_ms_; }  // ping thread only
    // How often the geometry was set up (the operating point applied with a change).
    std::uint64_t geometry_setups() const { return setups_.load(); }
    // Applies the operating point with frequency f now (ping thread): nothing happens when f
    // and the range offset equal the applied ones; an applied frequency of -1 forces it.
    void ApplyOperatingPointNow(int frequency_khz) { ApplyOperatingPoint(frequency_khz); }
    PipelineStats stats() const;
    std::uint64_t processed() const { return processed_.load(); }

    // The state of the last ping, for the output steps (ping thread only).
    const SettingsState& snapshot() const { return snap_; }
    const PingParser& parser() const { return parser_; }
    const BeamFormer& beam_former() const { return bf_; }
    const ProfileProcessor& Profile() const { return profile_; }
    ProfileProcessor& Profile() { return profile_; }
    const SonarPicture& Picture() const { return picture_; }
    SonarPicture& Picture() { return picture_; }
    const StripLines& lines() const { return lines_; }
    const AltitudeEstimator& altitude() const { return altitude_; }
    const HeaderCheckResult& header() const { return check_; }
    const PingFormat& format() const { return format_; }

  private:
    class ProfileHook final : public FormedBeamsHook {
      public:
        explicit ProfileHook(PingPipeline& p) : p_(p) {}
        void OnFormed(BeamData& beams, const BeamGeometry& geometry) override;
        void OnReset() override;

      private:
        PingPipeline& p_;
    };

    void CheckThread();
    bool CheckAndAdopt(const PingInput& input);
    void ApplyOperatingPoint(int frequency_khz);
    void ApplyDisplayMode();
    void FormAndDraw(const PingInput& input);
    void DrawImage(const PingInput& input);
    void Publish(const PingInput& input);
    DisplayParams MakeDisplayParams() const;
    float RangeSpan() const;

    SettingsStore& store_;
    Operator& op_;
    PictureHandOff& pictures_;
    PipelineOutputs* outputs_ = nullptr;
    int invalid_wait_ms_ = 50;

    SettingsState snap_;  // this ping's settings
    PingParser parser_;
    PingParser next_parser_;  // the next ping, parsed for speculation
    HeaderCheckResult check_;
    PingFormat format_;
    PingFormat setup_format_;  // the format the geometry was set up for
    BeamFormer bf_;
    ProfileHook hook_{*this};
    ProfileProcessor profile_;
    SonarPicture picture_;
    StripLines lines_;
    AltitudeEstimator altitude_;
    bool geometry_ready_ = false;
    bool display_ready_ = false;
    bool picture_wanted_ = true;
    WorkSplit* split_ = nullptr;
    bool speculate_ = false;
    std::chrono::steady_clock::time_point last_ping_time_{};
    double ping_interval_ms_ = 0.0;

    std::atomic<int> requested_mode_{-1};
    std::atomic<int> active_mode_{0};
    std::atomic<bool> apply_requested_{false};
    std::atomic<bool> force_apply_{false};
    std::atomic<bool> clear_requested_{false};
    std::atomic<bool> colors_requested_{false};
    std::atomic<bool> avg_reset_requested_{false};
    std::atomic<bool> display_requested_{false};
    std::atomic<int> background_request_{-1};
    std::atomic<int> threshold_request_{-1};
    std::atomic<float> blanking_request_{-1.0f};
    std::atomic<std::uint64_t> pings_{0}, processed_{0}, invalid_{0}, setups_{0}, formed_ahead_{0};
    std::atomic<std::thread::id> owner_{};
    std::atomic<std::thread::id> last_thread_{};
    std::atomic<std::uint64_t> thread_violations_{0};
    std::atomic<double> beamforming_ms_{0.0}, drawing_ms_{0.0}, latency_ms_{0.0};
};

}  // namespace vq
