#include "gui/dialogs/value_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vq::gui {

ValueDialog::ValueDialog(QWidget* parent, QtOperator& op, const QString& caption,
                         const QString& label, const QString& unit, const QString& note,
                         ValueModelHooks hooks)
    : QDialog(parent), op_(op), hooks_(std::move(hooks)) {
    setWindowTitle(caption);
    setObjectName(caption);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(label, this));
    box_ = new NumberBox(this, hooks_.typing);
    row->addWidget(box_);
    row->addWidget(new QLabel(unit, this));
    layout->addLayout(row);
    if (!note.isEmpty()) layout->addWidget(new QLabel(note, this));
    buttons_ = AddButtonRow(this, layout, "Default");
    connect(box_, &NumberBox::Edited, this, [this](const QString& t) { hooks_.typed(S(t)); });
    connect(box_, &NumberBox::Up, this, [this] {
        hooks_.up();
        Refresh();
    });
    connect(box_, &NumberBox::Down, this, [this] {
        hooks_.down();
        Refresh();
    });
    connect(buttons_.defaults, &QPushButton::clicked, this, [this] {
        hooks_.reset_to_default();
        Refresh();
    });
    connect(buttons_.ok, &QPushButton::clicked, this, &ValueDialog::OnOk);
    Refresh();
}

void ValueDialog::Refresh() {
    box_->set_text(hooks_.text());
}

void ValueDialog::OnOk() {
    if (const OkAnswer refused = hooks_.ok()) {
        Refresh();
        ShowWarning(op_, *refused);
        return;
    }
    accept();
}

}  // namespace vq::gui
