// Free-space check made before every open and every write of an output file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace vq {

class DiskSpace {
  public:
    // Free bytes available to this program on the file system holding the directory;
    // nullopt when it cannot be measured.
    using FreeBytesSource =
        std::function<std::optional<std::uint64_t>(const std::filesystem::path& directory)>;
    static constexpr std::uint64_t kSafetyMargin = 16ull * 1024 * 1024;

    DiskSpace();  // measures with statvfs
    explicit DiskSpace(FreeBytesSource source) : source_(std::move(source)) {}

    // Whether `bytes` more can be written to a file in `directory` and still leave the safety
    // margin free. Space that cannot be measured allows writing.
    bool CheckAvailableDiskSpace(const std::filesystem::path& directory, std::uint64_t bytes) const;
    // The directory a file is or will be in ("." for a bare name).
    static std::filesystem::path DirectoryOf(const std::filesystem::path& file);

    static std::optional<std::uint64_t> Measure(const std::filesystem::path& directory);

  private:
    FreeBytesSource source_;
};

}  // namespace vq
