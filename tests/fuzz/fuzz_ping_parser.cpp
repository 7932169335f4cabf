// The ping parser, the header check and head-type adoption on any ping buffer, live or
// recorded: the first input byte chooses the context, the rest is the ping.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/seed_pings.h"
#include "pipeline/header_check.h"
#include "pipeline/ping_record.h"
#include "pipeline/sonar_info_text.h"

namespace vq::fuzz {
namespace {

namespace fs = std::filesystem;

// Context byte: bit 0 playback, bit 1 pipelined recording, bits 2..3 recording version
// (0, 2, 5, 6), bit 4 reduced packets, bit 5 last packet number from the length, bits 6..7 a
// head id other than 77 in force.
ParseContext ContextFrom(std::uint8_t c, CheckContext& check) {
    static constexpr int kVersions[4] = {0, 2, 5, 6};
    ParseContext p;
    p.playback = (c & 0x01) != 0;
    p.pipelined = (c & 0x02) != 0;
    p.recording_version = kVersions[(c >> 2) & 3];
    p.packet_size = (c & 0x10) != 0 ? kReducedPacketSize : kFullPacketSize;
    p.last_packet_number = (c & 0x20) != 0 ? -1 : 3;
    check.playback = p.playback;
    check.recording_version = p.recording_version;
    check.current_head_id = (c >> 6) == 0 ? 77 : 77 + (c >> 6);
    return p;
}

void WriteSeeds(const fs::path& dir) {
    struct Seed {
        const char* name;
        std::uint8_t context;
        PingConfig config;
    };
    PingConfig eight;
    eight.data_format = 10;
    PingConfig thousand;
    thousand.data_points_switch = 1;
    PingConfig reduced;
    reduced.reduced = true;
    PingConfig long_range;
    long_range.head = sim::HeadKind::LongRange120;
    PingConfig fine;
    fine.head = sim::HeadKind::FineResolution;
    for (const Seed& s :
         {Seed{"live_16bit_500", 0x00, PingConfig{}}, Seed{"live_8bit_500", 0x00, eight},
          Seed{"live_16bit_1000", 0x20, thousand}, Seed{"live_reduced", 0x10, reduced},
          Seed{"playback_long_range", 0x05, long_range}, Seed{"playback_fine", 0x21, fine}}) {
        std::vector<std::uint8_t> b{s.context};
        const std::vector<std::uint8_t> ping = SeedPing(s.config);
        b.insert(b.end(), ping.begin(), ping.end());
        WriteSeed(dir, s.name, b);
    }
}

}  // namespace
}  // namespace vq::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    vq::fuzz::MaybeWriteSeeds(argc, argv, vq::fuzz::WriteSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vq;
    static PingParser parser;  // its sample array is large: made once
    fuzz::Input in(data, size);
    CheckContext check;
    const ParseContext context = fuzz::ContextFrom(in.Byte(), check);
    const auto ping = in.Rest();
    // The ping buffer as the link or the reader hands it over: its own copy, so a read past
    // the given length is caught.
    const std::vector<std::uint8_t> buffer(ping.begin(), ping.end());
    if (!parser.Parse(buffer.data(), buffer.size(), context)) return 0;
    SettingsState st;
    const HeaderCheckResult r = CheckHeader(parser.Record(), parser.Legacy(), check, st);
    if (r.valid) {
        AdoptHeadType(r.head_type_index, context.playback, st.s.Frequency, st);
        if (r.num_samples != 500 && r.num_samples != 1000) __builtin_trap();
        if (st.head.min_frequency_khz > st.head.max_frequency_khz) __builtin_trap();
    }
    volatile std::size_t sink = 0;
    for (const auto& l : SonarInfoLines(parser.Record())) sink = sink + l.text.size();
    for (const auto& l : SonarStatusLines(parser.Record())) sink = sink + l.text.size();
    sink = sink + StatusText(parser.Record()).size();
    return 0;
}
