#include "gui/dialogs/com_port_view.h"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vq::gui {
namespace {

constexpr std::array<const char*, 5> kLabels = {
    "ComPort:", "Bits per second:", "Data bits:", "Parity:", "Stop bits:"};

QGroupBox* RadioGroup(QWidget* parent, const char* title, const std::vector<std::string>& names,
                      QButtonGroup* group) {
    auto* box = new QGroupBox(title, parent);
    auto* row = new QHBoxLayout(box);
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto* b = new QRadioButton(Q(names[i]), box);
        group->addButton(b, static_cast<int>(i));
        row->addWidget(b);
    }
    return box;
}

}  // namespace

ComPortDialog::ComPortDialog(QWidget* parent, QtOperator& op, ComPortSetupModel& model,
                             std::function<void(const ComPortSetupValues&)> apply)
    : QDialog(parent), op_(op), model_(model), apply_(std::move(apply)) {
    setWindowTitle(kComPortCaption);
    setObjectName(kComPortCaption);
    auto* layout = new QVBoxLayout(this);
    auto* groups = new QHBoxLayout;
    const std::array<std::vector<std::string>, 5> lists = {
        model_.port_names(), model_.speed_names(), model_.data_bit_names(), model_.parity_names(),
        model_.stop_bit_names()};
    for (ComGroup g : {ComGroup::Gps, ComGroup::Sv}) {
        auto* box = new QGroupBox(g == ComGroup::Gps ? "GPS Input" : "Sound Velocity Input", this);
        auto* form = new QFormLayout(box);
        for (std::size_t w = 0; w < kLabels.size(); ++w) {
            auto* c = new QComboBox(box);
            for (const std::string& n : lists[w]) c->addItem(Q(n));
            form->addRow(kLabels[w], c);
            combos_[static_cast<std::size_t>(g)][w] = c;
            connect(c, &QComboBox::activated, this, [this, g, w](int p) {
                switch (w) {
                    case 0:
                        model_.set_port_position(g, p);
                        break;
                    case 1:
                        model_.set_speed_position(g, p);
                        break;
                    case 2:
                        model_.set_data_bits_position(g, p);
                        break;
                    case 3:
                        model_.set_parity_position(g, p);
                        break;
                    default:
                        model_.set_stop_bits_position(g, p);
                        break;
                }
            });
        }
        groups->addWidget(box);
    }
    layout->addLayout(groups);
    nmea_ = new QButtonGroup(this);
    device_ = new QButtonGroup(this);
    auto* radios = new QHBoxLayout;
    radios->addWidget(RadioGroup(this, "NMEA Position", ComPortSetupModel::nmea_names(), nmea_));
    radios->addWidget(
        RadioGroup(this, "Device Type", ComPortSetupModel::sv_device_names(), device_));
    layout->addLayout(radios);
    connect(nmea_, &QButtonGroup::idClicked, this, [this](int i) { model_.set_nmea_position(i); });
    connect(device_, &QButtonGroup::idClicked, this,
            [this](int i) { model_.set_sv_device_position(i); });
    buttons_ = AddButtonRow(this, layout, "Defaults");
    connect(buttons_.defaults, &QPushButton::clicked, this, [this] {
        model_.Defaults();
        Refresh();
    });
    connect(buttons_.ok, &QPushButton::clicked, this, &ComPortDialog::OnOk);
    Refresh();
}

void ComPortDialog::Refresh() {
    for (ComGroup g : {ComGroup::Gps, ComGroup::Sv}) {
        const int positions[5] = {model_.port_position(g), model_.speed_position(g),
                                  model_.data_bits_position(g), model_.parity_position(g),
                                  model_.stop_bits_position(g)};
        for (int w = 0; w < 5; ++w)
            combo(g, w)->setCurrentIndex(model_.has_ports() ? positions[w] : 0);
    }
    CheckButton(nmea_, model_.nmea_position());
    CheckButton(device_, model_.sv_device_position());
}

void ComPortDialog::OnOk() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const OkAnswer refused = model_.Ok();
    if (!refused) apply_(model_.result());
    QApplication::restoreOverrideCursor();
    if (refused) {
        ShowWarning(op_, *refused);
        return;
    }
    accept();
}

}  // namespace vq::gui
