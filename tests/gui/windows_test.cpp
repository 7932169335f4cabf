// The secondary windows opened from the "Windows" and "&Profile Setup" menus, live against the
// simulated head: titles, contents, closing, places kept over a restart, the main window hidden
// by a control datagram, and the profile waterfall switched from the menu.
#include <gtest/gtest.h>

#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "gui/windows/altitude_window.h"
#include "gui/windows/info_window.h"
#include "gui/windows/strip_window.h"
#include "gui/windows/track_plotter_window.h"
#include "net/control_datagram.h"
#include "net/udp_endpoint.h"
#include "sensors/pty_pair.h"
#include "windows_rig.h"

namespace vq::gui {
namespace {

using test::LiveProgram;
using test::Pause;
using test::WaitFor;

// The serial ports of the machine are left alone: the GPS reads a pseudo-terminal.
const char* kNoProbe = "ComPortSVEnable=0\r\n";

// The first index from `from` towards `to` (either way) where the seabed's echo begins: a
// value of 10 or more followed by at least four lit pixels out of the next five. A point
// target in the water column lights one or two pixels; the seabed goes on.
int Onset(const std::vector<double>& v, int from, int to) {
    const int step = to > from ? 1 : -1;
    for (int i = from; i != to; i += step) {
        if (v[static_cast<std::size_t>(i)] < 10.0) continue;
        int lit = 0;
        for (int k = 1; k <= 5; ++k) {
            const int j = i + k * step;
            if (j >= 0 && j < static_cast<int>(v.size()))
                lit += v[static_cast<std::size_t>(j)] >= 1.0;
        }
        if (lit >= 4) return i;
    }
    return -1;
}

// The mean of the newest `n` lines of a strip window, along its line.
std::vector<double> NewestLines(const StripWindow& w, int n) {
    const StripHistory& h = w.history();
    const bool columns = h.kind() == StripKind::kEchoSounder;
    const int length = columns ? h.height() : h.width();
    std::vector<double> out(static_cast<std::size_t>(length), 0.0);
    for (int k = 0; k < n; ++k) {
        for (int i = 0; i < length; ++i) {
            const int x = columns ? h.width() - 1 - k : i;
            const int y = columns ? i : k;
            out[static_cast<std::size_t>(i)] += h.DisplayedPixel(x, y) / static_cast<double>(n);
        }
    }
    return out;
}

TEST(SecondaryWindowsTest, EachWindowOpensFromItsMenuItemAndClosingHidesIt) {
    vq::test::PtyPair gps;
    LiveProgram w(std::string(kNoProbe) + "DisplayType=3\r\n", gps.slave_name());
    const std::pair<int, const char*> items[] = {
        {menu::kDiagnostics, "Diagnostics"},  {menu::kSonarInfo, "Sonar Info"},
        {menu::kSonarStatus, "Sonar Status"}, {menu::kTrackPlotter, "Track Plotter"},
        {menu::kSidescan, "Sidescan"},        {menu::kEchoSounder, "Echo Sounder"},
        {menu::kIntensity, "Intensity"},      {menu::kAltitude, "Altitude"}};
    for (const auto& [id, title] : items) {
        QWidget* win = w->Secondary(title);
        ASSERT_NE(win, nullptr) << title;
        EXPECT_FALSE(win->isVisible()) << title;
        w->Trigger(id);
        EXPECT_TRUE(win->isVisible()) << title;
        EXPECT_EQ(win->windowTitle(), title);
        EXPECT_TRUE(w->Checked(id)) << title;
    }
    ASSERT_TRUE(WaitFor([&] { return w->windows().frames_taken() >= 3; }, 15000));
    for (const auto& [id, title] : items) {
        QWidget* win = w->Secondary(title);
        win->close();  // the title bar's close button
        EXPECT_FALSE(win->isVisible()) << title;
        EXPECT_FALSE(w->Checked(id)) << title;
    }
    // A strip window without a bitmap asks for no line.
    ASSERT_TRUE(WaitFor([&] { return w->windows().frames_taken() >= 6; }, 15000));
    EXPECT_FALSE(w->windows().strip("Echo Sounder")->history().ready());
}

TEST(SecondaryWindowsTest, SidescanAndEchoSounderShowTheSeabedAtItsRange) {
    LiveProgram w(kNoProbe);
    w->Trigger(menu::kSidescan);
    w->Trigger(menu::kEchoSounder);
    StripWindow* side = w->windows().strip("Sidescan");
    StripWindow* echo = w->windows().strip("Echo Sounder");
    ASSERT_EQ(side->history().width(), 300);
    ASSERT_TRUE(WaitFor(
        [&] { return side->history().lines_drawn() >= 6 && echo->history().lines_drawn() >= 6; },
        20000));
    // Range 50 m over 500 samples; the seabed 20 m down is sample 200.
    // Echo sounder: 500 samples over a 201-pixel column.
    const std::vector<double> down = NewestLines(*echo, 5);
    EXPECT_NEAR(Onset(down, 5, static_cast<int>(down.size())), 200 * 201 / 500, 3);
    // Sidescan: the port half (far range first) and the starboard half over 300 pixels; each
    // side is dark from the sonar out to the seabed's first echo at sample 200, but for the
    // scene's point targets.
    const std::vector<double> across = NewestLines(*side, 5);

    const int port = Onset(across, 148, 0);
    const int starboard = Onset(across, 151, 300);
    EXPECT_NEAR(port, 299 * 300 / 1000, 4);
    EXPECT_NEAR(starboard, 700 * 300 / 1000, 4);
    double water = 0.0;
    for (int x = 120; x < 180; ++x) water += across[static_cast<std::size_t>(x)] / 60.0;
    EXPECT_LT(water, 8.0);
    // The window draws exactly what its history holds.
    const QImage shown = side->grab().toImage();
    EXPECT_EQ(shown.size(), side->size());
    if (const char* dir = std::getenv("VQ_WINDOW_PICTURES")) {
        side->grab().save(QString(dir) + "/sidescan.png");
        echo->grab().save(QString(dir) + "/echo_sounder.png");
    }
}

TEST(SecondaryWindowsTest, SidescanClicksStepTheAngleAndTheMouseShowsTheMarker) {
    LiveProgram w(kNoProbe);
    w->Trigger(menu::kSidescan);
    StripWindow* side = w->windows().strip("Sidescan");
    EXPECT_FALSE(side->marker_on());
    QTest::mouseMove(side, QPoint(50, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 60), QPointF(60, 60), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(side, &move);
    EXPECT_TRUE(side->marker_on());
    QTest::mouseClick(side, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FLOAT_EQ(side->angle(), 27.5f);
    for (int i = 0; i < 3; ++i) QTest::mouseClick(side, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_FLOAT_EQ(side->angle(), 15.0f);  // 27.5 - 15 would be 12.5: held at 15
    for (int i = 0; i < 14; ++i) QTest::mouseClick(side, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FLOAT_EQ(side->angle(), 75.0f);
    // The ping thread forms the beams of the new angle: the frames say so.
    ASSERT_TRUE(WaitFor([&] { return side->history().lines_drawn() >= 6; }, 20000));
    Pause(300);
    EXPECT_FLOAT_EQ(side->angle(), 75.0f);
    // Keys typed into a strip window reach the main window: "h" holds the pings.
    QTest::keyClick(side, Qt::Key_H);
    EXPECT_TRUE(w->engine->hold());
}

TEST(SecondaryWindowsTest, AltitudeShowsTheSimulatedDepthWithinTwoPercent) {
    LiveProgram w(std::string(kNoProbe) + "DisplayType=3\r\nProfilePointDetection=1\r\n");
    w->Trigger(menu::kAltitude);
    AltitudeWindow* alt = w->windows().altitude();
    ASSERT_TRUE(alt->isVisible());
    ASSERT_TRUE(WaitFor([&] { return alt->text() != "n/a"; }, 20000));
    Pause(500);  // three pings fill the ring of the mean
    double metres = 0.0;
    ASSERT_EQ(std::sscanf(alt->text().toLatin1().constData(), "%lf", &metres), 1);
    EXPECT_NEAR(metres, 20.0, 0.4);
    // The intensity strip draws the points' intensities once its window is shown.
    w->Trigger(menu::kIntensity);
    StripWindow* intensity = w->windows().strip("Intensity");
    ASSERT_TRUE(WaitFor([&] { return intensity->history().lines_drawn() >= 3; }, 20000));
    // Points without an echo stay black: how many there are depends on the ping, so three
    // lines are taken together.
    const std::vector<double> rows = NewestLines(*intensity, 3);
    EXPECT_GT(std::count_if(rows.begin(), rows.end(), [](double v) { return v > 0; }), 100);
}

TEST(SecondaryWindowsTest, DiagnosticsAndHeadWindowsShowTheirLabelsAndValues) {
    LiveProgram w(kNoProbe);
    w->Trigger(menu::kDiagnostics);
    w->Trigger(menu::kSonarInfo);
    w->Trigger(menu::kSonarStatus);
    InfoWindow* diag = w->windows().info("Diagnostics");
    InfoWindow* info = w->windows().info("Sonar Info");
    InfoWindow* status = w->windows().info("Sonar Status");
    ASSERT_TRUE(WaitFor([&] { return !info->labels().isEmpty() && diag->header_valid(); }, 20000));
    ASSERT_EQ(diag->labels().size(), 28);
    EXPECT_EQ(diag->labels().front(), "Header");
    EXPECT_EQ(diag->labels().back(), "Ext Trigger");
    EXPECT_TRUE(diag->Text("Header").startsWith("TMN"));
    EXPECT_EQ(diag->Text("IP Sonar"), "127.0.0.1");
    EXPECT_EQ(diag->Text("frequency"), "260 kHz");
    EXPECT_EQ(info->labels().front(), "Command Type");
    EXPECT_EQ(info->Text("Data Points"), "500");
    EXPECT_EQ(status->labels().front(), "Status");
    EXPECT_TRUE(status->Text("Status").startsWith("0x "));
    // Texts that do not change cause no repaint.
    Pause(200);
    const int before = status->repaints();
    Pause(1000);
    EXPECT_LE(status->repaints(), before + 1);
}

// NMEA sentence with its checksum.
std::string Nmea(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

// A GGA fix `metres_north` north of 43 39' N, 7 E.
std::string Fix(double metres_north) {
    char body[128];
    std::snprintf(body, sizeof body,
                  "GPGGA,101530.25,43%08.5f,N,00700.00000,E,2,09,0.9,12.3,M,,M,,",
                  39.0 + metres_north / 1852.0);
    return Nmea(body);
}

// Counts the plotter's pixels of one colour.
int CountColour(const QImage& img, QRgb colour) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) == colour;
    return n;
}

TEST(SecondaryWindowsTest, TrackPlotterDrawsFixesFromTheSerialPortAndRecentres) {
    vq::test::PtyPair gps;
    LiveProgram w(kNoProbe, gps.slave_name());
    w->Trigger(menu::kTrackPlotter);
    TrackPlotterWindow* plot = w->windows().track_plotter();
    ASSERT_TRUE(plot->isVisible());
    EXPECT_EQ(plot->size(), QSize(276, 240));
    ASSERT_TRUE(WaitFor([&] { return plot->label() == "100 M/DIV"; }, 20000));  // zoom 5
    // Ten fixes 10 m apart going north: 5 pixels apart at 0.5 pixel per metre.
    for (int i = 0; i < 10; ++i) {
        gps.Write(Fix(10.0 * i));
        Pause(60);
    }
    ASSERT_TRUE(WaitFor([&] { return CountColour(plot->image(), 0x00B400) > 60; }, 20000));
    EXPECT_GT(CountColour(plot->image(), 0xD8D8D8), 40);  // the boat marker
    // 400 m further north would leave the view (120 pixels to the top edge): the plot
    // recentres, and the marker stays inside the window.
    for (int i = 10; i < 50; ++i) {
        gps.Write(Fix(10.0 * i));
        Pause(30);
    }
    ASSERT_TRUE(WaitFor([&] { return w->engine->Track().next_index() >= 50; }, 20000));
    Pause(300);
    const auto at = w->engine->Track().PixelOf(w->engine->Track().Record(49).north,
                                               w->engine->Track().Record(49).east);
    EXPECT_GE(at[1], 10);
    EXPECT_LT(at[1], 230);
    EXPECT_GT(CountColour(plot->image(), 0xD8D8D8), 40);
    // A left click zooms in: 1 pixel per metre, 50 m per division.
    QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(w->settings().TrackPlotterZoom, 6);
    ASSERT_TRUE(WaitFor([&] { return plot->label() == "50 M/DIV"; }, 20000));
    // "&Clear Track Plotter" forgets the track.
    w->Trigger(menu::kClearTrack);
    ASSERT_TRUE(WaitFor([&] { return CountColour(plot->image(), 0x00B400) == 0; }, 20000));
}

TEST(SecondaryWindowsTest, PlacesSizesAndShownWindowsSurviveARestart) {
    LiveProgram w(kNoProbe);
    w->Trigger(menu::kSidescan);
    w->Trigger(menu::kDiagnostics);
    w->Trigger(menu::kEchoSounder);
    w->Secondary("Sidescan")->setGeometry(100, 120, 420, 180);
    w->Secondary("Diagnostics")->setGeometry(30, 40, 300, 460);
    w->Secondary("Echo Sounder")->setGeometry(500, 510, 250, 150);
    w->Secondary("Echo Sounder")->close();
    Pause(100);
    w.Restart();
    EXPECT_TRUE(w->Checked(menu::kSidescan));
    EXPECT_TRUE(w->Checked(menu::kDiagnostics));
    EXPECT_FALSE(w->Checked(menu::kEchoSounder));
    ASSERT_TRUE(w->Secondary("Sidescan")->isVisible());
    EXPECT_EQ(w->Secondary("Sidescan")->geometry(), QRect(100, 120, 420, 180));
    EXPECT_EQ(w->Secondary("Diagnostics")->geometry(), QRect(30, 40, 300, 460));
    EXPECT_FALSE(w->Secondary("Echo Sounder")->isVisible());
    w->Trigger(menu::kEchoSounder);
    EXPECT_EQ(w->Secondary("Echo Sounder")->geometry(), QRect(500, 510, 250, 150));
    // A resize below 30 x 30 is held at 30 x 30, and starts an empty history.
    StripWindow* side = w->windows().strip("Sidescan");
    ASSERT_TRUE(WaitFor([&] { return side->history().lines_drawn() >= 2; }, 20000));
    side->resize(10, 10);
    EXPECT_EQ(side->size(), QSize(30, 30));
    EXPECT_EQ(side->history().lines_drawn(), 0u);
}

TEST(SecondaryWindowsTest, ControlDatagramHidesAndShowsTheMainWindow) {
    LiveProgram w(kNoProbe);
    ASSERT_TRUE(w->window->isVisible());
    UdpEndpoint sender;
    ASSERT_EQ(sender.Open("127.0.0.1", 0), 0);
    const auto to = ParseEndpoint("127.0.0.1", w->engine->output_local_port());
    ASSERT_TRUE(to.has_value());
    auto send = [&](const char* hide) {
        ControlDatagram d;
        std::string error;
        ASSERT_TRUE(d.Set("control", "on", &error)) << error;
        ASSERT_TRUE(d.Set("id", "ROV", &error)) << error;
        ASSERT_TRUE(d.Set("hide", hide, &error)) << error;
        sender.SendTo(*to, d.bytes());
    };
    send("yes");
    ASSERT_TRUE(WaitFor([&] { return !w->window->isVisible(); }, 5000));
    send("no");
    ASSERT_TRUE(WaitFor([&] { return w->window->isVisible(); }, 5000));
    // The controller's characters appear in the "Sonar Info" window.
    w->Trigger(menu::kSonarInfo);
    InfoWindow* info = w->windows().info("Sonar Info");
    ASSERT_TRUE(WaitFor([&] { return info->Text("Controller") == "ROV"; }, 10000));
}

TEST(SecondaryWindowsTest, ProfileWaterfallIsSwitchedFromTheMenu) {
    LiveProgram w(std::string(kNoProbe) + "DisplayType=3\r\n");
    SonarView* view = w->window->sonar_view();
    ASSERT_TRUE(WaitFor([&] { return view->frames_shown() >= 2; }, 15000));
    EXPECT_FALSE(view->waterfall_shown());
    ASSERT_TRUE(w->window->Action(menu::kProfileWaterfall)->isEnabled());
    w->Trigger(menu::kProfileWaterfall);
    EXPECT_TRUE(w->Checked(menu::kProfileWaterfall));
    EXPECT_EQ(w->settings().ProfileWaterfall, 1);
    const qint64 shown = view->frames_shown();
    ASSERT_TRUE(WaitFor([&] { return view->frames_shown() >= shown + 8; }, 15000));
    ASSERT_TRUE(view->waterfall_shown());
    // The scrolling rows carry the seabed's height code.
    int coded = 0;
    for (int y = 121; y < 127; ++y)
        for (int x = 0; x < 500; ++x) coded += view->waterfall().pixelIndex(x, y) != 0;
    EXPECT_GT(coded, 300);
    // On screen: the main picture at half size left of the waterfall.
    const QImage screen = view->grab().toImage();
    EXPECT_EQ(screen.pixel(600, 125), view->waterfall().pixel(171, 124));
    w->Trigger(menu::kProfileWaterfall);
    const qint64 off = view->frames_shown();
    ASSERT_TRUE(WaitFor([&] { return view->frames_shown() >= off + 2; }, 15000));
    EXPECT_FALSE(view->waterfall_shown());
}

}  // namespace
}  // namespace vq::gui

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
