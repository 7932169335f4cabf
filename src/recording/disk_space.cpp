#include "recording/disk_space.h"

#include <sys/statvfs.h>

namespace vq {

DiskSpace::DiskSpace() : source_(&DiskSpace::Measure) {}

std::optional<std::uint64_t> DiskSpace::Measure(const std::filesystem::path& directory) {
    struct statvfs st {};
    if (::statvfs(directory.empty() ? "." : directory.c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.f_bavail) * static_cast<std::uint64_t>(st.f_frsize);
}

std::filesystem::path DiskSpace::DirectoryOf(const std::filesystem::path& file) {
    std::filesystem::path dir = file.parent_path();
    return dir.empty() ? std::filesystem::path(".") : dir;
}

bool DiskSpace::CheckAvailableDiskSpace(const std::filesystem::path& directory,
                                        std::uint64_t bytes) const {
    std::optional<std::uint64_t> free_bytes = source_ ? source_(directory) : std::nullopt;
    if (!free_bytes) return true;
    return *free_bytes >= kSafetyMargin && *free_bytes - kSafetyMargin >= bytes;
}

}  // namespace vq
