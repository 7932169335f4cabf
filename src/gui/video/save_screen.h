// "&Save Screen...": the whole main window as a 24-bit bitmap. Where the window system lets us
// read the screen, the window is taken from it with its frame, exactly as it is shown;
// otherwise (Wayland, the offscreen platform, a window partly off the screen) the window
// renders itself, with its menu bar and every panel, without the frame.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "recording/file_dialogs.h"
#include "recording/screen_capture.h"

namespace vq::gui {

enum class GrabKind { WithFrame, WindowOnly };

// The main window as it is now; kind says which of the two ways it was taken.
QImage GrabMainWindow(QWidget* window, GrabKind* kind);

// Asks for the file name in the save dialog (ask returns no name when cancelled), checks it,
// grabs the window and writes the file; tell shows a message. Returns whether a file was
// written.
bool SaveScreenAs(QWidget* window,
                  const std::function<std::vector<std::string>(const FileDialogRequest&)>& ask,
                  const std::function<void(const OperatorMessage&)>& tell,
                  GrabKind* kind = nullptr);

}  // namespace vq::gui
