// The Debian package, built from this build tree with cpack where the packaging tools are
// installed: what it holds, its programs run from an unpacked root (a conversion too), its
// manual pages render without warnings and lintian finds no error in it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>

#include "support/sim_recording.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out, err;
};

// Runs a shell command line with standard output and error captured in files of `dir`.
Result Shell(const std::string& cmd, const fs::path& dir) {
    Result r;
    const std::string full = "cd '" + dir.string() + "' && (" + cmd + ") >out.txt 2>err.txt";
    const int rc = std::system(full.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = test::ReadFile(dir / "out.txt");
    r.err = test::ReadFile(dir / "err.txt");
    return r;
}

bool Have(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

class Package : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        for (const char* tool : {"dpkg-deb", "dpkg-shlibdeps"}) {
            if (!Have(tool)) {
                *skip_ = std::string(tool) +
                         " is not installed (Debian: dpkg, dpkg-dev): the package "
                         "is not built";
                return;
            }
        }
        if (!fs::exists(fs::path(VQ_BUILD_DIR) / "doc" / "vornax_qi.1.gz")) {
            *skip_ = "scdoc is not installed: the build has no manual pages to package";
            return;
        }
        dir_ = new test::TempDir;
        const Result r = Shell(
            "'" VQ_CPACK "' --config '" VQ_BUILD_DIR "/CPackConfig.cmake' -B pkg", dir_->path());
        for (const auto& f : fs::directory_iterator(dir_->path() / "pkg")) {
            if (f.path().extension() == ".deb") *deb_ = f.path().string();
        }
        *build_log_ = r.out + r.err;
        if (!deb_->empty()) Shell("dpkg-deb -x '" + *deb_ + "' root", dir_->path());
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override {
        if (!skip_->empty()) GTEST_SKIP() << *skip_;
        ASSERT_FALSE(deb_->empty()) << *build_log_;
    }
    static fs::path Root() { return dir_->path() / "root"; }

    static inline std::string* skip_ = new std::string;
    static inline std::string* deb_ = new std::string;
    static inline std::string* build_log_ = new std::string;
    static inline test::TempDir* dir_ = nullptr;
};

TEST_F(Package, IsNamedByVersionAndHoldsProgramsEntryIconAndManualPages) {
    EXPECT_EQ(fs::path(*deb_).filename().string(), "vornax-qi_" VQ_VERSION "_amd64.deb");
    for (const char* f : {"usr/bin/vornax_qi", "usr/bin/vq-headsim", "usr/bin/vq-remote",
                          "usr/share/applications/vornax-qi.desktop",
                          "usr/share/icons/hicolor/scalable/apps/vornax-qi.svg",
                          "usr/share/man/man1/vornax_qi.1.gz", "usr/share/man/man1/vq-headsim.1.gz",
                          "usr/share/man/man1/vq-remote.1.gz", "usr/share/doc/vornax-qi/copyright",
                          "usr/share/doc/vornax-qi/changelog.gz"}) {
        EXPECT_TRUE(fs::exists(Root() / f)) << f;
    }
    if (fs::exists(fs::path(VQ_SOURCE_DIR) / "scripts" / "convert-archive")) {
        EXPECT_TRUE(fs::exists(Root() / "usr/bin/convert-archive"));
    }
    // The menu starts the program with the per-user settings and recordings.
    const std::string entry = test::ReadFile(Root() / "usr/share/applications/vornax-qi.desktop");
    EXPECT_NE(entry.find("\nExec=vornax_qi --desktop\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nIcon=vornax-qi\n"), std::string::npos) << entry;
    // The dependencies come from the shared libraries the programs use.
    const Result depends = Shell("dpkg-deb -f '" + *deb_ + "' Depends", dir_->path());
    EXPECT_NE(depends.out.find("libqt6widgets6"), std::string::npos) << depends.out;
    EXPECT_NE(depends.out.find("libpng16-16"), std::string::npos) << depends.out;
    EXPECT_NE(depends.out.find("libqt6multimedia6"), std::string::npos) << depends.out;
    EXPECT_NE(depends.out.find("libavcodec"), std::string::npos) << depends.out;
    // The camera's source is a GStreamer plug-in that no library names.
    const Result recommends = Shell("dpkg-deb -f '" + *deb_ + "' Recommends", dir_->path());
    EXPECT_NE(recommends.out.find("gstreamer1.0-plugins-good"), std::string::npos)
        << recommends.out;
}

// Every picture and page the installed guide links to is installed beside it.
TEST_F(Package, GuideLinksResolveInsideThePackage) {
    const fs::path guide = Root() / "usr/share/doc/vornax-qi/guide";
    const std::string text = test::ReadFile(guide / "index.md");
    ASSERT_FALSE(text.empty());
    const std::regex link(R"(\]\(((img/|\.\./)[^)#]+)[)#])");
    int links = 0;
    for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it) {
        ++links;
        EXPECT_TRUE(fs::exists(guide / (*it)[1].str())) << (*it)[1].str();
    }
    EXPECT_GT(links, 20);
}

TEST_F(Package, UnpackedProgramsRunAndConvertARecording) {
    const fs::path bin = Root() / "usr/bin";
    Result r = Shell("'" + (bin / "vornax_qi").string() + "' --version", dir_->path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "vornax_qi " VQ_VERSION "\n");
    for (const char* tool : {"vq-headsim", "vq-remote"}) {
        r = Shell("'" + (bin / tool).string() + "' --help", dir_->path());
        EXPECT_EQ(r.status, 0) << tool << ": " << r.err;
        EXPECT_FALSE(r.out.empty()) << tool;
    }
    test::TempDir survey;
    survey.WriteLoopbackIni();
    test::WriteFile(survey / "line1.vqs", test::RecordSimulatedPings(4));
    r = Shell("'" + (bin / "vornax_qi").string() + "' line1.vqs /p", survey.path());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string q4p = test::ReadFile(survey / "line1.Q4P");
    ASSERT_FALSE(q4p.empty());
    EXPECT_EQ(q4p.compare(0, 3, "Q4P"), 0);
    EXPECT_EQ(q4p.size() % 496, 0u);
}

TEST_F(Package, ManualPagesRenderWithoutWarnings) {
    if (!Have("man")) GTEST_SKIP() << "man is not installed (Debian: man-db)";
    for (const char* page : {"vornax_qi", "vq-headsim", "vq-remote"}) {
        const fs::path file = Root() / "usr/share/man/man1" / (std::string(page) + ".1.gz");
        const Result r =
            Shell("LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l '" + file.string() + "'",
                  dir_->path());
        EXPECT_EQ(r.status, 0) << page;
        EXPECT_EQ(r.err, "") << page;
        for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "SEE ALSO"})
            EXPECT_NE(r.out.find(section), std::string::npos) << page << " " << section;
        EXPECT_NE(r.out.find(page), std::string::npos) << page;
    }
}

TEST_F(Package, LintianFindsNoError) {
    if (!Have("lintian")) GTEST_SKIP() << "lintian is not installed";
    const Result r = Shell("lintian --tag-display-limit 0 '" + *deb_ + "'", dir_->path());
    std::istringstream lines(r.out);
    std::string line;
    int errors = 0;
    while (std::getline(lines, line)) {
        if (line.rfind("E: ", 0) == 0) {
            ADD_FAILURE() << line;
            ++errors;
        }
    }
    EXPECT_EQ(errors, 0) << r.out << r.err;
}

}  // namespace
}  // namespace vq
