// Replaces a file's contents all at once: the bytes go to a temporary file in the same
// directory, are flushed to the disk, and the temporary file is then renamed over the target.
// A crash or a full disk part-way through leaves the previous file as it was.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vq {

struct AtomicWriteOptions {
    // Called after the temporary file is complete and synced, just before the rename. Returning
    // false abandons the write (the temporary file is removed, the target is untouched). Lets a
    // test stand in for a crash or a failure at the last moment.
    std::function<bool(const std::filesystem::path& temp)> before_rename;
};

// Writes bytes to target atomically. On failure returns false and, when error is given, a short
// reason such as "No space left on device"; the target keeps its previous contents.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::string* error, const AtomicWriteOptions& options = {});

}  // namespace vq
