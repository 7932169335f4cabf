#include "gui/dialogs/profile_views.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vq::gui {
namespace {

// Radio buttons in a column of `box`, with the ids given (the settings' values).
void AddRadios(QGroupBox* box, QBoxLayout* column, QButtonGroup* group,
               const std::vector<std::string>& names, const std::vector<int>& ids) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto* r = new QRadioButton(Q(names[i]), box);
        group->addButton(r, ids[i]);
        column->addWidget(r);
    }
}

NumberBox* NumberRow(QWidget* parent, QFormLayout* form, const char* label, const char* note) {
    auto* row = new QWidget(parent);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto* box = new NumberBox(row, false);
    h->addWidget(box);
    if (note) h->addWidget(new QLabel(note, row));
    h->addStretch();
    form->addRow(label, row);
    return box;
}

}  // namespace

AdvancedFilterDialog::AdvancedFilterDialog(QWidget* parent, QtOperator& op,
                                           AdvancedFilterModel& model)
    : QDialog(parent), op_(op), model_(model) {
    setWindowTitle(kAdvancedFilterCaption);
    setObjectName(kAdvancedFilterCaption);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    max_points_ = NumberRow(this, form, "Max. Points:", nullptr);
    segments_ = NumberRow(this, form, "No. of Segments:", nullptr);
    bins_ = NumberRow(this, form, "No. of Depth Bins:", "(not used)");
    // Only these two are read as typed; the others change through their arrows.
    max_points_->edit()->setReadOnly(false);
    segments_->edit()->setReadOnly(false);
    layout->addLayout(form);
    fill_ = new QCheckBox("Fill between beams", this);
    main_ = new QCheckBox("Main Filter", this);
    flat_ = new QCheckBox("Flat Bottom Filter", this);
    for (QCheckBox* c : {fill_, main_, flat_}) layout->addWidget(c);
    auto* outliers = new QHBoxLayout;
    short_ = new QCheckBox("Remove short outliers:", this);
    outliers->addWidget(short_);
    outliers->addWidget(new QLabel("above", this));
    percent_ = new NumberBox(this, false);
    outliers->addWidget(percent_);
    outliers->addWidget(new QLabel("% of range", this));
    outliers->addStretch();
    layout->addLayout(outliers);
    auto* display = new QGroupBox("Display Settings", this);
    auto* display_form = new QFormLayout(display);
    background_ = NumberRow(display, display_form, "Background Level:", "(for Artificial Bottom)");
    show_ = new QCheckBox("Show removed points", display);
    display_form->addRow(show_);
    layout->addWidget(display);
    buttons_ = AddButtonRow(this, layout, "Defaults");

    struct Spin {
        NumberBox* box;
        void (AdvancedFilterModel::*step)(int);
    };
    for (const Spin& s : {Spin{max_points_, &AdvancedFilterModel::StepMaxPoints},
                          Spin{segments_, &AdvancedFilterModel::StepSegments},
                          Spin{bins_, &AdvancedFilterModel::StepDepthBins},
                          Spin{percent_, &AdvancedFilterModel::StepPercent},
                          Spin{background_, &AdvancedFilterModel::StepBackground}}) {
        connect(s.box, &NumberBox::Up, this, [this, s] {
            (model_.*s.step)(+1);
            Refresh();
        });
        connect(s.box, &NumberBox::Down, this, [this, s] {
            (model_.*s.step)(-1);
            Refresh();
        });
    }
    connect(max_points_, &NumberBox::Edited, this,
            [this](const QString& t) { model_.MaxPointsTextChanged(S(t)); });
    connect(segments_, &NumberBox::Edited, this,
            [this](const QString& t) { model_.SegmentsTextChanged(S(t)); });
    struct Check {
        QCheckBox* box;
        int AdvancedFilterSettings::*value;
    };
    for (const Check& c : {Check{fill_, &AdvancedFilterSettings::fill_beams},
                           Check{main_, &AdvancedFilterSettings::main_filter},
                           Check{flat_, &AdvancedFilterSettings::flat_bottom},
                           Check{short_, &AdvancedFilterSettings::short_outliers},
                           Check{show_, &AdvancedFilterSettings::show_removed}}) {
        connect(c.box, &QCheckBox::toggled, this,
                [this, c](bool on) { model_.values().*c.value = on ? 1 : 0; });
    }
    connect(buttons_.defaults, &QPushButton::clicked, this, [this] {
        model_.Defaults();
        Refresh();
    });
    connect(buttons_.ok, &QPushButton::clicked, this, &AdvancedFilterDialog::OnOk);
    Refresh();
}

void AdvancedFilterDialog::Refresh() {
    max_points_->set_text(model_.max_points_text());
    segments_->set_text(model_.segments_text());
    bins_->set_text(model_.depth_bins_text());
    percent_->set_text(model_.percent_text());
    background_->set_text(model_.background_text());
    const AdvancedFilterSettings& v = model_.values();
    fill_->setChecked(v.fill_beams != 0);
    main_->setChecked(v.main_filter != 0);
    flat_->setChecked(v.flat_bottom != 0);
    short_->setChecked(v.short_outliers != 0);
    show_->setChecked(v.show_removed != 0);
}

void AdvancedFilterDialog::OnOk() {
    if (const OkAnswer refused = model_.Ok()) {
        Refresh();
        ShowWarning(op_, *refused);
        return;
    }
    accept();
}

ProfileSetupDialog::ProfileSetupDialog(QWidget* parent, QtOperator& op, ProfileSetupModel& model,
                                       std::function<void()> advanced)
    : QDialog(parent), op_(op), model_(model) {
    setWindowTitle(kProfileSetupCaption);
    setObjectName(kProfileSetupCaption);
    auto* layout = new QVBoxLayout(this);

    auto* display = new QGroupBox("Profile Point Display", this);
    auto* display_column = new QVBoxLayout(display);
    display_ = new QButtonGroup(this);
    AddRadios(display, display_column, display_, ProfileSetupModel::display_names(), {0, 1, 2, 3});
    artificial_ = new QCheckBox("Artificial Bottom", display);
    display_column->addWidget(artificial_);
    dots_ = new QButtonGroup(this);
    AddRadios(display, display_column, dots_, {"Small Dots", "Large Dots"}, {0, 1});
    layout->addWidget(display);

    auto* detect = new QGroupBox("Profile Point Detection", this);
    auto* detect_column = new QVBoxLayout(detect);
    detection_ = new QButtonGroup(this);
    AddRadios(detect, detect_column, detection_, {"Enable", "Disable"}, {1, 0});
    auto* depths = new QGridLayout;
    min_ = new QLineEdit(detect);
    max_ = new QLineEdit(detect);
    int row = 0;
    for (auto [label, edit] :
         {std::pair{"Minimum Depth:", min_}, std::pair{"Maximum Depth:", max_}}) {
        depths->addWidget(new QLabel(label, detect), row, 0);
        depths->addWidget(edit, row, 1);
        depths->addWidget(new QLabel(model_.unit_label(), detect), row, 2);
        depths->addWidget(new QLabel("(below sonar)", detect), row, 3);
        ++row;
    }
    detect_column->addLayout(depths);
    layout->addWidget(detect);

    auto* filter = new QGroupBox("Profile Point Filter", this);
    auto* filter_column = new QVBoxLayout(filter);
    detector_ = new QButtonGroup(this);
    AddRadios(filter, filter_column, detector_, ProfileSetupModel::detector_names(), {0, 1, 2});
    advanced_button_ = new QPushButton("Advanced Filter Settings...", filter);
    advanced_button_->setAutoDefault(false);
    filter_column->addWidget(advanced_button_);
    along_track_ = new QCheckBox("Along Track Averaging", filter);
    filter_column->addWidget(along_track_);
    layout->addWidget(filter);
    buttons_ = AddButtonRow(this, layout, "Defaults");

    connect(display_, &QButtonGroup::idClicked, this,
            [this](int i) { model_.values().display_type = i; });
    connect(dots_, &QButtonGroup::idClicked, this, [this](int i) { model_.values().dot_size = i; });
    connect(detection_, &QButtonGroup::idClicked, this,
            [this](int i) { model_.values().detection = i; });
    connect(detector_, &QButtonGroup::idClicked, this,
            [this](int i) { model_.values().detector = i; });
    connect(artificial_, &QCheckBox::toggled, this,
            [this](bool on) { model_.values().artificial_bottom = on ? 1 : 0; });
    connect(along_track_, &QCheckBox::toggled, this,
            [this](bool on) { model_.values().along_track = on ? 1 : 0; });
    connect(min_, &QLineEdit::textEdited, this,
            [this](const QString& t) { model_.MinDepthTextChanged(S(t)); });
    connect(max_, &QLineEdit::textEdited, this,
            [this](const QString& t) { model_.MaxDepthTextChanged(S(t)); });
    connect(advanced_button_, &QPushButton::clicked, this, [advanced] { advanced(); });
    connect(buttons_.defaults, &QPushButton::clicked, this, [this] {
        model_.Defaults();
        Refresh();
    });
    connect(buttons_.ok, &QPushButton::clicked, this, &ProfileSetupDialog::OnOk);
    Refresh();
}

void ProfileSetupDialog::Refresh() {
    const ProfileSetupValues& v = model_.values();
    CheckButton(display_, v.display_type);
    artificial_->setChecked(v.artificial_bottom != 0);
    CheckButton(dots_, v.dot_size);
    CheckButton(detection_, v.detection ? 1 : 0);
    CheckButton(detector_, v.detector);
    along_track_->setChecked(v.along_track != 0);
    min_->setText(Q(model_.min_depth_text()));
    max_->setText(Q(model_.max_depth_text()));
}

void ProfileSetupDialog::OnOk() {
    if (const OkAnswer refused = model_.Ok()) {
        Refresh();
        ShowWarning(op_, *refused);
        return;
    }
    accept();
}

}  // namespace vq::gui
