// What the settings dialogs change in a running program: the command packets the simulated head
// receives, the live point file, the profile dots on the picture and the head the link talks to.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/menu_table.h"
#include "gui/dialog_rig.h"
#include "gui/dialogs/data_output_view.h"
#include "gui/dialogs/profile_views.h"
#include "gui/dialogs/small_views.h"
#include "gui/dialogs/switches_view.h"
#include "sim/head_profile.h"
#include "sim/ping_protocol.h"
#include "sim/sim_head.h"

namespace vq::gui {
namespace {

using namespace test_rig;

// The range span the simulated head was last commanded, decoded by the head's own reader.
float CommandedRangeSpan(Engine& e) {
    const std::vector<std::uint8_t> cmd = e.simulated_head()->last_command();
    if (cmd.size() != static_cast<std::size_t>(sim::kCommandBytes)) return -1.0f;
    return sim::DecodeCommand(cmd.data(), sim::ProfileFor(sim::HeadKind::Standard260)).range_span_m;
}

TEST(SettingsDialogsLive, SetSwitchesWithANewRangeChangesTheNextCommandPacket) {
    LiveWindow w;
    ASSERT_TRUE(w.Pings(2));
    EXPECT_FLOAT_EQ(CommandedRangeSpan(*w.engine), 50.0f);  // range index 7
    EXPECT_TRUE(OpenDialog(*w.window, menu::kSwitches, [](QDialog* d) {
        auto* v = static_cast<SetSwitchesDialog*>(d);
        EXPECT_EQ(v->range()->currentText(), "50 M  ");
        QTest::keyClick(v->range(), Qt::Key_Down);
        QTest::keyClick(v->range(), Qt::Key_Down);
        EXPECT_EQ(v->range()->currentText(), "80 M  ");
        Click(v->gain()->up());
        Click(v->buttons().ok);
    }));
    EXPECT_TRUE(WaitFor([&] { return CommandedRangeSpan(*w.engine) == 80.0f; }, 10000));
    const auto [range, gain] = w.engine->Store().Read(
        [](const SettingsState& st) { return std::pair(st.s.Range, st.s.Gain); });
    EXPECT_EQ(range, 9);
    EXPECT_EQ(gain, 7);
    ASSERT_TRUE(w.Pings(2));  // and the pings go on
}

// The records of a .Q4P file read by the layout of the format alone: magic "Q4P", 12, the
// big-endian length, the date and time texts, beams and samples per beam.
struct PointFileCheck {
    int records = 0;
    bool ok = true;
};

PointFileCheck ReadPointFile(const std::string& bytes) {
    PointFileCheck c;
    std::size_t at = 0;
    const auto u16 = [&](std::size_t i) {
        return (static_cast<unsigned>(static_cast<std::uint8_t>(bytes[at + i])) << 8) |
               static_cast<std::uint8_t>(bytes[at + i + 1]);
    };
    while (c.ok && at + 256 <= bytes.size()) {
        const unsigned len = u16(4), beams = u16(70), samples = u16(72);
        const bool intensities = bytes[at + 117] == 1;
        c.ok = bytes.compare(at, 3, "Q4P") == 0 && bytes[at + 3] == 12 &&
               (beams == 120 || beams == 240 || beams == 480) &&
               (samples == 500 || samples == 1000) &&
               len == 256 + beams * (intensities ? 4u : 2u) && at + len <= bytes.size() &&
               bytes[at + 10] == '-' && bytes[at + 14] == '-' && bytes[at + 22] == ':';
        if (c.ok) ++c.records;
        at += len;
    }
    c.ok = c.ok && at == bytes.size();
    return c;
}

TEST(SettingsDialogsLive, DataOutputRecordsAQ4PFileWhilePingingAndClosesIt) {
    LiveWindow w("ProfilePointDetection=1\r\n");
    const std::filesystem::path file = w.dir / "live.Q4P";
    w.window->set_dialog_answer([&](const FileDialogRequest& r) {
        EXPECT_EQ(r.title, "Open a Profile Point File For Recording");
        return std::vector<std::string>{file.string()};
    });
    // The history of ping times is full: every record carries its ping's date and time.
    ASSERT_TRUE(w.Pings(12));
    EXPECT_TRUE(OpenDialog(*w.window, menu::kDataOutput, [](QDialog* d) {
        auto* v = static_cast<DataOutputDialog*>(d);
        Click(v->types()->button(1));  // "Q4P (Point Output)"
        QPushButton* record = v->file_button(OutputFileKind::Point);
        EXPECT_EQ(record->text(), "Record To .Q4P File...");
        EXPECT_FALSE(v->file_button(OutputFileKind::Beam)->isEnabled());
        Click(record);
        EXPECT_TRUE(WaitFor([&] { return record->text() == "Close .Q4P File"; }, 5000));
        Click(v->buttons().ok);
    }));
    EXPECT_EQ(w.engine->Store().Read([](const SettingsState& st) { return st.s.DataOutputType; }),
              1);
    ASSERT_TRUE(w.Pings(5));
    EXPECT_EQ(w.engine->output_files(), std::vector<std::string>{file.string()});
    EXPECT_TRUE(OpenDialog(*w.window, menu::kDataOutput, [](QDialog* d) {
        auto* v = static_cast<DataOutputDialog*>(d);
        QPushButton* close = v->file_button(OutputFileKind::Point);
        EXPECT_EQ(close->text(), "Close .Q4P File");
        Click(close);
        EXPECT_TRUE(WaitFor([&] { return close->text() == "Record To .Q4P File..."; }, 5000));
        Click(v->buttons().ok);
    }));
    ASSERT_TRUE(WaitFor([&] { return w.engine->output_files().empty(); }, 5000));
    const std::string bytes = test::ReadFile(file);
    ASSERT_TRUE(w.Pings(3));
    EXPECT_EQ(test::ReadFile(file).size(), bytes.size());  // closed: nothing more is written
    const PointFileCheck c = ReadPointFile(bytes);
    if (const char* dump = std::getenv("VQ_DUMP_Q4P")) test::WriteFile(dump, bytes);
    EXPECT_TRUE(c.ok);
    EXPECT_GE(c.records, 3);
}

TEST(SettingsDialogsLive, DataOutputBeamTypeClosesAnOpenPointFileAtOnce) {
    LiveWindow w("ProfilePointDetection=1\r\nDataOutputType=1\r\n");
    const std::filesystem::path file = w.dir / "closed.Q4P";
    w.window->set_dialog_answer(
        [&](const FileDialogRequest&) { return std::vector<std::string>{file.string()}; });
    EXPECT_TRUE(OpenDialog(*w.window, menu::kDataOutput, [&](QDialog* d) {
        auto* v = static_cast<DataOutputDialog*>(d);
        Click(v->file_button(OutputFileKind::Point));
        EXPECT_TRUE(WaitFor([&] { return !w.engine->output_files().empty(); }, 5000));
        Click(v->types()->button(2));  // "Q4B (Beam Output)"
        EXPECT_TRUE(WaitFor([&] { return w.engine->output_files().empty(); }, 5000));
        EXPECT_EQ(v->file_button(OutputFileKind::Point)->text(), "Record To .Q4P File...");
        Click(v->buttons().ok);
    }));
    EXPECT_EQ(w.engine->Store().Read([](const SettingsState& st) { return st.s.DataOutputType; }),
              2);
}

// The records of a .Q4B file by the layout alone: magic "Q4B", 4, the 24-bit big-endian length
// 256 + beams x samples, the date and time texts; the beam image carries echoes.
PointFileCheck ReadBeamFile(const std::string& bytes) {
    PointFileCheck c;
    std::size_t at = 0;
    const auto byte = [&](std::size_t i) {
        return static_cast<unsigned>(static_cast<std::uint8_t>(bytes[at + i]));
    };
    while (c.ok && at + 256 <= bytes.size()) {
        const unsigned len = byte(4) << 16 | byte(5) << 8 | byte(6);
        const unsigned beams = byte(70) << 8 | byte(71), samples = byte(72) << 8 | byte(73);
        c.ok = bytes.compare(at, 3, "Q4B") == 0 && byte(3) == 4 &&
               (beams == 120 || beams == 240 || beams == 480) &&
               (samples == 500 || samples == 1000) && len == 256 + beams * samples &&
               at + len <= bytes.size() && bytes[at + 10] == '-' && bytes[at + 14] == '-' &&
               bytes[at + 22] == ':' && bytes.find_first_not_of('\0', at + 256) < at + len;
        if (c.ok) ++c.records;
        at += len;
    }
    c.ok = c.ok && at == bytes.size();
    return c;
}

TEST(SettingsDialogsLive, DataOutputRecordsAQ4BFileWhilePingingAndClosesIt) {
    LiveWindow w("DataOutputType=0\r\n");
    const std::filesystem::path file = w.dir / "live.Q4B";
    w.window->set_dialog_answer([&](const FileDialogRequest& r) {
        EXPECT_EQ(r.title, "Open a Beam Output File For Recording");
        return std::vector<std::string>{file.string()};
    });
    ASSERT_TRUE(w.Pings(2));
    EXPECT_TRUE(OpenDialog(*w.window, menu::kDataOutput, [](QDialog* d) {
        auto* v = static_cast<DataOutputDialog*>(d);
        QPushButton* record = v->file_button(OutputFileKind::Beam);
        EXPECT_FALSE(record->isEnabled());  // only for the type chosen
        Click(v->types()->button(2));       // "Q4B (Beam Output)"
        EXPECT_EQ(record->text(), "Record To .Q4B File...");
        Click(record);
        EXPECT_TRUE(WaitFor([&] { return record->text() == "Close .Q4B File"; }, 5000));
        Click(v->buttons().ok);
    }));
    ASSERT_TRUE(w.Pings(4));
    EXPECT_EQ(w.engine->output_files(), std::vector<std::string>{file.string()});
    EXPECT_TRUE(OpenDialog(*w.window, menu::kDataOutput, [](QDialog* d) {
        auto* v = static_cast<DataOutputDialog*>(d);
        QPushButton* close = v->file_button(OutputFileKind::Beam);
        EXPECT_EQ(close->text(), "Close .Q4B File");
        Click(close);
        EXPECT_TRUE(WaitFor([&] { return close->text() == "Record To .Q4B File..."; }, 5000));
        Click(v->buttons().cancel);
    }));
    ASSERT_TRUE(WaitFor([&] { return w.engine->output_files().empty(); }, 5000));
    const std::string bytes = test::ReadFile(file);
    ASSERT_TRUE(w.Pings(3));
    EXPECT_EQ(test::ReadFile(file).size(), bytes.size());
    const PointFileCheck c = ReadBeamFile(bytes);
    EXPECT_TRUE(c.ok);
    EXPECT_GE(c.records, 3);
    // "Cancel" keeps the type chosen by the first "Ok".
    EXPECT_EQ(w.engine->Store().Read([](const SettingsState& st) { return st.s.DataOutputType; }),
              2);
}

// Pixels of the profile dots (and nothing else: "Points Only" hides the echoes).
int DotPixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y) {
        const uchar* row = img.constScanLine(y);
        for (int x = 0; x < img.width(); ++x) n += row[x] == 216;
    }
    return n;
}

TEST(SettingsDialogsLive, ProfileDetectionTurnedOnMakesTheProfileDotsAppear) {
    LiveWindow w("DisplayType=3\r\nProfileDisplayType=3\r\nProfilePointDotSize=1\r\n");
    SonarView* view = w.window->sonar_view();
    ASSERT_TRUE(WaitFor([&] { return view->frames_shown() >= 3; }, 20000));
    const int before = DotPixels(view->image());
    EXPECT_TRUE(OpenDialog(*w.window, menu::kProfileSetup, [](QDialog* d) {
        auto* v = static_cast<ProfileSetupDialog*>(d);
        EXPECT_FALSE(v->detection()->button(1)->isChecked());
        Click(v->detection()->button(1));  // "Enable"
        EXPECT_TRUE(v->detection()->button(1)->isChecked());
        Click(v->buttons().ok);
        EXPECT_FALSE(d->isVisible());
    }));
    for (const auto& m : w.op.messages()) ADD_FAILURE() << m;
    const qint64 shown = view->frames_shown();
    ASSERT_TRUE(WaitFor([&] { return view->frames_shown() >= shown + 4; }, 20000));
    const int after = DotPixels(view->image());
    if (const char* dump = std::getenv("VQ_DUMP_DOTS")) view->image().save(dump);
    EXPECT_EQ(
        w.engine->Store().Read([](const SettingsState& st) { return st.s.ProfilePointDetection; }),
        1);
    EXPECT_GT(after, before + 200) << before << " -> " << after;
}

TEST(SettingsDialogsLive, IpAddressWithANewSonarAddressReconnectsTheLinkToIt) {
    LiveWindow w;
    ASSERT_TRUE(w.Pings(1));
    // A second head on another loopback address, on the port the link uses.
    sim::Options so;
    so.bind = "127.0.0.2";
    so.port = w.engine->simulated_head_port();
    sim::SimHead second(so);
    std::string error;
    ASSERT_TRUE(second.Start(&error)) << error;
    EXPECT_TRUE(OpenDialog(*w.window, menu::kIPAddress, [](QDialog* d) {
        auto* v = static_cast<IpAddressDialog*>(d);
        EXPECT_EQ(v->sonar()->text(), "127.0.0.1");
        v->sonar()->selectAll();
        QTest::keyClicks(v->sonar(), "127.0.0.2");
        Click(v->buttons().ok);
    }));
    EXPECT_TRUE(WaitFor([&] { return second.pings_served() >= 2; }, 15000));
    const std::uint64_t first = w.engine->simulated_head()->pings_served();
    ASSERT_TRUE(w.Pings(2));
    EXPECT_LE(w.engine->simulated_head()->pings_served(), first + 1);  // the old head is left
    EXPECT_NE(test::ReadFile(w.dir / "Vornax_Qi.INI").find("IPAddress_Sonar1=127.0.0.2"),
              std::string::npos);
}

}  // namespace
}  // namespace vq::gui
