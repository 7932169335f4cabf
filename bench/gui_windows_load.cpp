// An instrumented run of the whole program under Qt's offscreen platform: live against the
// simulated head answering as fast as it can, first with no secondary window, then with every
// one of them open (profile mode with the waterfall, detection on). It prints the pings the
// head sent, received and processed, the frames the windows could not take in time, and the
// GUI thread's CPU time per ping, and can save a picture of the windows.
//
//   vq_gui_windows_load [--seconds N] [--picture FILE.png]
#include <pty.h>
#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/engine.h"
#include "app/menu_table.h"
#include "gui/main_window.h"
#include "gui/qt_operator.h"
#include "gui/windows/secondary_windows.h"

namespace {

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

// A GPS receiver on a pseudo-terminal: the vessel goes round a circle of 60 m radius.
class Gps {
  public:
    Gps() {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0) name_ = name;
    }
    ~Gps() {
        if (master_ >= 0) ::close(master_);
        if (slave_ >= 0) ::close(slave_);
    }
    const std::string& device() const { return name_; }
    void Send(double seconds) const {
        if (master_ < 0) return;
        const double a = seconds * 0.2;
        const double north = 60.0 * std::sin(a), east = 60.0 * (1.0 - std::cos(a));
        char body[128], line[160];
        std::snprintf(body, sizeof body, "GPGGA,101530.25,43%08.5f,N,007%08.5f,E,2,09,0.9,,M,,M,,",
                      39.0 + north / 1852.0, east / (1852.0 * 0.7235));
        unsigned sum = 0;
        for (const char* c = body; *c != 0; ++c) sum ^= static_cast<unsigned char>(*c);
        const int n = std::snprintf(line, sizeof line, "$%s*%02X\r\n", body, sum);
        if (::write(master_, line, static_cast<std::size_t>(n)) < 0) return;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string name_;
};

// Runs the event loop for `ms` (waiting for events, as the program does), with a GPS fix every
// 200 ms.
void Run(int ms, const Gps& gps) {
    QElapsedTimer t;
    t.start();
    QEventLoop loop;
    QTimer fixes;
    QObject::connect(&fixes, &QTimer::timeout,
                     [&] { gps.Send(static_cast<double>(t.elapsed()) / 1000.0 + 40.0); });
    fixes.start(200);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Figures {
    std::uint64_t served = 0, received = 0, processed = 0, dropped = 0, frames = 0;
    double gui_cpu_ms = 0.0, drain_ms = 0.0, seconds = 0.0;
};

// `seconds` of live pings in `dir` with the windows of `items` open.
Figures Measure(const std::filesystem::path& dir, std::initializer_list<int> items, int seconds,
                const char* picture) {
    const Gps gps;
    vq::gui::QtOperator op;
    op.set_unattended(true);
    vq::EngineOptions o;
    o.working_dir = dir;
    o.simulate = true;
    o.sim_pacing = false;
    o.link_initial_delay_ms = 0;
    o.gps_device = gps.device();
    vq::Engine engine(o, op);
    vq::gui::MainWindow window(engine, op);
    engine.Start();
    window.RefreshMenu();
    window.move(0, 0);
    window.show();
    for (int id : items) window.Action(id)->trigger();
    Run(1500, gps);  // connected, geometry set up, windows drawn once
    vq::gui::SecondaryWindows& w = *window.secondary_windows();
    const vq::EngineStats s0 = engine.stats();
    const std::uint64_t dropped0 = engine.SecondaryFrames().dropped();
    const std::uint64_t frames0 = w.frames_taken();
    const double drain0 = w.busy_ms();
    const double cpu0 = ThreadCpuMs();
    QElapsedTimer wall;
    wall.start();
    Run(seconds * 1000, gps);
    Figures f;
    f.gui_cpu_ms = ThreadCpuMs() - cpu0;
    f.seconds = static_cast<double>(wall.elapsed()) / 1000.0;
    const vq::EngineStats s1 = engine.stats();
    f.served = s1.sim_pings_served - s0.sim_pings_served;
    f.received = s1.pings_received - s0.pings_received;
    f.processed = s1.pings_processed - s0.pings_processed;
    f.dropped = engine.SecondaryFrames().dropped() - dropped0;
    f.frames = w.frames_taken() - frames0;
    f.drain_ms = w.busy_ms() - drain0;
    if (picture != nullptr) {
        // The main window and every secondary window where they stand, each under a caption.
        QImage shot(1650, 1150, QImage::Format_RGB32);
        shot.fill(QColor(40, 44, 52));
        QPainter p(&shot);
        const int caption = 18;
        p.drawPixmap(0, caption, window.grab());
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible() || top == &window) continue;
            const QRect g = top->geometry();
            p.fillRect(QRect(g.x(), g.y(), g.width(), caption), QColor(90, 96, 110));
            p.setPen(Qt::white);
            p.drawText(QRect(g.x() + 4, g.y(), g.width(), caption), Qt::AlignVCenter,
                       top->windowTitle());
            p.drawPixmap(g.x(), g.y() + caption, top->grab());
        }
        p.fillRect(QRect(0, 0, 1034, caption), QColor(90, 96, 110));
        p.drawText(QRect(4, 0, 1034, caption), Qt::AlignVCenter, window.windowTitle());
        shot.save(picture);
    }
    window.close();
    return f;
}

void Print(const char* what, const Figures& f) {
    const double per_ping = f.processed > 0 ? f.gui_cpu_ms / f.processed : 0.0;
    std::printf(
        "%-22s %6.1f s: head sent %llu, received %llu, processed %llu (%.0f pings/s); "
        "frames taken %llu, dropped %llu; GUI thread CPU %.3f ms per ping (windows' share "
        "%.3f ms)\n",
        what, f.seconds, static_cast<unsigned long long>(f.served),
        static_cast<unsigned long long>(f.received), static_cast<unsigned long long>(f.processed),
        static_cast<double>(f.processed) / f.seconds, static_cast<unsigned long long>(f.frames),
        static_cast<unsigned long long>(f.dropped), per_ping,
        f.processed > 0 ? f.drain_ms / f.processed : 0.0);
}

// The place of every window for the picture and the run.
const char* kIni =
    "[Settings]\r\nIPAddress_Sonar1=127.0.0.1\r\nIPAddress_Output1=127.0.0.1\r\n"
    "ComPortSVEnable=0\r\nDisplayType=3\r\nProfilePointDetection=1\r\n"
    "ProfileWaterfall=1\r\nAltitudeWindowX=760\r\nAltitudeWindowY=560\r\n"
    "SidescanWindowRect=1040,18,300,200\r\nEchoSounderWindowRect=1350,18,290,200\r\n"
    "IntensityWindowRect=1040,254,300,200\r\nTrackPlotterWindowRect=1350,254,290,200\r\n"
    "DiagnosticsWindowRect=1040,490,270,440\r\nSonarStatusWindowRect=1320,490,320,130\r\n"
    "SonarInfoWindowRect=1320,656,320,470\r\n";

}  // namespace

int main(int argc, char** argv) {
    int seconds = 20;
    const char* picture = nullptr;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::atoi(argv[++i]);
        if (std::strcmp(argv[i], "--picture") == 0) picture = argv[++i];
    }
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("vq-gui-load-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    // The offscreen screen is made large enough for every window beside the main one.
    std::ofstream(dir / "screen.json")
        << R"({"screens": [{"name": "screen-1", "x": 0, "y": 0, "width": 1920, )"
        << R"("height": 1200, "dpi": 96, "dpr": 1}]})";
    const std::string platform = "offscreen:configfile=" + (dir / "screen.json").string();
    qputenv("QT_QPA_PLATFORM", platform.c_str());
    QApplication app(argc, argv);
    std::ofstream(dir / "Vornax_Qi.INI", std::ios::binary) << kIni;
    namespace m = vq::menu;
    Print("no secondary window", Measure(dir, {}, seconds, nullptr));
    Print("every window open",
          Measure(dir,
                  {m::kDiagnostics, m::kSonarInfo, m::kSonarStatus, m::kTrackPlotter, m::kSidescan,
                   m::kEchoSounder, m::kIntensity, m::kAltitude},
                  seconds, picture));
    std::filesystem::remove_all(dir);
    return 0;
}
