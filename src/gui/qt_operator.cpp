#include "gui/qt_operator.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

namespace vq::gui {

QtOperator::QtOperator(QObject* parent) : QObject(parent) {
    connect(this, &QtOperator::MessageRequested, this, &QtOperator::ShowMessage,
            Qt::QueuedConnection);
}

void QtOperator::MessageBox(std::string_view text, std::string_view title) {
    {
        std::lock_guard lock(m_);
        messages_.emplace_back(std::string(title) + ": " + std::string(text));
    }
    if (unattended_) return;
    if (closing_.load()) {
        ShowMessage(QString::fromUtf8(text.data(), static_cast<int>(text.size())),
                    QString::fromUtf8(title.data(), static_cast<int>(title.size())));
        return;
    }
    // Always queued: the core never waits for the operator to press OK.
    emit MessageRequested(QString::fromUtf8(text.data(), static_cast<int>(text.size())),
                          QString::fromUtf8(title.data(), static_cast<int>(title.size())));
}

void QtOperator::ShowMessage(const QString& text, const QString& title) {
    if (closing_.load()) {
        QString line = text;
        line.replace('\n', ' ');
        std::fprintf(stderr, "vornax_qi: %s: %s\n", title.toUtf8().constData(),
                     line.toUtf8().constData());
        return;
    }
    QMessageBox::warning(QApplication::activeWindow(), title, text);
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

void QtOperator::StateChanged() {
    emit EngineStateChanged();
}

std::vector<std::string> QtOperator::messages() const {
    std::lock_guard lock(m_);
    return messages_;
}

}  // namespace vq::gui
