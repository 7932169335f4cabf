#include "recording/conversion.h"

#include <algorithm>
#include <fstream>

#include "recording/csv_writer.h"
#include "recording/file_names.h"
#include "recording/xtf_writer.h"

namespace vq {

std::string conversion_output_name(std::string_view recording, ConversionTarget target) {
    switch (target) {
        case ConversionTarget::Point:
            return replace_tail(recording, 3, "Q4P");
        case ConversionTarget::Beam:
            return replace_tail(recording, 3, "Q4B");
        case ConversionTarget::Xtf:
            return replace_tail(recording, 4, "_sss.XTF");
        case ConversionTarget::Csv:
            return replace_tail(recording, 3, "csv");
    }
    return std::string(recording);
}

const char* conversion_dialog_title(ConversionTarget target) {
    switch (target) {
        case ConversionTarget::Point:
            return "Convert .VQS Sonar File(s) To .Q4P Format";
        case ConversionTarget::Beam:
            return "Convert .VQS Sonar File(s) To .Q4B Format";
        case ConversionTarget::Xtf:
            return "Convert .VQS Sidescan To .XTF Format";
        case ConversionTarget::Csv:
            return "Convert .VQS Sonar File(s) To .CSV Format";
    }
    return "";
}

FileDialogRequest conversion_dialog(ConversionTarget target) {
    FileDialogRequest r;
    r.title = conversion_dialog_title(target);
    r.filter = "Vornax_Qi Multibeam Sonar Files (*.VQS)";
    r.pattern = "*.VQS";
    r.default_ext = "VQS";
    r.save = false;
    r.multi_select = true;
    return r;
}

ForcedSettings forced_settings(ConversionTarget target) {
    if (target == ConversionTarget::Beam) return {0, 2, 1};
    return {1, 1, 0};
}

std::vector<std::string> parse_selection_buffer(std::string_view buffer) {
    std::vector<std::string> out;
    std::size_t end = buffer.find('\0');
    std::string_view first = buffer.substr(0, end);
    // Every zero byte followed by a non-zero byte starts a name.
    std::vector<std::string_view> names;
    for (std::size_t i = end; i != std::string_view::npos && i + 1 < buffer.size();
         i = buffer.find('\0', i + 1)) {
        if (buffer[i + 1] == '\0') break;
        std::size_t stop = buffer.find('\0', i + 1);
        names.push_back(buffer.substr(i + 1, stop == std::string_view::npos ? stop : stop - i - 1));
        if (names.size() == kMaxBatchFiles) break;
    }
    if (names.empty()) {
        if (!first.empty()) out.emplace_back(first);
        return out;
    }
    std::string dir(first);
    if (!dir.empty() && dir.back() != '/') dir += '/';
    for (std::string_view n : names) out.push_back(dir + std::string(n));
    return out;
}

std::optional<std::string> BatchConversion::start(ConversionTarget target,
                                                  std::vector<std::string> paths) {
    if (paths.size() > kMaxBatchFiles) paths.resize(kMaxBatchFiles);
    target_ = target;
    paths_ = std::move(paths);
    index_ = 0;
    complete_ = false;
    if (paths_.empty()) return std::nullopt;
    return paths_[index_++];
}

std::optional<std::string> BatchConversion::next(Operator& op) {
    if (paths_.empty()) return std::nullopt;
    if (index_ < paths_.size()) return paths_[index_++];
    paths_.clear();
    index_ = 0;
    complete_ = true;
    op.message_box("Conversion Complete!", conversion_dialog_title(target_));
    return std::nullopt;
}

void BatchConversion::cancel() {
    paths_.clear();
    index_ = 0;
}

namespace {

std::string_view trim_right(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string_view trim_left(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

// A name without "." in its file-name part gets ".vqs"; otherwise it ends three characters
// after its last ".".
std::string complete_name(std::string_view name) {
    std::size_t slash = name.rfind('/');
    std::size_t base = slash == std::string_view::npos ? 0 : slash + 1;
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot < base) return std::string(name) + ".vqs";
    return std::string(name.substr(0, std::min(name.size(), dot + 4)));
}

}  // namespace

std::optional<CommandLineRequest> parse_command_line(std::string_view text) {
    text = trim_right(trim_left(text));
    if (text.empty() || text.size() > 255) return std::nullopt;
    CommandLineRequest r;
    std::string_view name = text;
    std::size_t opt = text.rfind(" /");
    if (opt != std::string_view::npos && opt + 3 == text.size()) {
        switch (text[opt + 2]) {
            case 'p':
            case 'P':
                r.point = true;
                break;
            case 'b':
            case 'B':
                r.beam = true;
                break;
            case 'x':
            case 'X':
                r.xtf = r.point = true;
                break;
            case 'c':
            case 'C':
                r.csv = true;
                break;
            default:
                break;  // an unknown letter converts nothing but still opens the file
        }
        name = trim_right(text.substr(0, opt));
    }
    if (name.empty()) return std::nullopt;
    r.file = complete_name(name);
    return r;
}

CommandLineFile check_command_line_file(CommandLineRequest& request) {
    if (!has_extension_ci(request.file, "vqs")) return CommandLineFile::WrongExtension;
    std::filesystem::path p = resolve_case_insensitive(request.file);
    std::ifstream in(p, std::ios::binary);
    if (!in) return CommandLineFile::Missing;
    char magic[3] = {};
    in.read(magic, 3);
    if (in.gcount() != 3 || magic[0] != 'V' || magic[1] != 'Q' || magic[2] != 'S')
        return CommandLineFile::BadMagic;
    request.file = p.string();
    return CommandLineFile::Ok;
}

std::vector<ConversionOutput> command_line_outputs(const CommandLineRequest& r) {
    std::vector<ConversionOutput> out;
    if (r.point)
        out.push_back({OutputKind::Point, conversion_output_name(r.file, ConversionTarget::Point)});
    if (r.beam)
        out.push_back({OutputKind::Beam, conversion_output_name(r.file, ConversionTarget::Beam)});
    if (r.xtf)
        out.push_back({OutputKind::Xtf, conversion_output_name(r.file, ConversionTarget::Xtf)});
    if (r.csv)
        out.push_back({OutputKind::Csv, conversion_output_name(r.file, ConversionTarget::Csv)});
    return out;
}

std::vector<ConversionOutput> target_outputs(std::string_view recording, ConversionTarget target) {
    OutputKind kind = static_cast<OutputKind>(static_cast<int>(target));
    return {{kind, conversion_output_name(recording, target)}};
}

bool open_for_conversion(VqsPlaybackFile& file, RecordingControl& control,
                         const std::filesystem::path& path,
                         const std::vector<ConversionOutput>& outputs, Operator& op,
                         XtfBuilder* xtf, CsvWriter* csv) {
    std::filesystem::path p = resolve_case_insensitive(path);
    if (open_for_playback(file, p, op, VqsOpenCheck::MagicOnly) != VqsOpenStatus::Ok) return false;
    file.set_process_first_record(true);  // a conversion drops no ping
    for (OutputKind k : {OutputKind::Point, OutputKind::Beam, OutputKind::Xtf, OutputKind::Csv})
        control.close_output(k);
    for (const ConversionOutput& o : outputs) {
        if (!control.open_output(o.kind, o.path)) continue;
        if (o.kind == OutputKind::Xtf && xtf) xtf->start_file();
        if (o.kind == OutputKind::Csv && csv) csv->start_file();
    }
    return true;
}

}  // namespace vq
