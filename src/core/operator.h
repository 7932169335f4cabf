// How the core tells the operator things and asks for what only a user interface can give.
// The GUI implements it with Qt, the command line on the terminal, tests with a recorder.
// Nothing in the core blocks on it: a dialog the implementation cannot show answers "cancelled".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vq {

struct FileDialogRequest {
    std::string title;          // e.g. "Open a Sonar File For Recording"
    std::string filter;         // e.g. "Vornax_Qi Multibeam Sonar Files (*.VQS)"
    std::string pattern;        // e.g. "*.VQS"
    std::string default_ext;    // e.g. "VQS"
    bool save = false;          // save dialog (asks before overwriting) or open dialog
    bool multi_select = false;  // open dialog only
};

class Operator {
  public:
    virtual ~Operator() = default;
    // A message box with an exclamation icon and an OK button.
    virtual void MessageBox(std::string_view text, std::string_view title) = 0;
    // The chosen file names; empty when the dialog was cancelled or cannot be shown.
    virtual std::vector<std::string> ChooseFiles(const FileDialogRequest& request) = 0;
    virtual void SetWindowTitle(std::string_view title) = 0;
    // A named read-out of the main window changed (e.g. "status", "recording").
    virtual void SetStatus(std::string_view item, std::string_view text) = 0;
    // A finished picture is ready to be painted (called from the thread that made it).
    virtual void PictureReady() = 0;
};

// Says nothing and cancels every dialog: for engines that run without anyone watching.
class NullOperator final : public Operator {
  public:
    void MessageBox(std::string_view, std::string_view) override {}
    std::vector<std::string> ChooseFiles(const FileDialogRequest&) override { return {}; }
    void SetWindowTitle(std::string_view) override {}
    void SetStatus(std::string_view, std::string_view) override {}
    void PictureReady() override {}
};

}  // namespace vq
