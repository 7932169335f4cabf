// "&Save Screen...": the main window as the operator sees it, saved as a 24-bit bitmap. This is
// the part without a toolkit: the check of the chosen name and the writing with its failure
// message (the save dialog is FileDialogFor(FileDialogKind::SaveScreen)). The GUI grabs the
// window and shows the dialog.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "recording/bmp_image.h"

namespace vq {

inline constexpr const char* kSaveScreenTitle = "Save Screen As";
inline constexpr const char* kSaveScreenWrongExtension = "File extension must be .BMP";

// A message for the operator (exclamation icon) and its title.
struct OperatorMessage {
    std::string text;
    std::string title;
};

// The chosen name is compared in lower case: it must end in ".bmp" ("SHOT.BMP" is accepted).
// Returns the message to show when it does not; nothing when the name is good.
std::optional<OperatorMessage> CheckSaveScreenName(std::string_view name);

// Writes the grabbed window to path. A failed write leaves no file behind (an existing file of
// that name stays as it was) and returns the message to show.
std::optional<OperatorMessage> SaveScreen(const std::filesystem::path& path,
                                          const Rgb32View& window);

}  // namespace vq
