#include "recording/file_dialogs.h"

#include "recording/file_names.h"
#include "recording/screen_capture.h"

namespace vq {
namespace {

FileDialogRequest SaveDialog(FileDialogKind kind, const char* title, const char* filter,
                             const char* ext, const char* wrong_extension_title) {
    FileDialogRequest r;
    r.kind = kind;
    r.title = title;
    r.filter = filter;
    r.pattern = std::string("*.") + ext;
    r.default_ext = ext;
    r.save = true;
    r.wrong_extension_title = wrong_extension_title;
    return r;
}

FileDialogRequest OpenSonarFiles(FileDialogKind kind, const char* title, bool multi_select) {
    FileDialogRequest r;
    r.kind = kind;
    r.title = title;
    r.filter = kSonarFilesFilter;
    r.pattern = "*.VQS";
    r.default_ext = "VQS";
    r.multi_select = multi_select;
    return r;
}

}  // namespace

FileDialogRequest FileDialogFor(FileDialogKind kind) {
    switch (kind) {
        case FileDialogKind::Record:
            return SaveDialog(kind, "Open a Sonar File For Recording", kSonarFilesFilter, "VQS",
                              "Open a Sonar File For Recording");
        case FileDialogKind::Copy:
            return SaveDialog(kind, "Open a Sonar File For Copying To...", kSonarFilesFilter, "VQS",
                              "Copy a Sonar File");
        case FileDialogKind::PointFile:
            return SaveDialog(kind, "Open a Profile Point File For Recording",
                              "Vornax_Qi Multibeam Profile Point Files (*.Q4P)", "Q4P",
                              "Record to Profile Point File");
        case FileDialogKind::BeamFile:
            return SaveDialog(kind, "Open a Beam Output File For Recording",
                              "Vornax_Qi Multibeam Beam Output Files (*.Q4B)", "Q4B",
                              "Record to Beam Output File");
        case FileDialogKind::Playback:
            return OpenSonarFiles(kind, kPlaybackTitle, false);
        case FileDialogKind::ConvertQ4P:
            return OpenSonarFiles(kind, kConvertQ4PTitle, true);
        case FileDialogKind::ConvertQ4B:
            return OpenSonarFiles(kind, kConvertQ4BTitle, true);
        case FileDialogKind::ConvertXtf:
            return OpenSonarFiles(kind, kConvertXtfTitle, true);
        case FileDialogKind::SaveScreen:
            return SaveDialog(kind, kSaveScreenTitle, "BITMAP File    (*.BMP)", "BMP",
                              kSaveScreenTitle);
    }
    return {};
}

FileChoice CheckChosenFiles(FileDialogKind kind, const std::vector<std::string>& names) {
    FileChoice c;
    if (names.empty() || names.front().empty()) return c;
    const FileDialogRequest d = FileDialogFor(kind);
    if (kind == FileDialogKind::SaveScreen) {
        if (const auto m = CheckSaveScreenName(names.front())) {
            c.message = m->text;
            c.message_title = m->title;
            return c;
        }
    } else if (d.save && !HasExtensionCi(names.front(), d.default_ext)) {
        c.message = "File extension must be ." + d.default_ext;
        c.message_title = d.wrong_extension_title;
        return c;
    }
    for (const std::string& n : names) {
        if (!n.empty()) c.paths.push_back(n);
    }
    if (d.save || !d.multi_select) c.paths.resize(1);
    return c;
}

}  // namespace vq
