#include "gui/dialogs/small_views.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <cmath>

#include "core/dialogs/about_text.h"

namespace vq::gui {

DeviceOffsetsDialog::DeviceOffsetsDialog(QWidget* parent, QtOperator& op, DeviceOffsetsModel& model)
    : QDialog(parent), op_(op), model_(model) {
    setWindowTitle(kDeviceOffsetsCaption);
    setObjectName(kDeviceOffsetsCaption);
    auto* layout = new QVBoxLayout(this);
    device_ = new QComboBox(this);
    for (const std::string& n : model_.device_names()) device_->addItem(Q(n));
    layout->addWidget(device_);
    auto* form = new QFormLayout;
    for (int i = 0; i < kNumOffsetValues; ++i) {
        auto* row = new QWidget(this);
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        NumberBox* box = new NumberBox(row);
        h->addWidget(box);
        h->addWidget(new QLabel(model_.unit_name(i), row));
        h->addStretch();
        form->addRow(QString(kOffsetLabels[static_cast<std::size_t>(i)]) + ":", row);
        boxes_[static_cast<std::size_t>(i)] = box;
        connect(box, &NumberBox::Up, this, [this, i] {
            model_.StepUp(i);
            Refresh();
        });
        connect(box, &NumberBox::Down, this, [this, i] {
            model_.StepDown(i);
            Refresh();
        });
        connect(box, &NumberBox::Edited, this,
                [this, i](const QString& t) { model_.TextChanged(i, S(t)); });
    }
    layout->addLayout(form);
    buttons_ = AddButtonRow(this, layout, "Default");
    connect(device_, &QComboBox::activated, this, [this](int d) {
        model_.set_device(d);
        Refresh();
    });
    connect(buttons_.defaults, &QPushButton::clicked, this, [this] {
        model_.Default();
        Refresh();
    });
    connect(buttons_.ok, &QPushButton::clicked, this, &DeviceOffsetsDialog::OnOk);
    Refresh();
}

void DeviceOffsetsDialog::Refresh() {
    device_->setCurrentIndex(model_.device());
    for (int i = 0; i < kNumOffsetValues; ++i) value(i)->set_text(model_.Text(i));
}

void DeviceOffsetsDialog::OnOk() {
    if (const OkAnswer refused = model_.Ok()) {
        Refresh();  // the device of the refused value, with its values
        ShowWarning(op_, *refused);
        return;
    }
    accept();
}

IpAddressDialog::IpAddressDialog(QWidget* parent, QtOperator& op, IpAddressModel& model)
    : QDialog(parent), op_(op), model_(model) {
    setWindowTitle(kIpAddressCaption);
    setObjectName(kIpAddressCaption);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    sonar_ = new QLineEdit(Q(model_.sonar_text()), this);
    output_ = new QLineEdit(Q(model_.output_text()), this);
    for (QLineEdit* e : {sonar_, output_}) e->setMaxLength(kMaxAddressLength);
    form->addRow("Sonar IP Address:", sonar_);
    form->addRow("Output IP Address:", output_);
    layout->addLayout(form);
    buttons_ = AddButtonRow(this, layout, "Default");
    connect(sonar_, &QLineEdit::textEdited, this,
            [this](const QString& t) { model_.set_sonar_text(S(t)); });
    connect(output_, &QLineEdit::textEdited, this,
            [this](const QString& t) { model_.set_output_text(S(t)); });
    connect(buttons_.defaults, &QPushButton::clicked, this, [this] {
        model_.Default();
        sonar_->setText(Q(model_.sonar_text()));
        output_->setText(Q(model_.output_text()));
    });
    connect(buttons_.ok, &QPushButton::clicked, this, &IpAddressDialog::OnOk);
}

void IpAddressDialog::OnOk() {
    const OkAnswer refused = model_.Ok();
    output_->setText(Q(model_.output_text()));  // an empty box shows the built-in address
    if (refused) {
        ShowWarning(op_, *refused);
        return;
    }
    accept();
}

QPixmap AboutPicture() {
    constexpr int kW = 240, kH = 150;
    QPixmap pm(kW, kH);
    pm.fill(Qt::black);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF apex(kW / 2.0, 8.0);
    // The fan of beams, brighter towards the seabed.
    for (int i = 0; i < 60; ++i) {
        const double a = (-60.0 + i * 2.0) * M_PI / 180.0;
        const double r = 125.0;
        QColor c = QColor::fromHsv(200 - i, 200, 60 + (i * 3) % 120);
        p.setPen(QPen(c, 2.2));
        p.drawLine(apex, apex + QPointF(r * std::sin(a), r * std::cos(a)));
    }
    // The seabed profile the dots trace.
    QPainterPath bottom;
    for (int x = 20; x <= kW - 20; x += 4) {
        const double y = 105.0 + 6.0 * std::sin(x / 23.0) + 0.05 * (x - kW / 2.0);
        if (x == 20)
            bottom.moveTo(x, y);
        else
            bottom.lineTo(x, y);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(x, y), 1.6, 1.6);
    }
    p.setPen(QPen(QColor(255, 200, 60), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(bottom);
    return pm;
}

AboutDialog::AboutDialog(QWidget* parent, const QString& version) : QDialog(parent) {
    setWindowTitle(kAboutCaption);
    setObjectName(kAboutCaption);
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setObjectName("about picture");
    picture->setPixmap(AboutPicture());
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);
    for (const std::string& line : {std::string(kAboutProductLine), AboutVersionLine(S(version)),
                                    std::string(kAboutControlLine)}) {
        auto* l = new QLabel(Q(line), this);
        l->setAlignment(Qt::AlignCenter);
        layout->addWidget(l);
    }
    const ButtonRow b = AddButtonRow(this, layout, nullptr, "OK", false);
    connect(b.ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace vq::gui
