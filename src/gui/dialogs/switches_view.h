// "Set Switches" (live) and the read-only "Switches" (playback).
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFormLayout>

#include "core/dialogs/switches_dialog.h"
#include "gui/dialogs/dialog_widgets.h"

namespace vq::gui {

class SetSwitchesDialog : public QDialog {
    Q_OBJECT
  public:
    SetSwitchesDialog(QWidget* parent, QtOperator& op, SetSwitchesModel& model);
    QComboBox* range() const { return range_; }
    NumberBox* gain() const { return gain_; }
    NumberBox* frequency() const { return frequency_; }
    QComboBox* transmit() const { return transmit_; }
    const ButtonRow& buttons() const { return buttons_; }

  private:
    void Refresh();
    void OnOk();
    NumberBox* AddNumber(QFormLayout* form, const char* label, const char* unit);

    QtOperator& op_;
    SetSwitchesModel& model_;
    QComboBox* range_;
    NumberBox* gain_;
    NumberBox* frequency_;
    QComboBox* transmit_;
    NumberBox* range_offset_;
    QCheckBox* auto_pulse_;
    NumberBox* pulse_;
    NumberBox* multiplier_;
    QComboBox* samples_;
    QComboBox* format_;
    ButtonRow buttons_;
};

class ReadOnlySwitchesDialog : public QDialog {
    Q_OBJECT
  public:
    ReadOnlySwitchesDialog(QWidget* parent, const SwitchesReadOnlyTexts& texts);
};

}  // namespace vq::gui
