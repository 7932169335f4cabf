#include "recording/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace vq {

bool OutputFile::Open(const std::filesystem::path& path, Create mode) {
    Close();
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Create::Exclusive ? O_EXCL : O_TRUNC);
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return false;
    fd_ = fd;
    path_ = path;
    bytes_ = 0;
    last_error_ = 0;
    return true;
}

bool OutputFile::out_of_space() const {
    return last_error_ == ENOSPC || last_error_ == EDQUOT;
}

void OutputFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::size_t OutputFile::Write(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0) return 0;
    std::size_t done = 0;
    last_error_ = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            last_error_ = n < 0 ? errno : ENOSPC;  // a write of nothing: the device is full
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (done > 0 && done < bytes.size()) {
        // A part of a record is worse than none: cut it off so the file ends on a record.
        if (::ftruncate(fd_, static_cast<off_t>(bytes_)) == 0 &&
            ::lseek(fd_, static_cast<off_t>(bytes_), SEEK_SET) >= 0)
            done = 0;
    }
    bytes_ += static_cast<std::int64_t>(done);
    return done;
}

}  // namespace vq
