// The main window: menu bar from the core's menu table, the sonar picture at (2, 61), the
// status read-outs, the hold and clear keys, and the secondary windows (created hidden).
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMap>
#include <QSocketNotifier>
#include <QTimer>
#include <map>

#include "gui/sonar_view.h"

class QAction;
class QMenu;

namespace vq {
class Engine;
struct MenuEntry;
}

namespace vq::gui {

class QtOperator;
class PlaybackWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Engine& engine, QtOperator& op, QWidget* parent = nullptr);

    SonarView* sonar_view() { return view_; }
    QAction* action(int id) const;
    QWidget* secondary(const QString& title) const;
    // Mirrors the engine's menu state (enabled, checked, texts) into the actions.
    void refresh_menu();
    void watch_control_socket();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void onPictureReady();
    void onStatus(const QString& item, const QString& text);
    void onPlaybackTurn();

private:
    void build_menus();
    QMenu* add_entries(QMenu* menu, const MenuEntry* begin, const MenuEntry* end);
    void run_command(int id);
    void schedule_playback(int delay_ms);
    void create_secondary_windows();
    void sync_secondary_windows();
    void show_about();

    Engine& engine_;
    QtOperator& op_;
    SonarView* view_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* readout_ = nullptr;
    std::map<int, QAction*> actions_;
    QMap<QString, QWidget*> secondary_;
    QTimer playback_timer_;
    QSocketNotifier* control_notifier_ = nullptr;
    PlaybackWindow* playback_ = nullptr;
    bool closing_ = false;
};

}  // namespace vq::gui
