#include "support/small_disk.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstring>

namespace vq::test {

SmallDisk::SmallDisk(const std::filesystem::path& dir, std::uint64_t bytes) : dir_(dir) {
    // A private mount namespace: the tmpfs exists for this process only and vanishes with it.
    if (::unshare(CLONE_NEWNS) != 0) {
        why_ = std::string("cannot make a private mount namespace: ") + std::strerror(errno);
        return;
    }
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        why_ = std::string("cannot make the mounts private: ") + std::strerror(errno);
        return;
    }
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("vq-small-disk", dir.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) !=
        0) {
        why_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        return;
    }
    mounted_ = true;
}

SmallDisk::~SmallDisk() {
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
}

std::uint64_t SmallDisk::free_bytes() const {
    struct statvfs st {};
    if (::statvfs(dir_.c_str(), &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

}  // namespace vq::test
