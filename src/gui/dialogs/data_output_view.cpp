#include "gui/dialogs/data_output_view.h"

#include <QGridLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vq::gui {

DataOutputDialog::DataOutputDialog(QWidget* parent, DataOutputModel& model,
                                   DataOutputActions actions)
    : QDialog(parent), model_(model), actions_(std::move(actions)) {
    setWindowTitle(kDataOutputCaption);
    setObjectName(kDataOutputCaption);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    types_ = new QButtonGroup(this);
    for (int t = 0; t < 3; ++t) {
        auto* r = new QRadioButton(DataOutputModel::type_name(t), this);
        types_->addButton(r, t);
        grid->addWidget(r, t, 0);
    }
    point_button_ = new QPushButton(this);
    beam_button_ = new QPushButton(this);
    for (QPushButton* b : {point_button_, beam_button_}) b->setAutoDefault(false);
    grid->addWidget(point_button_, 1, 1);
    grid->addWidget(beam_button_, 2, 1);
    layout->addLayout(grid);
    intensities_ = new QCheckBox("Include Intensities", this);
    layout->addWidget(intensities_);
    buttons_ = AddButtonRow(this, layout, nullptr);

    connect(types_, &QButtonGroup::idClicked, this, [this](int t) {
        for (OutputFileAction a : model_.ChooseType(t)) Do(a);
        Refresh();
    });
    connect(intensities_, &QCheckBox::toggled, this,
            [this](bool on) { model_.set_include_intensities(on); });
    connect(point_button_, &QPushButton::clicked, this,
            [this] { Do(model_.PressButton(OutputFileKind::Point)); });
    connect(beam_button_, &QPushButton::clicked, this,
            [this] { Do(model_.PressButton(OutputFileKind::Beam)); });
    connect(buttons_.ok, &QPushButton::clicked, this, [this] {
        model_.Ok();
        accept();
    });
    Refresh();
}

void DataOutputDialog::Do(OutputFileAction action) {
    if (action == OutputFileAction::None) return;
    const bool point =
        action == OutputFileAction::OpenPoint || action == OutputFileAction::ClosePoint;
    const bool open = actions_.act(action);
    model_.set_file_open(point ? OutputFileKind::Point : OutputFileKind::Beam, open);
    Refresh();
}

void DataOutputDialog::FilesChanged() {
    for (OutputFileKind k : {OutputFileKind::Point, OutputFileKind::Beam})
        model_.set_file_open(k, actions_.file_open(k));
    Refresh();
}

void DataOutputDialog::Refresh() {
    CheckButton(types_, model_.output_type());
    intensities_->setChecked(model_.include_intensities());
    for (OutputFileKind k : {OutputFileKind::Point, OutputFileKind::Beam}) {
        file_button(k)->setText(Q(model_.button_text(k)));
        file_button(k)->setEnabled(model_.button_enabled(k));
    }
}

}  // namespace vq::gui
