// The program's command line: options for a live run, and the unattended conversion of a
// recording (which runs without any window and prints its progress on the terminal).
#pragma once

#include <string>

#include "app/engine.h"

namespace vq {

struct CommandLine {
    EngineOptions options;
    bool help = false;
    bool version = false;
    bool desktop = false;  // started by the desktop entry: settings and recordings per user
};

// Parses argv. False with a reason for an unknown option or a missing option value.
bool ParseCommandLine(int argc, char** argv, CommandLine& out, std::string* error);

// Converts options.command_line_file by options.command_line_switch in the current directory.
// Returns the process exit status (0 success, 1 failure with a one-line reason on stderr).
int RunConversion(const EngineOptions& options);

}  // namespace vq
