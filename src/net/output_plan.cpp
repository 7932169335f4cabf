#include "net/output_plan.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vq {

PingOutputPlan PlanPingOutput(const PingOutputInputs& in) {
    PingOutputPlan p;
    if (in.display_type == 4) return p;
    if (in.detection) {
        p.count_for_points = true;
        p.write_point_file = in.point_file_open;
        p.send_point = in.data_output_type == 1;
    }
    if (in.data_output_type == 2 && in.beam_output) {
        p.count_for_beams = true;
        p.write_beam_file = in.beam_file_open;
        p.send_beam = true;
    } else if (in.data_output_type == 3) {
        p.count_for_beams = true;  // counted like beams, but only the keep-alive leaves
    }
    return p;
}

double BeamOutputWaitMs(double beam_forming_ms, double drawing_ms) {
    double d = 60.0 - (beam_forming_ms + drawing_ms);
    if (!(d > 0.0)) return 0.0;
    return std::min(d + 10.0, 60.0);
}

double PaceBeamOutput(double beam_forming_ms, double drawing_ms) {
    double ms = BeamOutputWaitMs(beam_forming_ms, drawing_ms);
    if (ms > 0.0) {
        auto until = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double, std::milli>(ms));
        std::this_thread::sleep_until(until);
    }
    return ms;
}

}  // namespace vq
