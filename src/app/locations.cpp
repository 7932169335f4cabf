#include "app/locations.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vq {

ProgramLocations ResolveLocations(const LocationInputs& in) {
    ProgramLocations out{in.working_dir, in.working_dir};
    // Without a home directory there is nowhere better than where the program was started.
    if (!in.desktop || in.home.empty() || in.home[0] != '/') return out;
    const std::filesystem::path home(in.home);
    // Relative values of the XDG variables are to be ignored.
    const std::filesystem::path config = !in.xdg_config_home.empty() && in.xdg_config_home[0] == '/'
                                             ? std::filesystem::path(in.xdg_config_home)
                                             : home / ".config";
    const std::filesystem::path docs = !in.documents_dir.empty() && in.documents_dir[0] == '/'
                                           ? std::filesystem::path(in.documents_dir)
                                           : home / "Documents";
    out.settings_dir = config / kConfigFolderName;
    out.recording_dir = docs / kRecordingFolderName;
    return out;
}

std::string DocumentsDirFromUserDirs(std::string_view text, const std::string& home) {
    std::istringstream lines{std::string(text)};
    std::string line;
    std::string found;
    while (std::getline(lines, line)) {
        const std::string key = "XDG_DOCUMENTS_DIR=";
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
        std::string value = line.substr(start + key.size());
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
        if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
        value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) {
            value = home + value.substr(5);
        } else if (value.empty() || value[0] != '/') {
            continue;  // only "$HOME/..." and absolute paths are allowed
        }
        found = value;
    }
    while (found.size() > 1 && found.back() == '/') found.pop_back();
    std::string bare_home = home;
    while (bare_home.size() > 1 && bare_home.back() == '/') bare_home.pop_back();
    return found == bare_home ? std::string() : found;
}

LocationInputs LocationInputsFromEnvironment(bool desktop) {
    LocationInputs in;
    std::error_code ec;
    in.working_dir = std::filesystem::current_path(ec);
    if (ec) in.working_dir = ".";
    in.desktop = desktop;
    if (const char* h = std::getenv("HOME")) in.home = h;
    if (const char* c = std::getenv("XDG_CONFIG_HOME")) in.xdg_config_home = c;
    if (desktop && !in.home.empty()) {
        const std::filesystem::path config =
            !in.xdg_config_home.empty() && in.xdg_config_home[0] == '/'
                ? std::filesystem::path(in.xdg_config_home)
                : std::filesystem::path(in.home) / ".config";
        std::ifstream f(config / "user-dirs.dirs");
        std::stringstream text;
        text << f.rdbuf();
        in.documents_dir = DocumentsDirFromUserDirs(text.str(), in.home);
    }
    return in;
}

}  // namespace vq
