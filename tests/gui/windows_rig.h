// The main window with its secondary windows under Qt's offscreen platform, live against the
// in-process simulated head (seabed 20 m below the head) or playing a recording.
#pragma once

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <memory>
#include <string>

#include "app/engine.h"
#include "app/menu_table.h"
#include "gui/main_window.h"
#include "gui/qt_operator.h"
#include "gui/windows/secondary_windows.h"
#include "support/temp_dir.h"
#include "window_rig.h"

namespace vq::gui::test {

using test_rig::Pause;
using test_rig::WaitFor;

// One program: an engine and its main window over a settings file of `dir`.
struct Program {
    QtOperator op;
    std::unique_ptr<Engine> engine;
    std::unique_ptr<MainWindow> window;
    Program(const std::filesystem::path& dir, bool simulate, const std::string& gps_device = "") {
        op.set_unattended(true);
        EngineOptions o;
        o.working_dir = dir;
        o.simulate = simulate;
        o.link_initial_delay_ms = 0;
        o.gps_device = gps_device;
        engine = std::make_unique<Engine>(o, op);
        window = std::make_unique<MainWindow>(*engine, op);
        engine->Start();
        window->WatchControlSocket();
        window->RefreshMenu();
        window->show();
    }
    ~Program() {
        if (window) window->close();
    }
    SecondaryWindows& windows() const { return *window->secondary_windows(); }
    QWidget* Secondary(const char* title) const { return window->Secondary(title); }
    void Trigger(int id) const { window->Action(id)->trigger(); }
    bool Checked(int id) const { return window->Action(id)->isChecked(); }
    std::uint64_t processed() const { return engine->stats().pings_processed; }
    Settings settings() const {
        return engine->Store().Read([](const SettingsState& st) { return st.s; });
    }
};

// A live program against the simulated head, with its own settings file.
struct LiveProgram {
    vq::test::TempDir dir;
    std::unique_ptr<Program> program;
    explicit LiveProgram(const std::string& ini = "", const std::string& gps_device = "") {
        dir.WriteLoopbackIni(ini);
        program = std::make_unique<Program>(dir.path(), true, gps_device);
    }
    Program* operator->() const { return program.get(); }
    // Ends the program (the settings file is written) and starts it again in the same place.
    void Restart() {
        program.reset();
        program = std::make_unique<Program>(dir.path(), true);
    }
};

}  // namespace vq::gui::test
