// "Device Offsets", "IP Address" and "About Vornax_Qi".
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <array>
#include <functional>

#include "core/dialogs/device_offsets_dialog.h"
#include "core/dialogs/ip_address_dialog.h"
#include "gui/dialogs/dialog_widgets.h"

namespace vq::gui {

class DeviceOffsetsDialog : public QDialog {
    Q_OBJECT
  public:
    DeviceOffsetsDialog(QWidget* parent, QtOperator& op, DeviceOffsetsModel& model);
    QComboBox* device() const { return device_; }
    NumberBox* value(int i) const { return boxes_[static_cast<std::size_t>(i)]; }
    const ButtonRow& buttons() const { return buttons_; }

  private:
    void Refresh();
    void OnOk();

    QtOperator& op_;
    DeviceOffsetsModel& model_;
    QComboBox* device_;
    std::array<NumberBox*, kNumOffsetValues> boxes_{};
    ButtonRow buttons_;
};

class IpAddressDialog : public QDialog {
    Q_OBJECT
  public:
    IpAddressDialog(QWidget* parent, QtOperator& op, IpAddressModel& model);
    QLineEdit* sonar() const { return sonar_; }
    QLineEdit* output() const { return output_; }
    const ButtonRow& buttons() const { return buttons_; }

  private:
    void OnOk();

    QtOperator& op_;
    IpAddressModel& model_;
    QLineEdit* sonar_;
    QLineEdit* output_;
    ButtonRow buttons_;
};

// Our own about picture: a sonar fan over a seabed profile.
QPixmap AboutPicture();

class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    AboutDialog(QWidget* parent, const QString& version);
};

}  // namespace vq::gui
