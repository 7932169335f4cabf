// The operator interface of the core, shown with Qt: message boxes, the window title and status
// read-outs. Calls never block the caller: they are queued to the GUI thread.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
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
    void SetWindowTitle(std::string_view title) override;
    void SetStatus(std::string_view item, std::string_view text) override;
    void PictureReady() override;
    void StateChanged() override;

    // For tests under the offscreen platform: record message boxes instead of showing them.
    void set_unattended(bool on) { unattended_ = on; }
    // The program is ending on a signal and no one is left to press OK: messages, also those
    // already queued, go to stderr instead of a box. Any thread.
    void set_closing() { closing_.store(true); }
    std::vector<std::string> messages() const;

  signals:
    void TitleChanged(const QString& title);
    void StatusChanged(const QString& item, const QString& text);
    void PictureArrived();
    void EngineStateChanged();
    void MessageRequested(const QString& text, const QString& title);

  private slots:
    void ShowMessage(const QString& text, const QString& title);

  private:
    bool unattended_ = false;
    std::atomic<bool> closing_{false};
    mutable std::mutex m_;
    std::vector<std::string> messages_;
};

}  // namespace vq::gui
