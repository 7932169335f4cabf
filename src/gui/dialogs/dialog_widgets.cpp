#include "gui/dialogs/dialog_widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "gui/qt_operator.h"

namespace vq::gui {

NumberBox::NumberBox(QWidget* parent, bool typing) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    edit_ = new QLineEdit(this);
    edit_->setMaximumWidth(90);
    edit_->setReadOnly(!typing);
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    up_->setFixedSize(16, 11);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    down_->setFixedSize(16, 11);
    arrows->addWidget(up_);
    arrows->addWidget(down_);
    row->addWidget(edit_);
    row->addLayout(arrows);
    row->addStretch();
    connect(edit_, &QLineEdit::textEdited, this, &NumberBox::Edited);
    connect(up_, &QToolButton::clicked, this, &NumberBox::Up);
    connect(down_, &QToolButton::clicked, this, &NumberBox::Down);
}

void NumberBox::set_text(const std::string& text) {
    edit_->setText(Q(text));
}

ButtonRow AddButtonRow(QDialog* dialog, QBoxLayout* layout, const char* defaults_text,
                       const char* ok_text, bool with_cancel) {
    ButtonRow r;
    auto* row = new QHBoxLayout;
    row->addStretch();
    r.ok = new QPushButton(ok_text, dialog);
    r.ok->setDefault(true);
    row->addWidget(r.ok);
    if (defaults_text) {
        r.defaults = new QPushButton(defaults_text, dialog);
        row->addWidget(r.defaults);
    }
    if (with_cancel) {
        r.cancel = new QPushButton("Cancel", dialog);
        row->addWidget(r.cancel);
        QObject::connect(r.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    }
    layout->addLayout(row);
    return r;
}

void CheckButton(QButtonGroup* group, int id) {
    if (QAbstractButton* b = group->button(id)) b->setChecked(true);
}

void PlaceOverMainWindow(QDialog* dialog, const QWidget* main) {
    dialog->adjustSize();
    const QSize size = dialog->size();
    const QScreen* screen = main ? main->screen() : QApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    const QRect m = main ? main->frameGeometry() : avail;
    const int caption = dialog->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const DialogRect at =
        PlaceDialog({m.x() - avail.x(), m.y() - avail.y(), m.width(), m.height()}, size.width(),
                    size.height(), avail.width(), avail.height(), caption);
    dialog->move(avail.x() + at.x, avail.y() + at.y);
}

void ShowWarning(QtOperator& op, const DialogMessage& message) {
    op.MessageBox(message.text, message.title);
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.toStdString();
}

}  // namespace vq::gui
