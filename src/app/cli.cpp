#include "app/cli.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace vq {
namespace {

// "/p" style switch: a slash and one letter; the letter is returned in lower case.
char SwitchLetter(std::string_view arg) {
    if (arg.size() != 2 || arg[0] != '/') return 0;
    const char c = static_cast<char>(arg[1] | 0x20);
    return (c == 'p' || c == 'b' || c == 'x' || c == 'c') ? c : 0;
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

int RunConversion(const EngineOptions& options) {
    std::fprintf(stderr, "vornax_qi: %s: conversion is not available in this build\n",
                 options.command_line_file.c_str());
    return 1;
}

}  // namespace vq
