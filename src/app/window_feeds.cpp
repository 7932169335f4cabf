// The secondary windows' share of every ping, on the ping thread.
#include "app/window_feeds.h"

#include "core/range_table.h"
#include "core/utm.h"

namespace vq {

TrackOptions TrackOptionsFor(const Settings& s) {
    TrackOptions o;
    o.display_swath = s.DisplaySwathCoverage != 0;
    o.swath_across_heading = s.SwathCoverageHeading != 0;
    o.zoom = s.TrackPlotterZoom;
    o.profile_detection = s.ProfilePointDetection == 1;
    o.playback = s.RunMode == 1;
    return o;
}

void WindowFeeds::OnPingProcessed(PingPipeline& p, const std::uint8_t* ping, std::size_t length,
                                  const PingInput& input) {
    outputs_.OnPingProcessed(p, ping, length, input);
    // The swath of this ping's profile goes with the next fix the track plotter stores.
    const SwathTrace& trace = p.Picture().swath();
    SwathState swath;
    swath.points_drawn = trace.drawn;
    swath.port_extent = trace.drawn ? trace.left : kSwathNoPointPort;
    swath.stbd_extent = trace.drawn ? trace.right : kSwathNoPointStbd;
    swath.range_span = RangeSpanMeters(p.snapshot().s.Range, p.snapshot().head.fine_resolution);
    track_.set_swath_state(swath);
    // In playback there is no link to time, and the recorded position is the fix.
    if (input.context.playback) sonar_ms_ = packet_ms_ = 0.0;
    if (input.context.playback && playback_.is_open()) {
        const RecordedValues& v = playback_.file().Values();
        if (v.position_valid) {
            const UtmPosition u = ToUtm(v.lat_deg, v.lon_deg);
            track_.AddFix({u.northing, u.easting, 0, v.speed_kn, v.course_deg, v.heading_deg});
        }
    }
}

void WindowFeeds::OnPingDone(PingPipeline& p, bool header_valid) {
    outputs_.OnPingDone(p, header_valid);
    DiagnosticsValues& d = p.secondary_frame().diagnostics;
    d.sonar_time_ms = sonar_ms_;
    d.packet_time_ms = packet_ms_;
    const Settings& s = p.snapshot().s;
    const NavSnapshot nav = nav_.snapshot();
    d.pitch_deg = s.PitchOffset;
    d.roll_deg = s.RollOffset;
    d.heading_deg = nav.heading_valid ? nav.heading_deg : 0.0f;
    d.depth_m = s.SonarDepthMeters;
    d.heave_m = 0.0f;
    d.bytes_out = udp_.last_send_result();
}

}  // namespace vq
