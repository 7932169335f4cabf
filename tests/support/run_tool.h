// Runs an independent program (Pillow through a script, ffprobe) on a file a test wrote, and
// collects what it prints, so that our own reader is not the only judge of our own writer.
#pragma once

#include <string>

namespace vq::test {

struct ToolRun {
    int status = -1;  // exit status; -1 when the program could not be run
    std::string out;  // standard output
};

ToolRun RunTool(const std::string& command);
// Whether a program of this name is on the PATH.
bool HaveTool(const std::string& name);
// Python (Debian's own where there is one) running tests/support/read_images.py.
std::string ReadImagesCommand();
// The path in single quotes for the shell.
std::string ShellQuote(const std::string& s);

}  // namespace vq::test
