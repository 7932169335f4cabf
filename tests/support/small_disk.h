// A small file system that really fills: a size-limited tmpfs mounted on an empty directory in
// a mount namespace of this test process alone (nothing outside the process sees it).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace vq::test {

class SmallDisk {
  public:
    // Mounts a tmpfs of `bytes` on `dir` (an existing empty directory). When the machine does
    // not allow it (no privilege for a mount namespace or a mount), mounted() is false and
    // why() says what failed.
    SmallDisk(const std::filesystem::path& dir, std::uint64_t bytes);
    ~SmallDisk();  // unmounts
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }
    // Free bytes as a program measures them (statvfs).
    std::uint64_t free_bytes() const;

  private:
    std::filesystem::path dir_;
    bool mounted_ = false;
    std::string why_;
};

}  // namespace vq::test
