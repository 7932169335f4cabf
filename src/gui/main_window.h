// The main window: menu bar from the core's menu table, the sonar picture at (2, 61), the
// status read-outs, the hold and clear keys, and the secondary windows (created hidden). It
// only paints and forwards commands: pings, live or played back, run on the engine's ping
// thread, and everything the window shows of them is read from the engine's snapshots.
#pragma once

#include <QMainWindow>
#include <QMap>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gui/sonar_view.h"

class QAction;
class QMenu;

namespace vq {
class Engine;
struct MenuEntry;
struct FileDialogRequest;
}  // namespace vq

namespace vq::gui {

class QtOperator;
class PlaybackWindow;
class ControlPanel;
class PictureOverlay;
class StatusStrip;
class GpsReadout;
class SecondaryWindows;
class VideoController;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(Engine& engine, QtOperator& op, QWidget* parent = nullptr);

    SonarView* sonar_view() { return view_; }
    ControlPanel* control_panel() { return panel_; }
    PictureOverlay* picture_overlay() { return overlay_; }
    StatusStrip* status_strip() { return strip_; }
    GpsReadout* gps_readout() { return gps_; }
    // After the engine started: the windows open at the last exit, and in playback without a
    // recording the file dialog.
    void AfterStart();
    QAction* Action(int id) const;
    QWidget* Secondary(const QString& title) const;
    SecondaryWindows* secondary_windows() const { return windows_; }
    // Mirrors the engine's menu state (enabled, checked, texts) into the actions.
    void RefreshMenu();
    void WatchControlSocket();
    // Runs menu command `id` as the menu does: its file dialog first when it has one.
    void RunCommand(int id);
    // Tests under the offscreen platform answer the file dialogs from a script instead.
    using DialogAnswer = std::function<std::vector<std::string>(const FileDialogRequest&)>;
    void set_dialog_answer(DialogAnswer answer) { dialog_answer_ = std::move(answer); }
    // The "&Video" menu's camera, windows, single frame and clip.
    VideoController* video() const { return video_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private slots:
    void OnPictureReady();
    void OnStatus(const QString& item, const QString& text);
    void OnEngineStateChanged();
    void OnSecond();

  private:
    void BuildMenus();
    QMenu* AddEntries(QMenu* menu, const MenuEntry* begin, const MenuEntry* end);
    std::vector<std::string> AskFiles(const FileDialogRequest& request);
    void AfterCommand();
    void NextRecordingFile();
    void RefreshPlaybackWindow();
    void CreateSecondaryWindows();
    void BuildPanels(QWidget* central);
    void RefreshPanels();
    void OnPing();
    void AfterSourceSwitch();
    void SyncSecondaryWindows();
    bool RunWindowCommand(int id);
    void CreateVideo();

    Engine& engine_;
    QtOperator& op_;
    SonarView* view_ = nullptr;
    ControlPanel* panel_ = nullptr;
    PictureOverlay* overlay_ = nullptr;
    StatusStrip* strip_ = nullptr;
    GpsReadout* gps_ = nullptr;
    QTimer clock_;
    std::map<int, QAction*> actions_;
    QMap<QString, QWidget*> secondary_;
    QSocketNotifier* control_notifier_ = nullptr;
    PlaybackWindow* playback_ = nullptr;
    SecondaryWindows* windows_ = nullptr;
    bool closing_ = false;
    DialogAnswer dialog_answer_;
    VideoController* video_ = nullptr;
    bool video_playback_ = false;  // the data source the video windows were last set up for
};

}  // namespace vq::gui
