// What the secondary windows need beyond the pipeline's own frame, added on the ping thread
// around the output steps: the link's timings, attitude, addresses and the last UDP send for
// the "Diagnostics" window, the profile's swath for the track plotter, and in playback the
// recorded position as the track plotter's next fix.
#pragma once

#include <cstddef>
#include <cstdint>

#include "net/udp_output.h"
#include "pipeline/ping_outputs.h"
#include "pipeline/playback.h"
#include "sensors/nav_state.h"
#include "windows/track_model.h"

namespace vq {

class WindowFeeds final : public PipelineOutputs {
  public:
    WindowFeeds(PingOutputs& outputs, TrackModel& track, const NavState& nav, const UdpOutput& udp,
                PlaybackDriver& playback)
        : outputs_(outputs), track_(track), nav_(nav), udp_(udp), playback_(playback) {}

    // The live link's times of the ping about to be processed (ping thread).
    void set_link_times(double sonar_ms, double packet_ms) {
        sonar_ms_ = sonar_ms;
        packet_ms_ = packet_ms;
    }

    void OnPingProcessed(PingPipeline& p, const std::uint8_t* ping, std::size_t length,
                         const PingInput& input) override;
    void OnPingDone(PingPipeline& p, bool header_valid) override;

  private:
    PingOutputs& outputs_;
    TrackModel& track_;
    const NavState& nav_;
    const UdpOutput& udp_;
    PlaybackDriver& playback_;
    double sonar_ms_ = 0.0;
    double packet_ms_ = 0.0;
};

// The track plotter's options from the settings and the data source.
TrackOptions TrackOptionsFor(const Settings& s);

}  // namespace vq
