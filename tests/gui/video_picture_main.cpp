// The README's picture of the "Video" window over the sonar picture: the main window live
// against the simulated head with the synthetic camera, drawn without a display (offscreen)
// and put together as the screen shows it.
//   vq-video-picture OUT.png
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <cstdio>

#include "app/engine.h"
#include "app/menu_table.h"
#include "gui/main_window.h"
#include "gui/qt_operator.h"
#include "gui/video/video_controller.h"
#include "support/temp_dir.h"

namespace {

template <class P>
bool Until(P pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vq-video-picture OUT.png\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    vq::test::TempDir dir;
    dir.WriteLoopbackIni();
    vq::gui::QtOperator op;
    op.set_unattended(true);
    vq::EngineOptions o;
    o.working_dir = dir.path();
    o.simulate = true;
    o.link_initial_delay_ms = 0;
    vq::Engine engine(o, op);
    int status = 1;
    {
        vq::gui::MainWindow window(engine, op);
        engine.Start();
        window.RefreshMenu();
        window.move(0, 0);
        window.show();
        window.RunCommand(vq::menu::kVideoWindow);
        vq::gui::VideoPictureWindow* video = window.video()->video_window();
        const bool ready = Until(
            [&] {
                return window.sonar_view()->frames_shown() > 20 && video->pictures_shown() > 20;
            },
            60000);
        if (ready) {
            QImage shot = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
            QPainter p(&shot);
            const QPoint at = video->geometry().topLeft() - window.geometry().topLeft();
            p.drawImage(at, video->picture());
            p.setPen(QColor(192, 192, 192));
            p.drawRect(QRect(at - QPoint(1, 1), video->size() + QSize(1, 1)));
            p.end();
            status = shot.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
        }
        window.close();
    }
    if (status != 0) std::fprintf(stderr, "vq-video-picture: no picture was made\n");
    return status;
}
