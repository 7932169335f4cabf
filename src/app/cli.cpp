#include "app/cli.h"

#include "recording/conversion.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace vq {
namespace {

// "/p" style switch: a slash and one letter; the letter is returned in lower case.
char SwitchLetter(std::string_view arg) {
    if (arg.size() != 2 || arg[0] != '/') return 0;
    const char c = static_cast<char>(arg[1] | 0x20);
    return (c == 'p' || c == 'b' || c == 'x' || c == 'c' || c == 'z') ? c : 0;
}

}  // namespace

bool ParseCommandLine(int argc, char** argv, CommandLine& out, std::string* error) {
    std::string words;  // the recording name and its switch, as one text
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                if (error) *error = std::string(name) + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        if (a == "-h" || a == "--help") {
            out.help = true;
        } else if (a == "--version") {
            out.version = true;
        } else if (a == "--desktop") {
            out.desktop = true;
        } else if (a == "--simulate") {
            out.options.simulate = true;
        } else if (a == "--no-pacing") {
            out.options.sim_pacing = false;
        } else if (a == "--gps") {
            const char* v = value("--gps");
            if (!v) return false;
            out.options.gps_device = v;
        } else if (a == "--sv") {
            const char* v = value("--sv");
            if (!v) return false;
            out.options.sv_device = v;
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            if (error) *error = "unknown option " + std::string(a);
            return false;
        } else {
            if (!words.empty()) words += ' ';
            words += a;
        }
    }
    if (words.empty()) return true;
    // The recording name, optionally followed by a slash and the conversion letter.
    const auto slash = words.rfind('/');
    if (slash != std::string::npos && slash + 2 == words.size() &&
        SwitchLetter(std::string_view(words).substr(slash)) != 0) {
        out.options.command_line_switch = SwitchLetter(std::string_view(words).substr(slash));
        words.erase(slash);
        while (!words.empty() && words.back() == ' ') words.pop_back();
    }
    out.options.command_line_file = words;
    return true;
}

}  // namespace vq

namespace vq {
namespace {

// The operator of an unattended run: messages go to the terminal.
class TerminalOperator final : public Operator {
  public:
    void MessageBox(std::string_view text, std::string_view title) override {
        std::string one_line(text);
        for (char& c : one_line)
            if (c == '\n') c = ' ';
        std::fprintf(stderr, "vornax_qi: %.*s: %s\n", static_cast<int>(title.size()), title.data(),
                     one_line.c_str());
    }
    void SetWindowTitle(std::string_view) override {}
    void SetStatus(std::string_view, std::string_view) override {}
    void PictureReady() override {}
};

}  // namespace

int RunConversion(const EngineOptions& options) {
    std::string text = options.command_line_file;
    text += std::string(" /") + options.command_line_switch;
    std::optional<CommandLineRequest> req = ParseCommandLine(text);
    if (!req) {
        std::fprintf(stderr, "vornax_qi: cannot read the command line\n");
        return 1;
    }
    switch (CheckCommandLineFile(*req)) {
        case CommandLineFile::Ok:
            break;
        case CommandLineFile::WrongExtension:
            std::fprintf(stderr, "vornax_qi: %s: File extension must be .VQS\n", req->file.c_str());
            return 1;
        case CommandLineFile::Missing:
            std::fprintf(stderr, "vornax_qi: %s: no such file\n", req->file.c_str());
            return 1;
        case CommandLineFile::BadMagic:
            std::fprintf(stderr, "vornax_qi: %s: Data type is incorrect --> check file format\n",
                         req->file.c_str());
            return 1;
    }
    TerminalOperator op;
    EngineOptions o = options;
    o.simulate = false;
    Engine engine(o, op);
    engine.Start();
    const std::vector<std::string> outputs = engine.command_line_outputs();
    if (!engine.command_line_opened() || outputs.size() != CommandLineOutputs(*req).size()) {
        std::fprintf(stderr, "vornax_qi: %s: an output file cannot be created\n",
                     req->file.c_str());
        engine.Shutdown();
        return 1;
    }
    // The conversion runs on the playback source's thread, the same way as in the window;
    // this thread only reports its progress.
    int shown = -1;
    for (bool done = false; !done;) {
        done = engine.WaitForPlaybackEnd(1, std::chrono::milliseconds(200));
        const int pct = done ? 100 : static_cast<int>(engine.playback().progress * 100.0);
        if (pct / 10 != shown / 10) {
            std::printf("converting %s: %d%%\n", req->file.c_str(), pct);
            std::fflush(stdout);
            shown = pct;
        }
    }
    std::printf("converted %s: %llu pings to", req->file.c_str(),
                static_cast<unsigned long long>(engine.playback().records_at_end));
    for (const std::string& f : outputs) std::printf(" %s", f.c_str());
    std::printf("\n");
    engine.Shutdown();
    return 0;
}

}  // namespace vq
