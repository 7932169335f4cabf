// Reading a sonar recording record by record for playback, copying and conversion, with the
// checks that keep a corrupt or truncated file from crashing or hanging the reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "recording/vqs_format.h"

namespace vq {

class Operator;

enum class VqsOpenStatus { Ok, WrongExtension, CannotOpen, BadFormat };
enum class VqsOpenCheck { MagicAndVersion, MagicOnly };
enum class VqsReadStatus { Record, EndOfFile };

// One record as read. The spans point into the reader's buffers and stay valid until the
// next read.
struct VqsRecordView {
    std::span<const std::uint8_t> bytes;  // header, block 1, block 2, blocks 3 and 4
    std::span<const std::uint8_t> ping;   // the ping bytes for the parser
    std::span<const std::uint8_t> frame;  // video frame shown with this record; empty if none
    bool process = false;  // false for the record read right after opening or a wrap-around
};

class VqsPlaybackFile {
  public:
    VqsPlaybackFile();
    ~VqsPlaybackFile();
    VqsPlaybackFile(const VqsPlaybackFile&) = delete;
    VqsPlaybackFile& operator=(const VqsPlaybackFile&) = delete;

    // Checks the extension (any letter case) and the first record's magic (and version), then
    // positions at 0. Any previous file is closed first.
    VqsOpenStatus Open(const std::filesystem::path& path,
                       VqsOpenCheck check = VqsOpenCheck::MagicAndVersion);
    void Close();
    bool is_open() const { return fd_ >= 0; }
    const std::filesystem::path& path() const { return path_; }
    std::uint64_t file_size() const { return size_; }
    std::uint64_t position() const { return pos_; }
    int version() const { return version_; }

    // Reads an optional video frame block and one record. At the end of the file (or a short
    // read) the position returns to 0, skip-next is set and EndOfFile is returned.
    VqsReadStatus ReadNext(VqsRecordView& out);

    // Positions the next read at `offset` (a record start, as position() gives it), as if the
    // records before it had been read.
    void Seek(std::uint64_t offset);
    // Jump of the position bar: p = 1..99 percent of the file, then the next record start.
    // Other values do nothing and return false.
    bool JumpToPercent(int p);
    // Scans from the current position for "VQS" with the command magic's "T" 3072 bytes
    // further on; positions on it and returns true, or on the end of the file and false.
    bool FindRecordBoundary();

    // What the reader has cost so far: bytes read from the file and record starts ("VQS")
    // looked at by the boundary scan.
    std::uint64_t bytes_read() const { return bytes_read_; }
    std::uint64_t candidates_examined() const { return candidates_; }

    bool skip_next() const { return skip_next_; }
    void set_skip_next(bool on) { skip_next_ = on; }
    // Conversions hand every record on, also the first after opening.
    void set_process_first_record(bool on) { process_first_ = on; }
    // The values restored from the last header; the caller may preset and adjust them
    // (e.g. mark the tilt as changed by the operator).
    RecordedValues& Values() { return values_; }
    void set_measured_period_ms(int ms) { measured_period_ms_ = ms; }

  private:
    struct Layout;
    bool ReadAt(std::uint64_t offset, std::uint8_t* dst, std::size_t n);
    enum class Step { Ok, Short, Corrupt };
    Step ReadFrameBlock();
    bool ReadLayout(const std::uint8_t* header, Layout& out) const;
    Step ReadRecord();
    VqsReadStatus EndOfFile();
    // The boundary scan. Every byte of the file passes the window once per scan; a candidate
    // costs at most one small look-up, so a scan is linear in the bytes it covers.
    bool ScanForRecord(bool check_layout);
    const std::uint8_t* ScanWindowAt(std::uint64_t p, std::size_t& len);
    bool CandidateAccepted(std::uint64_t at, bool check_layout);

    int fd_ = -1;
    std::filesystem::path path_;
    std::uint64_t size_ = 0;
    std::uint64_t pos_ = 0;
    int version_ = 2;
    bool skip_next_ = true;
    bool process_first_ = false;
    int measured_period_ms_ = 0;
    std::vector<std::uint8_t> record_;  // fixed capacity: header, block 1 and three blocks
    std::vector<std::uint8_t> frame_;   // grown once to the largest frame seen
    std::vector<std::uint8_t> scan_;    // window for the boundary scan
    std::uint64_t scan_at_ = 0;         // file offset of scan_[0]
    std::size_t scan_len_ = 0;          // bytes of the file held in scan_
    std::uint64_t bytes_read_ = 0;
    std::uint64_t candidates_ = 0;
    std::size_t record_len_ = 0, ping_len_ = 0, frame_len_ = 0;
    bool frame_present_ = false;
    RecordedValues values_;
};

// Opens for playback as the operator does it: the messages of a wrong extension or a wrong
// format (title "Open a Sonar File For Playback") and the window title of the result.
VqsOpenStatus OpenForPlayback(VqsPlaybackFile& file, const std::filesystem::path& path,
                              Operator& op, VqsOpenCheck check = VqsOpenCheck::MagicAndVersion);

// Position bar click at a fraction 0..1 of its width -> percentage 0..100.
int JumpPercent(double fraction);

// Realtime pacing: the recorded interval minus processing and drawing, slept only when it is
// at least 1 and below 2000 ms; otherwise 0.
int RealtimeSleepMs(int recorded_interval_ms, double processing_ms, double drawing_ms);
// Speed slider of the playback window: slider position x, the bar's left edge and width.
int SliderSpeed(int x, int left, int width);  // s = 0..100 (0 = slowest)
int SpeedDelayMs(int s);                      // the fixed delay for speed s
inline int SliderDelayMs(int x, int left, int width) {
    return SpeedDelayMs(SliderSpeed(x, left, width));
}

}  // namespace vq
