// The frame ring between the ping thread and the GUI, the windows' remembered places, the
// diagnostics texts and the track plotter's pixels.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "core/operator.h"
#include "core/settings_file.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"
#include "windows/diagnostics.h"
#include "windows/frame_ring.h"
#include "windows/track_model.h"
#include "windows/track_raster.h"
#include "windows/window_rules.h"

namespace vq {
namespace {

struct TestFrame {
    std::uint64_t seq = 0;
    std::array<std::uint32_t, 64> payload{};
};

TEST(FrameRing, FramesArriveInOrderAndAFullRingDropsWithoutWaiting) {
    FrameRing<TestFrame, 4> ring;
    EXPECT_EQ(ring.Front(), nullptr);
    for (std::uint64_t i = 1; i <= 6; ++i) {
        ring.Back().seq = i;
        ring.Publish();
    }
    EXPECT_EQ(ring.published(), 4u);
    EXPECT_EQ(ring.dropped(), 2u);
    for (std::uint64_t i = 1; i <= 4; ++i) {
        ASSERT_NE(ring.Front(), nullptr);
        EXPECT_EQ(ring.Front()->seq, i);
        ring.Pop();
    }
    EXPECT_EQ(ring.Front(), nullptr);
    ring.Pop();  // popping an empty ring changes nothing
    ring.Back().seq = 7;
    ring.Publish();
    ASSERT_NE(ring.Front(), nullptr);
    EXPECT_EQ(ring.Front()->seq, 7u);
}

// A producer at full speed and a slow consumer: every frame taken is whole and in order, and
// taken + dropped = produced.
TEST(FrameRing, ConcurrentProducerNeverTearsAFrame) {
    FrameRing<TestFrame, 8> ring;
    constexpr std::uint64_t kFrames = 20000;
    std::atomic<bool> done{false};
    std::thread producer([&] {
        for (std::uint64_t i = 1; i <= kFrames; ++i) {
            TestFrame& f = ring.Back();
            f.seq = i;
            f.payload.fill(static_cast<std::uint32_t>(i));
            ring.Publish();
        }
        done.store(true);
    });
    std::uint64_t taken = 0;
    std::uint64_t last = 0;
    bool torn = false;
    bool disordered = false;
    while (!done.load() || ring.Front() != nullptr) {
        if (const TestFrame* f = ring.Front()) {
            for (std::uint32_t v : f->payload)
                torn = torn || v != static_cast<std::uint32_t>(f->seq);
            disordered = disordered || f->seq <= last;
            last = f->seq;
            ++taken;
            ring.Pop();
        }
    }
    producer.join();
    EXPECT_FALSE(torn);
    EXPECT_FALSE(disordered);
    EXPECT_EQ(taken + ring.dropped(), kFrames);
    EXPECT_GT(taken, 0u);
}

TEST(WindowRules, RectanglesRoundTripAndBadTextsAreRefused) {
    const WindowRect r{-20, 600, 300, 201};
    EXPECT_EQ(FormatWindowRect(r), "-20,600,300,201");
    EXPECT_EQ(ParseWindowRect("-20,600,300,201"), r);
    for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "1,2,0,4", "1,2,3,-4", "a,2,3,4", "1, 2,3,4",
                            "1,2,3,4x", "1,2,16001,4", "99999999999,2,3,4"}) {
        EXPECT_FALSE(ParseWindowRect(bad).has_value()) << bad;
    }
}

TEST(WindowRules, PlacesAreKeptOnTheScreen) {
    EXPECT_EQ(KeepOnScreen({100, 200, 300, 200}, 1920, 1080), (WindowRect{100, 200, 300, 200}));
    EXPECT_EQ(KeepOnScreen({2500, 200, 300, 200}, 1920, 1080), (WindowRect{0, 200, 300, 200}));
    EXPECT_EQ(KeepOnScreen({100, -5, 300, 200}, 1920, 1080), (WindowRect{100, 0, 300, 200}));
    EXPECT_EQ(KeepOnScreen({1900, 1060, 300, 200}, 1920, 1080), (WindowRect{0, 0, 300, 200}));
    // The altitude window: x <= screen width - width - 10, y <= screen height - height - 48.
    EXPECT_EQ(PlaceAltitudeWindow(10, 62, 112, 83, 1024, 768), (WindowRect{10, 62, 112, 83}));
    EXPECT_EQ(PlaceAltitudeWindow(1000, 700, 112, 83, 1024, 768), (WindowRect{902, 637, 112, 83}));
    EXPECT_EQ(PlaceAltitudeWindow(-40, -1, 112, 83, 1024, 768), (WindowRect{0, 0, 112, 83}));
}

TEST(WindowRules, RememberedPlacesWinOverTheFirstOnes) {
    Settings s;
    const SecondaryWindowSpec* side = FindSecondaryWindow("Sidescan");
    ASSERT_NE(side, nullptr);
    EXPECT_EQ(RestoredRect(s, *side), (WindowRect{8, 400, 300, 200}));
    StoreRect(s, *side, {40, 50, 410, 230});
    EXPECT_EQ(s.SidescanWindowRect, "40,50,410,230");
    EXPECT_EQ(RestoredRect(s, *side), (WindowRect{40, 50, 410, 230}));
    s.SidescanWindowRect = "garbage";
    EXPECT_EQ(RestoredRect(s, *side), (WindowRect{8, 400, 300, 200}));

    // The track plotter falls back on its own X and Y keys and keeps them up to date.
    const SecondaryWindowSpec* track = FindSecondaryWindow("Track Plotter");
    ASSERT_NE(track, nullptr);
    s.TrackPlotterWindowX = 600;
    s.TrackPlotterWindowY = 300;
    EXPECT_EQ(RestoredRect(s, *track), (WindowRect{600, 300, 276, 240}));
    StoreRect(s, *track, {70, 80, 400, 300});
    EXPECT_EQ(s.TrackPlotterWindowX, 70);
    EXPECT_EQ(s.TrackPlotterWindowY, 80);
    EXPECT_EQ(s.*track->shown, s.TrackPlotterWindow);
    EXPECT_EQ(FindSecondaryWindow("Playback"), nullptr);
    EXPECT_EQ(SecondaryWindows().size(), 7u);
}

// The shown flags and places go through the settings file; a damaged place falls back.
TEST(WindowRules, ShownFlagsAndPlacesSurviveTheSettingsFile) {
    test::TempDir dir;
    dir.WriteLoopbackIni("SidescanWindow=1\nIntensityWindowRect=1,2,3\n");
    SettingsState st;
    ASSERT_TRUE(LoadSettingsFile(dir.path(), st));
    EXPECT_EQ(st.s.SidescanWindow, 1);
    EXPECT_EQ(st.s.EchoSounderWindow, 0);
    const SecondaryWindowSpec* intensity = FindSecondaryWindow("Intensity");
    EXPECT_EQ(RestoredRect(st.s, *intensity), (WindowRect{600, 600, 300, 200}));
    for (const SecondaryWindowSpec& w : SecondaryWindows()) {
        st.s.*w.shown = 1;
        StoreRect(st.s, w, {11, 22, 333, 244});
    }
    test::RecordingOperator op;
    ASSERT_TRUE(SaveSettingsFile(dir.path(), st, op));
    SettingsState back;
    ASSERT_TRUE(LoadSettingsFile(dir.path(), back));
    for (const SecondaryWindowSpec& w : SecondaryWindows()) {
        EXPECT_EQ(back.s.*w.shown, 1) << w.title;
        EXPECT_EQ(RestoredRect(back.s, w), (WindowRect{11, 22, 333, 244})) << w.title;
    }
}

TEST(DiagnosticsTexts, EveryLabelInOrderWithItsValue) {
    DiagnosticsValues v;
    v.header = {'T', 77, 'N', 16, 64, 3, 4, 50, 3, 0, 0, 0};
    v.proc_time_ms = 1.234;
    v.ping_interval_ms = 50.0;
    v.average_shots = 1;
    SetAddressText(v.ip_sonar, "127.0.0.1");
    SetAddressText(v.ip_output, "a-very-long-address-text");
    v.temperature_c = -5.0f;
    v.ext_trigger = true;
    const auto lines = DiagnosticsLines(v);
    const char* labels[] = {"Header",     "Type",      "sonar time",   "packet time",  "proc time",
                            "plot time",  "1/PRF",     "display gain", "pulse length", "frequency",
                            "average",    "beamwidth", "beams",        "velocity",     "Pitch",
                            "Roll",       "Heading",   "Depth",        "Heave",        "IP Sonar",
                            "IP Output",  "Bytes Out", "Cursor Level", "Temperature",  "xdcr_type",
                            "Resolution", "Data Bits", "Ext Trigger"};
    ASSERT_EQ(lines.size(), std::size(labels));
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_STREQ(lines[i].label, labels[i]);
    EXPECT_EQ(lines[0].text, "TMN 16 64 3 4 50 3 0");
    EXPECT_EQ(lines[4].text, " 1.23 ms");
    EXPECT_EQ(lines[6].text, " 50.0 ms (20.0 Hz)");
    EXPECT_EQ(lines[10].text, "off");
    EXPECT_EQ(lines[19].text, "127.0.0.1");
    EXPECT_EQ(lines[20].text, "a-very-long-add");  // cut to the 15 characters of the field
    EXPECT_EQ(lines[23].text, "-5.0 C");
    EXPECT_EQ(lines[27].text, "Yes");
    EXPECT_STREQ(HeaderStatusText(false), "Bad Header");
}

TEST(TrackRaster, LinesWithPenWidthDotsAndClipping) {
    TrackRaster r;
    r.Resize(40, 30);
    r.Line(5, 10, 25, 10, kTrackGreen, 3, false);
    for (int x = 5; x <= 25; ++x)
        for (int y = 9; y <= 11; ++y) ASSERT_EQ(r.Pixel(x, y), kTrackGreen) << x << "," << y;
    EXPECT_EQ(r.Pixel(5, 12), kTrackBlack);
    EXPECT_EQ(r.Pixel(27, 10), kTrackBlack);
    r.Line(0, 20, 10, 20, kTrackGridGrey, 1, true);
    int dots = 0;
    for (int x = 0; x <= 10; ++x) dots += r.Pixel(x, 20) == kTrackGridGrey;
    EXPECT_EQ(dots, 6);
    // A segment to a point far outside still draws its visible part.
    r.Fill(kTrackBlack);
    r.Line(20, 15, 2000000, 15, kSwathBlue, 1, false);
    EXPECT_EQ(r.Pixel(20, 15), kSwathBlue);
    EXPECT_EQ(r.Pixel(39, 15), kSwathBlue);
    r.Line(-500, -500, -400, -400, kSwathBlue, 1, false);  // nowhere near: nothing
    EXPECT_EQ(r.Pixel(0, 0), kTrackBlack);
    r.Text(2, 2, "100 M/DIV", kTrackLabelGrey, kTrackBlack);
    r.Text(2, 2, "10 M/DIV", kTrackLabelGrey, kTrackBlack);
    ASSERT_EQ(r.label_count(), 1);
    EXPECT_STREQ(r.label(0).text.data(), "10 M/DIV");
    r.Fill(kTrackBlack);
    EXPECT_EQ(r.label_count(), 0);
}

TEST(TrackRaster, TheModelDrawsTheTrackGridAndMarkerIntoIt) {
    TrackModel model;
    TrackRaster raster;
    raster.Resize(276, 240);
    model.set_canvas(&raster);
    model.Redraw();
    ASSERT_EQ(raster.label_count(), 1);
    EXPECT_STREQ(raster.label(0).text.data(), "100 M/DIV");  // zoom 5
    // The first fix is far from the origin: the plot starts afresh there; then 10 m steps north.
    for (int i = 0; i < 6; ++i) {
        model.AddFix({1.0e6 + 10.0 * i, 500000.0, 2, 4.0f, 0.0f, 0.0f});
    }
    const auto newest = model.PixelOf(1.0e6 + 50.0, -500000.0);
    // The boat marker is light grey; the track runs green below it (north is up).
    EXPECT_EQ(raster.Pixel(newest[0], newest[1]), kTrackMarkerGrey);
    int green = 0;
    for (int y = newest[1] + 4; y < newest[1] + 16; ++y)
        green += raster.Pixel(newest[0], y) == kTrackGreen;
    EXPECT_GT(green, 3);
}

}  // namespace
}  // namespace vq
