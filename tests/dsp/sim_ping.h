// Test helpers: a command packet written field by field, ping buffers from the simulated
// head, and the chain parse -> header check -> adoption -> beam forming the pipeline runs.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/settings_store.h"
#include "dsp/beam_former.h"
#include "pipeline/header_check.h"
#include "pipeline/ping_record.h"
#include "sim/sim_head.h"

namespace vq::test {

struct CommandSpec {
    int format = 11;  // 10 = 8-bit, 11 = 16-bit
    int points = 500;
    bool reduced = false;  // 2892-byte packets
    float span_m = 50.0f;
    float offset_m = 0.0f;
    float frequency_hz = 260000.0f;
    float absorption = 0.065f;
    float pulse_s = 300e-6f;
    float resolution_m = 0.01f;
    int gain_db = 6;
    std::uint32_t filter = 9;
    std::uint32_t packet_size() const { return reduced ? 2892u : 8676u; }
};

inline void PutLe(std::vector<std::uint8_t>& b, std::size_t o, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[o + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void PutF(std::vector<std::uint8_t>& b, std::size_t o, float f) {
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    PutLe(b, o, v, 4);
}

inline std::vector<std::uint8_t> MakeCommand(const CommandSpec& c) {
    std::vector<std::uint8_t> b(1152, 0);
    b[0] = 'T';
    b[1] = 'M';
    b[2] = 'N';
    b[3] = 'D';
    PutLe(b, 4, 1, 2);
    PutLe(b, 12, c.packet_size(), 4);
    PutLe(b, 16, static_cast<std::uint32_t>(c.format), 2);
    PutF(b, 128 + 8, c.span_m);
    PutF(b, 128 + 12, c.offset_m);
    PutF(b, 128 + 16, c.frequency_hz);
    PutF(b, 128 + 20, c.absorption);
    PutF(b, 128 + 24, c.pulse_s);
    PutLe(b, 128 + 32, static_cast<std::uint32_t>(c.points), 2);
    b[128 + 34] = c.format == 10 ? 8 : 16;
    PutLe(b, 128 + 36, c.filter, 4);
    PutF(b, 128 + 40, c.resolution_m);
    PutLe(b, 128 + 44, static_cast<std::uint32_t>(c.gain_db), 2);
    return b;
}

// A scene of point targets only (no seabed, little noise).
inline sim::Scene TargetScene(std::vector<sim::PointTarget> targets) {
    sim::Scene s;
    s.seabed = false;
    s.cylinder = false;
    s.drift_m_per_ping = 0.0f;
    s.water_noise = 0.001f;
    s.receiver_noise = 0.001f;
    s.targets = std::move(targets);
    return s;
}

inline std::vector<std::uint8_t> SimPing(const sim::Options& o, const CommandSpec& c,
                                         std::uint64_t ping = 0,
                                         std::vector<std::uint8_t>* samples = nullptr) {
    return sim::BuildPingBufferOffline(o, MakeCommand(c), ping, samples);
}

// Runs one live ping through parse, header check, adoption and beam forming.
struct Chain {
    PingParser parser;
    BeamFormer former;
    SettingsState st;
    HeaderCheckResult check;
    PingFormat format;

    Chain() {
        st.s.AvgFilter = 0;
        st.s.DisplayGain = 50;
        st.s.ProcessingMode = 1;
    }
    bool Parse(const std::vector<std::uint8_t>& buf, const CommandSpec& c) {
        ParseContext ctx;
        ctx.packet_size = c.packet_size();
        if (!parser.Parse(buf.data(), buf.size(), ctx)) return false;
        check = CheckHeader(parser.Record(), parser.Legacy(), CheckContext{}, st);
        if (!check.valid) return false;
        format.data_format = check.data_format;
        format.bits = check.sample_bits;
        format.num_elements = check.num_elements;
        format.num_samples = check.num_samples;
        format.special_gain_curve = check.special_gain_curve;
        return true;
    }
    // Adopts the head type, then sets up the geometry for the current settings.
    void Adopt() { AdoptHeadType(check.head_type_index, false, 0, st); }
    void Setup() { former.Setup(st, format); }
    void Form() {
        former.Unpack(parser.samples(), parser.gathered_bytes(), format, st.s.Xdcr, false);
        former.Form(st, format);
    }
};

}  // namespace vq::test
