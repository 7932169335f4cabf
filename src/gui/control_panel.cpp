#include "gui/control_panel.h"

#include <QCursor>
#include <QKeyEvent>
#include <QPainter>

#include "app/engine.h"
#include "core/operator.h"
#include "gui/panel_style.h"

namespace vq::gui {
namespace {

constexpr int kDialPitch = 124;
constexpr int kRightX = 500;  // the read-out column
constexpr int kRightWidth = ControlPanel::kWidth - kRightX - 4;

struct DialSpec {
    Dial dial;
    const char* title;
};
constexpr DialSpec kDials[] = {{Dial::Range, "RANGE"},
                               {Dial::Gain, "GAIN"},
                               {Dial::DisplayGain, "DISPLAY GAIN"},
                               {Dial::Persistence, "PERSISTENCE"}};

std::optional<PanelKey> PanelKeyOf(int key) {
    switch (key) {
        case Qt::Key_F1:
            return PanelKey::F1;
        case Qt::Key_F2:
            return PanelKey::F2;
        case Qt::Key_F3:
            return PanelKey::F3;
        case Qt::Key_F4:
            return PanelKey::F4;
        case Qt::Key_F5:
            return PanelKey::F5;
        case Qt::Key_F6:
            return PanelKey::F6;
        case Qt::Key_Up:
            return PanelKey::Up;
        case Qt::Key_Down:
            return PanelKey::Down;
        case Qt::Key_Left:
            return PanelKey::Left;
        case Qt::Key_Right:
            return PanelKey::Right;
        default:
            return std::nullopt;
    }
}

// The character a key gives the panel: letters and digits as typed, Enter and Esc as "\r" and
// "\x1b"; 0 for keys the panel does not take.
char PanelCharOf(const QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return '\r';
    if (e->key() == Qt::Key_Escape) return '\x1b';
    const QString t = e->text();
    if (t.size() != 1) return 0;
    const char c = t[0].toLatin1();
    if ((c >= '0' && c <= '9') || c == '.') return c;
    switch (c) {
        case 'R':
        case 'r':
        case 'G':
        case 'g':
        case 'D':
        case 'd':
        case 'P':
        case 'p':
        case 'H':
        case 'h':
        case 'C':
        case 'c':
            return c;
        default:
            return 0;
    }
}

QLabel* Box(QWidget* parent, const QRect& r, const QFont& font, Qt::Alignment align) {
    auto* l = new QLabel(parent);
    l->setGeometry(r);
    l->setFont(font);
    l->setAlignment(align | Qt::AlignVCenter);
    l->setStyleSheet(QString("QLabel { color: %1; background: black; border: 1px solid %2;"
                             " border-radius: 3px; padding: 0 6px; }")
                         .arg(style::kValue.name(), style::kFrame.name()));
    return l;
}

QLabel* Caption(QWidget* parent, const QRect& r, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(r);
    l->setFont(style::LabelFont());
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    l->setStyleSheet(QString("color: %1;").arg(style::kLabel.name()));
    return l;
}

QString ValueText(Dial d, const PanelValues& v, const RangeLabelInputs& range) {
    switch (d) {
        case Dial::Range:
            return QString::fromStdString(RangeLabel(range)).trimmed();
        case Dial::Gain:
            return QString("%1 dB").arg(v.gain);
        case Dial::DisplayGain:
            return QString("%1 %").arg(v.display_gain);
        case Dial::Persistence:
            return QString("%1 s").arg(v.persistence);
        case Dial::None:
            break;
    }
    return {};
}

}  // namespace

ControlPanel::ControlPanel(Engine& engine, Operator& op, QWidget* parent)
    : QWidget(parent), engine_(engine), op_(op) {
    setFixedSize(kWidth, kHeight);
    setObjectName("ControlPanel");
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, style::kPanel);
    setPalette(pal);
    BuildDials();
    BuildReadouts();
    repeat_.setSingleShot(true);
    connect(&repeat_, &QTimer::timeout, this, &ControlPanel::OnRepeat);
    clock_.start();
    Refresh();
}

void ControlPanel::BuildDials() {
    for (std::size_t i = 0; i < dials_.size(); ++i) {
        auto* d = new DialWidget(kDials[i].dial, kDials[i].title, this);
        d->move(static_cast<int>(i) * kDialPitch, 2);
        connect(d, &DialWidget::Pressed, this, &ControlPanel::OnDialPressed);
        connect(d, &DialWidget::Released, this, &ControlPanel::OnDialReleased);
        dials_[i] = d;
    }
    connect(dial(Dial::Persistence), &DialWidget::DoubleClicked, this,
            &ControlPanel::PersistenceDialogRequested);
    // In playback at the lowest range the arrow switches half-range mode.
    half_arrow_ = new QToolButton(this);
    half_arrow_->setObjectName("HalfRangeArrow");
    half_arrow_->setArrowType(Qt::DownArrow);
    half_arrow_->setToolTip("Half range");
    half_arrow_->setCheckable(true);
    half_arrow_->setGeometry(DialWidget::kWidth - 22, 4, 20, 18);
    connect(half_arrow_, &QToolButton::clicked, this, [this] {
        PanelValues v = engine_.panel_values();
        v.half_range = !v.half_range;
        engine_.SetPanelValues(v);
        engine_.SaveSettings();
        Refresh();
        emit Changed();
    });
}

void ControlPanel::BuildReadouts() {
    Caption(this, QRect(kRightX, 2, 80, 18), "RANGE");
    range_ = Box(this, QRect(kRightX, 20, kRightWidth, 30), style::ValueFont(15), Qt::AlignHCenter);
    range_->setObjectName("RangeReadout");
    first_label_ = Caption(this, QRect(kRightX, 58, 40, 24), "RNG:");
    second_label_ = Caption(this, QRect(kRightX, 86, 40, 24), "BRG:");
    first_ = Box(this, QRect(kRightX + 44, 58, kRightWidth - 44, 24), style::ValueFont(),
                 Qt::AlignRight);
    second_ = Box(this, QRect(kRightX + 44, 86, kRightWidth - 44, 24), style::ValueFont(),
                  Qt::AlignRight);
    first_->setObjectName("CursorFirst");
    second_->setObjectName("CursorSecond");
    hold_ = new QPushButton("HOLD", this);
    hold_->setObjectName("HoldButton");
    hold_->setFont(style::LabelFont(10));
    hold_->setCheckable(true);
    hold_->setFocusPolicy(Qt::NoFocus);
    hold_->setGeometry(kRightX, 116, kRightWidth, 28);
    connect(hold_, &QPushButton::clicked, this, [this] {
        engine_.KeyChar('H');
        Refresh();
        emit Changed();
    });
}

QString ControlPanel::hold_look() const {
    return hold_->isChecked() ? "HOLD_BUTTOND" : "HOLD_BUTTONU";
}

void ControlPanel::Refresh() {
    const PanelValues v = engine_.panel_values();
    const PanelLimits l = engine_.panel_limits();
    const SettingsState st = engine_.Store().snapshot();
    const RangeLabelInputs range{v.range_index,     l.units,      st.work.range_offset_m,
                                 l.fine_resolution, v.half_range, l.min_range_index};
    for (DialWidget* d : dials_) {
        d->SetState(DialFraction(d->dial(), v, l), ValueText(d->dial(), v, range),
                    DialResponds(d->dial(), l));
        const bool typing = input_.entry().dial() == d->dial();
        d->SetEntry(typing, typing ? QString::fromStdString(std::string(input_.entry().text()))
                                   : QString());
    }
    // Profile mode has no persistence dial.
    dial(Dial::Persistence)->setVisible(!l.profile_mode());
    range_->setText(QString::fromStdString(RangeLabel(range)).trimmed());
    const bool lowest =
        v.range_index == l.min_range_index && l.min_range_index < kHalfRangeBelowIndex;
    half_arrow_->setVisible(!l.live && lowest);
    half_arrow_->setChecked(v.half_range);
    hold_->setChecked(l.hold);
    hold_->setStyleSheet(l.hold
                             ? "QPushButton { background: rgb(170,0,0); color: white;"
                               " border: 2px inset rgb(90,0,0); border-radius: 3px; }"
                             : "QPushButton { background: rgb(52,56,62); color: rgb(216,216,216);"
                               " border: 2px outset rgb(90,94,100); border-radius: 3px; }");
}

void ControlPanel::ShowCursor(const CursorReadout& r, const CursorLabels& labels) {
    first_label_->setText(labels.first);
    second_label_->setText(labels.second);
    const bool na = r.first == kNotAvailable;
    const QString colour = (na ? style::kDimGrey : style::kValue).name();
    for (QLabel* box : {first_, second_}) {
        box->setStyleSheet(QString("QLabel { color: %1; background: black; border: 1px solid %2;"
                                   " border-radius: 3px; padding: 0 6px; }")
                               .arg(colour, style::kFrame.name()));
    }
    first_->setText(QString::fromStdString(r.first));
    second_->setText(QString::fromStdString(r.second));
}

Dial ControlPanel::DialUnderPointer() const {
    for (DialWidget* d : dials_) {
        if (d->isVisible() && d->rect().contains(d->mapFromGlobal(QCursor::pos())))
            return d->dial();
    }
    return Dial::None;
}

bool ControlPanel::HandleKeyPress(QKeyEvent* e) {
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    if (const std::optional<PanelKey> key = PanelKeyOf(e->key())) {
        Apply(input_.KeyDown(*key, DialUnderPointer(), engine_.panel_values(),
                             engine_.panel_limits()));
        return true;
    }
    if (const char c = PanelCharOf(e)) {
        Apply(input_.Char(c, engine_.panel_values(), engine_.panel_limits()));
        return true;
    }
    input_.OtherKeyDown();
    return false;
}

void ControlPanel::HandleKeyRelease(QKeyEvent* e) {
    // A key held down repeats its key-downs (the factor keeps growing) until it is let go.
    if (e->isAutoRepeat()) return;
    input_.KeyUp();
    SaveIfChanged();
}

void ControlPanel::SaveIfChanged() {
    if (!unsaved_) return;
    unsaved_ = false;
    engine_.SaveSettings();
}

void ControlPanel::Apply(const PanelEffect& e) {
    if (e.changed) unsaved_ = engine_.SetPanelValues(e.values) || unsaved_;
    if (e.toggle_hold) engine_.KeyChar('H');
    // "C" clears the picture; a persistence typed down to zero is cleared by the engine.
    if (e.clear_image && !e.changed) engine_.KeyChar('C');
    if (e.pointer_dx != 0 || e.pointer_dy != 0) {
        QCursor::setPos(QCursor::pos() + QPoint(e.pointer_dx, e.pointer_dy));
    }
    if (e.warning) op_.MessageBox(e.warning->text, e.warning->title);
    Refresh();
    if (e.changed || e.toggle_hold) emit Changed();
}

void ControlPanel::OnDialPressed(Dial d, DialPoint press) {
    const DialWidget* w = dial(d);
    Apply(input_.DialPress(d, press, w->centre(), w->tip(), now_ms(), engine_.panel_values(),
                           engine_.panel_limits()));
    ArmRepeat();
}

void ControlPanel::OnDialReleased() {
    input_.DialRelease();
    repeat_.stop();
    SaveIfChanged();
}

void ControlPanel::OnRepeat() {
    Apply(input_.DialTimer(now_ms(), engine_.panel_values(), engine_.panel_limits()));
    ArmRepeat();
}

void ControlPanel::ArmRepeat() {
    if (!input_.repeat().active()) return;
    const std::int64_t wait = std::max<std::int64_t>(0, input_.repeat().next_due_ms() - now_ms());
    repeat_.start(static_cast<int>(wait));
}

}  // namespace vq::gui
