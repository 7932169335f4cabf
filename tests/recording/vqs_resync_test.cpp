// The playback reader on crafted recordings: resynchronising after a bad record costs time in
// proportion to the file, whatever the file offers as candidate record starts.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "recording/recording_test_util.h"
#include "recording/vqs_format.h"
#include "recording/vqs_reader.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

// One record as the program writes it, around a ping of n bytes.
std::string Record(std::size_t n, std::uint8_t seed) {
    VqsRecordBuilder b;
    const std::vector<std::uint8_t> ping = test::MakePing(n, seed);
    auto r = b.Build(ping, test::Stamp(2026, 12, 8, 13, 45, 7, 123), RecordSettings{}, RecordNav{},
                     0, 0);
    return std::string(r.begin(), r.end());
}

// `bytes` of garbage in which every ninth byte opens "VQS" with the command magic's "T" 3072
// bytes further on (3072 = 9 x 341 + 3), each with a header declaring 4 GB records.
std::string CandidateEveryNineBytes(std::size_t bytes) {
    static const char kPattern[9] = {'V', 'Q', 'S', 'T', '\xFF', '\xFF', '\xFF', '\xFF', '\xFF'};
    std::string g(bytes, '\0');
    for (std::size_t i = 0; i < bytes; ++i) g[i] = kPattern[i % 9];
    return g;
}

struct Cost {
    std::uint64_t file_size = 0;
    std::uint64_t bytes_read = 0;
    std::uint64_t candidates = 0;
};

// A real record, the garbage, a second real record: playback must find both records.
Cost PlayCraftedFile(const test::TempDir& dir, std::size_t garbage) {
    const std::string first = Record(2000, 1), last = Record(3000, 2);
    const std::string file = first + CandidateEveryNineBytes(garbage) + last;
    const auto path = dir / ("crafted" + std::to_string(garbage) + ".VQS");
    test::WriteFile(path, file);
    VqsPlaybackFile f;
    f.set_process_first_record(true);
    EXPECT_EQ(f.Open(path), VqsOpenStatus::Ok);
    VqsRecordView v;
    EXPECT_EQ(f.ReadNext(v), VqsReadStatus::Record);
    EXPECT_EQ(v.ping.size(), 2000u);
    EXPECT_EQ(f.ReadNext(v), VqsReadStatus::Record);
    EXPECT_EQ(v.ping.size(), 3000u);
    EXPECT_EQ(v.ping[4], 2);
    EXPECT_EQ(f.ReadNext(v), VqsReadStatus::EndOfFile);
    return {file.size(), f.bytes_read(), f.candidates_examined()};
}

TEST(VqsResync, ACandidateEveryNineBytesCostsReadsLinearInTheFileSize) {
    test::TempDir dir;
    const std::size_t mb = 1024 * 1024;
    const Cost small = PlayCraftedFile(dir, 1 * mb);
    const Cost large = PlayCraftedFile(dir, 4 * mb);
    for (const Cost& c : {small, large}) {
        // Every byte passes the scan window about once; each candidate is looked at once.
        EXPECT_LE(c.bytes_read, 2 * c.file_size) << "file of " << c.file_size << " bytes";
        EXPECT_LE(c.candidates, c.file_size / 9 + 2);
        EXPECT_GE(c.candidates, (c.file_size - 5000 - 2 * 3072) / 9 - 2);
    }
    // Four times the garbage costs four times the reading, not sixteen.
    const double ratio = static_cast<double>(large.bytes_read) / small.bytes_read;
    EXPECT_GT(ratio, 3.5);
    EXPECT_LT(ratio, 4.5);
}

// The position bar's jump into such garbage lands on the next candidate at once, and the read
// that follows skips the rest of the garbage in one pass.
TEST(VqsResync, AJumpIntoCandidateGarbageFindsTheNextRealRecord) {
    test::TempDir dir;
    const std::string first = Record(2000, 1), last = Record(3000, 2);
    const std::string file = first + CandidateEveryNineBytes(2 * 1024 * 1024) + last;
    const auto path = dir / "jump.VQS";
    test::WriteFile(path, file);
    VqsPlaybackFile f;
    ASSERT_EQ(f.Open(path), VqsOpenStatus::Ok);
    ASSERT_TRUE(f.JumpToPercent(50));
    EXPECT_EQ(file.compare(f.position(), 4, "VQST"), 0);
    VqsRecordView v;
    ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record);
    EXPECT_EQ(v.ping.size(), 3000u);
    EXPECT_LE(f.bytes_read(), 2 * file.size());
}

}  // namespace
}  // namespace vq
