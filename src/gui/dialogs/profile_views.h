// "Profile Point Setup" and its "Advanced Filter Settings".
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "core/dialogs/profile_dialogs.h"
#include "gui/dialogs/dialog_widgets.h"

namespace vq::gui {

class AdvancedFilterDialog : public QDialog {
    Q_OBJECT
  public:
    AdvancedFilterDialog(QWidget* parent, QtOperator& op, AdvancedFilterModel& model);
    NumberBox* max_points() const { return max_points_; }
    NumberBox* segments() const { return segments_; }
    const ButtonRow& buttons() const { return buttons_; }

  private:
    void Refresh();
    void OnOk();

    QtOperator& op_;
    AdvancedFilterModel& model_;
    NumberBox* max_points_;
    NumberBox* segments_;
    NumberBox* bins_;
    NumberBox* percent_;
    NumberBox* background_;
    QCheckBox* fill_;
    QCheckBox* main_;
    QCheckBox* flat_;
    QCheckBox* short_;
    QCheckBox* show_;
    ButtonRow buttons_;
};

class ProfileSetupDialog : public QDialog {
    Q_OBJECT
  public:
    // `advanced` runs "Advanced Filter Settings..." (which stores its own values on its "Ok").
    ProfileSetupDialog(QWidget* parent, QtOperator& op, ProfileSetupModel& model,
                       std::function<void()> advanced);
    QButtonGroup* detection() const { return detection_; }  // id 1 "Enable", 0 "Disable"
    QLineEdit* min_depth() const { return min_; }
    QLineEdit* max_depth() const { return max_; }
    QPushButton* advanced_button() const { return advanced_button_; }
    const ButtonRow& buttons() const { return buttons_; }

  private:
    void Refresh();
    void OnOk();

    QtOperator& op_;
    ProfileSetupModel& model_;
    QButtonGroup* display_;
    QCheckBox* artificial_;
    QButtonGroup* dots_;
    QButtonGroup* detection_;
    QLineEdit* min_;
    QLineEdit* max_;
    QButtonGroup* detector_;
    QPushButton* advanced_button_;
    QCheckBox* along_track_;
    ButtonRow buttons_;
};

}  // namespace vq::gui
