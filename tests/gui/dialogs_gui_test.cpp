// Every settings dialog opened from its menu item on the real window (Qt's offscreen
// platform): caption, placement, the refusals an operator meets, and the pictures of the user
// guide (written to $VQ_DIALOG_PICTURES when it is set).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/menu_table.h"
#include "gui/dialog_rig.h"
#include "gui/dialogs/com_port_view.h"
#include "gui/dialogs/profile_views.h"
#include "gui/dialogs/small_views.h"
#include "gui/dialogs/value_dialog.h"
#include "sensors/pty_pair.h"

namespace vq::gui {
namespace {

using namespace test_rig;

struct Item {
    int id;
    const char* caption;
    const char* picture;
};

const Item kLiveItems[] = {
    {menu::kSwitches, "Set Switches", "set-switches"},
    {menu::kComPorts, "ComPort Setup", "comport-setup"},
    {menu::kSoundVelocity, "Sound Velocity", "sound-velocity"},
    {menu::kDeviceOffsets, "Device Offsets", "device-offsets"},
    {menu::kDataOutput, "Data Output Setup", "data-output-setup"},
    {menu::kIPAddress, "IP Address", "ip-address"},
    {menu::kPersistence, "Persistence", "persistence"},
    {menu::kMaxFilesize, "Maximum Filesize", "maximum-filesize"},
    {menu::kProfileSetup, "Profile Point Setup", "profile-point-setup"},
    {menu::kAbout, "About Vornax_Qi", "about"},
};

// The picture of a dialog for the user guide.
void Picture(QDialog* d, const char* name) {
    if (const char* dir = std::getenv("VQ_DIALOG_PICTURES"))
        d->grab().save(QString(dir) + "/" + name + ".png");
}

// Centred over the main window when that fits, and always wholly on the screen.
void ExpectPlaced(const QDialog* d, const QWidget* main) {
    const QRect screen = main->screen()->availableGeometry();
    const QRect g = d->geometry();
    EXPECT_TRUE(screen.contains(g.topLeft())) << d->windowTitle().toStdString();
    EXPECT_LE(g.right(), screen.right()) << d->windowTitle().toStdString();
    EXPECT_LE(g.bottom(), screen.bottom()) << d->windowTitle().toStdString();
    const QPoint centred = main->frameGeometry().center() - QPoint(g.width() / 2, g.height() / 2);
    if (centred.x() >= 0 && centred.x() + g.width() <= screen.width()) {
        EXPECT_NEAR(g.center().x(), main->frameGeometry().center().x(), 2);
    }
}

TEST(SettingsDialogs, EveryDialogOpensFromItsMenuItemWithItsCaption) {
    LiveWindow w;
    for (const Item& item : kLiveItems) {
        SCOPED_TRACE(item.caption);
        const bool opened = OpenDialog(*w.window, item.id, [&](QDialog* d) {
            EXPECT_EQ(d->windowTitle(), item.caption);
            ExpectPlaced(d, w.window.get());
            Picture(d, item.picture);
        });
        EXPECT_TRUE(opened);
    }
    // "Advanced Filter Settings" opens from "Profile Point Setup".
    bool advanced = false;
    EXPECT_TRUE(OpenDialog(*w.window, menu::kProfileSetup, [&](QDialog* outer) {
        OnNextDialog(
            [&](QDialog* inner) {
                advanced = inner->windowTitle() == "Advanced Filter Settings";
                Picture(inner, "advanced-filter-settings");
            },
            outer);
        Click(static_cast<ProfileSetupDialog*>(outer)->advanced_button());
    }));
    EXPECT_TRUE(advanced);
    // "&Video Recording Rate..." follows the camera: greyed until the Video window connects it.
    EXPECT_FALSE(OpenDialog(*w.window, menu::kVideoRate, [](QDialog*) {}));
    w.window->Action(menu::kVideoWindow)->trigger();
    ASSERT_TRUE(WaitFor([&] { return w.window->Action(menu::kVideoRate)->isEnabled(); }, 20000));
    EXPECT_TRUE(OpenDialog(*w.window, menu::kVideoRate, [](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Video Recording Rate");
        Picture(d, "video-recording-rate");
        auto* v = static_cast<ValueDialog*>(d);
        EXPECT_EQ(v->box()->edit()->text(), "  3.0");
        v->box()->edit()->selectAll();
        QTest::keyClicks(v->box()->edit(), "12.5");
        Click(v->buttons().ok);
    }));
    EXPECT_FLOAT_EQ(
        w.engine->Store().Read([](const SettingsState& st) { return st.s.RecordVideoRate; }),
        12.5f);
    // "Profile Tilt Angle..." belongs to the profile mode, and persistence does not.
    EXPECT_FALSE(OpenDialog(*w.window, menu::kTiltAngle, [](QDialog*) {}));
    w.window->Action(menu::kModeProfile)->trigger();
    EXPECT_FALSE(w.window->Action(menu::kPersistence)->isEnabled());
    EXPECT_TRUE(OpenDialog(*w.window, menu::kTiltAngle, [](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Profile Tilt Angle");
        Picture(d, "profile-tilt-angle");
    }));
    // Playback: "S&witches" shows the read-only view; the serial ports are live only. ("&File"
    // asks for a recording at once; the operator cancels.)
    w.window->set_dialog_answer(
        [](const FileDialogRequest&) { return std::vector<std::string>{}; });
    w.window->Action(menu::kFile)->trigger();
    EXPECT_FALSE(w.window->Action(menu::kComPorts)->isEnabled());
    EXPECT_TRUE(OpenDialog(*w.window, menu::kSwitches, [](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Switches");
        EXPECT_NE(d->findChild<QLabel*>(), nullptr);
        Picture(d, "switches");
    }));
}

TEST(SettingsDialogs, Persistence601IsRefusedWithTheDialogOpenAnd600Taken) {
    LiveWindow w;
    EXPECT_TRUE(OpenDialog(*w.window, menu::kPersistence, [&](QDialog* d) {
        auto* v = static_cast<ValueDialog*>(d);
        QLineEdit* edit = v->box()->edit();
        EXPECT_EQ(edit->text(), "0");
        edit->selectAll();
        QTest::keyClicks(edit, "601");
        Click(v->buttons().ok);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(w.op.messages().back(),
                  "Persistence: Time is out of range!\nUse 0 to 600 seconds");
        EXPECT_EQ(edit->text(), "0");  // back to the value in force
        edit->selectAll();
        QTest::keyClicks(edit, "600");
        Click(v->buttons().ok);
        EXPECT_FALSE(d->isVisible());
    }));
    EXPECT_EQ(w.engine->Store().Read([](const SettingsState& st) { return st.s.Persistence; }),
              600);
    EXPECT_NE(test::ReadFile(w.dir / "Vornax_Qi.INI").find("Persistence=600"), std::string::npos);
}

TEST(SettingsDialogs, MaximumFilesizeMovesOnlyWithItsArrows) {
    LiveWindow w;
    EXPECT_TRUE(OpenDialog(*w.window, menu::kMaxFilesize, [](QDialog* d) {
        auto* v = static_cast<ValueDialog*>(d);
        QTest::keyClicks(v->box()->edit(), "300");
        EXPECT_EQ(v->box()->edit()->text(), "1000");
        Click(v->box()->down());
        Click(v->box()->down());
        EXPECT_EQ(v->box()->edit()->text(), "800");
        Click(v->buttons().ok);
    }));
    EXPECT_EQ(w.engine->Store().Read([](const SettingsState& st) { return st.s.MaximumFilesize; }),
              800);
}

TEST(SettingsDialogs, SoundVelocityInFeetIsStoredInMetresPerSecond) {
    LiveWindow w("Units=1\r\n");
    EXPECT_TRUE(OpenDialog(*w.window, menu::kSoundVelocity, [](QDialog* d) {
        auto* v = static_cast<ValueDialog*>(d);
        EXPECT_EQ(v->box()->edit()->text(), "4921.3");
        v->box()->edit()->selectAll();
        QTest::keyClicks(v->box()->edit(), "4593.2");
        Click(v->buttons().ok);
    }));
    const auto sv = w.engine->Store().Read([](const SettingsState& st) {
        return std::pair(st.s.SoundVelocityMeters, st.work.sound_velocity_current);
    });
    EXPECT_NEAR(sv.first, 1400.0, 0.01);
    EXPECT_NEAR(sv.second, 1400.0, 0.01);
}

TEST(SettingsDialogs, DeviceOffsetsRefuseTheFirstBadValueOnItsDevice) {
    LiveWindow w;
    EXPECT_TRUE(OpenDialog(*w.window, menu::kDeviceOffsets, [&](QDialog* d) {
        auto* v = static_cast<DeviceOffsetsDialog*>(d);
        ASSERT_EQ(v->device()->count(), 2);  // GPS input is on
        QTest::keyClick(v->device(), Qt::Key_Down);
        QLineEdit* starboard = v->value(0)->edit();
        starboard->selectAll();
        QTest::keyClicks(starboard, "150");
        QTest::keyClick(v->device(), Qt::Key_Up);  // back to the sonar head before "Ok"
        Click(v->buttons().ok);
        EXPECT_EQ(w.op.messages().back(),
                  "GPS Antenna Offsets: Starboard Offset is out of range!\n"
                  "Use -100.0 to 100.0 meters.");
        EXPECT_EQ(v->device()->currentIndex(), 1);
        EXPECT_EQ(starboard->text(), "0.00");
        starboard->selectAll();
        QTest::keyClicks(starboard, "12.5");
        Click(v->value(6)->up());
        Click(v->buttons().ok);
        EXPECT_FALSE(d->isVisible());
    }));
    const auto [x, latency] = w.engine->Store().Read([](const SettingsState& st) {
        return std::pair(st.s.GPSXOffsetMeters, st.s.GPSLatencySeconds);
    });
    EXPECT_FLOAT_EQ(x, 12.5f);
    EXPECT_FLOAT_EQ(latency, 0.01f);
}

// Selects the entry with `text` in a drop-down by keys, as an operator would.
void ChooseByKeys(QComboBox* c, const QString& text) {
    const int target = c->findText(text);
    ASSERT_GE(target, 0) << text.toStdString();
    while (c->currentIndex() < target) QTest::keyClick(c, Qt::Key_Down);
    while (c->currentIndex() > target) QTest::keyClick(c, Qt::Key_Up);
}

TEST(SettingsDialogs, ComPortsTheSamePortTwiceChangesNothingAndAnotherSpeedReopens) {
    test::PtyPair gps, sv;
    EngineOptions o = Simulated();
    o.gps_device = gps.slave_name();
    o.sv_device = sv.slave_name();
    LiveWindow w("", o);
    const Settings before = w.engine->Store().Read([](const SettingsState& st) { return st.s; });
    EXPECT_TRUE(OpenDialog(*w.window, menu::kComPorts, [&](QDialog* d) {
        auto* v = static_cast<ComPortDialog*>(d);
        EXPECT_EQ(v->combo(ComGroup::Gps, 0)->currentText().toStdString(), gps.slave_name());
        ChooseByKeys(v->combo(ComGroup::Gps, 0), QString::fromStdString(sv.slave_name()));
        ChooseByKeys(v->combo(ComGroup::Gps, 1), "9600");
        Click(v->buttons().ok);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(w.op.messages().back(), "ComPort Setup: ComPorts can not be the same.");
    }));
    const Settings same = w.engine->Store().Read([](const SettingsState& st) { return st.s; });
    EXPECT_EQ(same.ComPortGPS_bits_per_second, before.ComPortGPS_bits_per_second);
    EXPECT_EQ(same.ComPortGPSDevice, before.ComPortGPSDevice);
    const std::size_t messages = w.op.messages().size();
    EXPECT_TRUE(OpenDialog(*w.window, menu::kComPorts, [&](QDialog* d) {
        auto* v = static_cast<ComPortDialog*>(d);
        ChooseByKeys(v->combo(ComGroup::Gps, 1), "9600");
        Click(v->buttons().ok);
        EXPECT_FALSE(d->isVisible());
    }));
    EXPECT_EQ(w.op.messages().size(), messages);  // both ports opened again
    EXPECT_EQ(w.engine->Store().Read(
                  [](const SettingsState& st) { return st.s.ComPortGPS_bits_per_second; }),
              1);
    // The devices named for this run only stay out of the settings file.
    EXPECT_NE(test::ReadFile(w.dir / "Vornax_Qi.INI").find("ComPortGPSDevice=\r\n"),
              std::string::npos);
}

TEST(SettingsDialogs, APortThatCannotBeOpenedIsReportedByNameAndReason) {
    test::PtyPair sv;
    test::TempDir files;
    const std::filesystem::path plain = files / "not-a-port";
    test::WriteFile(plain, "");
    EngineOptions o = Simulated();
    o.sv_device = sv.slave_name();
    LiveWindow w("ComPortGPSDevice=" + plain.string() + "\r\n", o);
    const std::string expected = "ComPort Setup: The GPS port could not be opened:\n" +
                                 plain.string() + ": not a serial port";
    const auto reported = [&] {
        const std::vector<std::string> messages = w.op.messages();
        return std::count_if(messages.begin(), messages.end(),
                             [&](const std::string& m) { return m.rfind(expected, 0) == 0; });
    };
    EXPECT_EQ(reported(), 1);  // at start
    EXPECT_TRUE(OpenDialog(*w.window, menu::kComPorts, [](QDialog* d) {
        Click(static_cast<ComPortDialog*>(d)->buttons().ok);
    }));
    EXPECT_EQ(reported(), 2);
}

TEST(SettingsDialogs, AboutShowsOurPictureAndTheVersion) {
    LiveWindow w;
    EXPECT_TRUE(OpenDialog(*w.window, menu::kAbout, [](QDialog* d) {
        QStringList lines;
        for (QLabel* l : d->findChildren<QLabel*>()) lines << l->text();
        EXPECT_TRUE(lines.contains("Vornax_Qi Multibeam Sonar For Linux"));
        EXPECT_TRUE(lines.contains(" -- UDP Control --"));
        EXPECT_FALSE(lines.filter(QRegularExpression("^Version \\d+\\.\\d+\\.\\d+$")).isEmpty());
        auto* picture = d->findChild<QLabel*>("about picture");
        ASSERT_NE(picture, nullptr);
        EXPECT_FALSE(picture->pixmap().isNull());
        Click(d->findChild<QPushButton*>());
    }));
}

}  // namespace
}  // namespace vq::gui

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
