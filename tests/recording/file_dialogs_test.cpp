// The file dialogs as the window shows them, and the checks of the names chosen in them.
#include <gtest/gtest.h>

#include "recording/file_dialogs.h"

namespace vq {
namespace {

struct DialogCase {
    FileDialogKind kind;
    const char* title;
    const char* filter;
    const char* ext;
    bool save;
    bool multi_select;
    const char* wrong_extension_title;  // "" for open dialogs
};

constexpr DialogCase kDialogs[] = {
    {FileDialogKind::Record, "Open a Sonar File For Recording",
     "Vornax_Qi Multibeam Sonar Files (*.VQS)", "VQS", true, false,
     "Open a Sonar File For Recording"},
    {FileDialogKind::Copy, "Open a Sonar File For Copying To...",
     "Vornax_Qi Multibeam Sonar Files (*.VQS)", "VQS", true, false, "Copy a Sonar File"},
    {FileDialogKind::PointFile, "Open a Profile Point File For Recording",
     "Vornax_Qi Multibeam Profile Point Files (*.Q4P)", "Q4P", true, false,
     "Record to Profile Point File"},
    {FileDialogKind::BeamFile, "Open a Beam Output File For Recording",
     "Vornax_Qi Multibeam Beam Output Files (*.Q4B)", "Q4B", true, false,
     "Record to Beam Output File"},
    {FileDialogKind::Playback, "Open a Sonar File For Playback",
     "Vornax_Qi Multibeam Sonar Files (*.VQS)", "VQS", false, false, ""},
    {FileDialogKind::ConvertQ4P, "Convert .VQS Sonar File(s) To .Q4P Format",
     "Vornax_Qi Multibeam Sonar Files (*.VQS)", "VQS", false, true, ""},
    {FileDialogKind::ConvertQ4B, "Convert .VQS Sonar File(s) To .Q4B Format",
     "Vornax_Qi Multibeam Sonar Files (*.VQS)", "VQS", false, true, ""},
    {FileDialogKind::ConvertXtf, "Convert .VQS Sidescan To .XTF Format",
     "Vornax_Qi Multibeam Sonar Files (*.VQS)", "VQS", false, true, ""},
};

TEST(FileDialogs, EveryDialogReadsAsTheOperatorSeesIt) {
    for (const DialogCase& c : kDialogs) {
        const FileDialogRequest r = FileDialogFor(c.kind);
        SCOPED_TRACE(c.title);
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.title, c.title);
        EXPECT_EQ(r.filter, c.filter);
        EXPECT_EQ(r.pattern, std::string("*.") + c.ext);
        EXPECT_EQ(r.default_ext, c.ext);
        EXPECT_EQ(r.save, c.save);
        EXPECT_EQ(r.multi_select, c.multi_select);
        EXPECT_EQ(r.wrong_extension_title, c.wrong_extension_title);
    }
}

struct ChoiceCase {
    FileDialogKind kind;
    std::vector<std::string> names;
    std::vector<std::string> accepted;
    const char* message;
    const char* message_title;
};

TEST(FileDialogs, ChosenNamesAreCheckedByTheirLowerCaseExtension) {
    const ChoiceCase cases[] = {
        // Cancelled: nothing, and no message.
        {FileDialogKind::Record, {}, {}, "", ""},
        {FileDialogKind::Record, {""}, {}, "", ""},
        // The extension in any letter case.
        {FileDialogKind::Record, {"/d/Survey.vqs"}, {"/d/Survey.vqs"}, "", ""},
        {FileDialogKind::Record, {"/d/survey.VqS"}, {"/d/survey.VqS"}, "", ""},
        {FileDialogKind::Record,
         {"/d/survey.txt"},
         {},
         "File extension must be .VQS",
         "Open a Sonar File For Recording"},
        {FileDialogKind::Record,
         {"/d/survey.vq"},
         {},
         "File extension must be .VQS",
         "Open a Sonar File For Recording"},
        {FileDialogKind::Copy,
         {"/d/copy.Q4P"},
         {},
         "File extension must be .VQS",
         "Copy a Sonar File"},
        {FileDialogKind::PointFile,
         {"/d/p.Q4B"},
         {},
         "File extension must be .Q4P",
         "Record to Profile Point File"},
        {FileDialogKind::PointFile, {"/d/p.q4p"}, {"/d/p.q4p"}, "", ""},
        {FileDialogKind::BeamFile,
         {"/d/b.VQS"},
         {},
         "File extension must be .Q4B",
         "Record to Beam Output File"},
        {FileDialogKind::BeamFile, {"/d/b.Q4B"}, {"/d/b.Q4B"}, "", ""},
        // Open dialogs leave their checks (extension and format) to the opening of the file.
        {FileDialogKind::Playback, {"/d/a.txt"}, {"/d/a.txt"}, "", ""},
        {FileDialogKind::Playback, {"/d/a.VQS", "/d/b.VQS"}, {"/d/a.VQS"}, "", ""},
        {FileDialogKind::ConvertQ4B, {"/d/a.VQS", "/d/b.vqs"}, {"/d/a.VQS", "/d/b.vqs"}, "", ""},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(FileDialogFor(c.kind).title + " " +
                     (c.names.empty() ? std::string("(none)") : c.names.front()));
        const FileChoice choice = CheckChosenFiles(c.kind, c.names);
        EXPECT_EQ(choice.paths, c.accepted);
        EXPECT_EQ(choice.accepted(), !c.accepted.empty());
        EXPECT_EQ(choice.message, c.message);
        EXPECT_EQ(choice.message_title, c.message_title);
    }
}

}  // namespace
}  // namespace vq
