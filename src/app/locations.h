// Where the program keeps its settings file and, by default, its recordings. Started from a
// terminal it works in the directory it was started in (a survey directory holds its own
// "Vornax_Qi.INI" and its recordings); started from the desktop menu, where that directory is
// the home directory, it keeps the settings in the per-user configuration directory and the
// recordings in a folder of the user's documents.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vq {

struct LocationInputs {
    std::filesystem::path working_dir;  // where the program was started
    std::string home;                   // $HOME; empty when unset
    std::string xdg_config_home;        // $XDG_CONFIG_HOME; empty when unset
    std::string documents_dir;          // the user's documents folder; empty when unknown
    bool desktop = false;               // started by the desktop entry (--desktop)
};

struct ProgramLocations {
    std::filesystem::path settings_dir;   // holds "Vornax_Qi.INI"
    std::filesystem::path recording_dir;  // automatic recording names, file dialogs
};

inline constexpr const char* kConfigFolderName = "vornax-qi";
inline constexpr const char* kRecordingFolderName = "Vornax_Qi";

ProgramLocations ResolveLocations(const LocationInputs& in);

// The documents folder named by XDG_DOCUMENTS_DIR in the text of "user-dirs.dirs" (a line such
// as XDG_DOCUMENTS_DIR="$HOME/Dokumente"); empty when the line is absent or names the home
// directory itself (which means the folder is disabled).
std::string DocumentsDirFromUserDirs(std::string_view user_dirs_text, const std::string& home);

// The inputs of this process: its working directory, environment and user-dirs.dirs.
LocationInputs LocationInputsFromEnvironment(bool desktop);

}  // namespace vq
