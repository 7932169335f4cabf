#include "recording/vqs_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/operator.h"
#include "platform/byte_order.h"
#include "recording/file_dialogs.h"
#include "recording/file_names.h"

namespace vq {
namespace {

constexpr std::size_t kMaxExtraBlock = kMaxPingBytes;  // blocks 3 and 4 are empty when written
constexpr std::size_t kRecordCapacity = kVqsPingOffset + 3 * kMaxPingBytes;
constexpr std::size_t kScanWindow = 64 * 1024;
constexpr std::size_t kLayoutBytes = 111;  // the header bytes that declare the block lengths

}  // namespace

// The block lengths a record header declares (bytes 0..110 of it).
struct VqsPlaybackFile::Layout {
    std::uint32_t record_length = 0;
    std::uint32_t ping_length = 0;
    std::uint32_t block3 = 0;
    std::uint32_t block4 = 0;
};

VqsPlaybackFile::VqsPlaybackFile() : record_(kRecordCapacity), scan_(kScanWindow) {}

VqsPlaybackFile::~VqsPlaybackFile() {
    Close();
}

void VqsPlaybackFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    size_ = pos_ = 0;
    scan_at_ = 0;
    scan_len_ = 0;
}

bool VqsPlaybackFile::ReadAt(std::uint64_t offset, std::uint8_t* dst, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        ssize_t r = ::pread(fd_, dst + done, n - done, static_cast<off_t>(offset + done));
        if (r <= 0) return false;
        done += static_cast<std::size_t>(r);
        bytes_read_ += static_cast<std::uint64_t>(r);
    }
    return true;
}

VqsOpenStatus VqsPlaybackFile::Open(const std::filesystem::path& path, VqsOpenCheck check) {
    Close();
    if (!HasExtensionCi(path.filename().string(), "vqs")) return VqsOpenStatus::WrongExtension;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return VqsOpenStatus::CannotOpen;
    struct stat st {};
    std::uint8_t magic[4] = {};
    ssize_t got = ::pread(fd, magic, 4, 0);
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && got >= 3 &&
              std::memcmp(magic, "VQS", 3) == 0;
    if (ok && check == VqsOpenCheck::MagicAndVersion)
        ok = got == 4 && (magic[3] == 2 || magic[3] == 5);
    if (!ok) {
        ::close(fd);
        return VqsOpenStatus::BadFormat;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    fd_ = fd;
    path_ = path;
    size_ = static_cast<std::uint64_t>(st.st_size);
    pos_ = 0;
    version_ = got == 4 && magic[3] == 5 ? 5 : 2;
    skip_next_ = true;
    frame_present_ = false;
    return VqsOpenStatus::Ok;
}

VqsPlaybackFile::Step VqsPlaybackFile::ReadFrameBlock() {
    std::uint8_t head[kBmpHeaderBytes];
    if (!ReadAt(pos_, head, 2)) return Step::Short;
    if (head[0] != 'B' || head[1] != 'M') return Step::Ok;
    if (!ReadAt(pos_, head, kBmpHeaderBytes)) return Step::Short;
    std::uint32_t len = byte_order::GetU32Le(head + 2);
    if (len < kBmpHeaderBytes || len > kMaxVideoFrameBytes) return Step::Corrupt;
    if (frame_.size() < len) frame_.resize(len);  // grows to the frame size once, not per record
    if (!ReadAt(pos_, frame_.data(), len)) return Step::Short;
    pos_ += len;
    frame_len_ = len;
    frame_present_ = true;
    return Step::Ok;
}

bool VqsPlaybackFile::ReadLayout(const std::uint8_t* h, Layout& out) const {
    if (std::memcmp(h, "VQS", 3) != 0) return false;
    out.record_length = byte_order::GetU32Le(h + 4);
    out.ping_length = byte_order::GetU32Le(h + 91);
    if (version_ == 5) {
        out.record_length = kVqsV5RecordLength;
        out.ping_length = kVqsV5PingLength;
    }
    out.block3 = byte_order::GetU32Le(h + 99);
    out.block4 = byte_order::GetU32Le(h + 107);
    return out.record_length >= kVqsPingOffset &&
           out.record_length - kVqsPingOffset <= kMaxPingBytes &&
           out.ping_length <= kMaxPingBytes && out.block3 <= kMaxExtraBlock &&
           out.block4 <= kMaxExtraBlock;
}

VqsPlaybackFile::Step VqsPlaybackFile::ReadRecord() {
    std::uint8_t* r = record_.data();
    if (!ReadAt(pos_, r, kVqsHeaderBytes)) return Step::Short;
    Layout l;
    if (!ReadLayout(r, l)) return Step::Corrupt;
    std::size_t rest = kVqsBlock1Bytes + std::size_t{l.ping_length} + l.block3 + l.block4;
    if (!ReadAt(pos_ + kVqsHeaderBytes, r + kVqsHeaderBytes, rest)) return Step::Short;
    record_len_ = kVqsHeaderBytes + rest;
    ping_len_ = std::min<std::size_t>(l.ping_length, l.record_length - kVqsPingOffset);
    return Step::Ok;
}

VqsReadStatus VqsPlaybackFile::EndOfFile() {
    pos_ = 0;
    skip_next_ = true;
    frame_present_ = false;
    return VqsReadStatus::EndOfFile;
}

VqsReadStatus VqsPlaybackFile::ReadNext(VqsRecordView& out) {
    out = {};
    if (fd_ < 0) return VqsReadStatus::EndOfFile;
    for (;;) {
        std::uint64_t start = pos_;
        Step s = ReadFrameBlock();
        if (s == Step::Ok) s = ReadRecord();
        if (s == Step::Short) return EndOfFile();
        if (s == Step::Corrupt) {
            // Resynchronise on the next record start whose header describes a record this
            // reader can hold (so no candidate is read twice); none left ends the file.
            pos_ = start + 1;
            frame_present_ = false;
            if (!ScanForRecord(true)) return EndOfFile();
            continue;
        }
        break;
    }
    pos_ += record_len_;
    RestoreRecordedValues(record_.data(), values_, measured_period_ms_);
    out.bytes = {record_.data(), record_len_};
    out.ping = {record_.data() + kVqsPingOffset, ping_len_};
    if (frame_present_) out.frame = {frame_.data(), frame_len_};
    frame_present_ = false;
    out.process = process_first_ || !skip_next_;
    skip_next_ = false;
    return VqsReadStatus::Record;
}

void VqsPlaybackFile::Seek(std::uint64_t offset) {
    pos_ = std::min(offset, size_);
    frame_present_ = false;
    skip_next_ = false;
}

bool VqsPlaybackFile::FindRecordBoundary() {
    return ScanForRecord(false);
}

const std::uint8_t* VqsPlaybackFile::ScanWindowAt(std::uint64_t p, std::size_t& len) {
    const std::uint64_t end = scan_at_ + scan_len_;
    if (p < scan_at_ || p >= end || (end - p < 3 && end < size_)) {
        scan_len_ = static_cast<std::size_t>(std::min<std::uint64_t>(kScanWindow, size_ - p));
        scan_at_ = p;
        if (!ReadAt(p, scan_.data(), scan_len_)) {
            scan_len_ = 0;
            len = 0;
            return nullptr;
        }
    }
    len = static_cast<std::size_t>(scan_at_ + scan_len_ - p);
    return scan_.data() + (p - scan_at_);
}

bool VqsPlaybackFile::CandidateAccepted(std::uint64_t at, bool check_layout) {
    ++candidates_;
    std::uint8_t bytes[kLayoutBytes];
    const std::uint64_t t_at = at + kVqsPingOffset;
    std::uint8_t t = 0;
    if (t_at >= size_) return false;
    if (t_at >= scan_at_ && t_at < scan_at_ + scan_len_)
        t = scan_[static_cast<std::size_t>(t_at - scan_at_)];
    else if (!ReadAt(t_at, &t, 1))
        return false;
    if (t != 'T') return false;
    if (!check_layout) return true;
    const std::uint8_t* h = bytes;
    if (at + kLayoutBytes <= scan_at_ + scan_len_)
        h = scan_.data() + (at - scan_at_);
    else if (!ReadAt(at, bytes, kLayoutBytes))
        return false;
    Layout l;
    return ReadLayout(h, l);
}

bool VqsPlaybackFile::ScanForRecord(bool check_layout) {
    if (fd_ < 0) return false;
    std::uint64_t p = pos_;
    while (p + 3 <= size_) {
        std::size_t len = 0;
        const std::uint8_t* w = ScanWindowAt(p, len);
        if (w == nullptr || len < 3) break;
        for (std::size_t i = 0; i + 3 <= len; ++i) {
            if (w[i] != 'V' || w[i + 1] != 'Q' || w[i + 2] != 'S') continue;
            if (CandidateAccepted(p + i, check_layout)) {
                pos_ = p + i;
                return true;
            }
        }
        p += len - 2;  // keep two bytes so a magic split over the window edge is seen
    }
    pos_ = size_;
    return false;
}

bool VqsPlaybackFile::JumpToPercent(int p) {
    if (fd_ < 0 || p < 1 || p > 99) return false;
    pos_ = static_cast<std::uint64_t>(p * 0.01 * static_cast<double>(size_));
    frame_present_ = false;
    FindRecordBoundary();
    return true;
}

VqsOpenStatus OpenForPlayback(VqsPlaybackFile& file, const std::filesystem::path& path,
                              Operator& op, VqsOpenCheck check) {
    VqsOpenStatus s = file.Open(ResolveCaseInsensitive(path), check);
    switch (s) {
        case VqsOpenStatus::Ok:
            op.SetWindowTitle(std::string(kProgramTitle) + " - " + ToLowerAscii(path.string()));
            break;
        case VqsOpenStatus::WrongExtension:
            op.MessageBox("File extension must be .VQS", kPlaybackTitle);
            break;
        case VqsOpenStatus::CannotOpen:
        case VqsOpenStatus::BadFormat:
            op.MessageBox("Data type is incorrect --> check file format", kPlaybackTitle);
            op.SetWindowTitle(std::string(kProgramTitle) + " - [No File]");
            break;
    }
    return s;
}

int JumpPercent(double fraction) {
    if (!std::isfinite(fraction) || fraction < 0.0) return 0;
    double p = 100.0 * fraction + 0.5;
    return p >= 100.0 ? 100 : static_cast<int>(p);
}

int RealtimeSleepMs(int recorded_interval_ms, double processing_ms, double drawing_ms) {
    double d = recorded_interval_ms - processing_ms - drawing_ms;
    if (!(d >= 1.0 && d < 2000.0)) return 0;
    return static_cast<int>(d);
}

int SliderSpeed(int x, int left, int width) {
    double span = static_cast<double>(width - left - 30);
    double f = span > 0.0 ? 1.0 - (x - left - 15) / span : 0.0;
    f = std::clamp(f, 0.0, 1.0);
    return static_cast<int>(100.0 * f);
}

int SpeedDelayMs(int s) {
    s = std::clamp(s, 0, 100);
    if (s <= 10) return static_cast<int>(0.5 * s);
    if (s <= 20) return s;
    return 2 * ((s - 1) / 10 - 1) * s;  // 21..30 -> 2 s, 31..40 -> 4 s, ... 91..100 -> 16 s
}

}  // namespace vq
