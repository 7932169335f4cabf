#include "gui/video/video_format_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace vq::gui {

VideoFormatDialog::VideoFormatDialog(const QList<VideoFormatChoice>& formats, int current,
                                     QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Video Format");
    setObjectName("Video Format");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Picture size and format of the camera:", this));
    list_ = new QListWidget(this);
    for (const VideoFormatChoice& f : formats) list_->addItem(f.text);
    if (current >= 0 && current < list_->count()) list_->setCurrentRow(current);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

int VideoFormatDialog::chosen() const {
    return list_->currentRow();
}

}  // namespace vq::gui
