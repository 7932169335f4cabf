// How the core tells the operator things. The GUI implements it with Qt, the command line on
// the terminal, tests with a recorder. Nothing in the core blocks on it: every call may come
// from any thread and returns at once (a message box is queued to the window, never waited
// for). The core never asks the operator anything: the window shows its dialogs first and
// then hands the engine the values the operator chose.
#pragma once

#include <string_view>

namespace vq {

class Operator {
  public:
    virtual ~Operator() = default;
    // A message box with an exclamation icon and an OK button.
    virtual void MessageBox(std::string_view text, std::string_view title) = 0;
    virtual void SetWindowTitle(std::string_view title) = 0;
    // A named read-out of the main window changed (e.g. "status", "recording").
    virtual void SetStatus(std::string_view item, std::string_view text) = 0;
    // A finished picture is ready to be painted (called from the thread that made it).
    virtual void PictureReady() = 0;
    // What the menu shows may have changed without a command of the window (a recording
    // started or stopped on the ping thread, a playback file reached its end, ...).
    virtual void StateChanged() {}
};

// Says nothing: for engines that run without anyone watching.
class NullOperator final : public Operator {
  public:
    void MessageBox(std::string_view, std::string_view) override {}
    void SetWindowTitle(std::string_view) override {}
    void SetStatus(std::string_view, std::string_view) override {}
    void PictureReady() override {}
};

}  // namespace vq
