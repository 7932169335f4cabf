// Pieces every settings dialog of the window is made of: an edit box with up and down arrows
// beside it, the button row, the placement over the main window and the warning of a refused
// "Ok".
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>
#include <string>

#include "core/dialogs/dialog_common.h"

class QBoxLayout;
class QButtonGroup;

namespace vq::gui {

class QtOperator;

// An edit box with a small pair of arrows beside it. Edited() reports text the operator typed
// (not text set by the program); Up() and Down() the arrows.
class NumberBox : public QWidget {
    Q_OBJECT
  public:
    explicit NumberBox(QWidget* parent, bool typing = true);
    QLineEdit* edit() const { return edit_; }
    QToolButton* up() const { return up_; }
    QToolButton* down() const { return down_; }
    void set_text(const std::string& text);

  signals:
    void Edited(const QString& text);
    void Up();
    void Down();

  private:
    QLineEdit* edit_;
    QToolButton* up_;
    QToolButton* down_;
};

// A row of push buttons ("Ok", "Default", "Cancel", ...) added to `layout`, right-aligned.
struct ButtonRow {
    QPushButton* ok = nullptr;
    QPushButton* defaults = nullptr;  // nullptr when the dialog has none
    QPushButton* cancel = nullptr;
};
// `defaults_text` is "Default", "Defaults" or nullptr; "Cancel" rejects the dialog.
ButtonRow AddButtonRow(QDialog* dialog, QBoxLayout* layout, const char* defaults_text,
                       const char* ok_text = "Ok", bool with_cancel = true);

// Checks the button of `group` with `id`; an id without a button checks nothing.
void CheckButton(QButtonGroup* group, int id);

// Centres `dialog` over `main` and keeps it on the screen.
void PlaceOverMainWindow(QDialog* dialog, const QWidget* main);

// The warning of a refused "Ok" (exclamation icon, the dialog's caption as title).
void ShowWarning(QtOperator& op, const DialogMessage& message);

QString Q(const std::string& text);
std::string S(const QString& text);

}  // namespace vq::gui
