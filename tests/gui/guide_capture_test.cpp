// The picture taking of the user guide: a window is saved only when something was drawn in it,
// and the dialog a command opens is caught, grabbed and closed.
#include "gui/guide_capture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>

#include "support/temp_dir.h"

namespace vq::gui {
namespace {

QString PathIn(const test::TempDir& dir, const char* name) {
    return QString::fromStdString((dir / name).string());
}

TEST(GuideCapture, SavesAWindowOnlyWhenSomethingWasDrawn) {
    test::TempDir dir;
    QWidget blank;
    blank.setStyleSheet("background-color: black;");
    blank.setAutoFillBackground(true);
    blank.resize(120, 80);
    blank.show();
    QString why;
    EXPECT_FALSE(SaveWindowPicture(&blank, PathIn(dir, "blank.png"), &why));
    EXPECT_NE(why.indexOf("nothing was drawn"), -1) << why.toStdString();
    EXPECT_FALSE(std::filesystem::exists(dir / "blank.png"));

    QLabel label("Sound Velocity");
    label.resize(200, 40);
    label.show();
    ASSERT_TRUE(SaveWindowPicture(&label, PathIn(dir, "label.png"), &why)) << why.toStdString();
    const QImage saved(PathIn(dir, "label.png"));
    EXPECT_EQ(saved.size(), label.grab().size());

    EXPECT_FALSE(SaveWindowPicture(&label, PathIn(dir, "no/such/dir/label.png"), &why));
    EXPECT_TRUE(IsPlaceholder(&blank));
    EXPECT_FALSE(IsPlaceholder(&label));
}

TEST(GuideCapture, CatchesTheModalDialogACommandOpensAndClosesIt) {
    test::TempDir dir;
    QWidget main;
    main.resize(300, 200);
    main.show();
    QAction opens_dialog("&About", &main);
    int closed_with = -2;
    QObject::connect(&opens_dialog, &QAction::triggered, [&] {
        QMessageBox box(&main);
        box.setWindowTitle("About Vornax_Qi");
        box.setText("Vornax_Qi Multibeam Sonar");
        closed_with = box.exec();
    });
    QString title, why;
    EXPECT_EQ(CatchWindowOf(&opens_dialog, PathIn(dir, "about.png"), 2000, &title, &why),
              Caught::Saved)
        << why.toStdString();
    EXPECT_EQ(title, "About Vornax_Qi");
    EXPECT_NE(closed_with, -2);  // the dialog's own loop ended
    EXPECT_FALSE(QImage(PathIn(dir, "about.png")).isNull());

    // A command that takes longer than the limit to build its dialog (as under a sanitizer):
    // the dialog is still caught and closed, not left open for ever. A guard closes it after
    // 10 s should the capture miss it.
    QAction opens_late("Playback &File...", &main);
    QObject::connect(&opens_late, &QAction::triggered, [&] {
        WaitUntil([] { return false; }, 600);  // events keep flowing meanwhile
        QMessageBox box(&main);
        box.setWindowTitle("Open Playback File");
        QTimer::singleShot(10000, &box, &QDialog::reject);
        closed_with = box.exec();
    });
    QElapsedTimer late;
    late.start();
    EXPECT_EQ(CatchWindowOf(&opens_late, PathIn(dir, "late.png"), 300, &title, &why), Caught::Saved)
        << why.toStdString();
    EXPECT_EQ(title, "Open Playback File");
    EXPECT_LT(late.elapsed(), 8000);

    QAction opens_nothing("&Grid", &main);
    EXPECT_EQ(CatchWindowOf(&opens_nothing, PathIn(dir, "grid.png"), 300, &title, &why),
              Caught::NoWindow);
    EXPECT_FALSE(std::filesystem::exists(dir / "grid.png"));
}

}  // namespace
}  // namespace vq::gui

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
