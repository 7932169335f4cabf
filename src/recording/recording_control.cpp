#include "recording/recording_control.h"

#include <cstdio>

#include "core/operator.h"
#include "recording/file_names.h"
#include "recording/recording_names.h"

namespace vq {
namespace {

struct DialogSpec {
    const char* title;
    const char* filter;
    const char* pattern;
    const char* ext;
    const char* wrong_ext_title;
};

constexpr DialogSpec kRecordDialog = {"Open a Sonar File For Recording",
                                      "Vornax_Qi Multibeam Sonar Files (*.VQS)", "*.VQS", "VQS",
                                      "Open a Sonar File For Recording"};
constexpr DialogSpec kCopyDialog = {"Open a Sonar File For Copying To...",
                                    "Vornax_Qi Multibeam Sonar Files (*.VQS)", "*.VQS", "VQS",
                                    "Copy a Sonar File"};
constexpr DialogSpec kPointDialog = {"Open a Profile Point File For Recording",
                                     "Vornax_Qi Multibeam Profile Point Files (*.Q4P)", "*.Q4P",
                                     "Q4P", "Record to Profile Point File"};
constexpr DialogSpec kBeamDialog = {"Open a Beam Output File For Recording",
                                    "Vornax_Qi Multibeam Beam Output Files (*.Q4B)", "*.Q4B", "Q4B",
                                    "Record to Beam Output File"};

// The save dialog; an empty path when cancelled or when the extension is wrong (after the
// wrong-extension message).
std::filesystem::path AskSaveName(Operator& op, const DialogSpec& d) {
    FileDialogRequest req;
    req.title = d.title;
    req.filter = d.filter;
    req.pattern = d.pattern;
    req.default_ext = d.ext;
    req.save = true;
    std::vector<std::string> names = op.ChooseFiles(req);
    if (names.empty() || names.front().empty()) return {};
    if (!HasExtensionCi(names.front(), d.ext)) {
        op.MessageBox(std::string("File extension must be .") + d.ext, d.wrong_ext_title);
        return {};
    }
    return names.front();
}

std::string DisplayName(const std::filesystem::path& p) {
    return ToLowerAscii(p.string());
}

constexpr std::uint64_t kLargestRecord = kVqsPingOffset + kMaxPingBytes;

}  // namespace

RecordingControl::RecordingControl(Operator& op, DiskSpace disk) : op_(op), disk_(std::move(disk)) {
    title_.reserve(1024);
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

std::filesystem::path RecordingControl::ChooseRecordingName(const PingTimeStamp& ts,
                                                            bool& automatic) {
    automatic = opt_.AutoFilename == 1;
    if (!automatic) return AskSaveName(op_, kRecordDialog);
    std::optional<std::filesystem::path> p = opt_.AutoFilenameType == 1
                                                 ? DateTimeName(opt_.startup_dir, ts)
                                                 : DateNumberName(opt_.current_dir, ts);
    if (!p) {
        op_.MessageBox("No free automatic file name is left for " + DateNamePart(ts) +
                           ".\nData can NOT be recorded.",
                       kRecordDialog.title);
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
    op_.SetWindowTitle(std::string(kProgramTitle) + " - Recording to " + rec_display_);
    return true;
}

bool RecordingControl::RecordStart(const PingTimeStamp& ts) {
    if (Recording()) return false;
    bool automatic = false;
    std::filesystem::path p = ChooseRecordingName(ts, automatic);
    return RecordStartAt(p, automatic);
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
    rec_.Close();
    op_.SetWindowTitle(kProgramTitle);
}

void RecordingControl::RecordStop() {
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
    write_failed_ = written == 0;
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
        RecordStart(ts);
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
                       kRecordDialog.title);
        split_counter_ = 0;
        return;
    }
    split_counter_ = name->second;
    OpenRecording(name->first, OutputFile::Create::Exclusive);
}

bool RecordingControl::CopyStart() {
    if (copying()) return false;
    std::filesystem::path p = AskSaveName(op_, kCopyDialog);
    if (p.empty() || !DiskAllowsOpen(p)) return false;
    if (!copy_.Open(p, OutputFile::Create::Replace)) return false;
    disk_full_messages_ = 0;
    copy_title_kb_ = 0;
    copy_dir_ = DiskSpace::DirectoryOf(p);
    copy_display_ = DisplayName(p);
    op_.SetWindowTitle(std::string(kProgramTitle) + " - Copying to " + copy_display_);
    return true;
}

void RecordingControl::CopyStop(const std::filesystem::path& playback_file) {
    if (!copying()) return;
    op_.MessageBox(copy_.path().string(), "Close Copy File");
    copy_.Close();
    op_.SetWindowTitle(std::string(kProgramTitle) + " - Playback of " + DisplayName(playback_file));
}

bool RecordingControl::CopyRecord(std::span<const std::uint8_t> record) {
    if (!copying()) return false;
    if (!DiskAllowsWrite(copy_dir_, record.size())) {
        copy_.Close();
        op_.SetWindowTitle(kProgramTitle);
        return false;
    }
    bool ok = copy_.Write(record) == record.size();
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

bool RecordingControl::OpenOutputDialog(OutputKind kind) {
    if (kind != OutputKind::Point && kind != OutputKind::Beam) return false;
    std::filesystem::path p =
        AskSaveName(op_, kind == OutputKind::Point ? kPointDialog : kBeamDialog);
    if (p.empty()) return false;
    return OpenOutput(kind, p);
}

bool RecordingControl::OpenOutput(OutputKind kind, const std::filesystem::path& path) {
    if (!DiskAllowsOpen(path)) return false;
    if (!Out(kind).Open(path, OutputFile::Create::Replace)) return false;
    disk_full_messages_ = 0;
    output_kb_shown_[static_cast<std::size_t>(kind)] = -1;
    output_dirs_[static_cast<std::size_t>(kind)] = DiskSpace::DirectoryOf(path);
    if (kind == OutputKind::Point || kind == OutputKind::Beam) output_ping_number_ = 0;
    return true;
}

void RecordingControl::CloseOutput(OutputKind kind) {
    Out(kind).Close();
    output_kb_shown_[static_cast<std::size_t>(kind)] = -1;
}

bool RecordingControl::WriteOutput(OutputKind kind, std::span<const std::uint8_t> bytes) {
    OutputFile& f = Out(kind);
    if (!f.is_open()) return false;
    if (!DiskAllowsWrite(output_dirs_[static_cast<std::size_t>(kind)], bytes.size())) {
        CloseOutput(kind);
        return false;
    }
    return f.Write(bytes) == bytes.size();
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
