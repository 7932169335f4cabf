// What every secondary window shares: a tool window over the main window that closing only
// hides (its menu item is switched off through the engine like a menu click), that passes the
// keys it gets to the main window, and whose place is kept in the settings file.
#pragma once

#include <QWidget>
#include <functional>

namespace vq {
class Engine;
struct SecondaryWindowSpec;
}  // namespace vq

namespace vq::gui {

class SecondaryWindow : public QWidget {
    Q_OBJECT
  public:
    // `menu_id` is the item that shows the window; `close` runs it when the window is closed.
    SecondaryWindow(const char* title, int menu_id, Engine& engine, QWidget* main,
                    std::function<void(int)> close);

    int menu_id() const { return menu_id_; }
    // Puts the window where the settings remember it (once, before it is first shown).
    virtual void RestorePlace();
    // Writes the window's place into the settings.
    virtual void RememberPlace();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

    Engine& engine_;
    QWidget* main_;

  private:
    int menu_id_;
    const SecondaryWindowSpec* spec_;
    std::function<void(int)> close_;
    bool placed_ = false;
};

}  // namespace vq::gui
