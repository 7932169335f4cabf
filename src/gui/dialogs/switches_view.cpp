#include "gui/dialogs/switches_view.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vq::gui {
namespace {

void Fill(QComboBox* box, const std::vector<std::string>& names) {
    for (const std::string& n : names) box->addItem(Q(n));
}

}  // namespace

NumberBox* SetSwitchesDialog::AddNumber(QFormLayout* form, const char* label, const char* unit) {
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto* box = new NumberBox(row);
    h->addWidget(box);
    if (unit) h->addWidget(new QLabel(unit, row));
    h->addStretch();
    form->addRow(label, row);
    return box;
}

SetSwitchesDialog::SetSwitchesDialog(QWidget* parent, QtOperator& op, SetSwitchesModel& model)
    : QDialog(parent), op_(op), model_(model) {
    setWindowTitle(kSetSwitchesCaption);
    setObjectName(kSetSwitchesCaption);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    range_ = new QComboBox(this);
    Fill(range_, model_.range_names());
    form->addRow("Range:", range_);
    gain_ = AddNumber(form, "Start Gain:", "dB");
    frequency_ = AddNumber(form, "Frequency:", "kHz");
    transmit_ = new QComboBox(this);
    Fill(transmit_, SetSwitchesModel::transmit_names());
    form->addRow("Transmit:", transmit_);
    layout->addLayout(form);

    // The switches the head takes besides these.
    auto* more = new QGroupBox("Pulse and Samples", this);
    auto* more_form = new QFormLayout(more);
    range_offset_ = AddNumber(more_form, "Range Offset:", "M");
    auto_pulse_ = new QCheckBox("Automatic Pulse Length", more);
    more_form->addRow(auto_pulse_);
    pulse_ = AddNumber(more_form, "Pulse Length:", "usec");
    multiplier_ = AddNumber(more_form, "Multiplier:", nullptr);
    samples_ = new QComboBox(more);
    Fill(samples_, SetSwitchesModel::sample_names());
    more_form->addRow("Samples:", samples_);
    format_ = new QComboBox(more);
    Fill(format_, SetSwitchesModel::format_names());
    more_form->addRow("Data Format:", format_);
    layout->addWidget(more);
    buttons_ = AddButtonRow(this, layout, "Defaults");

    connect(range_, &QComboBox::activated, this, [this](int i) { model_.set_range_position(i); });
    connect(transmit_, &QComboBox::activated, this,
            [this](int i) { model_.set_transmit_position(i); });
    connect(samples_, &QComboBox::activated, this,
            [this](int i) { model_.set_sample_position(i); });
    connect(format_, &QComboBox::activated, this, [this](int i) { model_.set_format_position(i); });
    connect(auto_pulse_, &QCheckBox::toggled, this, [this](bool on) {
        model_.set_auto_pulse_length(on);
        pulse_->setEnabled(!on);
    });
    struct Box {
        NumberBox* box;
        void (SetSwitchesModel::*step)(int);
        void (SetSwitchesModel::*typed)(std::string_view);
    };
    for (const Box& b :
         {Box{gain_, &SetSwitchesModel::StepGain, &SetSwitchesModel::GainTextChanged},
          Box{frequency_, &SetSwitchesModel::StepFrequency,
              &SetSwitchesModel::FrequencyTextChanged},
          Box{range_offset_, &SetSwitchesModel::StepRangeOffset,
              &SetSwitchesModel::RangeOffsetTextChanged},
          Box{pulse_, &SetSwitchesModel::StepPulseLength,
              &SetSwitchesModel::PulseLengthTextChanged},
          Box{multiplier_, &SetSwitchesModel::StepMultiplier,
              &SetSwitchesModel::MultiplierTextChanged}}) {
        connect(b.box, &NumberBox::Up, this, [this, b] {
            (model_.*b.step)(+1);
            Refresh();
        });
        connect(b.box, &NumberBox::Down, this, [this, b] {
            (model_.*b.step)(-1);
            Refresh();
        });
        connect(b.box, &NumberBox::Edited, this,
                [this, b](const QString& t) { (model_.*b.typed)(S(t)); });
    }
    connect(buttons_.defaults, &QPushButton::clicked, this, [this] {
        model_.Defaults();
        Refresh();
    });
    connect(buttons_.ok, &QPushButton::clicked, this, &SetSwitchesDialog::OnOk);
    Refresh();
}

void SetSwitchesDialog::Refresh() {
    range_->setCurrentIndex(model_.range_position());
    gain_->set_text(model_.gain_text());
    frequency_->set_text(model_.frequency_text());
    transmit_->setCurrentIndex(model_.transmit_position());
    range_offset_->set_text(model_.range_offset_text());
    auto_pulse_->setChecked(model_.auto_pulse_length());
    pulse_->setEnabled(!model_.auto_pulse_length());
    pulse_->set_text(model_.pulse_length_text());
    multiplier_->set_text(model_.multiplier_text());
    samples_->setCurrentIndex(model_.sample_position());
    format_->setCurrentIndex(model_.format_position());
}

void SetSwitchesDialog::OnOk() {
    if (const OkAnswer refused = model_.Ok()) {
        Refresh();
        ShowWarning(op_, *refused);
        return;
    }
    accept();
}

ReadOnlySwitchesDialog::ReadOnlySwitchesDialog(QWidget* parent, const SwitchesReadOnlyTexts& t)
    : QDialog(parent) {
    setWindowTitle(kSwitchesCaption);
    setObjectName(kSwitchesCaption);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow("Range:", new QLabel(Q(t.range), this));
    form->addRow("Range Offset:", new QLabel(Q(t.range_offset), this));
    form->addRow("Start Gain:", new QLabel(Q(t.gain), this));
    form->addRow("Pulse Length:", new QLabel(Q(t.pulse_length), this));
    form->addRow("Frequency:", new QLabel(Q(t.frequency), this));
    layout->addLayout(form);
    const ButtonRow b = AddButtonRow(this, layout, nullptr);
    connect(b.ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace vq::gui
