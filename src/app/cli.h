// The program's command line: options for a live run, and the unattended conversion of a
// recording (which runs without any window and prints its progress on the terminal).
#pragma once

#include <string>

#include "app/engine.h"
#include "platform/termination_signals.h"

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
// An end signal arriving on `end_signals` stops the conversion: the engine shuts down as at the
// end of a run, the incomplete output files are removed, and the status is 128 + the signal.
int RunConversion(const EngineOptions& options, TerminationSignals* end_signals = nullptr);

}  // namespace vq
