// The one-value dialogs ("Persistence", "Video Recording Rate", "Maximum Filesize", "Profile
// Tilt Angle", "Sound Velocity"): a label, the edit box with its arrows, the unit, and "Ok",
// "Default", "Cancel". The model behind it decides everything.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <string_view>

#include "core/dialogs/dialog_common.h"
#include "gui/dialogs/dialog_widgets.h"

namespace vq::gui {

// What the dialog asks of its model.
struct ValueModelHooks {
    std::function<std::string()> text;
    std::function<void()> up, down, reset_to_default;
    std::function<void(std::string_view)> typed;
    std::function<OkAnswer()> ok;
    bool typing = true;
};

class ValueDialog : public QDialog {
    Q_OBJECT
  public:
    // `label` before the box, `unit` after it, `note` (may be empty) on a line of its own.
    ValueDialog(QWidget* parent, QtOperator& op, const QString& caption, const QString& label,
                const QString& unit, const QString& note, ValueModelHooks hooks);
    NumberBox* box() const { return box_; }
    const ButtonRow& buttons() const { return buttons_; }

  private:
    void Refresh();
    void OnOk();

    QtOperator& op_;
    ValueModelHooks hooks_;
    NumberBox* box_;
    ButtonRow buttons_;
};

}  // namespace vq::gui
