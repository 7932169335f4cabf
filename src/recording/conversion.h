// Converting recordings to point, beam, XTF, CSV and XYZ files: output names, the forced settings,
// the batch of files chosen in the dialog, and the command line "file /p|/b|/x|/c|/z".
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/operator.h"
#include "recording/recording_control.h"
#include "recording/vqs_reader.h"

namespace vq {

enum class ConversionTarget { Point = 0, Beam = 1, Xtf = 2, Csv = 3, Xyz = 4 };

inline constexpr std::size_t kMaxBatchFiles = 1000;

// survey.VQS -> survey.Q4P, survey.Q4B, survey_sss.XTF, survey.csv, survey.xyz.
std::string ConversionOutputName(std::string_view recording, ConversionTarget target);
// The title of the conversion's file dialog, also the title of "Conversion Complete!".
const char* ConversionDialogTitle(ConversionTarget target);

struct ForcedSettings {
    int ProfilePointDetection = 1;
    int DataOutputType = 1;
    int beam_output = 0;
};
ForcedSettings ForcedSettingsFor(ConversionTarget target);

// A multiple selection as one buffer: the directory, then each name, each ended by a zero
// byte; a buffer without a second string is one full path. At most kMaxBatchFiles paths.
std::vector<std::string> ParseSelectionBuffer(std::string_view buffer);

// The files of a menu conversion, one after the other.
class BatchConversion {
  public:
    // Keeps at most kMaxBatchFiles names; returns the first file, nothing for an empty list.
    std::optional<std::string> Start(ConversionTarget target, std::vector<std::string> paths);
    // At the end of a converted file: the next file, or nothing when the batch is complete
    // ("Conversion Complete!" is then shown with the target's dialog title).
    std::optional<std::string> Next(Operator& op);
    void Cancel();
    bool running() const { return !paths_.empty(); }
    bool complete() const { return complete_; }
    ConversionTarget target() const { return target_; }
    std::size_t count() const { return paths_.size(); }
    std::size_t Index() const { return index_; }

  private:
    ConversionTarget target_ = ConversionTarget::Point;
    std::vector<std::string> paths_;
    std::size_t index_ = 0;
    bool complete_ = false;
};

struct CommandLineRequest {
    std::string file;  // the recording named (".vqs" appended when it had no extension)
    bool point = false, beam = false, xtf = false, csv = false, xyz = false;
};
// The text after the program name. An option is "/" and one letter, separated from the name
// by a space (a "/" inside a path is part of the name). Nothing for an empty or too long text.
std::optional<CommandLineRequest> ParseCommandLine(std::string_view text);

enum class CommandLineFile { Ok, WrongExtension, Missing, BadMagic };
// Finds the file (any letter case of its name) and checks its "VQS" magic; on success
// request.file becomes the existing file's name.
CommandLineFile CheckCommandLineFile(CommandLineRequest& request);

// The outputs a conversion creates, with their names.
struct ConversionOutput {
    OutputKind kind;
    std::string path;
};
std::vector<ConversionOutput> CommandLineOutputs(const CommandLineRequest& request);
std::vector<ConversionOutput> TargetOutputs(std::string_view recording, ConversionTarget target);

class XtfBuilder;
class SoundingFiles;

// Opens a recording for conversion: the extension and magic checks with their messages,
// playback opening (every record is handed on, the first one too), closing of open outputs,
// then creation of the given outputs (an output that cannot be created stays closed).
// Returns whether the recording was opened.
bool OpenForConversion(VqsPlaybackFile& file, RecordingControl& control,
                       const std::filesystem::path& path,
                       const std::vector<ConversionOutput>& outputs, Operator& op,
                       XtfBuilder* xtf = nullptr, SoundingFiles* soundings = nullptr);

}  // namespace vq
