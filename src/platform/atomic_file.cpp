#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace vq {
namespace {

std::string ErrnoText(const char* what, int err) {
    return std::string(what) + ": " + std::strerror(err);
}

bool Fail(std::string* error, std::string text) {
    if (error) *error = std::move(text);
    return false;
}

bool WriteAll(int fd, std::string_view bytes, int& err) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// The file that a rename must replace: a symbolic link is followed so the link itself stays.
std::filesystem::path ResolveTarget(const std::filesystem::path& target) {
    std::error_code ec;
    if (std::filesystem::is_symlink(target, ec)) {
        auto real = std::filesystem::weakly_canonical(target, ec);
        if (!ec) return real;
    }
    return target;
}

// Makes the rename itself durable; failure here is not fatal (some file systems refuse it).
void SyncDirectory(const std::filesystem::path& dir) {
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& target_in, std::string_view bytes,
                         std::string* error, const AtomicWriteOptions& options) {
    const std::filesystem::path target = ResolveTarget(target_in);
    const std::filesystem::path dir = target.parent_path();
    std::string tmpl = (target.string() + ".tmp-XXXXXX");
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');

    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return Fail(error, ErrnoText("cannot create temporary file", errno));
    const std::filesystem::path temp(name.data());

    // Keep the permissions of the file being replaced; a new file gets rw-r--r--.
    struct stat st {};
    mode_t mode = (::stat(target.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0644;
    (void)::fchmod(fd, mode);

    int err = 0;
    const char* what = nullptr;  // the step that failed
    if (!WriteAll(fd, bytes, err)) {
        what = "cannot write temporary file";
    } else if (::fsync(fd) != 0) {
        err = errno, what = "cannot flush temporary file";
    }
    if (::close(fd) != 0 && !what) err = errno, what = "cannot close temporary file";
    if (!what && options.before_rename && !options.before_rename(temp)) {
        ::unlink(temp.c_str());
        return Fail(error, "interrupted before the file was replaced");
    }
    if (!what && ::rename(temp.c_str(), target.c_str()) != 0) {
        err = errno, what = "cannot replace file";
    }
    if (what) {
        ::unlink(temp.c_str());
        return Fail(error, ErrnoText(what, err));
    }
    SyncDirectory(dir);
    return true;
}

}  // namespace vq
