// The program's entry point. A recording named on the command line with a conversion switch
// (/p, /b, /x, /c or /z) is converted without any window; otherwise the main window opens.
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSocketNotifier>
#include <QSplashScreen>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/cli.h"
#include "app/engine.h"
#include "app/locations.h"
#include "gui/main_window.h"
#include "gui/qt_operator.h"
#include "platform/termination_signals.h"

namespace {

void PrintHelp() {
    std::puts(
        "Usage: vornax_qi [options] [RECORDING.VQS ... [/p|/b|/x|/c|/z]]\n"
        "\n"
        "Operates a multibeam imaging and profiling sonar head over Ethernet.\n"
        "Settings are read from and written to Vornax_Qi.INI in the current directory, and\n"
        "recordings are made there. Started with --desktop (as the desktop menu does), the\n"
        "settings live in $XDG_CONFIG_HOME/vornax-qi (~/.config/vornax-qi) and recordings in\n"
        "the Vornax_Qi folder of the documents directory (~/Documents/Vornax_Qi).\n"
        "\n"
        "Options:\n"
        "  --simulate        run live against a built-in simulated sonar head on loopback;\n"
        "                    UDP output goes to 127.0.0.1 for this run\n"
        "  --no-pacing       with --simulate: the simulated head answers as fast as it can\n"
        "  --gps DEVICE      read GPS sentences from this serial device (e.g. a pseudo-terminal)\n"
        "  --sv DEVICE       read the sound-velocity probe from this serial device\n"
        "  --desktop         settings and recordings in the per-user directories\n"
        "  -j, --jobs N      conversions: form the beams of each ping on N threads (default: one\n"
        "                    per processor core); the outputs are the same for any N\n"
        "  --read-only-settings\n"
        "                    read Vornax_Qi.INI but do not write it back at the end; on by\n"
        "                    default when several recordings are converted, so that runs in one\n"
        "                    directory never overwrite each other's settings\n"
        "  --save-settings   write Vornax_Qi.INI back at the end even with several recordings\n"
        "  --version         show the version\n"
        "  -h, --help        show this help\n"
        "\n"
        "Conversion without a window (the program ends when the files have been converted):\n"
        "  vornax_qi survey.vqs /p   point file survey.Q4P\n"
        "  vornax_qi survey.vqs /b   beam file survey.Q4B\n"
        "  vornax_qi survey.vqs /x   XTF file survey_sss.XTF and point file survey.Q4P\n"
        "  vornax_qi survey.vqs /c   CSV file survey.csv (one line per profile point)\n"
        "  vornax_qi survey.vqs /z   soundings survey.xyz (easting northing depth)\n"
        "  vornax_qi a.vqs b.vqs /p  a.Q4P and b.Q4P, one after the other\n"
        "Exit status: 0 on success, 1 with a one-line reason on stderr for every recording that\n"
        "could not be converted (the others are converted all the same), 2 for an unknown\n"
        "option or switch.\n"
        "\n"
        "SIGTERM, SIGINT and SIGHUP end the program as E&xit does; a conversion they interrupt\n"
        "removes its incomplete output files, converts no further recording and exits with\n"
        "128 + the signal's number.");
}

// The splash: the program's name and version on a dark plate.
QPixmap SplashPicture() {
    QPixmap pm(420, 160);
    pm.fill(QColor(14, 16, 20));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0, 170, 210));
    QFont title = p.font();
    title.setPointSize(22);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(0, 28, 420, 50), Qt::AlignCenter, "Vornax_Qi");
    QFont small = p.font();
    small.setPointSize(11);
    small.setBold(false);
    p.setFont(small);
    p.setPen(QColor(216, 216, 216));
    p.drawText(QRect(0, 80, 420, 24), Qt::AlignCenter, "Multibeam Sonar");
    p.drawText(QRect(0, 108, 420, 24), Qt::AlignCenter, "Version " VQ_VERSION_TEXT);
    return pm;
}

}  // namespace

int main(int argc, char** argv) {
    // First of all: every thread started later leaves SIGTERM, SIGINT and SIGHUP to it.
    vq::TerminationSignals end_signals;
    vq::CommandLine cl;
    std::string error;
    if (!vq::ParseCommandLine(argc, argv, cl, &error)) {
        std::fprintf(stderr, "vornax_qi: %s\n", error.c_str());
        return 2;
    }
    if (cl.help) {
        PrintHelp();
        return 0;
    }
    if (cl.version) {
        std::printf("vornax_qi %s\n", vq::ProgramVersion());
        return 0;
    }
    vq::ProgramLocations where;
    if (cl.desktop) {
        where = vq::ResolveLocations(vq::LocationInputsFromEnvironment(true));
        std::error_code ec;
        std::filesystem::create_directories(where.settings_dir, ec);
        std::filesystem::create_directories(where.recording_dir, ec);
        cl.options.settings_dir = where.settings_dir;
    }
    if (cl.options.command_line_switch != 0) return vq::RunConversions(cl, &end_signals);

    QApplication app(argc, argv);
    QSplashScreen splash(SplashPicture());
    splash.show();
    QApplication::processEvents();
    vq::gui::QtOperator op;
    if (cl.desktop) {
        // File dialogs and automatic recording names start in the recordings folder.
        std::error_code ec;
        std::filesystem::current_path(where.recording_dir, ec);
    }
    cl.options.working_dir = std::filesystem::current_path();
    vq::Engine engine(cl.options, op);
    vq::gui::MainWindow window(engine, op);
    engine.Start();
    window.WatchControlSocket();
    window.RefreshMenu();
    window.show();
    // The splash stays a moment over the window, then the windows of the last run come up.
    QTimer::singleShot(1200, &window, [&] {
        splash.finish(&window);
        window.AfterStart();
    });
    // An end signal closes the window the way "E&xit" does (recording stopped on a whole
    // record, output files closed, the link stopped, the settings written), after closing any
    // dialog that waits for an answer no one will give.
    QSocketNotifier end_notifier(end_signals.fd(), QSocketNotifier::Read);
    end_notifier.setEnabled(end_signals.ok());
    QObject::connect(&end_notifier, &QSocketNotifier::activated, &window, [&] {
        const int sig = end_signals.Take();
        if (sig == 0) return;
        end_notifier.setEnabled(false);
        std::fprintf(stderr, "vornax_qi: %s received: closing as E&xit does\n", strsignal(sig));
        op.set_closing();
        for (int i = 0; i < 8 && QApplication::activeModalWidget() != nullptr; ++i)
            QApplication::activeModalWidget()->close();
        QMetaObject::invokeMethod(
            &window,
            [&window] {
                window.close();
                QApplication::quit();
            },
            Qt::QueuedConnection);
    });
    return QApplication::exec();
}
