#include "support/run_tool.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace vq::test {

ToolRun RunTool(const std::string& command) {
    ToolRun r;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) return r;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = ::pclose(p);
    r.status = (status >= 0 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    return r;
}

bool HaveTool(const std::string& name) {
    return RunTool("command -v " + ShellQuote(name) + " >/dev/null 2>&1").status == 0;
}

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadImagesCommand() {
    // Debian's own interpreter, where python3-pil installs Pillow, wins over any other on the
    // PATH.
    const char* python = ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3 " : "python3 ";
    return python + ShellQuote(std::string(VQ_TEST_SUPPORT_DIR) + "/read_images.py");
}

}  // namespace vq::test
