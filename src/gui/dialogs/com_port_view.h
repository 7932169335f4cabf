// "ComPort Setup": the GPS and sound-velocity serial inputs.
#pragma once

#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <array>
#include <functional>

#include "core/dialogs/com_port_dialog.h"
#include "gui/dialogs/dialog_widgets.h"

namespace vq::gui {

class ComPortDialog : public QDialog {
    Q_OBJECT
  public:
    // `apply` stores the accepted values (closing, pausing and reopening the readers).
    ComPortDialog(QWidget* parent, QtOperator& op, ComPortSetupModel& model,
                  std::function<void(const ComPortSetupValues&)> apply);
    // The five drop-downs of a group: port, speed, data bits, parity, stop bits.
    QComboBox* combo(ComGroup g, int which) const {
        return combos_[static_cast<std::size_t>(g)][static_cast<std::size_t>(which)];
    }
    const ButtonRow& buttons() const { return buttons_; }

  private:
    void Refresh();
    void OnOk();

    QtOperator& op_;
    ComPortSetupModel& model_;
    std::function<void(const ComPortSetupValues&)> apply_;
    std::array<std::array<QComboBox*, 5>, 2> combos_{};
    QButtonGroup* nmea_;
    QButtonGroup* device_;
    ButtonRow buttons_;
};

}  // namespace vq::gui
