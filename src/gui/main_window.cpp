#include "gui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QVBoxLayout>

#include "app/engine.h"
#include "app/menu_table.h"
#include "gui/dialogs/settings_dialogs.h"
#include "gui/playback_window.h"
#include "gui/qt_operator.h"
#include "gui/video/save_screen.h"
#include "gui/video/video_controller.h"
#include "recording/file_dialogs.h"

namespace vq::gui {
namespace {

constexpr int kClientWidth = 1034;
constexpr int kClientHeight = 778;

struct SecondarySpec {
    const char* title;
    int x, y, w, h;
};

// The secondary windows, created hidden at their start positions ("Video Playback" comes with
// the video controller).
constexpr SecondarySpec kSecondary[] = {
    {"Diagnostics", 2, 61, 170, 170},      {"Playback", 840, 2, 170, 170},
    {"Track Plotter", 754, 390, 170, 170}, {"Altitude", 10, 62, 170, 170},
    {"Sidescan", 8, 400, 300, 200},        {"Echo Sounder", 900, 600, 300, 200},
    {"Intensity", 600, 600, 300, 200},     {"Sonar Info", 2, 61, 170, 170},
    {"Sonar Status", 2, 61, 170, 170},
};

}  // namespace

MainWindow::MainWindow(Engine& engine, QtOperator& op, QWidget* parent)
    : QMainWindow(parent), engine_(engine), op_(op) {
    setWindowTitle("Vornax_Qi Multibeam Sonar");
    resize(kClientWidth, kClientHeight);
    auto* central = new QWidget(this);
    central->setStyleSheet("background-color: black;");
    status_ = new QLabel(central);
    status_->setGeometry(2, 4, 500, 20);
    status_->setStyleSheet("color: rgb(216,216,216);");
    readout_ = new QLabel(central);
    readout_->setGeometry(2, 30, 1000, 20);
    readout_->setStyleSheet("color: rgb(216,216,216);");
    view_ = new SonarView(central);
    view_->move(2, 61);
    setCentralWidget(central);
    BuildMenus();
    CreateSecondaryWindows();
    CreateVideo();
    RefreshMenu();

    connect(&op_, &QtOperator::PictureArrived, this, &MainWindow::OnPictureReady,
            Qt::QueuedConnection);
    connect(&op_, &QtOperator::TitleChanged, this, &QWidget::setWindowTitle, Qt::QueuedConnection);
    connect(&op_, &QtOperator::StatusChanged, this, &MainWindow::OnStatus, Qt::QueuedConnection);
    connect(&op_, &QtOperator::EngineStateChanged, this, &MainWindow::OnEngineStateChanged,
            Qt::QueuedConnection);
}

// Control datagrams arrive on the output socket; they are handled on this thread. Called once
// the engine has opened the socket (and again when it was reopened).
void MainWindow::WatchControlSocket() {
    delete control_notifier_;
    control_notifier_ = nullptr;
    if (engine_.control_fd() < 0) return;
    control_notifier_ = new QSocketNotifier(engine_.control_fd(), QSocketNotifier::Read, this);
    connect(control_notifier_, &QSocketNotifier::activated, this, [this] {
        engine_.ReceiveControl();
        RefreshMenu();
    });
}

QMenu* MainWindow::AddEntries(QMenu* menu, const MenuEntry* it, const MenuEntry* end) {
    for (; it != end; ++it) {
        if (it->id == 0) {
            menu->addSeparator();
        } else if (it->id == -1) {
            QMenu* sub = menu->addMenu(QString::fromUtf8(it->text));
            const MenuEntry* close = it + 1;
            while (close != end && close->id != -2) ++close;
            AddEntries(sub, it + 1, close);
            it = close == end ? end - 1 : close;
        } else if (it->id > 0) {
            const QString text = QString::fromUtf8(it->text);
            QAction* a = menu->addAction(text.section('\t', 0, 0));
            const int id = it->id;
            a->setData(id);
            connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
            actions_[id] = a;
        }
    }
    return menu;
}

void MainWindow::BuildMenus() {
    for (const MenuPopup& popup : MainMenu()) {
        QMenu* m = menuBar()->addMenu(QString::fromUtf8(popup.title));
        m->setToolTipsVisible(true);  // greyed items say why
        AddEntries(m, popup.entries.data(), popup.entries.data() + popup.entries.size());
    }
}

void MainWindow::CreateSecondaryWindows() {
    for (const SecondarySpec& s : kSecondary) {
        QWidget* w = nullptr;
        if (QString(s.title) == "Playback") {
            playback_ = new PlaybackWindow(engine_, this);
            w = playback_;
        } else {
            w = new QWidget(this, Qt::Tool);
        }
        w->setWindowTitle(s.title);
        w->setObjectName(s.title);
        w->setGeometry(s.x, s.y, s.w, s.h);
        w->hide();
        secondary_.insert(s.title, w);
    }
}

void MainWindow::CreateVideo() {
    video_ = new VideoController(
        engine_.video_feed(), engine_.playback_frames(),
        engine_.simulating() ? CameraSource::Kind::Synthetic : CameraSource::Kind::System,
        engine_.working_dir(), this);
    secondary_.insert(kVideoPlaybackTitle, video_->playback_window());
    connect(video_, &VideoController::Message, this,
            [this](const QString& text, const QString& title) {
                op_.MessageBox(text.toStdString(), title.toStdString());
            });
    connect(video_, &VideoController::StateChanged, this, [this] {
        engine_.SetCameraState(video_->camera_available(), video_->connected());
        RefreshMenu();
    });
    engine_.SetCameraState(video_->camera_available(), false);
}

// Commands the window carries out itself: the video windows and Save Screen.
bool MainWindow::RunWindowCommand(int id) {
    switch (id) {
        case menu::kVideoWindow:
            video_->OpenVideoWindow(engine_.in_playback());
            return true;
        case menu::kVideoFormat:
            video_->OpenFormatDialog();
            return true;
        case menu::kSaveScreen:
            SaveScreenAs(
                this, [this](const FileDialogRequest& r) { return AskFiles(r); },
                [this](const OperatorMessage& m) { op_.MessageBox(m.text, m.title); });
            return true;
        default:
            return false;
    }
}

QAction* MainWindow::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QWidget* MainWindow::Secondary(const QString& title) const {
    return secondary_.value(title);
}

void MainWindow::RefreshMenu() {
    const MenuState& state = engine_.menu();
    for (auto& [id, a] : actions_) {
        const MenuItemState& s = state[id];
        a->setEnabled(s.enabled);
        a->setCheckable(true);
        a->setChecked(s.checked);
        if (!s.text.empty()) a->setText(QString::fromStdString(s.text).section('\t', 0, 0));
    }
    if (!video_) return;
    // Switching the data source (from the menu or a control datagram) closes the camera and
    // the playback window.
    if (engine_.in_playback() != video_playback_) {
        video_playback_ = engine_.in_playback();
        video_->OnDataSourceChanged(video_playback_);
    }
    // A greyed camera item says why.
    for (int id : {menu::kVideoWindow, menu::kRecordVideo, menu::kVideoFormat, menu::kVideoRate}) {
        if (QAction* a = Action(id)) {
            a->setToolTip(a->isEnabled() ? QString() : video_->unavailable_reason());
        }
    }
}

// The file dialog described by `r`; the names chosen (none when cancelled).
std::vector<std::string> MainWindow::AskFiles(const FileDialogRequest& r) {
    if (dialog_answer_) return dialog_answer_(r);
    QFileDialog dlg(this, QString::fromStdString(r.title), QString(),
                    QString::fromStdString(r.filter));
    dlg.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(
        r.save ? QFileDialog::AnyFile
               : (r.multi_select ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile));
    dlg.setDefaultSuffix(QString::fromStdString(r.default_ext));
    std::vector<std::string> out;
    if (dlg.exec() == QDialog::Accepted) {
        for (const QString& f : dlg.selectedFiles()) out.push_back(f.toStdString());
    }
    return out;
}

void MainWindow::RunCommand(int id) {
    if (id == menu::kExit) {
        close();
        return;
    }
    // The settings dialogs (and "&About") are shown here; the engine gets what they accepted.
    if (RunSettingsDialog(
            id, {this, engine_, op_, [this](const FileDialogRequest& r) { return AskFiles(r); }})) {
        AfterCommand();
        return;
    }
    if (RunWindowCommand(id)) {
        AfterCommand();
        return;
    }
    // The dialog runs before the engine is asked anything: the engine never waits for it.
    if (const std::optional<FileDialogKind> kind = engine_.DialogFor(id)) {
        const FileChoice choice = CheckChosenFiles(*kind, AskFiles(FileDialogFor(*kind)));
        if (!choice.message.empty()) op_.MessageBox(choice.message, choice.message_title);
        if (choice.accepted()) engine_.CommandWithFiles(id, choice.paths);
    } else {
        engine_.Command(id);
    }
    AfterCommand();
}

void MainWindow::AfterCommand() {
    RefreshMenu();
    SyncSecondaryWindows();
    RefreshPlaybackWindow();
}

// Ctrl+N: the recording goes on in a new file, named automatically or in the save dialog.
void MainWindow::NextRecordingFile() {
    const bool automatic =
        engine_.Store().Read([](const SettingsState& st) { return st.s.AutoFilename != 0; });
    if (!automatic) {
        const FileChoice choice = CheckChosenFiles(FileDialogKind::Record,
                                                   AskFiles(FileDialogFor(FileDialogKind::Record)));
        if (!choice.message.empty()) op_.MessageBox(choice.message, choice.message_title);
        if (!choice.accepted()) return;
        engine_.NextRecordingFile(choice.paths.front());
    } else {
        engine_.NextRecordingFile();
    }
    AfterCommand();
}

// The secondary windows follow the check marks of their menu items.
void MainWindow::SyncSecondaryWindows() {
    const MenuState& m = engine_.menu();
    const std::pair<int, const char*> windows[] = {
        {menu::kDiagnostics, "Diagnostics"},  {menu::kTrackPlotter, "Track Plotter"},
        {menu::kAltitude, "Altitude"},        {menu::kSidescan, "Sidescan"},
        {menu::kEchoSounder, "Echo Sounder"}, {menu::kIntensity, "Intensity"},
        {menu::kSonarInfo, "Sonar Info"},     {menu::kSonarStatus, "Sonar Status"}};
    for (const auto& [id, title] : windows) {
        if (QWidget* w = Secondary(title)) w->setVisible(m[id].checked);
    }
    if (QWidget* w = Secondary("Playback")) w->setVisible(engine_.in_playback());
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        // Ctrl+S starts, Ctrl+E stops, Ctrl+N starts the next recording (live only).
        // The engine's menu also counts a start or stop not yet taken over by the ping thread.
        const bool recording = engine_.menu()[menu::kRecord].text.rfind("&Record Stop", 0) == 0;
        if (!engine_.in_playback()) {
            if ((event->key() == Qt::Key_S && !recording) ||
                (event->key() == Qt::Key_E && recording)) {
                RunCommand(menu::kRecord);
            } else if (event->key() == Qt::Key_N) {
                if (recording) {
                    NextRecordingFile();
                } else {
                    RunCommand(menu::kRecord);
                }
            }
        }
        return;
    }
    const QString t = event->text();
    if (!t.isEmpty() && t[0].isPrint()) {
        engine_.KeyChar(t[0].toLatin1());
        RefreshMenu();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        delete control_notifier_;  // the engine closes the socket it watches
        control_notifier_ = nullptr;
        video_->Shutdown();  // a clip is completed, the camera closed
        engine_.Shutdown();
    }
    event->accept();
}

void MainWindow::OnPictureReady() {
    if (engine_.TakePicture()) view_->ShowFrame(engine_.Picture());
    RefreshPlaybackWindow();
}

// A recording started or stopped, a playback file opened or reached its end, ...
void MainWindow::OnEngineStateChanged() {
    if (closing_) return;
    RefreshMenu();
    RefreshPlaybackWindow();
}

void MainWindow::RefreshPlaybackWindow() {
    if (playback_ && playback_->isVisible()) playback_->Refresh();
}

void MainWindow::OnStatus(const QString& item, const QString& text) {
    if (item == "status") {
        status_->setText(text);
    } else {
        readout_->setText(item + ": " + text);
    }
}

}  // namespace vq::gui
