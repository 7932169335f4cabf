// Where the settings file and the recordings go: the survey directory from a terminal, the
// per-user directories from the desktop menu.
#include "app/locations.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace vq {
namespace {

struct Case {
    const char* name;
    LocationInputs in;
    const char* settings_dir;
    const char* recording_dir;
};

LocationInputs In(bool desktop, const char* home, const char* config = "", const char* docs = "") {
    LocationInputs in;
    in.working_dir = "/srv/survey/line7";
    in.home = home;
    in.xdg_config_home = config;
    in.documents_dir = docs;
    in.desktop = desktop;
    return in;
}

const Case kCases[] = {
    {"FromATerminalEverythingStaysInTheSurveyDirectory", In(false, "/home/op", "/cfg", "/docs"),
     "/srv/survey/line7", "/srv/survey/line7"},
    {"FromTheMenuTheDefaults", In(true, "/home/op"), "/home/op/.config/vornax-qi",
     "/home/op/Documents/Vornax_Qi"},
    {"FromTheMenuTheXdgConfigHome", In(true, "/home/op", "/cfg"), "/cfg/vornax-qi",
     "/home/op/Documents/Vornax_Qi"},
    {"ARelativeXdgConfigHomeIsIgnored", In(true, "/home/op", "cfg"), "/home/op/.config/vornax-qi",
     "/home/op/Documents/Vornax_Qi"},
    {"TheUsersDocumentsFolder", In(true, "/home/op", "", "/home/op/Dokumente"),
     "/home/op/.config/vornax-qi", "/home/op/Dokumente/Vornax_Qi"},
    {"WithoutAHomeTheWorkingDirectory", In(true, ""), "/srv/survey/line7", "/srv/survey/line7"},
};

// Test names and failures show the case's name, not its bytes.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Locations : public ::testing::TestWithParam<Case> {};

TEST_P(Locations, Resolve) {
    const ProgramLocations p = ResolveLocations(GetParam().in);
    EXPECT_EQ(p.settings_dir, GetParam().settings_dir);
    EXPECT_EQ(p.recording_dir, GetParam().recording_dir);
}

INSTANTIATE_TEST_SUITE_P(Cases, Locations, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& p) {
                             return std::string(p.param.name);
                         });

TEST(Locations, DocumentsFolderFromUserDirs) {
    const std::string home = "/home/op";
    EXPECT_EQ(DocumentsDirFromUserDirs("# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                       "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n",
                                       home),
              "/home/op/Dokumente");
    EXPECT_EQ(DocumentsDirFromUserDirs("XDG_DOCUMENTS_DIR=\"/data/docs/\"\r\n", home),
              "/data/docs");
    // "$HOME/" alone disables the folder; other forms are not allowed.
    EXPECT_EQ(DocumentsDirFromUserDirs("XDG_DOCUMENTS_DIR=\"$HOME/\"\n", home), "");
    EXPECT_EQ(DocumentsDirFromUserDirs("XDG_DOCUMENTS_DIR=\"docs\"\n", home), "");
    EXPECT_EQ(DocumentsDirFromUserDirs("XDG_DOCUMENTS_DIR=$HOME/docs\n", home), "");
    EXPECT_EQ(DocumentsDirFromUserDirs("", home), "");
}

}  // namespace
}  // namespace vq
