// The program's entry point. A recording named on the command line with a conversion switch
// (/p, /b, /x or /c) is converted without any window; otherwise the main window opens.
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/cli.h"
#include "app/engine.h"
#include "app/locations.h"
#include "gui/main_window.h"
#include "gui/qt_operator.h"

namespace {

void PrintHelp() {
    std::puts(
        "Usage: vornax_qi [options] [RECORDING.VQS [/p|/b|/x|/c]]\n"
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
        "  --version         show the version\n"
        "  -h, --help        show this help\n"
        "\n"
        "Conversion without a window (the program ends when the file has been converted):\n"
        "  vornax_qi survey.vqs /p   point file survey.Q4P\n"
        "  vornax_qi survey.vqs /b   beam file survey.Q4B\n"
        "  vornax_qi survey.vqs /x   XTF file survey_sss.XTF and point file survey.Q4P\n"
        "  vornax_qi survey.vqs /c   CSV file survey.csv (one line per profile point)\n"
        "  vornax_qi survey.vqs /z   soundings survey.xyz (easting northing depth)\n"
        "Exit status: 0 on success, 1 with a one-line reason on stderr otherwise.");
}

}  // namespace

int main(int argc, char** argv) {
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
        std::printf("vornax_qi %s\n", VQ_VERSION_TEXT);
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
    if (cl.options.command_line_switch != 0) return vq::RunConversion(cl.options);

    QApplication app(argc, argv);
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
    return QApplication::exec();
}
