#include "gui/qt_operator.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>

namespace vq::gui {

QtOperator::QtOperator(QObject* parent) : QObject(parent) {
    connect(this, &QtOperator::MessageRequested, this, &QtOperator::ShowMessage,
            Qt::QueuedConnection);
}

bool QtOperator::on_gui_thread() const {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

void QtOperator::MessageBox(std::string_view text, std::string_view title) {
    {
        std::lock_guard lock(m_);
        messages_.emplace_back(std::string(title) + ": " + std::string(text));
    }
    if (unattended_) return;
    // Always queued: the core never waits for the operator to press OK.
    emit MessageRequested(QString::fromUtf8(text.data(), static_cast<int>(text.size())),
                          QString::fromUtf8(title.data(), static_cast<int>(title.size())));
}

void QtOperator::ShowMessage(const QString& text, const QString& title) {
    QMessageBox::warning(QApplication::activeWindow(), title, text);
}

std::vector<std::string> QtOperator::ChooseFiles(const FileDialogRequest& r) {
    if (unattended_ || !on_gui_thread()) {
        std::lock_guard lock(m_);
        if (answers_.empty()) return {};
        auto a = answers_.front();
        answers_.erase(answers_.begin());
        return a;
    }
    const QString filter = QString::fromStdString(r.filter);
    const QString title = QString::fromStdString(r.title);
    QFileDialog dlg(QApplication::activeWindow(), title, QString(), filter);
    dlg.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(
        r.save ? QFileDialog::AnyFile
               : (r.multi_select ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile));
    dlg.setDefaultSuffix(QString::fromStdString(r.default_ext));
    std::vector<std::string> out;
    if (dlg.exec() == QDialog::Accepted) {
        for (const QString& f : dlg.selectedFiles()) out.push_back(f.toStdString());
    }
    return out;
}

void QtOperator::SetWindowTitle(std::string_view title) {
    emit TitleChanged(QString::fromUtf8(title.data(), static_cast<int>(title.size())));
}

void QtOperator::SetStatus(std::string_view item, std::string_view text) {
    emit StatusChanged(QString::fromUtf8(item.data(), static_cast<int>(item.size())),
                       QString::fromUtf8(text.data(), static_cast<int>(text.size())));
}

void QtOperator::PictureReady() {
    emit PictureArrived();
}

void QtOperator::AnswerNextDialog(std::vector<std::string> names) {
    std::lock_guard lock(m_);
    answers_.push_back(std::move(names));
}

std::vector<std::string> QtOperator::messages() const {
    std::lock_guard lock(m_);
    return messages_;
}

}  // namespace vq::gui
