// Pictures of the program's own windows for the user guide, taken offscreen: a window grabbed
// to PNG only when something was drawn in it, and the dialog that a command opens caught,
// grabbed and closed again.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

class QAction;

namespace vq::gui {

// Runs the event loop until pred() holds or ms have passed; returns pred().
bool WaitUntil(const std::function<bool()>& pred, int ms);

// A widget that is only a stand-in (a bare window with nothing in it yet).
bool IsPlaceholder(const QWidget* w);

// Grabs w into `path` (PNG). Fails with the reason in *why when the grab is empty or every
// pixel has one colour: the window was not drawn.
bool SaveWindowPicture(QWidget* w, const QString& path, QString* why);

enum class Caught { Saved, NoWindow, NotDrawn };

// Triggers `action` and waits for a window that was not shown before (a modal dialog opened
// with exec() is caught inside its own event loop, however long it takes to appear; after the
// action has returned, up to timeout_ms for another window); grabs it into `path`
// and closes it (a dialog is rejected). *title receives the caught window's title.
Caught CatchWindowOf(QAction* action, const QString& path, int timeout_ms, QString* title,
                     QString* why);

}  // namespace vq::gui
