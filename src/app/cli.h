// The program's command line: options for a live run, and the unattended conversion of a
// recording (which runs without any window and prints its progress on the terminal).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/engine.h"
#include "platform/termination_signals.h"

namespace vq {

struct CommandLine {
    EngineOptions options;           // command_line_file: the first recording named
    std::vector<std::string> files;  // every recording named, in order
    bool help = false;
    bool version = false;
    bool desktop = false;  // started by the desktop entry: settings and recordings per user
    int jobs = 0;          // --jobs; 0: one per processor core
    // --read-only-settings / --save-settings; unset: read only when several files are named.
    std::optional<bool> save_settings;
};

// Parses argv. False with a reason for an unknown option, a missing or bad option value, or
// several recordings without a conversion switch. A recording's name may take several words
// (a name with spaces); a word ending in .vqs (any letter case) ends a name.
bool ParseCommandLine(int argc, char** argv, CommandLine& out, std::string* error);

// Converts every recording named by the switch, one after the other, each read with the
// settings of the settings file in the current directory and formed on cl.jobs threads.
// Returns the process exit status (0 when all converted, 1 when one failed: a one-line
// reason on stderr for each, and the others are still converted). An end signal arriving on
// `end_signals` stops the conversion under way: the engine shuts down as at the end of a run,
// its incomplete output files are removed, no further recording is started, and the status
// is 128 + the signal.
int RunConversions(const CommandLine& cl, TerminationSignals* end_signals = nullptr);

// The program's version, as --version prints it.
const char* ProgramVersion();

}  // namespace vq
