// Opens and closes the program's output files: the live sonar recording (named by dialog or
// automatically, split into numbered files at the size limit), the copy of a file being
// played back, and the point, beam, XTF, CSV and XYZ outputs. Keeps their byte counts, the window
// title and the status line texts, and consults the disk-space check before every open and
// write.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <span>
#include <string>

#include "recording/disk_space.h"
#include "recording/output_file.h"
#include "recording/time_stamp.h"
#include "recording/vqs_format.h"

namespace vq {

class Operator;

struct RecordingOptions {
    int AutoFilename = 1;
    int AutoFilenameType = 0;           // 0 = Date-Number, 1 = Date-Time
    int MaximumFilesize = 1000;         // units of 1,024,000 bytes
    std::filesystem::path current_dir;  // where Date-Number names live (empty = ".")
    std::filesystem::path startup_dir;  // where Date-Time names live (empty = ".")
};

// XyzSonar: the soundings without a GPS fix, opened beside the .xyz file when the first comes.
enum class OutputKind { Point = 0, Beam = 1, Xtf = 2, Csv = 3, Xyz = 4, XyzSonar = 5 };
inline constexpr OutputKind kOutputKinds[] = {OutputKind::Point, OutputKind::Beam,
                                              OutputKind::Xtf,   OutputKind::Csv,
                                              OutputKind::Xyz,   OutputKind::XyzSonar};
inline constexpr std::size_t kOutputKindCount = std::size(kOutputKinds);

inline constexpr const char* kRecordStartMenuText = "&Record Start...\t  Ctrl+S";
inline constexpr const char* kRecordStopMenuText = "&Record Stop...\t  Ctrl+E";
inline constexpr const char* kCopyStartMenuText = "&Copy Start...";
inline constexpr const char* kCopyStopMenuText = "&Copy Stop...";
inline constexpr const char* kDiskFullAtOpen = "Disk Drive is full.\nData can NOT be recorded.";
inline constexpr const char* kDiskFullAtWrite = "Disk Drive is full.\nData will NOT be recorded.";
inline constexpr const char* kDiskCheckTitle = "CheckAvailableDiskSpace";

// What the window shows of the output files: taken from any thread, never waiting for a disk.
struct RecordingSnapshot {
    bool recording = false;
    bool copying = false;
    std::string recording_path;  // "" when no recording is open
    std::string copy_path;
    std::int64_t recording_bytes = 0;
    std::int64_t copy_bytes = 0;
    std::array<std::string, kOutputKindCount> output_paths;  // by OutputKind; "" when closed
    std::array<std::int64_t, kOutputKindCount> output_bytes{};
    // A write was refused for want of disk space since an output file was last opened.
    bool disk_full = false;
    bool output_open(OutputKind k) const {
        return !output_paths[static_cast<std::size_t>(k)].empty();
    }
};

// Everything but snapshot() belongs to the one thread that writes the records (the ping
// thread while pings run); snapshot() may be called from any thread.
class RecordingControl {
  public:
    explicit RecordingControl(Operator& op, DiskSpace disk = DiskSpace());
    ~RecordingControl();  // closes what is open; an empty recording or copy is removed
    RecordingControl(const RecordingControl&) = delete;
    RecordingControl& operator=(const RecordingControl&) = delete;

    void set_options(const RecordingOptions& o) { opt_ = o; }
    const RecordingOptions& options() const { return opt_; }
    // The unit of "MaximumFilesize" (1,024,000 bytes); tests make it small.
    void set_size_unit_bytes(std::uint64_t unit) { size_unit_ = unit; }

    // --- live recording ---
    // Starts a recording under an automatic name ("AutoFilenameType": Date-Number or
    // Date-Time of `ts`); refused with a message when no free name is left.
    bool RecordStartAutomatic(const PingTimeStamp& ts);
    // The automatic name for `ts`, or an empty path (after the message) when none is free.
    std::filesystem::path AutomaticName(const PingTimeStamp& ts);
    // Starts a recording in `p`: a name the operator chose in the save dialog (replaces a file
    // of that name), or an automatic one (never replaces anything). An empty path does nothing.
    bool RecordStartAt(const std::filesystem::path& p, bool automatic);
    // By the operator: also resets the split counter. A recording that received no record is
    // removed.
    void RecordStop();
    bool Recording() const { return rec_.is_open(); }
    const std::filesystem::path& recording_path() const { return rec_.path(); }
    std::int64_t bytes_written() const { return rec_.bytes_written(); }
    int split_counter() const { return split_counter_; }
    bool write_failed() const { return write_failed_; }
    const char* record_menu_text() const {
        return Recording() ? kRecordStopMenuText : kRecordStartMenuText;
    }
    // Builds the record of this ping and writes it (with the video frame block when given);
    // live pings run the size check, which may continue in the next file.
    bool WritePing(std::span<const std::uint8_t> ping, const PingTimeStamp& ts,
                   const RecordSettings& s, const RecordNav& nav,
                   std::span<const std::uint8_t> frame = {}, bool live = true);
    // Writes an already built record (and frame); returns whether it was written.
    bool WriteRecord(std::span<const std::uint8_t> record, std::span<const std::uint8_t> frame,
                     const PingTimeStamp& ts, bool live = true);

    // --- copy during playback ---
    // Starts copying the records played into `p` (replacing a file of that name).
    bool CopyStart(const std::filesystem::path& p);
    void CopyStop(const std::filesystem::path& playback_file);
    bool copying() const { return copy_.is_open(); }
    bool CopyRecord(std::span<const std::uint8_t> record);
    std::int64_t bytes_copied() const { return copy_.bytes_written(); }
    const char* copy_menu_text() const {
        return copying() ? kCopyStopMenuText : kCopyStartMenuText;
    }

    // --- point, beam, XTF, CSV and XYZ outputs ---
    bool OpenOutput(OutputKind kind, const std::filesystem::path& path);  // replaces a file
    void CloseOutput(OutputKind kind);
    bool OutputOpen(OutputKind kind) const { return Out(kind).is_open(); }
    const std::filesystem::path& OutputPath(OutputKind kind) const { return Out(kind).path(); }
    std::int64_t OutputBytes(OutputKind kind) const { return Out(kind).bytes_written(); }
    // Disk check, one write; a refusal closes the file (message once).
    bool WriteOutput(OutputKind kind, std::span<const std::uint8_t> bytes);
    // Any thread: the files open now and their sizes.
    RecordingSnapshot snapshot() const;

    // "Recording to %s - %d kB" of an open point or beam file.
    std::string OutputStatusText(OutputKind kind) const;
    // True once after the kB count of the file changed (the status line needs redrawing).
    bool TakeOutputStatusChange(OutputKind kind);
    // The counter that numbers point and beam outputs; opening a point or beam file resets it.
    std::uint32_t output_ping_number() const { return output_ping_number_; }
    std::uint32_t AdvanceOutputPingNumber() { return ++output_ping_number_; }

  private:
    OutputFile& Out(OutputKind k) { return outputs_[static_cast<std::size_t>(k)]; }
    const OutputFile& Out(OutputKind k) const { return outputs_[static_cast<std::size_t>(k)]; }
    bool OpenRecording(const std::filesystem::path& p, OutputFile::Create mode);
    // Closes f and removes it when no record reached it.
    static void CloseDroppingEmpty(OutputFile& f);
    void CloseRecording();
    bool DiskAllowsOpen(const std::filesystem::path& file);
    bool DiskAllowsWrite(const std::filesystem::path& dir, std::uint64_t bytes);
    void CheckFileSize(const PingTimeStamp& ts);
    void SplitToNumberedFile();
    void UpdateRecordTitle();
    void UpdateCopyTitle();
    void PublishFiles();  // after a file opened or closed
    void PublishBytes();  // after a write

    Operator& op_;
    DiskSpace disk_;
    RecordingOptions opt_;
    std::uint64_t size_unit_ = 1024000;
    OutputFile rec_;
    OutputFile copy_;
    std::array<OutputFile, kOutputKindCount> outputs_;
    std::array<std::int64_t, kOutputKindCount> output_kb_shown_{};
    // Worked out when a file opens, so that writing a record allocates nothing.
    std::filesystem::path rec_dir_, copy_dir_;
    std::array<std::filesystem::path, kOutputKindCount> output_dirs_;
    std::string rec_display_, copy_display_;
    std::string title_;
    VqsRecordBuilder builder_;
    std::uint32_t previous_record_length_ = 0;
    bool automatic_name_ = false;
    std::string split_base_;  // the recording's name without "-nnn.VQS" once split
    int split_counter_ = 0;
    bool write_failed_ = false;
    int disk_full_messages_ = 0;
    std::int64_t title_kb_ = -1;
    std::int64_t copy_title_kb_ = -1;
    std::uint32_t output_ping_number_ = 0;

    // Published for other threads: names under a short lock (changed only when a file opens
    // or closes), byte counts as atomics.
    mutable std::mutex published_m_;
    RecordingSnapshot published_;
    std::atomic<std::int64_t> rec_bytes_{0}, copy_bytes_{0};
    std::array<std::atomic<std::int64_t>, kOutputKindCount> output_bytes_{};
};

// The status line of an open point or beam file, shortened when wider than max_width:
// leading path components are dropped ("Recording to .../" + the trailing ones) while the
// text stays too wide and has at least 51 characters. width_of measures a text in pixels.
template <class WidthOf>
std::string FitStatusLine(const std::string& path, std::int64_t kb, int max_width,
                          WidthOf width_of) {
    std::string kbs = " - " + std::to_string(kb) + " kB";
    std::string text = "Recording to " + path + kbs;
    if (width_of(text) <= max_width) return text;
    std::string tail = path;
    while (width_of(text) > max_width && text.size() >= 51) {
        std::size_t cut = tail.find('/', tail[0] == '/' ? 1 : 0);
        if (cut == std::string::npos) break;
        tail = tail.substr(cut);
        text = "Recording to ..." + tail + kbs;
    }
    return text;
}

}  // namespace vq
