// The video menu and Save Screen of the real main window, live against the simulated head with
// the synthetic camera, under Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCameraDevice>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMediaDevices>
#include <QMenuBar>
#include <QTimer>
#include <set>

#include "app/engine.h"
#include "app/menu_table.h"
#include "gui/main_window.h"
#include "gui/qt_operator.h"
#include "gui/video/video_controller.h"
#include "gui/video/video_format_dialog.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"
#include "video/synthetic_camera.h"
#include "window_rig.h"

namespace vq::gui {
namespace {

namespace fs = std::filesystem;

template <class P>
bool Until(P pred, int ms = 20000) {
    return test_rig::WaitFor(pred, ms);
}

struct Window : test_rig::LiveWindow {
    explicit Window(bool simulate, const std::string& ini = "")
        : LiveWindow(ini, test_rig::Simulated(simulate)) {}
    ~Window() { window->close(); }
    QAction* Item(int id) const { return window->Action(id); }
    VideoController& video() const { return *window->video(); }
};

// Distinct colours in a band of rows of a decoded picture.
std::size_t Colours(const std::vector<std::uint32_t>& px, int width, int y0, int y1) {
    std::set<std::uint32_t> c;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < width; ++x) c.insert(px[static_cast<std::size_t>(y) * width + x]);
    return c.size();
}

TEST(MainWindowVideo, TheVideoMenuReachesTheCameraAndItsFormats) {
    Window w(true);
    QAction* open = w.Item(menu::kVideoWindow);
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), "Open Video &Window");
    EXPECT_TRUE(open->isEnabled());
    for (int id : {menu::kRecordVideo, menu::kVideoFormat}) {
        EXPECT_FALSE(w.Item(id)->isEnabled()) << id;
        EXPECT_EQ(w.Item(id)->toolTip(), "No camera connected: choose \"Open Video Window\"")
            << id;  // says why
    }
    open->trigger();
    VideoPictureWindow* video = w.video().video_window();
    ASSERT_TRUE(Until([&] { return video->isVisible(); }));
    EXPECT_EQ(video->windowTitle(), "Video");
    EXPECT_EQ(video->size(), QSize(320, 240));
    EXPECT_EQ(video->frameGeometry().right(), w.window->frameGeometry().right() - 4);
    EXPECT_TRUE(w.Item(menu::kRecordVideo)->isEnabled());
    EXPECT_TRUE(w.Item(menu::kRecordVideo)->isChecked());
    EXPECT_TRUE(w.Item(menu::kVideoFormat)->isEnabled());
    EXPECT_EQ(w.Item(menu::kVideoFormat)->toolTip(), "Change Video Format");  // its own text

    // "&Record Video Enable" switches the setting off and on.
    w.Item(menu::kRecordVideo)->trigger();
    EXPECT_FALSE(w.Item(menu::kRecordVideo)->isChecked());
    EXPECT_EQ(w.engine->Store().Read([](const SettingsState& st) { return st.s.RecordVideo; }), 0);
    w.Item(menu::kRecordVideo)->trigger();
    EXPECT_TRUE(w.Item(menu::kRecordVideo)->isChecked());

    // "Change Video &Format": the list opens modal; the operator picks 176 x 144.
    bool seen = false;
    QTimer::singleShot(100, [&] {
        auto* d = qobject_cast<VideoFormatDialog*>(QApplication::activeModalWidget());
        if (d == nullptr) return;
        seen = d->list()->count() == 3 && d->windowTitle() == "Video Format";
        d->list()->setCurrentRow(2);
        d->accept();
    });
    w.Item(menu::kVideoFormat)->trigger();
    EXPECT_TRUE(seen);
    ASSERT_TRUE(Until([&] { return video->size() == QSize(176, 144); }));
    int fw = 0, fh = 0;
    ASSERT_TRUE(Until([&] {
        w.engine->video_feed().Format(fw, fh);
        return fw == 176;
    }));
    EXPECT_EQ(fh, 144);

    // Item 176 from the window's right-click menu: "single_frame.bmp" in the working folder.
    w.video().single_frame_action()->trigger();
    const fs::path single = w.dir / "single_frame.bmp";
    ASSERT_TRUE(fs::exists(single));
    const test::ToolRun r =
        test::RunTool(test::ReadImagesCommand() + " bmp " + test::ShellQuote(single.string()));
    if (r.status != 3 && r.status != -1) {
        EXPECT_EQ(r.out.substr(0, 12), "176 144 RGB ") << r.out;
    }

    // Going to playback closes the camera; its items are greyed again. ("&File" asks for the
    // recording at once; the operator cancels.)
    w.window->set_dialog_answer(
        [](const FileDialogRequest&) { return std::vector<std::string>{}; });
    w.window->RunCommand(menu::kFile);
    EXPECT_FALSE(video->isVisible());
    EXPECT_FALSE(w.video().connected());
    EXPECT_FALSE(w.Item(menu::kVideoFormat)->isEnabled());
    EXPECT_TRUE(w.Item(menu::kVideoWindow)->isEnabled());  // asks for recorded frames
}

TEST(MainWindowVideo, SaveScreenWritesTheWholeWindowWithItsMenu) {
    Window w(true);
    QAction* save = w.Item(menu::kSaveScreen);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), "&Save Screen...");
    EXPECT_TRUE(save->isEnabled());
    std::vector<FileDialogRequest> asked;
    std::string answer = (w.dir / "Screen.BMP").string();
    w.window->set_dialog_answer([&](const FileDialogRequest& r) {
        asked.push_back(r);
        return std::vector<std::string>{answer};
    });
    ASSERT_TRUE(Until([&] { return w.window->sonar_view()->frames_shown() > 0; }));
    save->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Save Screen As");
    const std::string bytes = test::ReadFile(w.dir / "Screen.BMP");
    std::vector<std::uint32_t> px;
    const auto l =
        DecodeBmp24({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, px);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->width, 1034);
    EXPECT_EQ(l->height, 778);
    // The menu bar's texts are in the top rows; below it the black panel.
    const int bar = w.window->menuBar()->height();
    EXPECT_GT(Colours(px, l->width, 0, bar), 2u);
    EXPECT_EQ(px[static_cast<std::size_t>(bar + 40) * l->width + 1030], 0xFF000000u);
    const test::ToolRun r = test::RunTool(test::ReadImagesCommand() + " bmp " +
                                          test::ShellQuote((w.dir / "Screen.BMP").string()));
    if (r.status != 3 && r.status != -1) {
        EXPECT_EQ(r.out, "1034 778 RGB -1\n");
    }

    // A wrong extension: the message, and no file.
    answer = (w.dir / "screen.jpg").string();
    save->trigger();
    ASSERT_FALSE(w.op.messages().empty());
    EXPECT_EQ(w.op.messages().back(), "Save Screen As: File extension must be .BMP");
    EXPECT_FALSE(fs::exists(w.dir / "screen.jpg"));
}

TEST(MainWindowVideo, RecordedFramesAppearInTheVideoPlaybackWindow) {
    // 150 m range: a ping every 0.2 s; 20 frames a second: a frame with every record.
    Window w(true, "Range=11\r\nRecordVideoRate=20.0\r\nAutoFilename=1\r\n");
    w.Item(menu::kVideoWindow)->trigger();
    ASSERT_TRUE(Until([&] { return w.engine->video_feed().running(); }));
    ASSERT_TRUE(Until([&] { return w.engine->stats().pings_processed >= 3; }));
    w.window->RunCommand(menu::kRecord);
    ASSERT_TRUE(w.engine->Sync());
    const std::uint64_t base = w.engine->stats().pings_processed;
    ASSERT_TRUE(Until([&] { return w.engine->stats().pings_processed >= base + 4; }));
    w.window->RunCommand(menu::kRecord);
    ASSERT_TRUE(w.engine->Sync());
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(w.dir.path()))
        if (e.path().extension() == ".VQS") files.push_back(e.path());
    ASSERT_EQ(files.size(), 1u);

    // "&File" asks for the recording at once.
    w.window->set_dialog_answer(
        [&](const FileDialogRequest&) { return std::vector<std::string>{files[0].string()}; });
    w.window->RunCommand(menu::kFile);
    VideoPictureWindow* pw = w.video().playback_window();
    ASSERT_TRUE(Until([&] { return pw->isVisible(); }));
    EXPECT_EQ(pw->windowTitle(), "Video Playback");
    EXPECT_EQ(pw->size(), QSize(320, 240));
    EXPECT_EQ(pw->frameGeometry().right(), w.window->frameGeometry().right() - 4);
    EXPECT_EQ(pw->frameGeometry().bottom(), w.window->frameGeometry().bottom());
    const QImage shot = pw->picture().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(ReadTestPatternNumber({reinterpret_cast<const std::uint32_t*>(shot.constBits()),
                                       shot.width(), shot.height(),
                                       static_cast<std::size_t>(shot.bytesPerLine() / 4)}));
    // Back to the head: the playback window closes.
    w.window->RunCommand(menu::kHead);
    EXPECT_FALSE(pw->isVisible());
}

TEST(MainWindowVideo, WithoutACameraTheItemsAreGreyedWithTheReason) {
    if (!QMediaDevices::videoInputs().isEmpty()) GTEST_SKIP() << "this machine has a camera";
    Window w(false);
    for (int id : {menu::kVideoWindow, menu::kRecordVideo, menu::kVideoFormat}) {
        EXPECT_FALSE(w.Item(id)->isEnabled()) << id;
        EXPECT_TRUE(w.Item(id)->toolTip().startsWith("No camera found")) << id;
    }
    EXPECT_FALSE(w.video().camera_available());
    EXPECT_FALSE(w.video().connected());
}

}  // namespace
}  // namespace vq::gui
