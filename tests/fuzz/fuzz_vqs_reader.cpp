// The playback reader on any file: the input is a whole recording, read record by record,
// jumped into, and read again after being cut at a point the input chooses.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/seed_pings.h"
#include "recording/vqs_format.h"
#include "recording/vqs_reader.h"

namespace vq::fuzz {
namespace {

namespace fs = std::filesystem;

// A file in memory-backed storage where there is one, named per process, removed at exit.
struct ScratchFile {
    fs::path path;
    ScratchFile() {
        const fs::path dir =
            fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        path = dir / ("vq_fuzz_reader_" + std::to_string(::getpid()) + ".VQS");
    }
    ~ScratchFile() {
        std::error_code ec;
        fs::remove(path, ec);
    }
};

void WriteAll(const fs::path& p, const std::uint8_t* data, std::size_t size) {
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

// Touches every byte a view offers, so a view reaching outside the reader's buffers is caught.
unsigned Sum(std::span<const std::uint8_t> s) {
    unsigned x = 0;
    for (std::uint8_t b : s) x += b;
    return x;
}

void Play(VqsPlaybackFile& f, const fs::path& p, int jump_percent, bool first_record) {
    for (VqsOpenCheck check : {VqsOpenCheck::MagicAndVersion, VqsOpenCheck::MagicOnly}) {
        if (f.Open(p, check) != VqsOpenStatus::Ok) continue;
        f.Values() = RecordedValues{};
        f.set_process_first_record(first_record);
        VqsRecordView v;
        volatile unsigned sink = 0;
        for (int i = 0; i < 64 && f.ReadNext(v) == VqsReadStatus::Record; ++i)
            sink = sink + Sum(v.bytes) + Sum(v.ping) + Sum(v.frame);
        if (f.JumpToPercent(jump_percent)) {
            for (int i = 0; i < 4 && f.ReadNext(v) == VqsReadStatus::Record; ++i)
                sink = sink + Sum(v.ping);
        }
        f.Close();
    }
}

std::vector<std::uint8_t> Frame(std::size_t pixels) {
    std::vector<std::uint8_t> b(kBmpHeaderBytes + 3 * pixels, 0x40);
    b[0] = 'B';
    b[1] = 'M';
    const auto len = static_cast<std::uint32_t>(b.size());
    for (int i = 0; i < 4; ++i) b[2 + static_cast<std::size_t>(i)] = (len >> (8 * i)) & 0xFF;
    return b;
}

void WriteSeeds(const fs::path& dir) {
    VqsRecordBuilder builder;
    const PingTimeStamp ts = PingTimeStamp::FromFields(2026, 12, 8, 13, 45, 7, 123);
    RecordSettings s;
    RecordNav nav;
    nav.position_valid = nav.heading_valid = true;
    nav.lat_deg = -43.65;
    nav.lon_deg = -70.39;
    auto record = [&](std::span<const std::uint8_t> ping, std::uint32_t frame) {
        auto r = builder.Build(ping, ts, s, nav, 0, frame);
        return std::vector<std::uint8_t>(r.begin(), r.end());
    };
    const std::vector<std::uint8_t> ping = SeedPing(PingConfig{});
    // One whole live ping.
    WriteSeed(dir, "one_record", record(ping, 0));
    // Three short records with a video frame after the first.
    const std::vector<std::uint8_t> frame = Frame(16);
    std::vector<std::uint8_t> three = record(std::span(ping).first(3400), 0);
    three[63] |= 0x01;
    three.insert(three.end(), frame.begin(), frame.end());
    for (std::size_t n : {3328u, 4000u}) {
        const auto r = record(std::span(ping).first(n), 0);
        three.insert(three.end(), r.begin(), r.end());
    }
    WriteSeed(dir, "three_records_and_frame", three);
    // A record cut inside its ping, and garbage before a record.
    const auto cut = record(std::span(ping).first(5000), 0);
    WriteSeed(dir, "cut_record", std::span(cut).first(4100));
    std::vector<std::uint8_t> garbage(700, 'x');
    garbage.insert(garbage.end(), cut.begin(), cut.end());
    WriteSeed(dir, "garbage_then_record", garbage);
    // A version-5 file: fixed record lengths whatever the header says.
    std::vector<std::uint8_t> v5 = record(std::span(ping).first(3400), 0);
    v5[3] = 5;
    v5.resize(kVqsV5RecordLength, 0);
    WriteSeed(dir, "version5", v5);
}

}  // namespace
}  // namespace vq::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    vq::fuzz::MaybeWriteSeeds(argc, argv, vq::fuzz::WriteSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vq::fuzz;
    static const ScratchFile scratch;
    const std::filesystem::path& path = scratch.path;
    static vq::VqsPlaybackFile file;
    // The last two bytes choose where to jump and where to cut.
    const int jump = size > 0 ? data[size - 1] % 101 : 50;
    const std::size_t cut = size > 1 ? size * data[size - 2] / 256 : 0;
    WriteAll(path, data, size);
    Play(file, path, jump, (jump & 1) != 0);
    ::truncate(path.c_str(), static_cast<off_t>(cut));
    Play(file, path, 100 - jump, true);
    return 0;
}
