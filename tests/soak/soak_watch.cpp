#include "soak/soak_watch.h"

#include <algorithm>
#include <fstream>
#include <string>

#include "platform/byte_order.h"

namespace vq::soak {

namespace fs = std::filesystem;

std::uint64_t ResidentKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stoull(line.substr(6));
    }
    return 0;
}

int OpenDescriptors(pid_t pid) {
    std::error_code ec;
    int n = 0;
    for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end;
         !ec && it != end; it.increment(ec))
        ++n;
    return ec ? -1 : n;
}

RecordingFile ReadRecordingFile(const fs::path& path) {
    RecordingFile f;
    f.path = path;
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> header(3072);
    std::uint64_t pos = 0;
    const std::uint64_t size = fs::file_size(path);
    while (pos + header.size() <= size) {
        in.seekg(static_cast<std::streamoff>(pos));
        if (!in.read(reinterpret_cast<char*>(header.data()), 3072)) return f;
        const std::uint32_t len = byte_order::GetU32Le(header.data() + 4);
        const std::uint32_t ping = byte_order::GetU32Le(header.data() + 91);
        if (header[0] != 'V' || header[1] != 'Q' || header[2] != 'S' || len != 3072 + ping ||
            pos + len > size)
            return f;
        f.numbers.push_back(byte_order::GetU32Le(header.data() + 377));
        pos += len;
    }
    f.whole = pos == size;
    return f;
}

void RecordingAudit::Check(bool all) {
    // The files not checked yet, in recording order: by the number of their first record (a
    // file without a record yet is the newest).
    std::vector<RecordingFile> files;
    for (const auto& e : fs::directory_iterator(dir_)) {
        if (e.path().extension() != ".VQS") continue;
        if (std::find(done_.begin(), done_.end(), e.path()) != done_.end()) continue;
        files.push_back(ReadRecordingFile(e.path()));
    }
    auto first = [](const RecordingFile& f) {
        return f.numbers.empty() ? UINT64_MAX : std::uint64_t{f.numbers.front()};
    };
    std::sort(files.begin(), files.end(),
              [&](const RecordingFile& a, const RecordingFile& b) { return first(a) < first(b); });
    if (!all && !files.empty()) files.pop_back();  // still being written
    for (const RecordingFile& f : files) {
        ++files_;
        records_ += f.numbers.size();
        if (!f.whole || f.numbers.empty()) {
            ++broken_;
            problems_.push_back(f.path.filename().string() + ": not whole records");
        }
        for (std::uint32_t n : f.numbers) {
            if (have_last_ && n != last_ + 1) {
                lost_ += n > last_ ? n - last_ - 1 : 1;
                problems_.push_back(f.path.filename().string() + ": ping number " +
                                    std::to_string(n) + " follows " + std::to_string(last_));
            }
            have_last_ = true;
            last_ = n;
        }
        done_.push_back(f.path);
        if (!keep_) {
            std::error_code ec;
            fs::remove(f.path, ec);
        }
    }
}

}  // namespace vq::soak
