// What the soak run watches from outside the program: its memory and descriptors through
// /proc, and the recordings it leaves (whole records, output ping numbers without a gap).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vq::soak {

// Resident set size in kB (VmRSS) of a process; 0 when it cannot be read.
std::uint64_t ResidentKb(pid_t pid);
// Open file descriptors of a process; -1 when they cannot be listed.
int OpenDescriptors(pid_t pid);

// One recording file as read: its records' output ping numbers in file order.
struct RecordingFile {
    std::filesystem::path path;
    std::vector<std::uint32_t> numbers;
    bool whole = false;  // every record complete and the file ends on a record boundary
};

RecordingFile ReadRecordingFile(const std::filesystem::path& path);

// Checks the recordings of one uninterrupted recording, file after file: every record whole,
// output ping numbers consecutive within and across files. Closed files are checked once and
// (unless kept) removed, so a long run needs little disk.
class RecordingAudit {
  public:
    explicit RecordingAudit(std::filesystem::path dir, bool keep_files)
        : dir_(std::move(dir)), keep_(keep_files) {}
    // Checks every file but the newest (the one being written); with `all`, that one too.
    void Check(bool all);

    std::uint64_t records() const { return records_; }
    std::uint64_t files() const { return files_; }
    std::uint64_t lost_pings() const { return lost_; }  // numbers missing between records
    std::uint64_t broken_files() const { return broken_; }
    const std::vector<std::string>& problems() const { return problems_; }

  private:
    std::filesystem::path dir_;
    bool keep_;
    std::vector<std::filesystem::path> done_;
    bool have_last_ = false;
    std::uint32_t last_ = 0;
    std::uint64_t records_ = 0, files_ = 0, lost_ = 0, broken_ = 0;
    std::vector<std::string> problems_;
};

}  // namespace vq::soak
