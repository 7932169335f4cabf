// "Data Output Setup": the output type, "Include Intensities", and the buttons that open and
// close the live point and beam files at once.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <functional>

#include "core/dialogs/data_output_dialog.h"
#include "gui/dialogs/dialog_widgets.h"

namespace vq::gui {

// What the dialog needs of the program while it is open.
struct DataOutputActions {
    // Performs an open or close at once (an open asks for the file first); returns whether
    // the file is open afterwards as far as the window knows.
    std::function<bool(OutputFileAction)> act;
    // Which files are open now (read again when the engine reports a change).
    std::function<bool(OutputFileKind)> file_open;
};

class DataOutputDialog : public QDialog {
    Q_OBJECT
  public:
    DataOutputDialog(QWidget* parent, DataOutputModel& model, DataOutputActions actions);
    QPushButton* file_button(OutputFileKind k) const {
        return k == OutputFileKind::Point ? point_button_ : beam_button_;
    }
    QButtonGroup* types() const { return types_; }
    QCheckBox* intensities() const { return intensities_; }
    const ButtonRow& buttons() const { return buttons_; }

  public slots:
    // The engine reported a change: the buttons follow the files actually open.
    void FilesChanged();

  private:
    void Refresh();
    void Do(OutputFileAction action);

    DataOutputModel& model_;
    DataOutputActions actions_;
    QButtonGroup* types_;
    QCheckBox* intensities_;
    QPushButton* point_button_;
    QPushButton* beam_button_;
    ButtonRow buttons_;
};

}  // namespace vq::gui
