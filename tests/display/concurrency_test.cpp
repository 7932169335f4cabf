// The picture shared by the ping thread and the GUI thread, and the two scan kernels.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "display/display_test_util.h"
#include "display/scan_rows.h"
#include "display/sonar_picture.h"
#include "display/table_builders.h"

namespace vq {
namespace {

TEST(ScanKernels, VectorAndScalarRowsAgree) {
    for (DisplayMode mode : {DisplayMode::Sector, DisplayMode::Perspective, DisplayMode::Profile}) {
        auto t = std::make_unique<PixelTables>();
        std::vector<std::uint8_t> scratch(kImagePixels, 0);
        DisplayParams p = test::SectorParams(480);
        p.mode = mode;
        BuildTables(p, *t, scratch.data());
        std::vector<std::uint8_t> columns(kColumnsSize, 0);
        auto img = std::make_unique<BeamByteImage>();
        unsigned s = 7;
        for (std::size_t i = 0; i < img->size(); ++i) {
            s = s * 1103515245u + 12345u;
            img->data()[i] = static_cast<std::uint8_t>(s >> 24);
        }
        TransposeBeams(img->data(), 480, columns.data());
        const RowWeights w(*t);
        std::vector<std::uint8_t> a(kImageWidth), b(kImageWidth);
        for (int y = 0; y < kImageHeight - 1; ++y) {
            const int x0 = t->RowStart[static_cast<std::size_t>(y)];
            const int n = t->RowEnd[static_cast<std::size_t>(y)] - x0;
            if (n <= 0) continue;
            const PackedPixel* row = t->packed.data() + y * kImageWidth + x0;
            ScanRow(row, w, columns.data(), a.data(), n);
            ScanRowScalar(row, w, columns.data(), b.data(), n);
            for (int x = 0; x < n; ++x)
                ASSERT_EQ(a[static_cast<std::size_t>(x)], b[static_cast<std::size_t>(x)]) << y;
            // Against the plain formula from the byte image itself.
            for (int x = 0; x < n; x += 37) {
                const std::size_t i = static_cast<std::size_t>(y * kImageWidth + x0 + x);
                const int beam = t->PixelBeam[i];
                const int cell = t->PixelCell[i];
                auto at = [&](int r) { return r < 0 || r >= 480 ? 0 : img->Row(r)[cell]; };
                const int v = (t->PixelW0[i] * at(beam - 1) + t->PixelW1[i] * at(beam) +
                               t->PixelW2[i] * at(beam + 1)) >>
                              8;
                ASSERT_EQ(a[static_cast<std::size_t>(x)], std::min(v, 254));
            }
        }
    }
}

// Pings keep coming while the operator changes mode, colours and grid: renders during a
// rebuild are refused, never torn (ThreadSanitizer checks the hand-over).
TEST(SonarPictureThreads, RebuildsWhileRendering) {
    auto pic = std::make_unique<SonarPicture>();
    pic->set_params(test::SectorParams(120));
    auto img = std::make_unique<BeamByteImage>();
    test::FillRows(*img, 0, 119, 100);
    std::atomic<bool> stop{false};
    std::atomic<int> drawn{0};
    std::thread pinger([&] {
        FrameInputs in;
        in.ping_interval_ms = 100.0;
        while (!stop.load()) {
            if (pic->Render(*img, in)) drawn.fetch_add(1);
            std::this_thread::yield();
        }
    });
    for (int k = 0; k < 6; ++k) {
        DisplayParams p = test::SectorParams(k % 2 == 0 ? 120 : 60);
        p.persistence_s = k % 3;
        pic->set_params(p);
        pic->SelectColors(k % kNumColorTables);
        pic->set_grid(k % 2 == 0);
        pic->set_background_removal(k % 2 == 1);
    }
    while (drawn.load() < 3) std::this_thread::yield();
    stop.store(true);
    pinger.join();
    EXPECT_FALSE(pic->busy());
}

}  // namespace
}  // namespace vq
