#include "gui/video/save_screen.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace vq::gui {

QImage GrabMainWindow(QWidget* window, GrabKind* kind) {
    // Let the window finish painting first.
    window->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const QRect outer = window->frameGeometry();
    // Platforms without a real screen to read (offscreen, minimal) only draw windows.
    const QString platform = QGuiApplication::platformName();
    const bool readable = platform != "offscreen" && platform != "minimal";
    const bool has_frame = readable && outer.size() != window->geometry().size();
    QScreen* screen = window->screen();
    if (has_frame && screen != nullptr && screen->geometry().contains(outer)) {
        const QRect on_screen = outer.translated(-screen->geometry().topLeft());
        const QPixmap shot =
            screen->grabWindow(0, on_screen.x(), on_screen.y(), outer.width(), outer.height());
        if (!shot.isNull() && shot.size() == outer.size()) {
            if (kind) *kind = GrabKind::WithFrame;
            return shot.toImage().convertToFormat(QImage::Format_RGB32);
        }
    }
    if (kind) *kind = GrabKind::WindowOnly;
    return window->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool SaveScreenAs(QWidget* window,
                  const std::function<std::vector<std::string>(const FileDialogRequest&)>& ask,
                  const std::function<void(const OperatorMessage&)>& tell, GrabKind* kind) {
    const FileChoice choice = CheckChosenFiles(FileDialogKind::SaveScreen,
                                               ask(FileDialogFor(FileDialogKind::SaveScreen)));
    if (!choice.message.empty()) tell({choice.message, choice.message_title});
    if (!choice.accepted()) return false;
    const QImage image = GrabMainWindow(window, kind);
    const Rgb32View view{reinterpret_cast<const std::uint32_t*>(image.constBits()), image.width(),
                         image.height(), static_cast<std::size_t>(image.bytesPerLine() / 4)};
    if (const auto m = SaveScreen(choice.paths.front(), view)) {
        tell(*m);
        return false;
    }
    return true;
}

}  // namespace vq::gui
