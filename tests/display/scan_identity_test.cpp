// The one-pass scan conversion and the register transpose give the same bytes (and
// persistence floats) as the first row-by-row forms, over several pings with a grid drawn,
// in every fan mode and beam count, including spans that end inside a vector.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "display/display_test_util.h"
#include "display/grid.h"
#include "display/scan_convert.h"
#include "display/table_builders.h"

namespace vq {
namespace {

void Noise(BeamByteImage& img, unsigned seed) {
    for (std::size_t i = 0; i < img.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        img.data()[i] = static_cast<std::uint8_t>(seed >> 24);
    }
}

TEST(FastTranspose, MatchesTheByteByByteTransposeForEveryBeamCount) {
    auto img = std::make_unique<BeamByteImage>();
    Noise(*img, 3);
    for (int beams : {1, 15, 16, 17, 30, 120, 240, 256, 479, 480, 560, 600}) {
        std::vector<std::uint8_t> fast(kColumnsSize, 0), ref(kColumnsSize, 0);
        TransposeBeams(img->data(), beams, fast.data());
        TransposeBeamsReference(img->data(), beams, ref.data());
        EXPECT_EQ(0, std::memcmp(fast.data(), ref.data(), fast.size())) << beams;
        // Row -1 (byte 0 of every cell) and rows past the beams stay 0.
        EXPECT_EQ(fast[kColumnStride * 7], 0) << beams;
        if (beams < kMaxBeams) {
            EXPECT_EQ(fast[kColumnStride * 7 + beams + 1], 0) << beams;
        }
    }
}

struct Frame {
    std::vector<std::uint8_t> clean = std::vector<std::uint8_t>(kImagePixels, 0);
    std::vector<std::uint8_t> display = std::vector<std::uint8_t>(kImagePixels, 0);
    std::vector<float> persist = std::vector<float>(kImagePixels, 0.0f);
};

int Differences(const Frame& a, const Frame& b) {
    int n = 0;
    for (int i = 0; i < kImagePixels; ++i) {
        const auto k = static_cast<std::size_t>(i);
        n += a.clean[k] != b.clean[k];
        n += a.display[k] != b.display[k];
        n += std::memcmp(&a.persist[k], &b.persist[k], sizeof(float)) != 0;
    }
    return n;
}

// Five pings through both paths from the same start (grid drawn, persistence fading), with
// and without persistence; also checks that the picture shows data and keeps the grid.
void CompareScans(const DisplayParams& p, int beams) {
    SCOPED_TRACE(testing::Message() << "mode " << static_cast<int>(p.mode) << " beams " << beams);
    auto t = std::make_unique<PixelTables>();
    std::vector<std::uint8_t> scratch(kImagePixels, 0);
    BuildTables(p, *t, scratch.data());
    auto fast = std::make_unique<Frame>(), ref = std::make_unique<Frame>();
    DrawGrid(p, *t, fast->display.data());
    DrawGrid(p, *t, ref->display.data());
    const std::vector<std::uint8_t> grid = fast->display;
    std::vector<std::uint8_t> columns(kColumnsSize, 0);
    auto img = std::make_unique<BeamByteImage>();
    for (int ping = 0; ping < 5; ++ping) {
        Noise(*img, 17u + static_cast<unsigned>(ping));
        if (ping == 4) std::memset(img->data(), 0, img->size());  // only the persistence shows
        TransposeBeams(img->data(), beams, columns.data());
        const bool persist = ping != 2;
        const float decay = 2.5f + static_cast<float>(ping) * 0.37f;
        if (persist) {
            ScanConvertPersist(*t, columns.data(), fast->clean.data(), fast->persist.data(),
                               fast->display.data(), decay);
            ScanConvertPersistReference(*t, columns.data(), ref->clean.data(), ref->persist.data(),
                                        ref->display.data(), decay);
        } else {
            ScanConvert(*t, columns.data(), fast->clean.data(), fast->display.data());
            ScanConvertReference(*t, columns.data(), ref->clean.data(), ref->display.data());
        }
        EXPECT_EQ(Differences(*fast, *ref), 0) << "ping " << ping;
    }
    int data = 0, overlay_kept = 0, overlay = 0;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        data += fast->display[i] > 0 && fast->display[i] < kOverlayValue;
        overlay += grid[i] == kOverlayValue;
        overlay_kept += grid[i] == kOverlayValue && fast->display[i] == kOverlayValue;
    }
    EXPECT_GT(data, 10000);  // the faded echoes are still shown after the silent ping
    EXPECT_GT(overlay, 1000);
    EXPECT_EQ(overlay_kept, overlay);
}

TEST(FastScanConversion, MatchesTheRowByRowPathInEveryFanMode) {
    for (DisplayMode mode : {DisplayMode::Sector, DisplayMode::Profile, DisplayMode::Perspective})
        for (int beams : {480, 240, 120}) {
            DisplayParams p = test::SectorParams(beams);
            p.mode = mode;
            p.step_size = beams == 480 ? 0 : beams == 240 ? 1 : 2;
            p.grid = true;
            p.persistence_s = 2;
            CompareScans(p, beams);
        }
}

TEST(FastScanConversion, MatchesWithNarrowSectorsRangeStartAndHeadFormedBeams) {
    DisplayParams narrow = test::SectorParams(30, 30.0f);
    narrow.grid = true;
    CompareScans(narrow, 30);
    DisplayParams offset = test::SectorParams(360, 90.0f);
    offset.step_size = 0;
    offset.range_start_m = 10;
    offset.grid = true;
    CompareScans(offset, 360);
    DisplayParams head = test::SectorParams(256);
    head.head_formed = true;
    head.grid = true;
    for (int i = 0; i < 256; ++i)
        head.head_angles[static_cast<std::size_t>(i)] = std::asin((i - 128) / 128.0f);
    CompareScans(head, 256);
}

}  // namespace
}  // namespace vq
