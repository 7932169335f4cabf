// The control panel under the sonar picture: the four dials (range, gain, display gain,
// persistence; three in profile mode), the half-range arrow beside the range dial, the range
// read-out, the two cursor read-out boxes and the hold button. It turns keys, typed
// characters and dial presses into the engine's ordinary commands through the toolkit-free
// rules of the panel, and shows refused entries as message boxes.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <array>

#include "core/panel_input.h"
#include "display/cursor_readout.h"
#include "gui/dial.h"

class QKeyEvent;

namespace vq {
class Engine;
class Operator;
}  // namespace vq

namespace vq::gui {

class ControlPanel : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 764;
    static constexpr int kHeight = 146;

    ControlPanel(Engine& engine, Operator& op, QWidget* parent);

    // Keys of the main window: true when the panel used the key.
    bool HandleKeyPress(QKeyEvent* event);
    void HandleKeyRelease(QKeyEvent* event);
    // Re-reads the values, limits and hold state from the engine and redraws what changed.
    void Refresh();
    // The two one-line boxes with the read-out of the point under the pointer.
    void ShowCursor(const CursorReadout& readout, const CursorLabels& labels);

    DialWidget* dial(Dial d) const { return dials_[static_cast<std::size_t>(d) - 1]; }
    QToolButton* half_range_arrow() const { return half_arrow_; }
    QPushButton* hold_button() const { return hold_; }
    QString range_text() const { return range_->text(); }
    QString cursor_text(int line) const { return (line == 0 ? first_ : second_)->text(); }
    QString cursor_label(int line) const {
        return (line == 0 ? first_label_ : second_label_)->text();
    }
    // "HOLD_BUTTOND" while the hold is on, "HOLD_BUTTONU" otherwise.
    QString hold_look() const;
    const PanelInput& input() const { return input_; }

  signals:
    // A double click on the persistence dial asks for the "Persistence" dialog (command 565).
    void PersistenceDialogRequested();
    // Something the menu shows changed (hold, values).
    void Changed();

  private slots:
    void OnDialPressed(vq::Dial dial, vq::DialPoint press);
    void OnDialReleased();
    void OnRepeat();

  private:
    void BuildDials();
    void BuildReadouts();
    void Apply(const PanelEffect& effect);
    void ArmRepeat();
    Dial DialUnderPointer() const;
    std::int64_t now_ms() const { return clock_.elapsed(); }
    void SaveIfChanged();

    Engine& engine_;
    Operator& op_;
    PanelInput input_;
    std::array<DialWidget*, 4> dials_{};
    QToolButton* half_arrow_ = nullptr;
    QPushButton* hold_ = nullptr;
    QLabel* range_ = nullptr;
    QLabel* first_label_ = nullptr;
    QLabel* second_label_ = nullptr;
    QLabel* first_ = nullptr;
    QLabel* second_ = nullptr;
    QTimer repeat_;
    QElapsedTimer clock_;
    bool unsaved_ = false;  // values changed since the settings file was last written
};

}  // namespace vq::gui
