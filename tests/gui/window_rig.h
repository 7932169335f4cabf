// The main window under Qt's offscreen platform, live over a settings file of its own (loopback
// addresses) in a temporary directory, and the event-loop wait every window test uses.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "app/engine.h"
#include "gui/main_window.h"
#include "gui/qt_operator.h"
#include "support/temp_dir.h"

namespace vq::gui::test_rig {

// A wait's limit only guards against a hang. Under ThreadSanitizer the program runs many
// times slower (and the suite runs two tests at once on two cores), so the limit is stretched.
#if defined(__SANITIZE_THREAD__)
inline constexpr int kWaitScale = 4;
#else
inline constexpr int kWaitScale = 1;
#endif

// Runs the event loop until pred() holds or ms (times kWaitScale) have passed.
template <class P>
bool WaitFor(P pred, int ms = 20000) {
    const qint64 limit = static_cast<qint64>(ms) * kWaitScale;
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > limit) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Runs the event loop for ms.
inline void Pause(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The engine against the in-process simulated head unless the options say otherwise.
inline EngineOptions Simulated(bool simulate = true) {
    EngineOptions o;
    o.simulate = simulate;
    return o;
}

struct LiveWindow {
    ::vq::test::TempDir dir;
    QtOperator op;
    std::unique_ptr<Engine> engine;
    std::unique_ptr<MainWindow> window;
    explicit LiveWindow(const std::string& ini = "", EngineOptions o = Simulated()) {
        dir.WriteLoopbackIni(ini);
        op.set_unattended(true);
        o.working_dir = dir.path();
        o.link_initial_delay_ms = 0;
        engine = std::make_unique<Engine>(o, op);
        window = std::make_unique<MainWindow>(*engine, op);
        engine->Start();
        window->WatchControlSocket();
        window->RefreshMenu();
        window->show();
    }
    std::uint64_t processed() const { return engine->stats().pings_processed; }
    bool Pings(std::uint64_t n) {
        const auto start = processed();
        return WaitFor([&] { return processed() >= start + n; }, 20000);
    }
};

}  // namespace vq::gui::test_rig
