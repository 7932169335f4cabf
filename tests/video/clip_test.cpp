// The video clip: an AVI file that an independent reader (ffprobe, ffmpeg) opens at 15 frames
// per second for 5 seconds, captured from the camera on its own thread, ended early on request,
// never left half-written.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <thread>

#include "support/run_tool.h"
#include "support/temp_dir.h"
#include "video/clip_capture.h"
#include "video/synthetic_camera.h"

namespace vq {
namespace {

namespace fs = std::filesystem;

// ffprobe's view of the first video stream and the container: key -> value.
std::map<std::string, std::string> Probe(const fs::path& p) {
    const test::ToolRun r = test::RunTool(
        "ffprobe -v error -select_streams v:0 -count_frames -show_entries "
        "stream=codec_type,width,height,r_frame_rate,nb_read_frames:format=format_name,duration "
        "-of default=noprint_wrappers=1 " +
        test::ShellQuote(p.string()));
    std::map<std::string, std::string> out;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) out[line.substr(0, eq)] = line.substr(eq + 1);
    }
    if (r.status != 0) out["error"] = "ffprobe failed";
    return out;
}

#define REQUIRE_FFPROBE()                                                                       \
    if (!test::HaveTool("ffprobe") || !test::HaveTool("ffmpeg"))                                \
    GTEST_SKIP() << "ffprobe/ffmpeg (Debian package ffmpeg) is not installed: the clip is not " \
                    "checked by an independent reader"

TEST(ClipWriter, SeventyFiveFramesMakeAFiveSecondClipAtFifteenFramesPerSecond) {
    REQUIRE_FFPROBE();
    test::TempDir dir;
    const fs::path path = dir / kClipFileName;
    ClipWriter w;
    std::string error;
    ASSERT_TRUE(w.Open(path, 320, 240, 15, &error)) << error;
    EXPECT_FALSE(fs::exists(path));  // only the unfinished file exists while it is written
    std::vector<std::uint32_t> px(320 * 240);
    for (int n = 1; n <= 75; ++n) {
        RenderTestPattern(px.data(), 320, 240, static_cast<std::uint64_t>(n));
        ASSERT_TRUE(w.Add({px.data(), 320, 240, 320}, &error)) << error;
    }
    ASSERT_TRUE(w.Finish(&error)) << error;
    EXPECT_EQ(w.frames_written(), 75);
    EXPECT_FALSE(fs::exists(dir / "KPV16_CAPTURE.AVI.part"));
    auto p = Probe(path);
    EXPECT_EQ(p["codec_type"], "video");
    EXPECT_EQ(p["format_name"], "avi");
    EXPECT_EQ(p["width"], "320");
    EXPECT_EQ(p["height"], "240");
    EXPECT_EQ(p["r_frame_rate"], "15/1");
    EXPECT_EQ(p["nb_read_frames"], "75");
    EXPECT_NEAR(std::stod(p["duration"].empty() ? "0" : p["duration"]), 5.0, 0.1);

    // Frame 41 (index 40) decoded by ffmpeg still shows its number.
    const fs::path still = dir / "still.bmp";
    const test::ToolRun x = test::RunTool(
        "ffmpeg -v error -y -i " + test::ShellQuote(path.string()) +
        " -vf 'select=eq(n\\,40)' -frames:v 1 -pix_fmt bgr24 " + test::ShellQuote(still.string()));
    ASSERT_EQ(x.status, 0);
    const test::ToolRun r =
        test::RunTool(test::ReadImagesCommand() + " bmp " + test::ShellQuote(still.string()));
    if (r.status == 3) GTEST_SKIP() << "Pillow (python3-pil) is not available";
    EXPECT_EQ(r.out, "320 240 RGB 41\n");
}

TEST(ClipWriter, OddSidesAreEvenedAndFailuresLeaveNothing) {
    REQUIRE_FFPROBE();
    test::TempDir dir;
    ClipWriter w;
    std::string error;
    ASSERT_TRUE(w.Open(dir / "odd.avi", 175, 143, 15, &error)) << error;
    std::vector<std::uint32_t> px(175 * 143, 0xFF336699u);
    for (int n = 0; n < 3; ++n) ASSERT_TRUE(w.Add({px.data(), 175, 143, 175}, &error));
    // A camera that changed its size meanwhile is scaled to the clip's size.
    std::vector<std::uint32_t> big(320 * 240, 0xFF996633u);
    ASSERT_TRUE(w.Add({big.data(), 320, 240, 320}, &error)) << error;
    ASSERT_TRUE(w.Finish(&error)) << error;
    auto p = Probe(dir / "odd.avi");
    EXPECT_EQ(p["width"], "174");
    EXPECT_EQ(p["height"], "142");
    EXPECT_EQ(p["nb_read_frames"], "4");

    EXPECT_FALSE(w.Open(dir / "missing" / kClipFileName, 320, 240, 15, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(w.Open(dir / "tiny.avi", 8, 8, 15, &error));
    // Abandoned half-way: no clip and no unfinished file.
    ASSERT_TRUE(w.Open(dir / "dropped.avi", 320, 240, 15, &error));
    ASSERT_TRUE(w.Add({big.data(), 320, 240, 320}, &error));
    w.Abandon();
    EXPECT_FALSE(fs::exists(dir / "dropped.avi"));
    EXPECT_FALSE(fs::exists(dir / "dropped.avi.part"));
    EXPECT_FALSE(w.Add({big.data(), 320, 240, 320}, &error));
}

TEST(ClipCapture, TheCameraIsCapturedForFiveSecondsOrUntilStopped) {
    REQUIRE_FFPROBE();
    test::TempDir dir;
    VideoFeed feed;
    ClipCapture clip(feed);
    std::string error;
    EXPECT_FALSE(clip.Start(dir / kClipFileName, &error));  // no camera picture yet
    EXPECT_EQ(error, "the camera delivers no picture");

    SyntheticCamera camera(feed);
    camera.Start({176, 144});
    while (feed.frames_delivered() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::atomic<int> done_calls{0};
    clip.set_on_done([&](const ClipResult&) { done_calls.fetch_add(1); });
    ASSERT_TRUE(clip.Start(dir / kClipFileName, &error)) << error;
    EXPECT_TRUE(clip.running());
    EXPECT_FALSE(clip.Start(dir / "second.avi", &error));  // one clip at a time
    ClipResult r = clip.Wait();
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.frames, 75);
    EXPECT_EQ(done_calls.load(), 1);
    auto p = Probe(dir / kClipFileName);
    EXPECT_EQ(p["r_frame_rate"], "15/1");
    EXPECT_EQ(p["width"], "176");
    EXPECT_NEAR(std::stod(p["duration"].empty() ? "0" : p["duration"]), 5.0, 0.1);

    // Escape or a left click ends it early; what was captured is kept.
    ASSERT_TRUE(clip.Start(dir / "early.avi", &error)) << error;
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    clip.RequestStop();
    r = clip.Wait();
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_GT(r.frames, 0);
    EXPECT_LT(r.frames, 75);
    p = Probe(dir / "early.avi");
    EXPECT_EQ(p["nb_read_frames"], std::to_string(r.frames));
    EXPECT_FALSE(fs::exists(dir / "early.avi.part"));
    // Ended at once: the picture of the moment it started is still a clip.
    ASSERT_TRUE(clip.Start(dir / "at_once.avi", &error)) << error;
    clip.RequestStop();
    r = clip.Wait();
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_GE(r.frames, 1);
    EXPECT_TRUE(fs::exists(dir / "at_once.avi"));
    camera.Stop();
}

}  // namespace
}  // namespace vq
