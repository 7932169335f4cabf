// The receiving side of the data output on any datagrams: point records, beam records in
// pieces, keep-alives and anything else, each described in one line.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "net/record_assembler.h"
#include "recording/point_record.h"

namespace vq::fuzz {
namespace {

namespace fs = std::filesystem;

// Datagrams as length (two bytes, big-endian) and bytes, the way the seeds store them.
void Append(std::vector<std::uint8_t>& b, std::span<const std::uint8_t> d) {
    b.push_back(static_cast<std::uint8_t>(d.size() >> 8));
    b.push_back(static_cast<std::uint8_t>(d.size()));
    b.insert(b.end(), d.begin(), d.end());
}

void WriteSeeds(const fs::path& dir) {
    OutputRecordHeader h;
    h.num_beams = 120;
    h.samples_per_beam = 500;
    std::vector<std::int32_t> ranges(120, 1234);
    std::vector<PointRecordEntry> entries(120);
    PointRecordInputs pin;
    pin.h = h;
    pin.range_tenths = ranges;
    pin.points = entries;
    pin.with_intensities = true;
    PointRecordBuilder points;
    std::vector<std::uint8_t> b;
    Append(b, points.Build(pin));
    const std::uint8_t keep_alive[32] = {'Q', '4', 'Z'};
    Append(b, keep_alive);
    WriteSeed(dir, "point_and_keepalive", b);

    // A beam record of 120 beams x 600 samples leaves as two pieces (64000 + 8256 bytes).
    std::vector<std::uint8_t> rows(120 * 600, 77);
    BeamRecordInputs bin;
    bin.h = h;
    bin.h.samples_per_beam = 600;
    bin.rows = rows.data();
    bin.stride = 600;
    BeamRecordBuilder beams;
    const auto rec = beams.Build(bin);
    std::vector<std::uint8_t> pieces;
    for (std::size_t at = 0; at < rec.size(); at += 64000)
        Append(pieces, rec.subspan(at, std::min<std::size_t>(64000, rec.size() - at)));
    WriteSeed(dir, "beam_in_pieces", pieces);
}

}  // namespace
}  // namespace vq::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    vq::fuzz::MaybeWriteSeeds(argc, argv, vq::fuzz::WriteSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vq;
    static RecordAssembler assembler;  // its buffer holds the largest record: made once
    fuzz::Input in(data, size);
    volatile std::size_t sink = 0;
    while (!in.empty()) {
        const auto d = in.Take(in.U16());
        // Each datagram in its own buffer, as the socket delivers it.
        const std::vector<std::uint8_t> datagram(d.begin(), d.end());
        const Arrival a = assembler.Feed(datagram);
        sink = sink + DescribeArrival(a).size();
    }
    // The next input starts clean: a record still being collected is abandoned.
    const std::uint8_t keep_alive[32] = {'Q', '4', 'Z'};
    assembler.Feed(keep_alive);
    return 0;
}
