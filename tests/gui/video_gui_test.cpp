// The video windows, the format list, the single frame, the clip and Save Screen under Qt's
// offscreen platform, with the synthetic camera standing in for hardware; the files are read
// back by independent readers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <map>
#include <sstream>

#include "gui/video/save_screen.h"
#include "gui/video/video_controller.h"
#include "gui/video/video_format_dialog.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"
#include "video/synthetic_camera.h"
#include "window_rig.h"

namespace vq::gui {
namespace {

namespace fs = std::filesystem;
using test_rig::WaitFor;

std::optional<std::uint32_t> NumberOf(const QImage& image) {
    const QImage i = image.convertToFormat(QImage::Format_RGB32);
    return ReadTestPatternNumber({reinterpret_cast<const std::uint32_t*>(i.constBits()), i.width(),
                                  i.height(), static_cast<std::size_t>(i.bytesPerLine() / 4)});
}

// What the independent reader says of a bitmap: "WIDTH HEIGHT MODE NUMBER", or empty when
// Pillow is missing.
std::string ReadBmp(const fs::path& p) {
    const test::ToolRun r =
        test::RunTool(test::ReadImagesCommand() + " bmp " + test::ShellQuote(p.string()));
    if (r.status == 3 || r.status == -1) return {};
    return r.status == 0 ? r.out : "error";
}

struct VideoRig {
    test::TempDir dir;
    QMainWindow main;
    VideoFeed feed;
    PlaybackFrames playback;
    std::unique_ptr<VideoController> video;
    QStringList messages;

    VideoRig() {
        main.setWindowTitle("Vornax_Qi Multibeam Sonar");
        main.menuBar()->addMenu("&File")->addAction("E&xit");
        main.setGeometry(100, 50, 1034, 778);
        main.show();
        video = std::make_unique<VideoController>(feed, playback, CameraSource::Kind::Synthetic,
                                                  dir.path(), &main);
        QObject::connect(video.get(), &VideoController::Message,
                         [this](const QString& text, const QString&) { messages << text; });
    }
    ~VideoRig() { video->Shutdown(); }
    VideoPictureWindow* window() { return video->video_window(); }
};

TEST(VideoWindow, OpensOverTheLowerRightCornerAndFollowsTheCamera) {
    VideoRig rig;
    EXPECT_TRUE(rig.video->camera_available());
    EXPECT_FALSE(rig.video->connected());
    EXPECT_FALSE(rig.video->unavailable_reason().isEmpty());
    rig.video->OpenVideoWindow(false);
    ASSERT_TRUE(rig.video->connected());
    EXPECT_TRUE(rig.video->unavailable_reason().isEmpty());
    ASSERT_TRUE(WaitFor([&] { return rig.window()->isVisible(); }, 20000));
    EXPECT_EQ(rig.window()->windowTitle(), "Video");
    EXPECT_EQ(rig.window()->period_ms(), 66);
    EXPECT_EQ(rig.window()->size(), QSize(320, 240));
    const QRect m = rig.main.frameGeometry();
    const QRect v = rig.window()->frameGeometry();
    EXPECT_EQ(v.right(), m.right() - 4);
    EXPECT_EQ(v.bottom(), m.bottom());
    // The preview moves on: frame numbers increase.
    const auto first = NumberOf(rig.window()->picture());
    ASSERT_TRUE(first);
    ASSERT_TRUE(WaitFor([&] { return NumberOf(rig.window()->picture()) > first; }, 20000));

    // "Change Video &Format": the camera's formats as a list; the window takes the new size.
    VideoFormatDialog* d = rig.video->OpenFormatDialog(false);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->list()->count(), 3);
    EXPECT_EQ(d->list()->currentRow(), 0);
    EXPECT_EQ(d->list()->item(1)->text(), "640 x 480  test pattern");
    d->list()->setCurrentRow(1);
    d->accept();
    ASSERT_TRUE(WaitFor([&] { return rig.window()->size() == QSize(640, 480); }, 20000));
    EXPECT_EQ(rig.window()->frameGeometry().right(), m.right() - 4);

    // Closing the window ends the preview: the camera goes, the feed has no frame.
    rig.window()->close();
    EXPECT_FALSE(rig.video->connected());
    EXPECT_FALSE(rig.feed.running());
    EXPECT_EQ(rig.video->OpenFormatDialog(false), nullptr);
}

TEST(VideoWindow, SingleFrameIsA24BitBitmapOfThePicture) {
    VideoRig rig;
    EXPECT_FALSE(rig.video->SaveSingleFrame());  // no camera yet
    EXPECT_EQ(rig.messages.size(), 1);
    rig.video->OpenVideoWindow(false);
    ASSERT_TRUE(WaitFor([&] { return !rig.window()->picture().isNull(); }, 20000));
    // Right-click menu of the "Video" window.
    ASSERT_EQ(rig.window()->actions().size(), 2);
    rig.video->single_frame_action()->trigger();
    const fs::path p = rig.dir / "single_frame.bmp";
    ASSERT_TRUE(fs::exists(p));
    EXPECT_EQ(fs::file_size(p), 320u * 240u * 3u + 54u);
    const std::string r = ReadBmp(p);
    if (r.empty()) GTEST_SKIP() << "Pillow (python3-pil) is not available";
    std::istringstream in(r);
    int w = 0, h = 0;
    std::string mode;
    long number = -1;
    in >> w >> h >> mode >> number;
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    EXPECT_EQ(mode, "RGB");
    EXPECT_GT(number, 0);
}

TEST(VideoWindow, TheClipEndsEarlyOnEscape) {
    if (!test::HaveTool("ffprobe")) GTEST_SKIP() << "ffprobe (Debian package ffmpeg) is missing";
    VideoRig rig;
    EXPECT_FALSE(rig.video->StartClip());  // no camera
    rig.video->OpenVideoWindow(false);
    ASSERT_TRUE(WaitFor([&] { return rig.feed.frames_delivered() > 0; }, 20000));
    QSignalSpy done(rig.video.get(), &VideoController::ClipDone);
    rig.video->clip_action()->trigger();
    ASSERT_TRUE(rig.video->clip().running());
    QTest::qWait(300);
    QTest::keyClick(&rig.main, Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return done.count() == 1; }, 30000));
    EXPECT_TRUE(done.at(0).at(0).toBool());
    const int frames = done.at(0).at(1).toInt();
    EXPECT_GT(frames, 0);
    EXPECT_LT(frames, 75);
    const test::ToolRun r = test::RunTool(
        "ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate "
        "-of default=noprint_wrappers=1:nokey=1 " +
        test::ShellQuote((rig.dir / "KPV16_CAPTURE.AVI").string()));
    EXPECT_EQ(r.out, "15/1\n");
    // A left click ends a clip too.
    ASSERT_TRUE(rig.video->StartClip());
    QTest::qWait(200);
    QTest::mouseClick(rig.window(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return done.count() == 2; }, 30000));
    EXPECT_LT(done.at(1).at(1).toInt(), 75);
}

TEST(VideoPlaybackWindow, ShowsRecordedFramesSizedToTheFrame) {
    VideoRig rig;
    rig.video->OnDataSourceChanged(true);
    VideoPictureWindow* w = rig.video->playback_window();
    EXPECT_FALSE(w->isVisible());
    std::vector<std::uint32_t> px(176 * 144);
    RenderTestPattern(px.data(), 176, 144, 42);
    std::vector<std::uint8_t> block;
    ASSERT_TRUE(EncodeBmp24({px.data(), 176, 144, 176}, block));
    ASSERT_TRUE(rig.playback.Publish(block));
    ASSERT_TRUE(WaitFor([&] { return w->isVisible(); }, 20000));
    EXPECT_EQ(w->windowTitle(), "Video Playback");
    EXPECT_EQ(w->size(), QSize(176, 144));
    EXPECT_EQ(w->frameGeometry().right(), rig.main.frameGeometry().right() - 4);
    EXPECT_EQ(NumberOf(w->picture()), 42u);
    // Closed by the operator: no more frames until "Open Video &Window" asks for them.
    w->close();
    RenderTestPattern(px.data(), 176, 144, 43);
    ASSERT_TRUE(EncodeBmp24({px.data(), 176, 144, 176}, block));
    rig.playback.Publish(block);
    QTest::qWait(200);
    EXPECT_FALSE(w->isVisible());
    rig.video->OpenVideoWindow(true);
    ASSERT_TRUE(WaitFor([&] { return w->isVisible(); }, 20000));
    EXPECT_EQ(NumberOf(w->picture()), 43u);
    // Back to live: the playback window closes.
    rig.video->OnDataSourceChanged(false);
    EXPECT_FALSE(w->isVisible());
}

TEST(SaveScreen, TheWholeWindowWithItsMenuAsA24BitBitmap) {
    VideoRig rig;
    QStringList told;
    const auto tell = [&](const OperatorMessage& m) {
        told << QString::fromStdString(m.title + ": " + m.text);
    };
    FileDialogRequest asked;
    std::string answer;
    const auto ask = [&](const FileDialogRequest& r) {
        asked = r;
        return answer.empty() ? std::vector<std::string>{} : std::vector<std::string>{answer};
    };
    // Cancelled: nothing.
    EXPECT_FALSE(SaveScreenAs(&rig.main, ask, tell));
    EXPECT_EQ(asked.title, "Save Screen As");
    EXPECT_EQ(asked.filter, "BITMAP File    (*.BMP)");
    // A wrong extension.
    answer = (rig.dir / "shot.png").string();
    EXPECT_FALSE(SaveScreenAs(&rig.main, ask, tell));
    ASSERT_EQ(told.size(), 1);
    EXPECT_EQ(told[0], "Save Screen As: File extension must be .BMP");
    EXPECT_FALSE(fs::exists(rig.dir / "shot.png"));
    // A folder that is not there.
    answer = (rig.dir / "none" / "shot.bmp").string();
    EXPECT_FALSE(SaveScreenAs(&rig.main, ask, tell));
    ASSERT_EQ(told.size(), 2);
    EXPECT_TRUE(told[1].startsWith("Save Screen As: The screen could not be saved"));
    // In capitals, and written.
    answer = (rig.dir / "SHOT.BMP").string();
    GrabKind kind = GrabKind::WithFrame;
    ASSERT_TRUE(SaveScreenAs(&rig.main, ask, tell, &kind));
    EXPECT_EQ(kind, GrabKind::WindowOnly);  // the offscreen platform draws no frame
    EXPECT_EQ(fs::file_size(rig.dir / "SHOT.BMP"), 54u + 3104u * 778u);
    const std::string r = ReadBmp(rig.dir / "SHOT.BMP");
    if (r.empty()) GTEST_SKIP() << "Pillow (python3-pil) is not available";
    EXPECT_EQ(r, "1034 778 RGB -1\n");
}

}  // namespace
}  // namespace vq::gui

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
