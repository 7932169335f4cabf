// Takes the pictures of the user guide from the program itself, offscreen, against the
// simulated head: the main window, each secondary window and each dialog that the commands
// open, and (in the full form) every display mode and every menu. A window that exists but
// cannot be drawn fails the run; commands whose window is not built yet are listed.
//   vq-guide-pictures --out docs/guide/img [--quick]
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/menu_table.h"
#include "gui/guide_capture.h"
#include "gui/main_window.h"
#include "gui/qt_operator.h"
#include "gui/video/video_controller.h"
#include "gui/video/video_windows.h"
#include "recording/file_dialogs.h"

namespace vq::gui {
namespace {

struct Shot {
    int id;            // menu command
    const char* file;  // picture name without ".png"
};

// Commands that open a dialog, live.
constexpr Shot kLiveDialogs[] = {
    {menu::kSwitches, "dialog-switches"},
    {menu::kComPorts, "dialog-com-ports"},
    {menu::kSoundVelocity, "dialog-sound-velocity"},
    {menu::kIPAddress, "dialog-ip-address"},
    {menu::kDataOutput, "dialog-data-output"},
    {menu::kDeviceOffsets, "dialog-device-offsets"},
    {menu::kMaxFilesize, "dialog-maximum-filesize"},
    {menu::kPersistence, "dialog-persistence"},
    {menu::kVideoRate, "dialog-video-recording-rate"},
    {menu::kVideoFormat, "dialog-video-format"},
    {menu::kSaveScreen, "dialog-save-screen"},
    {menu::kAbout, "dialog-about"},
};
// Commands that open a dialog in the profile mode.
constexpr Shot kProfileDialogs[] = {
    {menu::kProfileSetup, "dialog-profile-point-setup"},
    {menu::kTiltAngle, "dialog-profile-tilt-angle"},
};
// Commands that show a secondary window, with the window's title; `profile`: the command is
// offered in profile mode only.
struct WindowShot {
    int id;
    const char* title;
    const char* file;
    bool profile = false;
};
constexpr WindowShot kWindows[] = {
    {menu::kDiagnostics, "Diagnostics", "window-diagnostics"},
    {menu::kTrackPlotter, "Track Plotter", "window-track-plotter"},
    {menu::kAltitude, "Altitude", "window-altitude", true},
    {menu::kSidescan, "Sidescan", "window-sidescan"},
    {menu::kEchoSounder, "Echo Sounder", "window-echo-sounder"},
    {menu::kIntensity, "Intensity", "window-intensity"},
    {menu::kSonarInfo, "Sonar Info", "window-sonar-info"},
    {menu::kSonarStatus, "Sonar Status", "window-sonar-status"},
};
// Commands that open a file dialog during playback (the dialog is photographed and cancelled).
constexpr Shot kFileDialogs[] = {
    {menu::kPlaybackFile, "dialog-open-playback-file"},
    {menu::kConvertQ4P, "dialog-convert-q4p"},
};
constexpr Shot kModes[] = {
    {menu::kModeSector, "mode-sector"},           {menu::kModeLinear, "mode-linear"},
    {menu::kModePerspective, "mode-perspective"}, {menu::kModeProfile, "mode-profile"},
    {menu::kModeBeamTest, "mode-beam-test"},
};

class Photographer {
  public:
    Photographer(QString out, bool quick) : out_(std::move(out)), quick_(quick) {}

    int Run() {
        dir_.setAutoRemove(true);
        // File dialogs open in the working directory: show the survey folder, not ours.
        QDir::setCurrent(dir_.path());
        const std::string ini =
            "[Settings]\r\nIPAddress_Sonar1=127.0.0.1\r\n"
            "IPAddress_Output1=127.0.0.1\r\nAutoFilename=1\r\n"
            "ProfilePointDetection=1\r\nDataOutputType=0\r\n";
        QFile f(dir_.filePath("Vornax_Qi.INI"));
        if (!f.open(QIODevice::WriteOnly) || f.write(ini.c_str()) < 0) return Fail("no INI");
        f.close();
        op_.set_unattended(true);
        EngineOptions o;
        o.working_dir = dir_.path().toStdString();
        o.simulate = true;
        o.link_initial_delay_ms = 0;
        engine_ = std::make_unique<Engine>(o, op_);
        window_ = std::make_unique<MainWindow>(*engine_, op_);
        engine_->Start();
        window_->WatchControlSocket();
        window_->RefreshMenu();
        window_->show();
        // Generous: under a sanitizer on a busy machine a ping can take a second.
        if (!WaitForPictures(quick_ ? 1 : 8, 240000))
            return Fail("the main window shows no sonar picture");
        Save(window_.get(), "main-window");
        if (!quick_) ModesAndMenus();
        SecondaryWindows();
        VideoWindow();
        Dialogs(kLiveDialogs);
        Command(menu::kModeProfile);
        WaitForPictures(quick_ ? 1 : 3);
        Dialogs(kProfileDialogs);
        Command(menu::kModeSector);
        Playback();
        window_->close();
        std::printf("guide pictures: %d taken in %s, %d failed\n", taken_,
                    out_.toUtf8().constData(), failed_);
        for (const QString& m : missing_)
            std::printf("  not built yet: %s\n", m.toUtf8().constData());
        return failed_ == 0 ? 0 : 1;
    }

  private:
    int Fail(const char* why) {
        std::fprintf(stderr, "vq-guide-pictures: %s\n", why);
        return 1;
    }
    bool WaitForPictures(int n, int ms = 30000) {
        const qint64 start = window_->sonar_view()->frames_shown();
        return WaitUntil([&] { return window_->sonar_view()->frames_shown() >= start + n; }, ms);
    }
    QString PathOf(const char* file) const { return out_ + "/" + file + ".png"; }
    void Save(QWidget* w, const char* file) {
        QString why;
        if (SaveWindowPicture(w, PathOf(file), &why)) {
            ++taken_;
        } else {
            ++failed_;
            std::fprintf(stderr, "vq-guide-pictures: %s: %s\n", file, why.toUtf8().constData());
        }
    }
    void Command(int id) {
        if (QAction* a = window_->Action(id)) a->trigger();
    }

    void ModesAndMenus() {
        for (const Shot& m : kModes) {
            Command(m.id);
            WaitForPictures(3);
            Save(window_.get(), m.file);
        }
        Command(menu::kModeSector);
        for (QAction* top : window_->menuBar()->actions()) {
            QMenu* menu = top->menu();
            if (!menu) continue;
            menu->popup(window_->mapToGlobal(window_->menuBar()->actionGeometry(top).bottomLeft()));
            WaitUntil([] { return false; }, 300);
            QString name = "menu-" + top->text().remove('&').toLower().replace(' ', '-');
            Save(menu, name.toUtf8().constData());
            menu->hide();
        }
    }

    void SecondaryWindows() {
        for (const WindowShot& s : kWindows) {
            if (s.profile) Command(menu::kModeProfile);
            QAction* a = window_->Action(s.id);
            QWidget* w = window_->Secondary(s.title);
            if (!a || !w || !a->isEnabled() || IsPlaceholder(w)) {
                missing_ << QString("window \"%1\"").arg(s.title);
                continue;
            }
            a->trigger();
            WaitUntil([&] { return w->isVisible(); }, 2000);
            // The strip windows fill a line per ping: give them the pings to show something.
            WaitForPictures(quick_ ? 1 : 80);
            QString why;
            WaitUntil([&] { return SaveWindowPicture(w, PathOf(s.file), &why); }, 20000);
            Save(w, s.file);
            if (w->isVisible()) a->trigger();
            if (s.profile) Command(menu::kModeSector);
        }
    }

    // Dialogs need no pings: they are held meanwhile, which keeps slow builds quick.
    template <std::size_t N>
    void Dialogs(const Shot (&shots)[N]) {
        const bool held = engine_->hold();
        if (!held) engine_->KeyChar('H');
        for (const Shot& s : shots) {
            QAction* a = window_->Action(s.id);
            if (!a || !a->isEnabled()) {
                missing_ << (a ? QString("dialog of \"%1\" (command greyed)").arg(a->text())
                               : QString("dialog of menu command %1 (no menu item)").arg(s.id));
                continue;
            }
            QString title, why;
            switch (CatchWindowOf(a, PathOf(s.file), 2000, &title, &why)) {
                case Caught::Saved:
                    ++taken_;
                    break;
                case Caught::NoWindow:
                    missing_ << QString("dialog of \"%1\"").arg(a->text());
                    break;
                case Caught::NotDrawn:
                    ++failed_;
                    std::fprintf(stderr, "vq-guide-pictures: %s (\"%s\"): %s\n", s.file,
                                 title.toUtf8().constData(), why.toUtf8().constData());
                    break;
            }
            window_->RefreshMenu();
        }
        if (!held && engine_->hold()) engine_->KeyChar('H');
    }

    // The file dialogs show the temporary directory (the working directory) with the
    // recording just made; the quick form takes the first only.
    void FileDialogs() {
        if (quick_) {
            const Shot first[] = {kFileDialogs[0]};
            Dialogs(first);
        } else {
            Dialogs(kFileDialogs);
        }
    }

    // "Video": the camera's picture (the synthetic camera against the simulated head).
    void VideoWindow() {
        QAction* a = window_->Action(menu::kVideoWindow);
        VideoController* v = window_->video();
        if (!a || !v || !a->isEnabled()) {
            missing_ << "window \"Video\"";
            return;
        }
        a->trigger();
        VideoPictureWindow* w = v->video_window();
        WaitUntil([&] { return w->isVisible() && w->pictures_shown() >= (quick_ ? 1 : 10); },
                  30000);
        Save(w, "window-video");
    }

    // "Video Playback": the frames found in the recording being played.
    void VideoPlaybackWindow() {
        QAction* a = window_->Action(menu::kVideoWindow);
        VideoController* v = window_->video();
        if (!a || !v || !a->isEnabled()) {
            missing_ << "window \"Video Playback\"";
            return;
        }
        a->trigger();
        VideoPictureWindow* w = v->playback_window();
        // A short recording may end before the first frame (one every few pings).
        if (!WaitUntil([&] { return w->isVisible() && w->pictures_shown() >= 1; }, 10000)) {
            missing_ << "window \"Video Playback\" (no frame in the recording)";
            return;
        }
        Save(w, "window-video-playback");
    }

    // A short recording, then the data source switched to the file and the recording played.
    void Playback() {
        // With the camera connected the recording carries its frames, for "Video Playback".
        if (QAction* a = window_->Action(menu::kRecordVideo);
            a && a->isEnabled() && !a->isChecked())
            a->trigger();
        Command(menu::kRecord);
        // The ping thread takes the start over; a recording that received no ping leaves
        // no file, so the stop waits for the first pings written.
        const std::int64_t enough = quick_ ? 1 : 400000;
        WaitUntil([&] { return engine_->recording().recording_bytes >= enough; }, 60000);
        Command(menu::kRecord);
        engine_->Sync();
        QString recording;
        for (const QString& f : QDir(dir_.path()).entryList({"*.VQS"}, QDir::Files))
            recording = dir_.filePath(f);
        if (recording.isEmpty()) {
            ++failed_;
            std::fprintf(stderr, "vq-guide-pictures: no recording was made\n");
            return;
        }
        const auto answer = [recording](const FileDialogRequest&) -> std::vector<std::string> {
            return {recording.toStdString()};
        };
        // "&File" asks for the recording at once; the file dialogs are photographed after.
        window_->set_dialog_answer(answer);
        Command(menu::kFile);
        window_->set_dialog_answer(nullptr);
        FileDialogs();
        window_->set_dialog_answer(answer);
        Command(menu::kPlaybackFile);
        window_->set_dialog_answer(nullptr);
        WaitUntil([&] { return engine_->playback().records >= (quick_ ? 1u : 5u); }, 30000);
        if (QWidget* w = window_->Secondary("Playback")) {
            WaitUntil([&] { return w->isVisible(); }, 2000);
            if (w->isVisible()) Save(w, "window-playback");
        }
        if (!quick_) Save(window_.get(), "main-window-playback");
        VideoPlaybackWindow();
        const Shot read_only[] = {{menu::kSwitches, "dialog-switches-playback"}};
        Dialogs(read_only);
        Command(menu::kHead);
    }

    QString out_;
    bool quick_;
    QTemporaryDir dir_{QDir::tempPath() + "/survey-XXXXXX"};
    QtOperator op_;
    std::unique_ptr<Engine> engine_;
    std::unique_ptr<MainWindow> window_;
    int taken_ = 0;
    int failed_ = 0;
    QStringList missing_;
};

}  // namespace
}  // namespace vq::gui

int main(int argc, char** argv) {
    QString out = "docs/guide/img";
    bool quick = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--quick") {
            quick = true;
        } else if (a == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else {
            std::fprintf(stderr, "usage: vq-guide-pictures [--out DIR] [--quick]\n");
            return 2;
        }
    }
    QApplication app(argc, argv);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "vq-guide-pictures: cannot make %s\n", out.toUtf8().constData());
        return 1;
    }
    vq::gui::Photographer p(QDir(out).absolutePath(), quick);
    return p.Run();
}
