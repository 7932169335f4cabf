#include "gui/status_strip.h"

#include <QFontMetrics>
#include <QPainter>

#include "app/engine.h"
#include "app/menu_table.h"
#include "gui/panel_style.h"
#include "recording/recording_control.h"

namespace vq::gui {
namespace {

constexpr int kOutputWidth = 497;  // an output line wider than this is shortened
constexpr int kButtonsX = 700;
constexpr int kRowHeight = 18;

struct ItemSpec {
    const char* name;
    const char* on_text;  // the text that lights the lamp
    QColor lamp;
};
// The link's states, drawn as lamps in one row right of the logging line.
const ItemSpec kItems[] = {
    {"connection", "Connected", QColor(0, 180, 0)},
    {"hold", "HOLD", QColor(255, 0, 0)},
    {"control", "External Control", QColor(144, 180, 0)},
    {"xmit", "XMIT Disabled", QColor(255, 0, 0)},
};

}  // namespace

StatusStrip::StatusStrip(Engine& engine, QWidget* parent) : QWidget(parent), engine_(engine) {
    setObjectName("StatusStrip");
    setFixedSize(kWidth, kHeight);
    const char* names[3] = {"Build Reference", "Store Reference", "Clear Image"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(names[i], this);
        b->setObjectName(names[i]);
        b->setFont(style::LabelFont(9));
        b->setFocusPolicy(Qt::NoFocus);
        b->setGeometry(kButtonsX + i * 104, 4, 100, 26);
        b->setStyleSheet(
            "QPushButton { background: rgb(52,56,62); color: rgb(216,216,216);"
            " border: 2px outset rgb(90,94,100); border-radius: 3px; }"
            "QPushButton:pressed { border-style: inset; background: rgb(36,38,42); }");
        b->hide();
        buttons_[i] = b;
    }
    connect(buttons_[0], &QPushButton::clicked, this, [this] {
        engine_.BuildBackgroundReference();
        Refresh();
    });
    connect(buttons_[1], &QPushButton::clicked, this, [this] {
        engine_.StoreBackgroundReference();
        Refresh();
    });
    connect(buttons_[2], &QPushButton::clicked, this, [this] {
        engine_.ClearImage();
        Refresh();
    });
    items_.insert("connection", "No Connection");
}

void StatusStrip::AfterPing() {
    const RecordingSnapshot rec = engine_.recording();
    const std::optional<ReadoutText> line = status_line_.AfterPing(
        engine_.in_playback(), engine_.stats().connected, rec.recording, rec.disk_full);
    if (line) status_ = {QString::fromStdString(line->text), style::ToQColor(line->colour)};
    // "Recording to %s - %d kB" while a point or beam file is open.
    QString out;
    const QFontMetrics fm(style::LabelFont());
    for (OutputKind k : {OutputKind::Point, OutputKind::Beam}) {
        if (!rec.output_open(k)) continue;
        const auto i = static_cast<std::size_t>(k);
        out = QString::fromStdString(FitStatusLine(rec.output_paths[i], rec.output_bytes[i] / 1024,
                                                   kOutputWidth, [&fm](const std::string& s) {
                                                       return fm.horizontalAdvance(
                                                           QString::fromStdString(s));
                                                   }));
    }
    output_ = out;
    Refresh();
    update();
}

void StatusStrip::OnSecond(int second) {
    const TemperatureWarning::Result r =
        temperature_.OnSecond(engine_.head_temperature_c(), second);
    if (r.action == TemperatureWarning::Action::Draw) {
        temp_label_ = QString::fromStdString(r.label.text);
        temp_value_ = " " + QString::fromStdString(r.value.text);
    } else if (r.action == TemperatureWarning::Action::Clear) {
        temp_label_.clear();
        temp_value_.clear();
    }
    update();
}

void StatusStrip::SetItem(const QString& item, const QString& text) {
    items_.insert(item, text);
    update();
}

void StatusStrip::Refresh() {
    const MenuState& m = engine_.menu();
    const bool panel = m[menu::kRemoveBackground].enabled && m[menu::kRemoveBackground].checked;
    for (QPushButton* b : buttons_) b->setVisible(panel);
    const bool building = panel && engine_.building_background_reference();
    if (building != building_) {
        building_ = building;
        update();
    }
}

void StatusStrip::PaintItems(QPainter& p) const {
    int x = 250;
    p.setFont(style::LabelFont());
    const QFontMetrics fm(p.font());
    for (const ItemSpec& s : kItems) {
        const QString text = items_.value(s.name);
        if (text.isEmpty()) continue;
        const bool lit = text == s.on_text;
        p.setPen(Qt::NoPen);
        p.setBrush(lit ? s.lamp : style::kDimGrey);
        p.drawEllipse(QPoint(x + 5, kRowHeight / 2 + 2), 5, 5);
        p.setPen(lit ? style::kValue : style::kLabel);
        p.drawText(QRect(x + 14, 2, fm.horizontalAdvance(text) + 4, kRowHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, text);
        x += fm.horizontalAdvance(text) + 30;
    }
}

void StatusStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::black);
    p.setFont(style::ValueFont());
    p.setPen(status_.colour);
    p.drawText(QRect(4, 2, 240, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter, status_.text);
    PaintItems(p);
    p.setFont(style::LabelFont(9, false));
    p.setPen(style::kValue);
    p.drawText(QRect(4, 2 + kRowHeight, kOutputWidth + 40, kRowHeight),
               Qt::AlignLeft | Qt::AlignVCenter, output_);
    if (!temp_label_.isEmpty()) {
        p.setFont(style::LabelFont());
        const QFontMetrics fm(p.font());
        p.setPen(style::kLabel);
        p.drawText(QRect(4, 2 + 2 * kRowHeight, 160, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   temp_label_);
        p.setPen(QColor(255, 0, 0));
        p.drawText(QRect(8 + fm.horizontalAdvance(temp_label_), 2 + 2 * kRowHeight, 90, kRowHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, temp_value_);
    }
    if (building_) {
        p.setFont(style::LabelFont());
        p.setPen(style::kEntry);
        p.drawText(QRect(kButtonsX, 34, 312, kRowHeight), Qt::AlignCenter,
                   "Building Background Reference....");
    }
}

}  // namespace vq::gui
