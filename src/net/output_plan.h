// The output stage of each ping: which records are written and sent, and the pacing that keeps
// beam records from leaving faster than the link carries them. Pure functions; the pipeline
// does the work.
#pragma once

namespace vq {

struct PingOutputInputs {
    int display_type = 0;          // 4 = beam test: no output at all
    bool detection = false;        // "ProfilePointDetection"
    int data_output_type = 0;      // "DataOutputType": 1 points, 2 beams, 3 count only
    bool beam_output = false;      // the beam-output flag
    bool point_file_open = false;  // a .Q4P file is being written
    bool beam_file_open = false;   // a .Q4B file is being written
};

struct PingOutputPlan {
    bool count_for_points = false;  // advance the output ping number before the point record
    bool write_point_file = false;
    bool send_point = false;
    bool count_for_beams = false;  // advance it unless the point record already did
    bool write_beam_file = false;
    bool send_beam = false;  // after the pacing wait
};

PingOutputPlan PlanPingOutput(const PingOutputInputs& in);

// Milliseconds to wait before sending a beam record: d = 60 - (beam forming + drawing);
// min(d + 10, 60) when d > 0, else 0.
double BeamOutputWaitMs(double beam_forming_ms, double drawing_ms);

// Waits BeamOutputWaitMs(...) on a steady clock and returns the wait asked for.
double PaceBeamOutput(double beam_forming_ms, double drawing_ms);

}  // namespace vq
