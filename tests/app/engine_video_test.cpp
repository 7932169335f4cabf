// Camera frames through the whole engine: a live recording against the paced simulated head
// with the synthetic camera, read back by an independent reader; its frames shown in playback;
// conversions that leave them out exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/engine.h"
#include "app/menu_table.h"
#include "recording/vqs_format.h"
#include "support/recording_operator.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"
#include "support/wait_for.h"
#include "video/synthetic_camera.h"

namespace vq {
namespace {

namespace fs = std::filesystem;

using test::WaitFor;

std::uint32_t U32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

float F32(const std::string& b, std::size_t at) {
    float f = 0.0f;
    std::memcpy(&f, b.data() + at, 4);
    return f;
}

// The recording's records without their frame blocks, announcing none: what the same pings
// make without a camera.
std::string WithoutFrames(const std::string& file) {
    std::string out;
    std::size_t pos = 0;
    while (pos < file.size()) {
        if (file.compare(pos, 2, "BM") == 0) {
            pos += U32(file, pos + 2);
            continue;
        }
        std::string rec = file.substr(pos, U32(file, pos + 4));
        rec[63] = static_cast<char>(rec[63] & ~1);
        std::memset(rec.data() + 71, 0, 4);
        out += rec;
        pos += U32(file, pos + 4);
    }
    return out;
}

// The command-line conversion to XTF (and point file) of one recording.
void ConvertToXtf(const fs::path& dir, const fs::path& recording) {
    test::RecordingOperator op;
    EngineOptions o;
    o.working_dir = dir;
    o.command_line_file = recording.string();
    o.command_line_switch = 'x';
    Engine e(o, op);
    e.Start();
    ASSERT_TRUE(e.command_line_opened());
    ASSERT_TRUE(e.WaitForPlaybackEnd(1, std::chrono::seconds(120)));
    e.Shutdown();
}

struct Walk {
    std::vector<int> flags;     // per record: byte 63
    std::vector<long> numbers;  // per frame block: the pattern's number
    bool ends_with_frame = false;
};

// What the independent reader (Pillow and the standard library) finds in the recording.
std::optional<Walk> ReadIndependently(const fs::path& p) {
    const test::ToolRun r =
        test::RunTool(test::ReadImagesCommand() + " vqs " + test::ShellQuote(p.string()));
    if (r.status == 3 || r.status == -1) return std::nullopt;
    EXPECT_EQ(r.status, 0) << r.out;
    Walk w;
    std::istringstream in(r.out);
    std::string kind;
    while (in >> kind) {
        if (kind == "record") {
            long frame_len = 0, length = 0;
            int flags = 0;
            in >> flags >> frame_len >> length;
            w.flags.push_back(flags);
            EXPECT_EQ(frame_len, (flags & 1) ? 320 * 240 * 3 + 54 : 0);
            w.ends_with_frame = false;
        } else {
            int width = 0, height = 0;
            std::string mode;
            long number = 0, size = 0;
            in >> width >> height >> mode >> number >> size;
            EXPECT_EQ(width, 320);
            EXPECT_EQ(height, 240);
            EXPECT_EQ(mode, "RGB");
            w.numbers.push_back(number);
            w.ends_with_frame = true;
        }
    }
    return w;
}

// 150 m: the simulated head pings every 2 x 150 / 1500 + 0.003 = 0.203 s; at 1.6 frames per
// second K = truncate(1 / (1.6 x 0.203) + 0.5) = 3 (any period from 0.18 to 0.25 s gives 3).
constexpr const char* kVideoIni =
    "Range=11\r\nRecordVideo=1\r\nRecordVideoRate=1.6\r\nAutoFilename=1\r\n";

TEST(EngineVideo, ThirtyLivePingsAtKThreeCarryTenFramesThatPlayBackAndConvertAway) {
    test::TempDir dir;
    dir.WriteLoopbackIni(kVideoIni);
    test::RecordingOperator op;
    EngineOptions o;
    o.working_dir = dir.path();
    o.simulate = true;
    o.link_initial_delay_ms = 0;
    Engine e(o, op);
    e.Start();
    SyntheticCamera camera(e.video_feed());
    camera.Start({320, 240});
    ASSERT_TRUE(e.SetCameraState(true, true));
    EXPECT_TRUE(e.menu()[menu::kRecordVideo].enabled);
    EXPECT_TRUE(e.menu()[menu::kRecordVideo].checked);
    // Eight intervals measured before the recording starts.
    ASSERT_TRUE(
        WaitFor([&] { return e.stats().pings_processed >= 10 && e.video_feed().running(); }));

    const fs::path path = dir / "video.VQS";
    ASSERT_TRUE(e.StartRecording(path));
    ASSERT_TRUE(e.Sync());
    const std::uint64_t base = e.stats().pings_processed;
    ASSERT_TRUE(WaitFor([&] { return e.stats().pings_processed >= base + 32; }));
    ASSERT_TRUE(e.StopRecording());
    ASSERT_TRUE(e.Sync());
    camera.Stop();
    const std::string file = test::ReadFile(path);

    const std::optional<Walk> w = ReadIndependently(path);
    if (!w) GTEST_SKIP() << "Pillow (python3-pil) is not available";
    ASSERT_GE(w->flags.size(), 30u);
    // The first thirty records: every third carries a frame. Their own intervals (offset 346)
    // are those of the paced head; the rule takes their mean over the last eight pings.
    std::size_t pos = 0, frames_in_30 = 0;
    long period_sum = 0;
    for (int r = 1; r <= 30; ++r) {
        if (file.compare(pos, 2, "BM") == 0) pos += U32(file, pos + 2);
        ASSERT_EQ(file.compare(pos, 3, "VQS"), 0) << r;
        const int period_ms = static_cast<int>(1000.0f * F32(file, pos + 346) + 0.5f);
        EXPECT_GT(period_ms, 0) << r;
        period_sum += period_ms;
        EXPECT_EQ(w->flags[static_cast<std::size_t>(r - 1)], r % 3 == 0 ? 5 : 4) << r;
        frames_in_30 += static_cast<std::size_t>(w->flags[static_cast<std::size_t>(r - 1)] & 1);
        pos += U32(file, pos + 4);
    }
    EXPECT_EQ(frames_in_30, 10u);
    EXPECT_EQ(VideoFrameInterval(1.6f, static_cast<int>(period_sum / 30)), 3) << period_sum / 30;
    ASSERT_GE(w->numbers.size(), 10u);
    for (std::size_t i = 1; i < w->numbers.size(); ++i) {
        EXPECT_GT(w->numbers[i], w->numbers[i - 1]) << i;  // the camera moved on
    }
    EXPECT_GT(w->numbers.front(), 0);

    // Playback shows the frames: each with the record that follows it.
    ASSERT_TRUE(e.Command(menu::kFile));
    ASSERT_TRUE(e.OpenPlaybackFile(path));
    ASSERT_TRUE(e.WaitForPlaybackEnd(1, std::chrono::seconds(120)));
    const std::uint64_t shown = e.playback_frames().frames_published();
    EXPECT_EQ(shown, w->numbers.size() - (w->ends_with_frame ? 1 : 0));
    ASSERT_TRUE(e.playback_frames().Take());
    std::vector<std::uint32_t> px;
    const auto layout = DecodeBmp24(e.playback_frames().front().bmp, px);
    ASSERT_TRUE(layout);
    const auto number = ReadTestPatternNumber({px.data(), 320, 240, 320});
    ASSERT_TRUE(number);
    EXPECT_NE(std::find(w->numbers.begin(), w->numbers.end(), static_cast<long>(*number)),
              w->numbers.end());
    // Live again: no recording carries frames without a camera.
    ASSERT_TRUE(e.Command(menu::kHead));
    ASSERT_TRUE(e.SetCameraState(true, false));
    EXPECT_FALSE(e.menu()[menu::kRecordVideo].enabled);
    e.Shutdown();

    // Converting to XTF and points ignores the frames: the same outputs as without them.
    const fs::path plain = dir / "plain.VQS";
    test::WriteFile(plain, WithoutFrames(file));
    ConvertToXtf(dir.path(), path);
    ConvertToXtf(dir.path(), plain);
    const std::string xtf = test::ReadFile(dir / "video_sss.XTF");
    const std::string q4p = test::ReadFile(dir / "video.Q4P");
    EXPECT_GT(xtf.size(), 1024u);
    EXPECT_EQ(q4p.size() % w->flags.size(), 0u);  // one point record per ping
    EXPECT_EQ(xtf, test::ReadFile(dir / "plain_sss.XTF"));
    EXPECT_EQ(q4p, test::ReadFile(dir / "plain.Q4P"));
}

TEST(EngineVideo, WithoutACameraRecordsCarryNoFramesAndTheItemsAreGreyed) {
    test::TempDir dir;
    dir.WriteLoopbackIni(kVideoIni);
    test::RecordingOperator op;
    EngineOptions o;
    o.working_dir = dir.path();
    o.simulate = true;
    o.sim_pacing = false;
    o.link_initial_delay_ms = 0;
    Engine e(o, op);
    e.Start();
    ASSERT_TRUE(e.SetCameraState(false, false));
    for (int id : {menu::kVideoWindow, menu::kRecordVideo, menu::kVideoFormat, menu::kVideoRate}) {
        EXPECT_FALSE(e.menu()[id].enabled) << id;
    }
    EXPECT_TRUE(e.menu()[menu::kSaveScreen].enabled);
    // "&Record Video Enable" is greyed; a command that arrives anyway toggles it live (and is
    // ignored in playback, below).
    ASSERT_TRUE(e.Command(menu::kRecordVideo));
    EXPECT_FALSE(e.menu()[menu::kRecordVideo].checked);
    ASSERT_TRUE(e.Command(menu::kRecordVideo));
    EXPECT_TRUE(e.menu()[menu::kRecordVideo].checked);

    ASSERT_TRUE(WaitFor([&] { return e.stats().pings_processed >= 3; }));
    const fs::path path = dir / "none.VQS";
    ASSERT_TRUE(e.StartRecording(path));
    ASSERT_TRUE(e.Sync());
    const std::uint64_t base = e.stats().pings_processed;
    ASSERT_TRUE(WaitFor([&] { return e.stats().pings_processed >= base + 10; }));
    ASSERT_TRUE(e.StopRecording());
    ASSERT_TRUE(e.Sync());
    e.Command(menu::kFile);
    EXPECT_TRUE(e.menu()[menu::kVideoWindow].enabled);  // playback: ask for recorded frames
    EXPECT_FALSE(e.menu()[menu::kRecordVideo].enabled);
    ASSERT_TRUE(e.Command(menu::kRecordVideo));  // ignored in playback
    EXPECT_TRUE(e.Store().Read([](const SettingsState& st) { return st.s.RecordVideo == 1; }));
    e.Shutdown();
    const std::string file = test::ReadFile(path);
    std::size_t pos = 0, records = 0;
    while (pos + 3072 <= file.size()) {
        ASSERT_EQ(file.compare(pos, 3, "VQS"), 0) << "no frame block anywhere";
        EXPECT_EQ(file[pos + 63], 0x04);
        EXPECT_EQ(U32(file, pos + 71), 0u);
        pos += U32(file, pos + 4);
        ++records;
    }
    EXPECT_EQ(pos, file.size());
    EXPECT_GE(records, 10u);
}

}  // namespace
}  // namespace vq
