#include "recording/conversion.h"

#include <algorithm>
#include <fstream>

#include "recording/file_dialogs.h"
#include "recording/file_names.h"
#include "recording/sounding_files.h"
#include "recording/xtf_writer.h"

namespace vq {

std::string ConversionOutputName(std::string_view recording, ConversionTarget target) {
    switch (target) {
        case ConversionTarget::Point:
            return ReplaceTail(recording, 3, "Q4P");
        case ConversionTarget::Beam:
            return ReplaceTail(recording, 3, "Q4B");
        case ConversionTarget::Xtf:
            return ReplaceTail(recording, 4, "_sss.XTF");
        case ConversionTarget::Csv:
            return ReplaceTail(recording, 3, "csv");
        case ConversionTarget::Xyz:
            return ReplaceTail(recording, 3, "xyz");
    }
    return std::string(recording);
}

const char* ConversionDialogTitle(ConversionTarget target) {
    switch (target) {
        case ConversionTarget::Point:
            return kConvertQ4PTitle;
        case ConversionTarget::Beam:
            return kConvertQ4BTitle;
        case ConversionTarget::Xtf:
            return kConvertXtfTitle;
        case ConversionTarget::Csv:
            return "Convert .VQS Sonar File(s) To .CSV Format";
        case ConversionTarget::Xyz:
            return "Convert .VQS Sonar File(s) To .XYZ Soundings";
    }
    return "";
}

ForcedSettings ForcedSettingsFor(ConversionTarget target) {
    if (target == ConversionTarget::Beam) return {0, 2, 1};
    return {1, 1, 0};
}

std::vector<std::string> ParseSelectionBuffer(std::string_view buffer) {
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

std::optional<std::string> BatchConversion::Start(ConversionTarget target,
                                                  std::vector<std::string> paths) {
    if (paths.size() > kMaxBatchFiles) paths.resize(kMaxBatchFiles);
    target_ = target;
    paths_ = std::move(paths);
    index_ = 0;
    complete_ = false;
    if (paths_.empty()) return std::nullopt;
    return paths_[index_++];
}

std::optional<std::string> BatchConversion::Next(Operator& op) {
    if (paths_.empty()) return std::nullopt;
    if (index_ < paths_.size()) return paths_[index_++];
    paths_.clear();
    index_ = 0;
    complete_ = true;
    op.MessageBox("Conversion Complete!", ConversionDialogTitle(target_));
    return std::nullopt;
}

void BatchConversion::Cancel() {
    paths_.clear();
    index_ = 0;
}

namespace {

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

// A name without "." in its file-name part gets ".vqs"; otherwise it ends three characters
// after its last ".".
std::string CompleteName(std::string_view name) {
    std::size_t slash = name.rfind('/');
    std::size_t base = slash == std::string_view::npos ? 0 : slash + 1;
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot < base) return std::string(name) + ".vqs";
    return std::string(name.substr(0, std::min(name.size(), dot + 4)));
}

}  // namespace

std::optional<CommandLineRequest> ParseCommandLine(std::string_view text) {
    text = TrimRight(TrimLeft(text));
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
            case 'z':
            case 'Z':
                r.xyz = true;
                break;
            default:
                break;  // an unknown letter converts nothing but still opens the file
        }
        name = TrimRight(text.substr(0, opt));
    }
    if (name.empty()) return std::nullopt;
    r.file = CompleteName(name);
    return r;
}

CommandLineFile CheckCommandLineFile(CommandLineRequest& request) {
    if (!HasExtensionCi(request.file, "vqs")) return CommandLineFile::WrongExtension;
    std::filesystem::path p = ResolveCaseInsensitive(request.file);
    std::ifstream in(p, std::ios::binary);
    if (!in) return CommandLineFile::Missing;
    char magic[3] = {};
    in.read(magic, 3);
    if (in.gcount() != 3 || magic[0] != 'V' || magic[1] != 'Q' || magic[2] != 'S')
        return CommandLineFile::BadMagic;
    request.file = p.string();
    return CommandLineFile::Ok;
}

std::vector<ConversionOutput> CommandLineOutputs(const CommandLineRequest& r) {
    std::vector<ConversionOutput> out;
    if (r.point)
        out.push_back({OutputKind::Point, ConversionOutputName(r.file, ConversionTarget::Point)});
    if (r.beam)
        out.push_back({OutputKind::Beam, ConversionOutputName(r.file, ConversionTarget::Beam)});
    if (r.xtf)
        out.push_back({OutputKind::Xtf, ConversionOutputName(r.file, ConversionTarget::Xtf)});
    if (r.csv)
        out.push_back({OutputKind::Csv, ConversionOutputName(r.file, ConversionTarget::Csv)});
    if (r.xyz)
        out.push_back({OutputKind::Xyz, ConversionOutputName(r.file, ConversionTarget::Xyz)});
    return out;
}

std::vector<ConversionOutput> TargetOutputs(std::string_view recording, ConversionTarget target) {
    OutputKind kind = static_cast<OutputKind>(static_cast<int>(target));
    return {{kind, ConversionOutputName(recording, target)}};
}

bool OpenForConversion(VqsPlaybackFile& file, RecordingControl& control,
                       const std::filesystem::path& path,
                       const std::vector<ConversionOutput>& outputs, Operator& op, XtfBuilder* xtf,
                       SoundingFiles* soundings) {
    std::filesystem::path p = ResolveCaseInsensitive(path);
    if (OpenForPlayback(file, p, op, VqsOpenCheck::MagicOnly) != VqsOpenStatus::Ok) return false;
    file.set_process_first_record(true);  // a conversion drops no ping
    for (OutputKind k : kOutputKinds) control.CloseOutput(k);
    for (const ConversionOutput& o : outputs) {
        if (!control.OpenOutput(o.kind, o.path)) continue;
        if (o.kind == OutputKind::Xtf && xtf) xtf->StartFile();
        const bool sounding_file = o.kind == OutputKind::Csv || o.kind == OutputKind::Xyz;
        if (sounding_file && soundings) soundings->Start();
    }
    return true;
}

}  // namespace vq
