// The program's file dialogs as data: what each one asks (title, filter, default extension,
// save or open, one or many files) and how the chosen name is checked, with the exact message
// and title the operator sees when it is refused. The window shows the dialog from this
// description and hands the engine only names that passed.
#pragma once

#include <string>
#include <vector>

namespace vq {

enum class FileDialogKind {
    Record,      // "&Record Start..." with automatic names off
    Copy,        // "&Copy Start..." during playback
    PointFile,   // the point output file of the data-output dialog
    BeamFile,    // the beam output file
    Playback,    // "&Playback File..."
    ConvertQ4P,  // the three conversion commands (several files)
    ConvertQ4B,
    ConvertXtf,
    SaveScreen,  // "&Save Screen..."
};

inline constexpr const char* kSonarFilesFilter = "Vornax_Qi Multibeam Sonar Files (*.VQS)";
inline constexpr const char* kConvertQ4PTitle = "Convert .VQS Sonar File(s) To .Q4P Format";
inline constexpr const char* kConvertQ4BTitle = "Convert .VQS Sonar File(s) To .Q4B Format";
inline constexpr const char* kConvertXtfTitle = "Convert .VQS Sidescan To .XTF Format";
inline constexpr const char* kPlaybackTitle = "Open a Sonar File For Playback";

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Playback;
    std::string title;          // e.g. "Open a Sonar File For Recording"
    std::string filter;         // e.g. "Vornax_Qi Multibeam Sonar Files (*.VQS)"
    std::string pattern;        // e.g. "*.VQS"
    std::string default_ext;    // e.g. "VQS"
    bool save = false;          // save dialog (asks before overwriting) or open dialog
    bool multi_select = false;  // open dialog only
    // Save dialogs: the title of the wrong-extension message. Open dialogs leave the checks
    // to the opening of the file, which also checks its format (same messages).
    std::string wrong_extension_title;
};

FileDialogRequest FileDialogFor(FileDialogKind kind);

// What the dialog's answer amounts to.
struct FileChoice {
    std::vector<std::string> paths;  // the accepted names; empty when cancelled or refused
    std::string message;             // when refused: the message box text and its title
    std::string message_title;
    bool accepted() const { return !paths.empty(); }
};

// Checks the names a dialog returned. No name (or an empty one) is a cancel, without a
// message. A save dialog's name must end in the dialog's extension, compared in lower case;
// otherwise "File extension must be .VQS" (.Q4P, .Q4B) with the dialog's wrong-extension title.
// A screen capture's name must end in ".bmp" (any letter case), else "File extension must be
// .BMP" (title "Save Screen As").
FileChoice CheckChosenFiles(FileDialogKind kind, const std::vector<std::string>& names);

}  // namespace vq
