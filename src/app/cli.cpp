#include "app/cli.h"

#include "recording/conversion.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

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
        } else if (a.size() > 1 && a[0] == '-') {
            if (error) *error = "unknown option " + std::string(a);
            return false;
        } else if (LooksLikeSwitch(a) && !words.empty() && (i + 1 < argc || SwitchLetter(a) == 0)) {
            // After the recording's name a slash and letters is a conversion switch: a known
            // one, and only as the last word.
            if (error)
                *error = SwitchLetter(a) == 0
                             ? "unknown switch " + std::string(a) + " (use /p, /b, /x, /c or /z)"
                             : "the switch " + std::string(a) + " must come last";
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

}  // namespace

int RunConversion(const EngineOptions& options, TerminationSignals* end_signals) {
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
    engine.Shutdown();
    return 0;
}

}  // namespace vq
