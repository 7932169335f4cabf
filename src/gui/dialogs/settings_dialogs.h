// The settings dialogs of the main window's menu: each is shown over the main window as a thin
// view of its model, and what "Ok" accepted goes to the engine through its ordinary commands.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace vq {
class Engine;
struct FileDialogRequest;
}  // namespace vq

namespace vq::gui {

class QtOperator;

struct DialogContext {
    QWidget* main;  // the main window: the dialogs open centred over it
    Engine& engine;
    QtOperator& op;
    // Shows a file dialog and returns the names chosen (none when cancelled).
    std::function<std::vector<std::string>(const FileDialogRequest&)> ask_files;
};

// Shows the dialog of menu command `id` (modal) and applies what it accepted. False when the
// command opens no settings dialog.
bool RunSettingsDialog(int id, const DialogContext& context);

}  // namespace vq::gui
