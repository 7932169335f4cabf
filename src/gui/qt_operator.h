// The operator interface of the core, shown with Qt: message boxes, file dialogs, the window
// title and status read-outs. Calls from other threads never block: they are queued to the GUI
// thread, and a dialog asked for off the GUI thread answers "cancelled".
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/operator.h"

namespace vq::gui {

class QtOperator final : public QObject, public Operator {
    Q_OBJECT
  public:
    explicit QtOperator(QObject* parent = nullptr);

    void MessageBox(std::string_view text, std::string_view title) override;
    std::vector<std::string> ChooseFiles(const FileDialogRequest& request) override;
    void SetWindowTitle(std::string_view title) override;
    void SetStatus(std::string_view item, std::string_view text) override;
    void PictureReady() override;

    // For tests under the offscreen platform: record message boxes instead of showing them and
    // answer file dialogs from a script.
    void set_unattended(bool on) { unattended_ = on; }
    void AnswerNextDialog(std::vector<std::string> names);
    std::vector<std::string> messages() const;

  signals:
    void TitleChanged(const QString& title);
    void StatusChanged(const QString& item, const QString& text);
    void PictureArrived();
    void MessageRequested(const QString& text, const QString& title);

  private slots:
    void ShowMessage(const QString& text, const QString& title);

  private:
    bool on_gui_thread() const;
    bool unattended_ = false;
    mutable std::mutex m_;
    std::vector<std::string> messages_;
    std::vector<std::vector<std::string>> answers_;
};

}  // namespace vq::gui
