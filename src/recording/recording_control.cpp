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
std::filesystem::path ask_save_name(Operator& op, const DialogSpec& d) {
    FileDialogRequest req;
    req.title = d.title;
    req.filter = d.filter;
    req.pattern = d.pattern;
    req.default_ext = d.ext;
    req.save = true;
    std::vector<std::string> names = op.choose_files(req);
    if (names.empty() || names.front().empty()) return {};
    if (!has_extension_ci(names.front(), d.ext)) {
        op.message_box(std::string("File extension must be .") + d.ext, d.wrong_ext_title);
        return {};
    }
    return names.front();
}

std::string display_name(const std::filesystem::path& p) {
    return to_lower_ascii(p.string());
}

constexpr std::uint64_t kLargestRecord = kVqsPingOffset + kMaxPingBytes;

}  // namespace

RecordingControl::RecordingControl(Operator& op, DiskSpace disk) : op_(op), disk_(std::move(disk)) {
    title_.reserve(1024);
}

bool RecordingControl::disk_allows_open(const std::filesystem::path& file) {
    if (disk_.CheckAvailableDiskSpace(DiskSpace::directory_of(file), kLargestRecord)) return true;
    op_.message_box(kDiskFullAtOpen, kDiskCheckTitle);
    return false;
}

bool RecordingControl::disk_allows_write(const std::filesystem::path& dir, std::uint64_t bytes) {
    if (disk_.CheckAvailableDiskSpace(dir, bytes)) return true;
    if (disk_full_messages_++ == 0) op_.message_box(kDiskFullAtWrite, kDiskCheckTitle);
    return false;
}

std::filesystem::path RecordingControl::choose_recording_name(const PingTimeStamp& ts,
                                                              bool& automatic) {
    automatic = opt_.AutoFilename == 1;
    if (!automatic) return ask_save_name(op_, kRecordDialog);
    std::optional<std::filesystem::path> p = opt_.AutoFilenameType == 1
                                                 ? date_time_name(opt_.startup_dir, ts)
                                                 : date_number_name(opt_.current_dir, ts);
    if (!p) {
        op_.message_box("No free automatic file name is left for " + date_name_part(ts) +
                            ".\nData can NOT be recorded.",
                        kRecordDialog.title);
        return {};
    }
    return *p;
}

bool RecordingControl::open_recording(const std::filesystem::path& p, OutputFile::Create mode) {
    if (!disk_allows_open(p)) return false;
    if (!rec_.create(p, mode)) return false;
    disk_full_messages_ = 0;
    write_failed_ = false;
    title_kb_ = 0;
    rec_dir_ = DiskSpace::directory_of(p);
    rec_display_ = display_name(p);
    op_.set_window_title(std::string(kProgramTitle) + " - Recording to " + rec_display_);
    return true;
}

bool RecordingControl::record_start(const PingTimeStamp& ts) {
    if (recording()) return false;
    bool automatic = false;
    std::filesystem::path p = choose_recording_name(ts, automatic);
    return record_start_at(p, automatic);
}

bool RecordingControl::record_start_at(const std::filesystem::path& p, bool automatic) {
    if (recording() || p.empty()) return false;
    // A name chosen in the save dialog was confirmed by the operator; an automatic one must
    // never replace an existing recording.
    if (!open_recording(p, automatic ? OutputFile::Create::Exclusive : OutputFile::Create::Replace))
        return false;
    automatic_name_ = automatic;
    return true;
}

void RecordingControl::close_recording() {
    rec_.close();
    op_.set_window_title(kProgramTitle);
}

void RecordingControl::record_stop() {
    if (recording()) close_recording();
    split_counter_ = 0;
    split_base_.clear();
}

bool RecordingControl::write_ping(std::span<const std::uint8_t> ping, const PingTimeStamp& ts,
                                  const RecordSettings& s, const RecordNav& nav,
                                  std::span<const std::uint8_t> frame, bool live) {
    if (!recording()) return false;
    std::span<const std::uint8_t> rec = builder_.build(ping, ts, s, nav, previous_record_length_,
                                                       static_cast<std::uint32_t>(frame.size()));
    bool ok = write_record(rec, frame, ts, live);
    previous_record_length_ = static_cast<std::uint32_t>(rec.size());
    return ok;
}

bool RecordingControl::write_record(std::span<const std::uint8_t> record,
                                    std::span<const std::uint8_t> frame, const PingTimeStamp& ts,
                                    bool live) {
    if (!recording()) return false;
    if (!disk_allows_write(rec_dir_, record.size() + frame.size())) {
        close_recording();  // recording stops; every record written so far stays whole
        split_counter_ = 0;
        return false;
    }
    std::size_t written = rec_.write(record);
    if (written == record.size() && !frame.empty()) written += rec_.write(frame);
    write_failed_ = written == 0;
    update_record_title();
    if (live) check_file_size(ts);
    return written > 0;
}

void RecordingControl::update_record_title() {
    std::int64_t kb = rec_.bytes_written() / 1024;
    if (kb == title_kb_) return;
    title_kb_ = kb;
    title_.assign(kProgramTitle);
    title_ += " - Recording to ";
    title_ += rec_display_;
    title_ += " - ";
    title_ += group_thousands(kb);  // short enough to stay in the string's own storage
    title_ += " kB";
    op_.set_window_title(title_);
}

void RecordingControl::check_file_size(const PingTimeStamp& ts) {
    std::uint64_t limit = file_size_limit_bytes(opt_.MaximumFilesize, size_unit_);
    // No limit (a size of 0 would otherwise split after every record).
    if (limit == 0 || static_cast<std::uint64_t>(rec_.bytes_written()) < limit) return;
    if (automatic_name_) {
        close_recording();
        record_start(ts);
        return;
    }
    split_to_numbered_file();
}

void RecordingControl::split_to_numbered_file() {
    std::filesystem::path current = rec_.path();
    if (split_counter_ == 0) {
        // First split: the file so far becomes -001 (or the first free number).
        split_base_ = replace_tail(current.string(), 4, "");
        close_recording();
        auto first = next_split_name(split_base_, 1);
        int next = 2;
        if (first) {
            std::error_code ec;
            if (!exists_any_case(first->first)) std::filesystem::rename(current, first->first, ec);
            if (!ec) next = first->second + 1;
        }
        split_counter_ = next;
    } else {
        close_recording();
        ++split_counter_;
    }
    auto name = next_split_name(split_base_, split_counter_);
    if (!name) {
        op_.message_box("No free numbered file name is left for " + split_base_ +
                            ".\nData can NOT be recorded.",
                        kRecordDialog.title);
        split_counter_ = 0;
        return;
    }
    split_counter_ = name->second;
    open_recording(name->first, OutputFile::Create::Exclusive);
}

bool RecordingControl::copy_start() {
    if (copying()) return false;
    std::filesystem::path p = ask_save_name(op_, kCopyDialog);
    if (p.empty() || !disk_allows_open(p)) return false;
    if (!copy_.create(p, OutputFile::Create::Replace)) return false;
    disk_full_messages_ = 0;
    copy_title_kb_ = 0;
    copy_dir_ = DiskSpace::directory_of(p);
    copy_display_ = display_name(p);
    op_.set_window_title(std::string(kProgramTitle) + " - Copying to " + copy_display_);
    return true;
}

void RecordingControl::copy_stop(const std::filesystem::path& playback_file) {
    if (!copying()) return;
    op_.message_box(copy_.path().string(), "Close Copy File");
    copy_.close();
    op_.set_window_title(std::string(kProgramTitle) + " - Playback of " +
                         display_name(playback_file));
}

bool RecordingControl::copy_record(std::span<const std::uint8_t> record) {
    if (!copying()) return false;
    if (!disk_allows_write(copy_dir_, record.size())) {
        copy_.close();
        op_.set_window_title(kProgramTitle);
        return false;
    }
    bool ok = copy_.write(record) == record.size();
    update_copy_title();
    return ok;
}

void RecordingControl::update_copy_title() {
    std::int64_t kb = copy_.bytes_written() / 1024;
    if (kb == copy_title_kb_) return;
    copy_title_kb_ = kb;
    title_.assign(kProgramTitle);
    title_ += " - Copying to ";
    title_ += copy_display_;
    title_ += " - ";
    title_ += std::to_string(kb);
    title_ += " kB";
    op_.set_window_title(title_);
}

bool RecordingControl::open_output_dialog(OutputKind kind) {
    if (kind != OutputKind::Point && kind != OutputKind::Beam) return false;
    std::filesystem::path p =
        ask_save_name(op_, kind == OutputKind::Point ? kPointDialog : kBeamDialog);
    if (p.empty()) return false;
    return open_output(kind, p);
}

bool RecordingControl::open_output(OutputKind kind, const std::filesystem::path& path) {
    if (!disk_allows_open(path)) return false;
    if (!out(kind).create(path, OutputFile::Create::Replace)) return false;
    disk_full_messages_ = 0;
    output_kb_shown_[static_cast<std::size_t>(kind)] = -1;
    output_dirs_[static_cast<std::size_t>(kind)] = DiskSpace::directory_of(path);
    if (kind == OutputKind::Point || kind == OutputKind::Beam) output_ping_number_ = 0;
    return true;
}

void RecordingControl::close_output(OutputKind kind) {
    out(kind).close();
    output_kb_shown_[static_cast<std::size_t>(kind)] = -1;
}

bool RecordingControl::write_output(OutputKind kind, std::span<const std::uint8_t> bytes) {
    OutputFile& f = out(kind);
    if (!f.is_open()) return false;
    if (!disk_allows_write(output_dirs_[static_cast<std::size_t>(kind)], bytes.size())) {
        close_output(kind);
        return false;
    }
    return f.write(bytes) == bytes.size();
}

std::string RecordingControl::output_status_text(OutputKind kind) const {
    const OutputFile& f = out(kind);
    if (!f.is_open()) return {};
    return "Recording to " + f.path().string() + " - " + std::to_string(f.bytes_written() / 1024) +
           " kB";
}

bool RecordingControl::take_output_status_change(OutputKind kind) {
    std::int64_t kb = out(kind).is_open() ? out(kind).bytes_written() / 1024 : -1;
    std::int64_t& shown = output_kb_shown_[static_cast<std::size_t>(kind)];
    if (kb == shown) return false;
    shown = kb;
    return true;
}

}  // namespace vq
