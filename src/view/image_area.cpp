#include "view/image_area.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

#include "doc/anim_doc.h"
#include "ui/frame_image.h"

namespace kivo {

QRect FramePlacement(int left, int top, int width, int height, int screenW, int screenH, int areaW, int areaH) {
    if (areaW >= screenW && areaH >= screenH) return QRect(left, top, width, height);
    double s = std::max(double(screenH) / areaH, double(screenW) / areaW);
    return QRect(int(left / s), int(top / s), int(width / s), int(height / s));
}

QStringList DroppedFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

ImageArea::ImageArea(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAcceptDrops(true);
}

void ImageArea::ShowFrame(const Frame* frame, int screenWidth, int screenHeight) {
    picture_ = frame ? DibToImage(frame->dib) : QImage();
    if (frame) frameRect_ = QRect(frame->left, frame->top, frame->width, frame->height);
    screen_ = QSize(screenWidth, screenHeight);
    update();
}

void ImageArea::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (picture_.isNull() || screen_.isEmpty()) return;
    QPainter painter(this);
    QRect area = contentsRect();
    painter.setClipRect(area);
    QRect target = FramePlacement(frameRect_.x(), frameRect_.y(), frameRect_.width(), frameRect_.height(),
                                  screen_.width(), screen_.height(), area.width(), area.height());
    painter.drawImage(target.translated(area.topLeft()), picture_);
}

void ImageArea::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void ImageArea::dropEvent(QDropEvent* event) {
    QStringList files = DroppedFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    emit filesDropped(files);
}

void ImageArea::mouseDoubleClickEvent(QMouseEvent*) { emit doubleClicked(); }

}  // namespace kivo
