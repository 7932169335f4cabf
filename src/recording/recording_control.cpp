#include "recording/recording_control.h"

#include <cstdio>

#include "core/operator.h"
#include "recording/file_names.h"
#include "recording/recording_names.h"

namespace vq {
namespace {

constexpr const char* kRecordDialogTitle = "Open a Sonar File For Recording";

std::string DisplayName(const std::filesystem::path& p) {
    return ToLowerAscii(p.string());
}

constexpr std::uint64_t kLargestRecord = kVqsPingOffset + kMaxPingBytes;

}  // namespace

RecordingControl::RecordingControl(Operator& op, DiskSpace disk) : op_(op), disk_(std::move(disk)) {
    title_.reserve(1024);
}

RecordingControl::~RecordingControl() {
    CloseDroppingEmpty(rec_);
    CloseDroppingEmpty(copy_);
}

void RecordingControl::CloseDroppingEmpty(OutputFile& f) {
    if (!f.is_open()) return;
    const bool nothing_written = f.bytes_written() == 0;
    f.Close();
    // A recording that ended before its first record holds nothing to play back: it does not
    // stay behind as an empty file. Only a file that is empty on disk is ever removed.
    std::error_code ec;
    if (nothing_written && std::filesystem::is_regular_file(f.path(), ec) &&
        std::filesystem::file_size(f.path(), ec) == 0 && !ec)
        std::filesystem::remove(f.path(), ec);
}

bool RecordingControl::DiskAllowsOpen(const std::filesystem::path& file) {
    if (disk_.CheckAvailableDiskSpace(DiskSpace::DirectoryOf(file), kLargestRecord)) return true;
    op_.MessageBox(kDiskFullAtOpen, kDiskCheckTitle);
    return false;
}

bool RecordingControl::DiskAllowsWrite(const std::filesystem::path& dir, std::uint64_t bytes) {
    if (disk_.CheckAvailableDiskSpace(dir, bytes)) return true;
    if (disk_full_messages_++ == 0) op_.MessageBox(kDiskFullAtWrite, kDiskCheckTitle);
    return false;
}

std::filesystem::path RecordingControl::AutomaticName(const PingTimeStamp& ts) {
    std::optional<std::filesystem::path> p = opt_.AutoFilenameType == 1
                                                 ? DateTimeName(opt_.startup_dir, ts)
                                                 : DateNumberName(opt_.current_dir, ts);
    if (!p) {
        op_.MessageBox("No free automatic file name is left for " + DateNamePart(ts) +
                           ".\nData can NOT be recorded.",
                       kRecordDialogTitle);
        return {};
    }
    return *p;
}

bool RecordingControl::OpenRecording(const std::filesystem::path& p, OutputFile::Create mode) {
    if (!DiskAllowsOpen(p)) return false;
    if (!rec_.Open(p, mode)) return false;
    disk_full_messages_ = 0;
    write_failed_ = false;
    title_kb_ = 0;
    rec_dir_ = DiskSpace::DirectoryOf(p);
    rec_display_ = DisplayName(p);
    PublishFiles();
    op_.SetWindowTitle(std::string(kProgramTitle) + " - Recording to " + rec_display_);
    return true;
}

bool RecordingControl::RecordStartAutomatic(const PingTimeStamp& ts) {
    if (Recording()) return false;
    return RecordStartAt(AutomaticName(ts), true);
}

bool RecordingControl::RecordStartAt(const std::filesystem::path& p, bool automatic) {
    if (Recording() || p.empty()) return false;
    // A name chosen in the save dialog was confirmed by the operator; an automatic one must
    // never replace an existing recording.
    if (!OpenRecording(p, automatic ? OutputFile::Create::Exclusive : OutputFile::Create::Replace))
        return false;
    automatic_name_ = automatic;
    return true;
}

void RecordingControl::CloseRecording() {
    CloseDroppingEmpty(rec_);
    PublishFiles();
    op_.SetWindowTitle(kProgramTitle);
}

void RecordingControl::RecordStop() {
    // A recording that received no record is removed on closing (its automatic name stays
    // free).
    if (Recording()) CloseRecording();
    split_counter_ = 0;
    split_base_.clear();
}

bool RecordingControl::WritePing(std::span<const std::uint8_t> ping, const PingTimeStamp& ts,
                                 const RecordSettings& s, const RecordNav& nav,
                                 std::span<const std::uint8_t> frame, bool live) {
    if (!Recording()) return false;
    std::span<const std::uint8_t> rec = builder_.Build(ping, ts, s, nav, previous_record_length_,
                                                       static_cast<std::uint32_t>(frame.size()));
    bool ok = WriteRecord(rec, frame, ts, live);
    previous_record_length_ = static_cast<std::uint32_t>(rec.size());
    return ok;
}

bool RecordingControl::WriteRecord(std::span<const std::uint8_t> record,
                                   std::span<const std::uint8_t> frame, const PingTimeStamp& ts,
                                   bool live) {
    if (!Recording()) return false;
    if (!DiskAllowsWrite(rec_dir_, record.size() + frame.size())) {
        CloseRecording();  // recording stops; every record written so far stays whole
        split_counter_ = 0;
        return false;
    }
    std::size_t written = rec_.Write(record);
    if (written == record.size() && !frame.empty()) written += rec_.Write(frame);
    PublishBytes();
    write_failed_ = written == 0;
    if (written < record.size() + frame.size() && rec_.out_of_space()) {
        // The disk filled up although the last measure said there was room (another writer,
        // a quota): the same as a refusal. The record was cut off, so the file stays whole.
        if (disk_full_messages_++ == 0) op_.MessageBox(kDiskFullAtWrite, kDiskCheckTitle);
        CloseRecording();
        split_counter_ = 0;
        return false;
    }
    UpdateRecordTitle();
    if (live) CheckFileSize(ts);
    return written > 0;
}

void RecordingControl::UpdateRecordTitle() {
    std::int64_t kb = rec_.bytes_written() / 1024;
    if (kb == title_kb_) return;
    title_kb_ = kb;
    title_.assign(kProgramTitle);
    title_ += " - Recording to ";
    title_ += rec_display_;
    title_ += " - ";
    title_ += GroupThousands(kb);  // short enough to stay in the string's own storage
    title_ += " kB";
    op_.SetWindowTitle(title_);
}

void RecordingControl::CheckFileSize(const PingTimeStamp& ts) {
    std::uint64_t limit = FileSizeLimitBytes(opt_.MaximumFilesize, size_unit_);
    // No limit (a size of 0 would otherwise split after every record).
    if (limit == 0 || static_cast<std::uint64_t>(rec_.bytes_written()) < limit) return;
    if (automatic_name_) {
        CloseRecording();
        RecordStartAutomatic(ts);
        return;
    }
    SplitToNumberedFile();
}

void RecordingControl::SplitToNumberedFile() {
    std::filesystem::path current = rec_.path();
    if (split_counter_ == 0) {
        // First split: the file so far becomes -001 (or the first free number).
        split_base_ = ReplaceTail(current.string(), 4, "");
        CloseRecording();
        auto first = NextSplitName(split_base_, 1);
        int next = 2;
        if (first) {
            std::error_code ec;
            if (!ExistsAnyCase(first->first)) std::filesystem::rename(current, first->first, ec);
            if (!ec) next = first->second + 1;
        }
        split_counter_ = next;
    } else {
        CloseRecording();
        ++split_counter_;
    }
    auto name = NextSplitName(split_base_, split_counter_);
    if (!name) {
        op_.MessageBox("No free numbered file name is left for " + split_base_ +
                           ".\nData can NOT be recorded.",
                       kRecordDialogTitle);
        split_counter_ = 0;
        return;
    }
    split_counter_ = name->second;
    OpenRecording(name->first, OutputFile::Create::Exclusive);
}

bool RecordingControl::CopyStart(const std::filesystem::path& p) {
    if (copying() || p.empty() || !DiskAllowsOpen(p)) return false;
    if (!copy_.Open(p, OutputFile::Create::Replace)) return false;
    disk_full_messages_ = 0;
    copy_title_kb_ = 0;
    copy_dir_ = DiskSpace::DirectoryOf(p);
    copy_display_ = DisplayName(p);
    PublishFiles();
    op_.SetWindowTitle(std::string(kProgramTitle) + " - Copying to " + copy_display_);
    return true;
}

void RecordingControl::CopyStop(const std::filesystem::path& playback_file) {
    if (!copying()) return;
    op_.MessageBox(copy_.path().string(), "Close Copy File");
    CloseDroppingEmpty(copy_);
    PublishFiles();
    op_.SetWindowTitle(std::string(kProgramTitle) + " - Playback of " + DisplayName(playback_file));
}

bool RecordingControl::CopyRecord(std::span<const std::uint8_t> record) {
    if (!copying()) return false;
    if (!DiskAllowsWrite(copy_dir_, record.size())) {
        CloseDroppingEmpty(copy_);
        PublishFiles();
        op_.SetWindowTitle(kProgramTitle);
        return false;
    }
    bool ok = copy_.Write(record) == record.size();
    PublishBytes();
    if (!ok && copy_.out_of_space()) {
        if (disk_full_messages_++ == 0) op_.MessageBox(kDiskFullAtWrite, kDiskCheckTitle);
        CloseDroppingEmpty(copy_);
        PublishFiles();
        op_.SetWindowTitle(kProgramTitle);
        return false;
    }
    UpdateCopyTitle();
    return ok;
}

void RecordingControl::UpdateCopyTitle() {
    std::int64_t kb = copy_.bytes_written() / 1024;
    if (kb == copy_title_kb_) return;
    copy_title_kb_ = kb;
    title_.assign(kProgramTitle);
    title_ += " - Copying to ";
    title_ += copy_display_;
    title_ += " - ";
    title_ += std::to_string(kb);
    title_ += " kB";
    op_.SetWindowTitle(title_);
}

bool RecordingControl::OpenOutput(OutputKind kind, const std::filesystem::path& path) {
    if (!DiskAllowsOpen(path)) return false;
    if (!Out(kind).Open(path, OutputFile::Create::Replace)) return false;
    disk_full_messages_ = 0;
    output_kb_shown_[static_cast<std::size_t>(kind)] = -1;
    output_dirs_[static_cast<std::size_t>(kind)] = DiskSpace::DirectoryOf(path);
    if (kind == OutputKind::Point || kind == OutputKind::Beam) output_ping_number_ = 0;
    PublishFiles();
    return true;
}

void RecordingControl::CloseOutput(OutputKind kind) {
    const bool was_open = Out(kind).is_open();
    Out(kind).Close();
    output_kb_shown_[static_cast<std::size_t>(kind)] = -1;
    if (was_open) PublishFiles();
}

bool RecordingControl::WriteOutput(OutputKind kind, std::span<const std::uint8_t> bytes) {
    OutputFile& f = Out(kind);
    if (!f.is_open()) return false;
    if (!DiskAllowsWrite(output_dirs_[static_cast<std::size_t>(kind)], bytes.size())) {
        CloseOutput(kind);
        return false;
    }
    const bool ok = f.Write(bytes) == bytes.size();
    output_bytes_[static_cast<std::size_t>(kind)].store(f.bytes_written(),
                                                        std::memory_order_relaxed);
    if (!ok && f.out_of_space()) {
        if (disk_full_messages_++ == 0) op_.MessageBox(kDiskFullAtWrite, kDiskCheckTitle);
        CloseOutput(kind);
    }
    return ok;
}

void RecordingControl::PublishFiles() {
    {
        std::lock_guard lock(published_m_);
        published_.recording = rec_.is_open();
        published_.recording_path = rec_.is_open() ? rec_.path().string() : std::string();
        published_.copying = copy_.is_open();
        published_.copy_path = copy_.is_open() ? copy_.path().string() : std::string();
        for (std::size_t k = 0; k < outputs_.size(); ++k) {
            published_.output_paths[k] =
                outputs_[k].is_open() ? outputs_[k].path().string() : std::string();
        }
    }
    PublishBytes();
    for (std::size_t k = 0; k < outputs_.size(); ++k) {
        output_bytes_[k].store(outputs_[k].bytes_written(), std::memory_order_relaxed);
    }
}

void RecordingControl::PublishBytes() {
    rec_bytes_.store(rec_.bytes_written(), std::memory_order_relaxed);
    copy_bytes_.store(copy_.bytes_written(), std::memory_order_relaxed);
}

RecordingSnapshot RecordingControl::snapshot() const {
    RecordingSnapshot s;
    {
        std::lock_guard lock(published_m_);
        s = published_;
    }
    s.recording_bytes = s.recording ? rec_bytes_.load(std::memory_order_relaxed) : 0;
    s.copy_bytes = s.copying ? copy_bytes_.load(std::memory_order_relaxed) : 0;
    for (std::size_t k = 0; k < s.output_bytes.size(); ++k) {
        s.output_bytes[k] =
            s.output_paths[k].empty() ? 0 : output_bytes_[k].load(std::memory_order_relaxed);
    }
    return s;
}

std::string RecordingControl::OutputStatusText(OutputKind kind) const {
    const OutputFile& f = Out(kind);
    if (!f.is_open()) return {};
    return "Recording to " + f.path().string() + " - " + std::to_string(f.bytes_written() / 1024) +
           " kB";
}

bool RecordingControl::TakeOutputStatusChange(OutputKind kind) {
    std::int64_t kb = Out(kind).is_open() ? Out(kind).bytes_written() / 1024 : -1;
    std::int64_t& shown = output_kb_shown_[static_cast<std::size_t>(kind)];
    if (kb == shown) return false;
    shown = kb;
    return true;
}

}  // namespace vq
