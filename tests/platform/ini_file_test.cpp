#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/atomic_file.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

int FilesIn(const fs::path& dir) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir)) n += e.is_regular_file() ? 1 : 0;
    return n;
}

TEST(IniFile, MissingFileOrKeyGivesTheDefault) {
    TempDir dir;
    IniFile ini;
    EXPECT_FALSE(ini.Load(dir / "Vornax_Qi.INI"));
    EXPECT_TRUE(ini.empty());
    EXPECT_EQ(ini.Get("Settings", "Grid", "1"), "1");

    WriteFile(dir / "a.ini", "[Settings]\nGrid=0\n");
    ASSERT_TRUE(ini.Load(dir / "a.ini"));
    EXPECT_EQ(ini.Get("Settings", "Colors", "7"), "7");
    EXPECT_EQ(ini.Get("Other", "Grid", "x"), "x");
}

TEST(IniFile, NamesIgnoreCaseValuesAreTrimmedAndClipped) {
    TempDir dir;
    std::string longv(100, 'x');
    WriteFile(dir / "a.ini",
              "\xEF\xBB\xBF[settings]\r\n  GRID = 0 \r\n; Colors=5\r\nnoequals\r\n"
              "Addr=\"127.0.0.1\"\r\nLong=" +
                  longv +
                  "\r\nEmpty=\r\n"
                  "[ Filter Settings ]\r\ngrid=9\r\n");
    IniFile ini;
    ASSERT_TRUE(ini.Load(dir / "a.ini"));
    EXPECT_EQ(ini.Get("Settings", "grid", "1"), "0");
    EXPECT_EQ(ini.Get("SETTINGS", "Colors", "d"), "d");  // a comment is not an entry
    EXPECT_EQ(ini.Get("Settings", "Addr", ""), "127.0.0.1");
    EXPECT_EQ(ini.Get("Settings", "Long", ""), std::string(80, 'x'));
    EXPECT_EQ(ini.Get("Settings", "Empty", "d"), "");  // present but empty is not missing
    EXPECT_EQ(ini.Get("filter settings", "GRID", ""), "9");
}

TEST(IniFile, WritingKeepsEveryOtherLineAndTheLineEndStyle) {
    const std::string lf =
        "; written by hand\n[Settings]\nGrid=1\nForeign=abc\n\n[Other]\nx=1\n# tail comment\n";
    IniFile ini;
    ini.Parse(lf);
    ini.Set("SETTINGS", "grid", "0");         // replaced in place, with the name as written
    ini.Set("Settings", "Colors", "3");       // new key: end of its section, before the blank
    ini.Set("Filter Settings", "k", "0.10");  // new section: end of file
    EXPECT_EQ(ini.serialize(),
              "; written by hand\n[Settings]\ngrid=0\nForeign=abc\nColors=3\n\n[Other]\nx=1\n"
              "# tail comment\n\n[Filter Settings]\nk=0.10\n");

    IniFile crlf;
    crlf.Parse("[Settings]\r\nGrid=1");  // no line end after the last line
    EXPECT_EQ(crlf.serialize(), "[Settings]\r\nGrid=1");
    crlf.Set("Settings", "Units", "2\r\n[Evil]");  // a line break cannot split the entry
    EXPECT_EQ(crlf.serialize(), "[Settings]\r\nGrid=1\r\nUnits=2  [Evil]\r\n");

    IniFile fresh;
    fresh.Set("Settings", "Grid", "1");
    fresh.Set("Settings", "Units", "0");
    EXPECT_EQ(fresh.serialize(), "[Settings]\r\nGrid=1\r\nUnits=0\r\n");
}

TEST(IniFile, DuplicatesUseTheFirstOccurrence) {
    IniFile ini;
    ini.Parse("[S]\na=1\na=2\n[S]\nb=3\n");
    EXPECT_EQ(ini.Get("s", "A", ""), "1");
    EXPECT_EQ(ini.Get("s", "b", "none"), "none");
    ini.Set("S", "a", "5");
    EXPECT_EQ(ini.serialize(), "[S]\na=5\na=2\n[S]\nb=3\n");
}

TEST(IniFile, SaveRoundTripsThroughARealFile) {
    TempDir dir;
    IniFile ini;
    ini.Set("Settings", "IPAddress_Sonar1", "127.0.0.1");
    std::string err;
    ASSERT_TRUE(ini.Save(dir / "Vornax_Qi.INI", &err)) << err;
    EXPECT_EQ(ReadFile(dir / "Vornax_Qi.INI"), "[Settings]\r\nIPAddress_Sonar1=127.0.0.1\r\n");
    IniFile back;
    ASSERT_TRUE(back.Load(dir / "Vornax_Qi.INI"));
    EXPECT_EQ(back.serialize(), ini.serialize());
    EXPECT_EQ(FilesIn(dir.path()), 1);  // no temporary file left behind
}

// A settings file is a few kilobytes: a larger one, or a device that never ends under its
// name, is refused with a reason instead of being read into memory.
TEST(IniFile, AFileLargerThanAMegabyteIsNotRead) {
    TempDir dir;
    const std::string line = "[Settings]\r\nGrid=0\r\n";
    WriteFile(dir / "big.INI", line + std::string(IniFile::kMaxFileBytes - line.size(), ';'));
    IniFile ini;
    std::string err;
    ASSERT_TRUE(ini.Load(dir / "big.INI", &err)) << err;  // exactly the limit is fine
    EXPECT_EQ(ini.Get("Settings", "Grid", "1"), "0");

    WriteFile(dir / "big.INI", line + std::string(IniFile::kMaxFileBytes, ';'));
    EXPECT_FALSE(ini.Load(dir / "big.INI", &err));
    EXPECT_EQ(err, "big.INI is larger than 1 MB");
    EXPECT_TRUE(ini.empty());

    fs::create_symlink("/dev/zero", dir / "zero.INI");
    err.clear();
    EXPECT_FALSE(ini.Load(dir / "zero.INI", &err));
    EXPECT_EQ(err, "zero.INI is larger than 1 MB");
}

TEST(AtomicFile, AnInterruptedWriteLeavesTheOldFile) {
    TempDir dir;
    const fs::path target = dir / "f.INI";
    WriteFile(target, "old contents\r\n");
    ::chmod(target.c_str(), 0640);

    std::string seen, err;
    AtomicWriteOptions crash;
    crash.before_rename = [&](const fs::path& temp) {
        seen = ReadFile(temp);  // complete and in the same directory at this point
        EXPECT_EQ(temp.parent_path(), dir.path());
        return false;
    };
    EXPECT_FALSE(WriteFileAtomically(target, "new contents\r\n", &err, crash));
    EXPECT_EQ(seen, "new contents\r\n");
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(ReadFile(target), "old contents\r\n");
    EXPECT_EQ(FilesIn(dir.path()), 1);

    ASSERT_TRUE(WriteFileAtomically(target, "new contents\r\n", &err));
    EXPECT_EQ(ReadFile(target), "new contents\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // the replaced file's permissions are kept
}

TEST(AtomicFile, FailuresAreReportedNotHidden) {
    TempDir dir;
    std::string err;
    EXPECT_FALSE(WriteFileAtomically(dir / "no-such-dir" / "f.INI", "x", &err));
    EXPECT_NE(err.find("No such file or directory"), std::string::npos) << err;

    fs::create_directory(dir / "f.INI");  // a directory where the file should be
    err.clear();
    EXPECT_FALSE(WriteFileAtomically(dir / "f.INI", "x", &err));
    EXPECT_FALSE(err.empty());
    EXPECT_TRUE(fs::is_directory(dir / "f.INI"));
    EXPECT_EQ(FilesIn(dir.path()), 0);

    WriteFile(dir / "real.INI", "a");
    fs::create_symlink(dir / "real.INI", dir / "link.INI");
    ASSERT_TRUE(WriteFileAtomically(dir / "link.INI", "b", &err)) << err;
    EXPECT_TRUE(fs::is_symlink(dir / "link.INI"));
    EXPECT_EQ(ReadFile(dir / "real.INI"), "b");
}

}  // namespace
}  // namespace vq
