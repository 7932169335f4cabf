// Camera frames in sonar recordings: one every K records, the newest the camera delivered,
// written as a BMP block after its record, announced in the record's header, read back by our
// reader and by an independent one.
#include <gtest/gtest.h>

#include <sstream>
#include <thread>
#include <vector>

#include "recording/recording_control.h"
#include "recording/recording_test_util.h"
#include "recording/vqs_reader.h"
#include "support/recording_operator.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"
#include "video/frame_recorder.h"
#include "video/synthetic_camera.h"

namespace vq {
namespace {

namespace fs = std::filesystem;
using test::Le32;

TEST(FrameRule, OneFrameEveryKPingsWithItsClamps) {
    struct Case {
        float rate;
        int period_ms;
        int k;
    };
    for (const Case c : {
             Case{3.0f, 100, 3},    // 1 / 0.3 = 3.33
             Case{20.0f, 2000, 1},  // 0.025 + 0.5 truncates to 0: every record
             Case{0.1f, 10, 100},   // 1000, clamped
             Case{3.0f, 0, 1},      // no period measured yet: T = 1 s
             Case{1.5f, 200, 3},    // 3.33
             Case{20.0f, 100, 1},   // 0.5 + 0.5
             Case{0.1f, 1000, 10},  // 10.5
             Case{7.0f, 33, 4},     // 4.33 + 0.5
         }) {
        EXPECT_EQ(VideoFrameInterval(c.rate, c.period_ms), c.k) << c.rate << " " << c.period_ms;
    }
}

struct Rig {
    test::RecordingOperator op;
    RecordingControl rc{
        op, DiskSpace([](const fs::path&) { return std::optional<std::uint64_t>(1ull << 40); })};
    VideoFeed feed;
    RecordingFrames frames;
    std::vector<std::uint8_t> ping = test::MakePing(2152, 1);
    std::vector<std::uint32_t> px;
    PingTimeStamp ts = test::Stamp(2026, 12, 8, 13, 45, 7, 123);

    Rig() { frames.set_feed(&feed); }
    void Deliver(int w, int h, std::uint64_t n) {
        px.resize(static_cast<std::size_t>(w) * h);
        RenderTestPattern(px.data(), w, h, n);
        feed.Deliver({px.data(), w, h, static_cast<std::size_t>(w)});
    }
    // One live record as the ping thread writes it; returns the frame bytes appended.
    std::size_t Record(bool record_video, float rate, int period_ms) {
        frames.NotePingInterval(period_ms);
        std::span<const std::uint8_t> f = frames.FrameFor(record_video, rate);
        EXPECT_TRUE(rc.WritePing(ping, ts, RecordSettings{}, RecordNav{}, f));
        return f.size();
    }
};

TEST(RecordedFrames, ThirtyPingsAtKThreeCarryTenFramesThatAnIndependentReaderOpens) {
    test::TempDir dir;
    Rig rig;
    const fs::path path = dir / "video.VQS";
    ASSERT_TRUE(rig.rc.RecordStartAt(path, false));
    rig.frames.RestartCount();
    for (int n = 1; n <= 30; ++n) {
        rig.Deliver(320, 240, static_cast<std::uint64_t>(n));  // the camera moves on
        rig.Record(true, 3.0f, 100);
    }
    rig.rc.RecordStop();
    EXPECT_EQ(rig.frames.frames_given(), 10u);
    constexpr std::uint32_t kBlock = 320 * 240 * 3 + 54;
    EXPECT_EQ(fs::file_size(path), 30u * (3072 + 2152) + 10u * kBlock);

    // Our reader: each frame is shown with the record after it; the last one follows the
    // last record.
    VqsPlaybackFile f;
    f.set_process_first_record(true);
    ASSERT_EQ(f.Open(path), VqsOpenStatus::Ok);
    VqsRecordView v;
    std::vector<std::uint32_t> numbers;
    std::vector<std::uint32_t> px;
    for (int r = 1; r <= 30; ++r) {
        ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record) << r;
        const std::uint8_t* h = v.bytes.data();
        const bool carries = r % 3 == 0;
        EXPECT_EQ(h[63], carries ? 0x05 : 0x04) << r;
        EXPECT_EQ(Le32(h + 71), carries ? kBlock : 0u) << r;
        EXPECT_EQ(Le32(h + 4), 3072u + 2152u);  // frames never counted in the record length
        EXPECT_EQ(v.frame.empty(), r == 1 || (r - 1) % 3 != 0) << r;
        if (v.frame.empty()) continue;
        const auto l = DecodeBmp24(v.frame, px);
        ASSERT_TRUE(l);
        numbers.push_back(*ReadTestPatternNumber(
            {px.data(), l->width, l->height, static_cast<std::size_t>(l->width)}));
    }
    EXPECT_EQ(numbers, (std::vector<std::uint32_t>{3, 6, 9, 12, 15, 18, 21, 24, 27}));

    // The independent reader walks the file by itself and opens every frame with Pillow.
    const test::ToolRun t =
        test::RunTool(test::ReadImagesCommand() + " vqs " + test::ShellQuote(path.string()));
    if (t.status == 3 || t.status == -1) GTEST_SKIP() << "Pillow (python3-pil) is not available";
    ASSERT_EQ(t.status, 0) << t.out;
    std::istringstream in(t.out);
    std::string kind;
    int records = 0, frames = 0;
    std::vector<long> seen;
    while (in >> kind) {
        if (kind == "record") {
            int flags = 0;
            long frame_len = 0, length = 0;
            in >> flags >> frame_len >> length;
            ++records;
            EXPECT_EQ(flags, records % 3 == 0 ? 5 : 4) << records;
        } else {
            ASSERT_EQ(kind, "frame");
            int w = 0, h = 0;
            std::string mode;
            long number = 0, size = 0;
            in >> w >> h >> mode >> number >> size;
            ++frames;
            EXPECT_EQ(w, 320);
            EXPECT_EQ(h, 240);
            EXPECT_EQ(mode, "RGB");
            EXPECT_EQ(size, kBlock);
            seen.push_back(number);
        }
    }
    EXPECT_EQ(records, 30);
    EXPECT_EQ(frames, 10);
    EXPECT_EQ(seen, (std::vector<long>{3, 6, 9, 12, 15, 18, 21, 24, 27, 30}));
}

TEST(RecordedFrames, OneLatePingDoesNotChangeTheFrameInterval) {
    RecordingFrames f;
    EXPECT_EQ(f.period_ms(), 0);  // none measured: the rule takes 1 s
    f.NotePingInterval(0);        // the first ping has no interval
    EXPECT_EQ(f.period_ms(), 0);
    // Pings every 203 ms, one of them 160 ms late and the next one early to catch up.
    for (int ms : {203, 203, 203, 203, 363, 43, 203, 203}) f.NotePingInterval(ms);
    EXPECT_EQ(f.period_ms(), 203);
    EXPECT_EQ(VideoFrameInterval(1.6f, f.period_ms()), 3);
    EXPECT_EQ(VideoFrameInterval(1.6f, 363), 2);  // what the one late interval alone gives
    EXPECT_EQ(VideoFrameInterval(1.6f, 43), 15);
    // The mean follows a new pace within eight pings.
    for (int i = 0; i < 8; ++i) f.NotePingInterval(100);
    EXPECT_EQ(f.period_ms(), 100);
    f.NotePingInterval(108);
    EXPECT_EQ(f.period_ms(), 101);
}

TEST(RecordedFrames, NoCameraOrRecordingOffGivesRecordsWithoutFrames) {
    test::TempDir dir;
    Rig rig;
    ASSERT_TRUE(rig.rc.RecordStartAt(dir / "none.VQS", false));
    // No camera has delivered yet: records carry no frame and the count does not run.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(rig.Record(true, 20.0f, 100), 0u);
    rig.Deliver(176, 144, 1);
    // "RecordVideo" off: nothing either.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(rig.Record(false, 20.0f, 100), 0u);
    // On, at K = 1: every record, with the length of the camera's format.
    EXPECT_EQ(rig.Record(true, 20.0f, 100), 176u * 144u * 3u + 54u);
    // A detached feed (the camera was closed) gives none.
    rig.feed.Stop();
    EXPECT_EQ(rig.Record(true, 20.0f, 100), 0u);
    rig.Deliver(176, 144, 2);
    EXPECT_EQ(rig.Record(true, 20.0f, 100), 176u * 144u * 3u + 54u);
    rig.frames.set_feed(nullptr);
    EXPECT_EQ(rig.Record(true, 20.0f, 100), 0u);
    rig.rc.RecordStop();
    EXPECT_EQ(rig.frames.frames_given(), 2u);
}

TEST(RecordedFrames, AFormatChangeChangesTheAnnouncedLengthAndAStalledCameraGivesNone) {
    test::TempDir dir;
    Rig rig;
    const fs::path path = dir / "format.VQS";
    ASSERT_TRUE(rig.rc.RecordStartAt(path, false));
    rig.Deliver(320, 240, 1);
    rig.Record(true, 20.0f, 100);
    rig.Deliver(176, 144, 2);
    rig.Record(true, 20.0f, 100);
    rig.frames.set_stale_after(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(rig.Record(true, 20.0f, 100), 0u);  // nothing new for longer than allowed
    rig.rc.RecordStop();
    const std::string b = test::ReadFile(path);
    const auto* p = reinterpret_cast<const std::uint8_t*>(b.data());
    const std::size_t rec = 3072 + 2152;
    EXPECT_EQ(Le32(p + 71), 320u * 240u * 3u + 54u);
    const std::size_t second = rec + 320 * 240 * 3 + 54;
    EXPECT_EQ(Le32(p + second + 71), 176u * 144u * 3u + 54u);
    const std::size_t third = second + rec + 176 * 144 * 3 + 54;
    EXPECT_EQ(p[third + 63], 0x04);
    EXPECT_EQ(Le32(p + third + 71), 0u);
    EXPECT_EQ(b.size(), third + rec);
}

}  // namespace
}  // namespace vq
