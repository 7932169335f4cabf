#include "app/cli.h"

#include "recording/conversion.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <thread>

namespace vq {
namespace {

// "/p" style switch: a slash and one letter; the letter is returned in lower case.
char SwitchLetter(std::string_view arg) {
    if (arg.size() != 2 || arg[0] != '/') return 0;
    const char c = static_cast<char>(arg[1] | 0x20);
    return (c == 'p' || c == 'b' || c == 'x' || c == 'c' || c == 'z') ? c : 0;
}

// "/" followed by letters only, as a conversion switch is written ("/p", "/z", "/px"); a path
// ("/data/survey.vqs") has a "." or a second "/".
bool LooksLikeSwitch(std::string_view arg) {
    if (arg.size() < 2 || arg.size() > 4 || arg[0] != '/') return false;
    for (char c : arg.substr(1))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    return true;
}

}  // namespace

bool ParseCommandLine(int argc, char** argv, CommandLine& out, std::string* error) {
    std::vector<std::string> words;  // the recording names and the switch, word by word
    auto fail = [&](std::string reason) {
        if (error) *error = std::move(reason);
        return false;
    };
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
        } else if (a == "-j" || a == "--jobs") {
            const char* v = value("--jobs");
            if (!v) return false;
            char* end = nullptr;
            const long n = std::strtol(v, &end, 10);
            if (end == v || *end != '\0' || n < 1 || n > 256)
                return fail("--jobs needs a number of threads from 1 to 256");
            out.jobs = static_cast<int>(n);
        } else if (a == "--read-only-settings") {
            out.save_settings = false;
        } else if (a == "--save-settings") {
            out.save_settings = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return fail("unknown option " + std::string(a));
        } else if (LooksLikeSwitch(a) && !words.empty() && (i + 1 < argc || SwitchLetter(a) == 0)) {
            // After the recording's name a slash and letters is a conversion switch: a known
            // one, and only as the last word.
            return fail(SwitchLetter(a) == 0
                            ? "unknown switch " + std::string(a) + " (use /p, /b, /x, /c or /z)"
                            : "the switch " + std::string(a) + " must come last");
        } else {
            words.emplace_back(a);
        }
    }
    if (words.empty()) return true;
    // The conversion letter: a last word "/p" (or a last word ending in " /p").
    std::string& last = words.back();
    if (SwitchLetter(last) != 0) {
        out.options.command_line_switch = SwitchLetter(last);
        words.pop_back();
    } else if (last.size() > 3 && last[last.size() - 3] == ' ' &&
               SwitchLetter(std::string_view(last).substr(last.size() - 2)) != 0) {
        out.options.command_line_switch =
            SwitchLetter(std::string_view(last).substr(last.size() - 2));
        last.erase(last.size() - 3);
    }
    // The names: words up to one ending in .vqs make one name; what is left at the end (a
    // name without extension) makes the last.
    std::string name;
    for (const std::string& w : words) {
        if (!name.empty()) name += ' ';
        name += w;
        const bool ends_vqs = w.size() >= 4 && w[w.size() - 4] == '.' &&
                              (w[w.size() - 3] | 0x20) == 'v' && (w[w.size() - 2] | 0x20) == 'q' &&
                              (w[w.size() - 1] | 0x20) == 's';
        if (ends_vqs) {
            out.files.push_back(name);
            name.clear();
        }
    }
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (!name.empty()) out.files.push_back(name);
    if (out.files.empty()) return true;
    if (out.files.size() > 1 && out.options.command_line_switch == 0)
        return fail("several recordings need a conversion switch (/p, /b, /x or /c)");
    out.options.command_line_file = out.files.front();
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

const char* ProgramVersion() {
    return VQ_VERSION;
}

namespace {

// The end of a conversion cut short by signal `sig`: the engine shuts down as at the end of a
// run (outputs closed, settings written), then the half-written outputs are removed so that
// nothing passes for a whole conversion.
int Interrupted(Engine& engine, const std::string& file, const std::vector<std::string>& outputs,
                int sig) {
    // The soundings without a fix go to a file opened only when the first such ping came.
    std::vector<std::string> all = outputs;
    for (const std::string& p : engine.recording().output_paths) {
        if (!p.empty() && std::find(all.begin(), all.end(), p) == all.end()) all.push_back(p);
    }
    engine.Shutdown();
    std::string removed;
    for (const std::string& f : all) {
        std::error_code ec;
        if (std::filesystem::remove(f, ec)) removed += " " + f;
    }
    std::fprintf(stderr,
                 "vornax_qi: %s: conversion interrupted by %s; incomplete output removed:%s\n",
                 file.c_str(), strsignal(sig), removed.empty() ? " none" : removed.c_str());
    return ExitStatusForSignal(sig);
}

// One recording through a fresh engine: the settings file as it is, the outputs by the name
// rules. Returns 0, 1 with a one-line reason on stderr, or 128 + an end signal.
int ConvertOne(EngineOptions o, TerminationSignals* end_signals) {
    std::string text = o.command_line_file;
    text += std::string(" /") + o.command_line_switch;
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
        if (const int sig = end_signals != nullptr ? end_signals->Take() : 0; sig != 0 && !done)
            return Interrupted(engine, req->file, outputs, sig);
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
    std::fflush(stdout);
    engine.Shutdown();
    return 0;
}

}  // namespace

int RunConversions(const CommandLine& cl, TerminationSignals* end_signals) {
    EngineOptions o = cl.options;
    const unsigned cores = std::thread::hardware_concurrency();
    o.jobs = cl.jobs > 0 ? cl.jobs : static_cast<int>(cores > 0 ? cores : 1);
    o.draw_picture = false;  // nobody sees it
    // Runs that convert several files (often several at once in one directory) read the
    // settings file and leave it as it is, unless asked otherwise.
    o.save_settings = cl.save_settings.value_or(cl.files.size() <= 1);
    int status = 0;
    for (const std::string& f : cl.files) {
        // An end signal between two recordings ends the run before the next one starts.
        if (const int sig = end_signals != nullptr ? end_signals->Take() : 0; sig != 0)
            return ExitStatusForSignal(sig);
        o.command_line_file = f;
        const int one = ConvertOne(o, end_signals);
        if (one > 1) return one;  // an end signal: the files after it are left alone
        if (one != 0) status = 1;
    }
    return status;
}

}  // namespace vq
