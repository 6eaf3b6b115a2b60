#include "view/image_area.h"

#include <QPainter>

#include "app/file_choice.h"
#include "doc/anim_doc.h"
#include "ui/frame_image.h"

namespace kivo {

ImageArea::ImageArea(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void ImageArea::ShowFrame(const Frame* frame) {
    picture_ = frame ? DibToImage(frame->dib) : QImage();
    update();
}

void ImageArea::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (picture_.isNull()) return;
    QPainter painter(this);
    QRect area = contentsRect();
    QRect target(area.topLeft(), picture_.size());
    if (picture_.width() > area.width() || picture_.height() > area.height()) {
        FitRect fit = FitPicture(picture_.width(), picture_.height(), area.width(), area.height());
        target = QRect(area.x() + fit.x, area.y() + fit.y, fit.width, fit.height);
    }
    painter.drawImage(target, picture_);
}

}  // namespace kivo
