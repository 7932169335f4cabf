#include "sim/head_profile.h"

#include <cstring>

#include "sim/le_bytes.h"

namespace vq::sim {

namespace {

// Receiver transducer types are chosen so that (type - 1) selects the right model code in the
// program's head type table: 5 -> index 4 (model 4, 260 kHz), 8 -> index 7 (model 5, 120 kHz),
// 3 -> index 2 (model 11, 675 kHz), 19 -> index 18 (model 17, 675 kHz fine resolution).
// Sonar code and transmitter type give the range-index limits: code 2 -> 2..11,
// code 3 with tx type 10 -> 2..14, code 6 with tx type 16 -> 2..12.
constexpr HeadProfile kStandard{HeadKind::Standard260,
                                "VQ-SIM 260 Standard",
                                2601,
                                2611,
                                2621,
                                2,
                                260000.0f,
                                260000.0f,
                                260000.0f,
                                5.0f,
                                150.0f,
                                5,
                                5,
                                0.01f,
                                0.0028702f,
                                20.0f,
                                41.5f};
constexpr HeadProfile kLongRange{HeadKind::LongRange120,
                                 "VQ-SIM 120 Long Range",
                                 1201,
                                 1211,
                                 1221,
                                 3,
                                 120000.0f,
                                 115000.0f,
                                 125000.0f,
                                 5.0f,
                                 300.0f,
                                 8,
                                 10,
                                 0.01f,
                                 0.006223f,
                                 35.0f,
                                 43.0f};
constexpr HeadProfile kHigh675{HeadKind::HighFreq675,
                               "VQ-SIM 675",
                               6751,
                               6761,
                               6771,
                               2,
                               675000.0f,
                               600000.0f,
                               700000.0f,
                               5.0f,
                               150.0f,
                               3,
                               3,
                               0.01f,
                               0.0010922f,
                               10.0f,
                               39.5f};
constexpr HeadProfile kFine{HeadKind::FineResolution,
                            "VQ-SIM 675 Fine Resolution",
                            6752,
                            6762,
                            6772,
                            6,
                            675000.0f,
                            600000.0f,
                            700000.0f,
                            0.5f,
                            20.0f,
                            19,
                            16,
                            0.001f,
                            0.0010895263f,
                            3.0f,
                            44.5f};

}  // namespace

HeadProfile ProfileFor(HeadKind kind, int serial) {
    HeadProfile p = kStandard;
    switch (kind) {
        case HeadKind::Standard260:
            p = kStandard;
            break;
        case HeadKind::LongRange120:
            p = kLongRange;
            break;
        case HeadKind::HighFreq675:
            p = kHigh675;
            break;
        case HeadKind::FineResolution:
            p = kFine;
            break;
    }
    if (serial >= 0 && serial <= 32767) p.serial = static_cast<std::int16_t>(serial);
    return p;
}

void WriteSonarInfoBlock(const HeadProfile& p, const std::uint8_t ip[4], std::uint8_t* out) {
    std::memset(out, 0, kSonarInfoBytes);
    PutText(out + 0, 64, p.model);
    PutU16(out + 64, static_cast<std::uint16_t>(p.serial));
    PutU16(out + 66, static_cast<std::uint16_t>(p.rx_serial));
    PutU16(out + 68, static_cast<std::uint16_t>(p.tx_serial));
    PutU16(out + 70, 1);  // external trigger supported
    std::memcpy(out + 72, ip, 4);
    PutText(out + 88, 64, "SIM-HW 2.1");
    PutText(out + 152, 20, "2026-03-14");
    PutText(out + 172, 64, "SIM-SW 1.4.0");
    PutText(out + 236, 20, "2026-11-02");
    PutText(out + 256, 64, "SIM-UC 0.9");
    PutU32(out + 320, p.sonar_code);
    PutF32(out + 324, p.nominal_hz);
    PutF32(out + 328, p.min_hz);
    PutF32(out + 332, p.max_hz);
    PutF32(out + 336, p.min_range_m);
    PutF32(out + 340, p.max_range_m);
    PutU32(out + 344, p.rx_xdcr_type);
    PutU32(out + 348, p.tx_xdcr_type);
    PutF32(out + 352, p.native_resolution_m);
    PutU32(out + 360, 0);  // status word 1
    PutU32(out + 364, 0);  // status word 0
    for (int i = 0; i < 12; ++i) PutU16(out + 368 + 2 * i, static_cast<std::uint16_t>(i + 1));
    PutF32(out + 400, p.native_resolution_m);
    PutU16(out + 420, 500);
    PutU16(out + 422, 1000);
    out[432] = 8;
    out[433] = 16;
    PutU16(out + 436, 10);
    PutU16(out + 438, 11);
    WriteProcessorTemperature(p.processor_temp_c, out);
    PutF32(out + 456, 1.002f);
    PutF32(out + 460, 2.498f);
    PutF32(out + 464, 1.001f);
    PutF32(out + 468, 1.803f);
    PutF32(out + 472, 1.004f);
    PutF32(out + 476, 1.351f);
}

void WriteProcessorTemperature(float celsius, std::uint8_t* info) {
    PutF32(info + 452, celsius);
}

bool ParseHeadKind(const char* name, HeadKind* kind) {
    struct Entry {
        const char* name;
        HeadKind kind;
    };
    static constexpr Entry kNames[] = {{"standard", HeadKind::Standard260},
                                       {"long-range", HeadKind::LongRange120},
                                       {"675", HeadKind::HighFreq675},
                                       {"fine", HeadKind::FineResolution}};
    for (const auto& e : kNames) {
        if (std::strcmp(name, e.name) == 0) {
            *kind = e.kind;
            return true;
        }
    }
    return false;
}

const char* HeadKindName(HeadKind kind) {
    switch (kind) {
        case HeadKind::Standard260:
            return "standard";
        case HeadKind::LongRange120:
            return "long-range";
        case HeadKind::HighFreq675:
            return "675";
        case HeadKind::FineResolution:
            return "fine";
    }
    return "standard";
}

}  // namespace vq::sim
