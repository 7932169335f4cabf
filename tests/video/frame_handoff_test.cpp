// The camera's frames reach the recording, preview and clip whole and newest-first, without
// locks; the test pattern carries its frame number.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/latest_handoff.h"
#include "video/playback_frames.h"
#include "video/synthetic_camera.h"
#include "video/video_feed.h"

namespace vq {
namespace {

struct Item {
    std::uint64_t number = 0;
    std::vector<std::uint32_t> words;
};

TEST(LatestHandOff, TheConsumerReadsWholeItemsNewestFirst) {
    LatestHandOff<Item> h;
    EXPECT_FALSE(h.Take());  // nothing published yet
    constexpr std::uint64_t kItems = 20000;
    std::thread producer([&] {
        for (std::uint64_t n = 1; n <= kItems; ++n) {
            Item& it = h.Back();
            it.number = n;
            it.words.assign(64 + (n % 7) * 16, static_cast<std::uint32_t>(n));  // sizes vary
            h.Publish();
        }
    });
    std::uint64_t last = 0, taken = 0;
    while (last < kItems) {
        if (!h.Take()) continue;
        const Item& it = h.front();
        ASSERT_GT(it.number, last);  // never an older item, never the same one twice
        ASSERT_EQ(it.words.size(), 64 + (it.number % 7) * 16);
        for (std::uint32_t w : it.words) ASSERT_EQ(w, static_cast<std::uint32_t>(it.number));
        last = it.number;
        ++taken;
    }
    producer.join();
    EXPECT_FALSE(h.Take());  // the last item was taken
    EXPECT_EQ(h.front().number, kItems);
    EXPECT_GT(taken, 0u);
}

TEST(VideoFeed, EachConsumerGetsTheNewestFrameAndTheRecordingGetsItAsABitmap) {
    VideoFeed feed;
    int w = -1, h = -1;
    feed.Format(w, h);
    EXPECT_EQ(w, 0);
    EXPECT_FALSE(feed.running());
    EXPECT_EQ(feed.frame_block_bytes(), 0u);
    std::vector<std::uint32_t> px(176 * 144);
    for (std::uint64_t n = 1; n <= 3; ++n) {
        RenderTestPattern(px.data(), 176, 144, n);
        feed.Deliver({px.data(), 176, 144, 176});
    }
    ASSERT_TRUE(feed.running());
    feed.Format(w, h);
    EXPECT_EQ(w, 176);
    EXPECT_EQ(h, 144);
    EXPECT_EQ(feed.frame_block_bytes(), 176u * 144u * 3u + 54u);
    EXPECT_EQ(feed.frames_delivered(), 3u);

    ASSERT_TRUE(feed.record().Take());
    const EncodedFrame& e = feed.record().front();
    std::vector<std::uint8_t> expected;
    ASSERT_TRUE(EncodeBmp24({px.data(), 176, 144, 176}, expected));
    EXPECT_EQ(e.bmp, expected);  // frame 3: the newest
    ASSERT_TRUE(feed.preview().Take());
    EXPECT_EQ(feed.preview().front().pixels, px);
    EXPECT_EQ(ReadTestPatternNumber(feed.preview().front().View()), 3u);
    ASSERT_TRUE(feed.clip().Take());
    EXPECT_EQ(feed.clip().front().number, 3u);

    // A picture the feed cannot use is ignored.
    feed.Deliver({nullptr, 176, 144, 176});
    feed.Deliver({px.data(), 0, 144, 176});
    EXPECT_EQ(feed.frames_delivered(), 3u);

    feed.Stop();
    EXPECT_FALSE(feed.running());
    EXPECT_EQ(feed.frame_block_bytes(), 0u);
    ASSERT_TRUE(feed.record().Take());
    EXPECT_TRUE(feed.record().front().bmp.empty());
    ASSERT_TRUE(feed.preview().Take());
    EXPECT_TRUE(feed.preview().front().empty());
}

TEST(VideoFeed, FramesLargerThanTheRecordingTakesAreReducedByAWholeFactor) {
    struct Case {
        int w, h, factor;
    };
    for (const Case c : {Case{1920, 1080, 1}, Case{2560, 1440, 2}, Case{4096, 2160, 3},
                         Case{640, 2000, 2}, Case{320, 240, 1}}) {
        EXPECT_EQ(RecordFrameReduction(c.w, c.h), c.factor) << c.w << "x" << c.h;
    }
    VideoFeed feed;
    std::vector<std::uint32_t> px(2560u * 1440u, 0xFF102030u);
    px[0] = 0xFFFFFFFFu;  // the top left pixel survives the reduction
    feed.Deliver({px.data(), 2560, 1440, 2560});
    EXPECT_EQ(feed.frame_block_bytes(), 1280u * 720u * 3u + 54u);
    ASSERT_TRUE(feed.record().Take());
    std::vector<std::uint32_t> back;
    const auto l = DecodeBmp24(feed.record().front().bmp, back);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->width, 1280);
    EXPECT_EQ(l->height, 720);
    EXPECT_EQ(back[0], 0xFFFFFFFFu);
    EXPECT_EQ(back[1], 0xFF102030u);
    ASSERT_TRUE(feed.preview().Take());
    EXPECT_EQ(feed.preview().front().width, 2560);  // the preview keeps the full size
}

TEST(SyntheticCamera, TheNumberStripReadsBackAtEveryFormat) {
    for (const CameraFormat f : SyntheticCamera::kFormats) {
        std::vector<std::uint32_t> px(static_cast<std::size_t>(f.width) * f.height);
        for (std::uint64_t n : {1ull, 2ull, 255ull, 1000003ull, 0xFFFFFFFFull}) {
            RenderTestPattern(px.data(), f.width, f.height, n);
            EXPECT_EQ(ReadTestPatternNumber(
                          {px.data(), f.width, f.height, static_cast<std::size_t>(f.width)}),
                      static_cast<std::uint32_t>(n))
                << f.width << " " << n;
        }
    }
    // The pattern moves from one frame to the next.
    std::vector<std::uint32_t> a(320 * 240), b(320 * 240);
    RenderTestPattern(a.data(), 320, 240, 10);
    RenderTestPattern(b.data(), 320, 240, 11);
    int differ = 0;
    for (std::size_t i = 320 * 8; i < a.size(); ++i) differ += a[i] != b[i];
    EXPECT_GT(differ, 1000);
    // Colour bars where the strip should be: no number.
    std::vector<std::uint32_t> bars(320 * 240, 0xFF00FF00u);
    EXPECT_FALSE(ReadTestPatternNumber({bars.data(), 320, 240, 320}));
}

TEST(SyntheticCamera, DeliversNumberedFramesUntilStopped) {
    VideoFeed feed;
    SyntheticCamera camera(feed);
    camera.Start({176, 144}, std::chrono::milliseconds(5));
    EXPECT_TRUE(camera.running());
    std::uint32_t last = 0;
    int seen = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (seen < 5 && std::chrono::steady_clock::now() < deadline) {
        if (feed.preview().Take() && !feed.preview().front().empty()) {
            const auto n = ReadTestPatternNumber(feed.preview().front().View());
            ASSERT_TRUE(n);
            EXPECT_GT(*n, last);
            last = *n;
            ++seen;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(seen, 5);
    camera.Start({320, 240}, std::chrono::milliseconds(5));  // a new format restarts it
    EXPECT_EQ(camera.format(), (CameraFormat{320, 240}));
    camera.Stop();
    EXPECT_FALSE(camera.running());
    EXPECT_FALSE(feed.running());
    ASSERT_TRUE(feed.record().Take());
    EXPECT_TRUE(feed.record().front().bmp.empty());
}

TEST(PlaybackFrames, OnlyBitmapsThatCanBeShownArePassedOn) {
    PlaybackFrames frames;
    EXPECT_FALSE(frames.Take());
    std::vector<std::uint32_t> px(176 * 144);
    RenderTestPattern(px.data(), 176, 144, 7);
    std::vector<std::uint8_t> block;
    ASSERT_TRUE(EncodeBmp24({px.data(), 176, 144, 176}, block));
    ASSERT_TRUE(frames.Publish(block));
    std::vector<std::uint8_t> bad = block;
    bad[28] = 32;  // 32 bits per pixel: not shown
    EXPECT_FALSE(frames.Publish(bad));
    EXPECT_FALSE(frames.Publish(std::span(block).first(100)));  // cut short
    EXPECT_EQ(frames.frames_published(), 1u);
    ASSERT_TRUE(frames.Take());
    EXPECT_EQ(frames.front().width, 176);
    EXPECT_EQ(frames.front().height, 144);
    std::vector<std::uint32_t> back;
    ASSERT_TRUE(DecodeBmp24(frames.front().bmp, back));
    EXPECT_EQ(ReadTestPatternNumber({back.data(), 176, 144, 176}), 7u);
    frames.Clear();
    ASSERT_TRUE(frames.Take());
    EXPECT_TRUE(frames.front().bmp.empty());
}

TEST(VideoWindow, SitsOverTheLowerRightCornerOfTheMainWindow) {
    // A 1034 x 778 main window at (100, 50); a 320 x 240 picture with a 6 x 25 frame.
    const WindowRect r = VideoWindowOuterRect({100, 50, 1034, 778}, 320, 240, 6, 25);
    EXPECT_EQ(r, (WindowRect{100 + 1034 - 4 - 326, 50 + 778 - 265, 326, 265}));
    // Without a frame (a window system that draws none) the picture itself sits there.
    EXPECT_EQ(VideoWindowOuterRect({0, 0, 1034, 778}, 640, 480, 0, 0),
              (WindowRect{1034 - 4 - 640, 778 - 480, 640, 480}));
}

}  // namespace
}  // namespace vq
