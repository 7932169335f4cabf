// 24-bit bitmaps: exact headers and row padding, bottom-up rows, the Save Screen name check and
// dialog, and writes that fail without leaving a partial file. An independent reader (Pillow)
// opens what we write.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

#include "recording/bmp_image.h"
#include "recording/file_dialogs.h"
#include "recording/screen_capture.h"
#include "recording_test_util.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

using test::Le32;

// A picture whose every pixel says where it is: red = x, green = y, blue = x + y (mod 256).
std::vector<std::uint32_t> Gradient(int w, int h) {
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px[static_cast<std::size_t>(y) * w + x] =
                0xFF000000u | (x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x + y) & 0xFF);
    return px;
}

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

TEST(Bmp, RowsArePaddedToFourBytes) {
    struct Case {
        int width;
        std::size_t row;
    };
    for (const Case c : {Case{1021, 3064}, Case{1034, 3104}, Case{1, 4}, Case{2, 8}, Case{3, 12},
                         Case{4, 12}, Case{5, 16}, Case{320, 960}}) {
        EXPECT_EQ(BmpRowBytes(c.width), c.row) << c.width;
    }
}

TEST(Bmp, HeadersAreExactAndRowsRunBottomUp) {
    const int w = 1021, h = 3;
    std::vector<std::uint32_t> px = Gradient(w, h);
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(EncodeBmp24({px.data(), w, h, static_cast<std::size_t>(w)}, out));
    ASSERT_EQ(out.size(), 54u + 3064u * 3u);
    const std::uint8_t* b = out.data();
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(Le32(b + 2), 54u + 3064u * 3u);  // file size
    EXPECT_EQ(Le32(b + 6), 0u);                // the two reserved words
    EXPECT_EQ(Le32(b + 10), 54u);              // pixel offset
    EXPECT_EQ(Le32(b + 14), 40u);              // information header size
    EXPECT_EQ(Le32(b + 18), 1021u);
    EXPECT_EQ(Le32(b + 22), 3u);  // positive height: bottom-up
    EXPECT_EQ(Le16(b + 26), 1u);  // planes
    EXPECT_EQ(Le16(b + 28), 24u);
    EXPECT_EQ(Le32(b + 30), 0u);  // uncompressed
    EXPECT_EQ(Le32(b + 34), 3064u * 3u);
    for (int off = 38; off < 54; ++off) EXPECT_EQ(b[off], 0) << off;
    // The first stored row is the picture's bottom row (y = 2): blue, green, red.
    EXPECT_EQ(b[54 + 0], 2);                       // blue = x + y = 0 + 2
    EXPECT_EQ(b[54 + 1], 2);                       // green = y
    EXPECT_EQ(b[54 + 2], 0);                       // red = x
    const std::uint8_t* row2 = b + 54 + 2 * 3064;  // the top row (y = 0)
    EXPECT_EQ(row2[3 * 300 + 2], 300 & 0xFF);
    EXPECT_EQ(row2[3 * 300 + 1], 0);
    // The padding byte at the end of each row is zero.
    for (int r = 0; r < 3; ++r) EXPECT_EQ(b[54 + r * 3064 + 3063], 0);
    // Our decoder gives the picture back.
    std::vector<std::uint32_t> back;
    auto l = DecodeBmp24(out, back);
    ASSERT_TRUE(l);
    EXPECT_EQ(back, px);
}

TEST(Bmp, MalformedHeadersAreRefused) {
    std::vector<std::uint32_t> px = Gradient(8, 4);
    std::vector<std::uint8_t> good;
    ASSERT_TRUE(EncodeBmp24({px.data(), 8, 4, 8}, good));
    ASSERT_TRUE(ParseBmp24(good));
    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        int bytes;
    };
    for (const Case c : {Case{"magic", 0, 'X', 1}, Case{"bits", 28, 32, 2},
                         Case{"compressed", 30, 1, 4}, Case{"huge width", 18, 100000, 4},
                         Case{"zero height", 22, 0, 4}, Case{"small info", 14, 12, 4},
                         Case{"offset past end", 10, 1000, 4}, Case{"width past end", 18, 9, 4}}) {
        std::vector<std::uint8_t> bad = good;
        std::memcpy(bad.data() + c.offset, &c.value, static_cast<std::size_t>(c.bytes));
        EXPECT_FALSE(ParseBmp24(bad)) << c.what;
    }
    EXPECT_FALSE(ParseBmp24(std::span(good).first(53)));
    EXPECT_FALSE(ParseBmp24(std::span(good).first(good.size() - 1)));
    // A top-down picture (negative height) is read the right way up.
    std::vector<std::uint8_t> top_down = good;
    const std::int32_t neg = -4;
    std::memcpy(top_down.data() + 22, &neg, 4);
    std::vector<std::uint32_t> back;
    auto l = DecodeBmp24(top_down, back);
    ASSERT_TRUE(l);
    EXPECT_FALSE(l->bottom_up);
    EXPECT_EQ(back[0], px[3 * 8]);  // stored first = shown at the top
    std::vector<std::uint8_t> none;
    EXPECT_FALSE(EncodeBmp24({nullptr, 8, 4, 8}, none));
    EXPECT_FALSE(EncodeBmp24({px.data(), 8, 4, 7}, none));  // stride shorter than a row
}

TEST(Bmp, AnIndependentReaderOpensWhatWeWrite) {
    test::TempDir dir;
    std::ostringstream names;
    for (const auto& [w, h] : {std::pair{1021, 5}, std::pair{1034, 778}, std::pair{3, 2}}) {
        std::vector<std::uint32_t> px = Gradient(w, h);
        const auto path = dir / ("g" + std::to_string(w) + ".bmp");
        std::string error;
        ASSERT_TRUE(WriteBmpFile(path, {px.data(), w, h, static_cast<std::size_t>(w)}, &error))
            << error;
        names << ' ' << test::ShellQuote(path.string());
    }
    const test::ToolRun r = test::RunTool(test::ReadImagesCommand() + " bmp" + names.str());
    if (r.status == 3 || r.status == -1) GTEST_SKIP() << "Pillow (python3-pil) is not available";
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "1021 5 RGB -1\n1034 778 RGB -1\n3 2 RGB -1\n");
}

TEST(SaveScreen, DialogAndNameCheck) {
    const FileDialogRequest d = FileDialogFor(FileDialogKind::SaveScreen);
    EXPECT_EQ(d.title, "Save Screen As");
    EXPECT_EQ(d.filter, "BITMAP File    (*.BMP)");
    EXPECT_EQ(d.pattern, "*.BMP");
    EXPECT_EQ(d.default_ext, "BMP");
    EXPECT_TRUE(d.save);
    for (const char* good : {"shot.bmp", "SHOT.BMP", "/tmp/x/Shot.Bmp", "a.b.bmp"}) {
        EXPECT_FALSE(CheckSaveScreenName(good)) << good;
        const FileChoice c = CheckChosenFiles(FileDialogKind::SaveScreen, {good});
        ASSERT_TRUE(c.accepted()) << good;
        EXPECT_EQ(c.paths.front(), good);
    }
    for (const char* bad : {"shot.png", "shot", "shotbmp", ".bmp", "/tmp/.bmp", "shot.bmp "}) {
        const auto m = CheckSaveScreenName(bad);
        ASSERT_TRUE(m) << bad;
        EXPECT_EQ(m->text, "File extension must be .BMP");
        EXPECT_EQ(m->title, "Save Screen As");
        const FileChoice c = CheckChosenFiles(FileDialogKind::SaveScreen, {bad});
        EXPECT_FALSE(c.accepted()) << bad;
        EXPECT_EQ(c.message, "File extension must be .BMP");
        EXPECT_EQ(c.message_title, "Save Screen As");
    }
    // Cancelled: no message.
    EXPECT_TRUE(CheckChosenFiles(FileDialogKind::SaveScreen, {}).message.empty());
}

// Everything in dir whose name starts with stem (the file and any temporary file).
int FilesStartingWith(const std::filesystem::path& dir, const std::string& stem) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().filename().string().rfind(stem, 0) == 0) ++n;
    return n;
}

TEST(SaveScreen, AFailedWriteIsReportedAndLeavesNoPartialFile) {
    test::TempDir dir;
    std::vector<std::uint32_t> px = Gradient(1034, 778);
    const Rgb32View window{px.data(), 1034, 778, 1034};

    // A folder that does not exist.
    auto m = SaveScreen(dir / "missing" / "shot.bmp", window);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->title, "Save Screen As");
    EXPECT_NE(m->text.find("shot.bmp"), std::string::npos) << m->text;
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));

    // The name belongs to a folder: the finished temporary file cannot replace it.
    std::filesystem::create_directory(dir / "taken.bmp");
    ASSERT_TRUE(SaveScreen(dir / "taken.bmp", window));
    EXPECT_EQ(FilesStartingWith(dir.path(), "taken.bmp"), 1);

    // The disk fills up part-way (a file size limit stands in for a full disk): the earlier
    // picture of that name stays whole and no temporary file is left.
    test::WriteFile(dir / "shot.bmp", "the earlier picture");
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    m = SaveScreen(dir / "shot.bmp", window);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ASSERT_TRUE(m);
    EXPECT_NE(m->text.find("File too large"), std::string::npos) << m->text;
    EXPECT_EQ(test::ReadFile(dir / "shot.bmp"), "the earlier picture");
    EXPECT_EQ(FilesStartingWith(dir.path(), "shot.bmp"), 1);

    // With room, the file is written whole.
    EXPECT_FALSE(SaveScreen(dir / "shot.bmp", window));
    EXPECT_EQ(std::filesystem::file_size(dir / "shot.bmp"), 54u + 3104u * 778u);
}

}  // namespace
}  // namespace vq
