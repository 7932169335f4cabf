#include "recording/screen_capture.h"

#include "recording/file_names.h"

namespace vq {

std::optional<OperatorMessage> CheckSaveScreenName(std::string_view name) {
    const std::string lower = ToLowerAscii(name);
    const bool ok = lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".bmp") == 0 &&
                    lower[lower.size() - 5] != '/';
    if (ok) return std::nullopt;
    return OperatorMessage{kSaveScreenWrongExtension, kSaveScreenTitle};
}

std::optional<OperatorMessage> SaveScreen(const std::filesystem::path& path,
                                          const Rgb32View& window) {
    std::string error;
    if (WriteBmpFile(path, window, &error)) return std::nullopt;
    return OperatorMessage{"The screen could not be saved to " + path.string() + ":\n" + error,
                           kSaveScreenTitle};
}

}  // namespace vq
