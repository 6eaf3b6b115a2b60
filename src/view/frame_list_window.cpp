#include "view/frame_list_window.h"

#include <QGridLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFrame>
#include <QWheelEvent>

#include "ui/frame_image.h"

namespace kivo {

FrameListWindow::FrameListWindow(QWidget* owner, AnimDoc& doc, EditFrame editFrame)
    : QDialog(owner), doc_(doc), editFrame_(std::move(editFrame)) {
    setWindowTitle(tr("コマリスト一覧"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    tiles_ = new QWidget(this);
    tiles_->setObjectName(QStringLiteral("tiles"));
    tiles_->installEventFilter(this);
    tiles_->setAttribute(Qt::WA_OpaquePaintEvent);
    vertical_ = new QScrollBar(Qt::Vertical, this);
    horizontal_ = new QScrollBar(Qt::Horizontal, this);
    horizontal_->setSingleStep(FrameListLayout::kLineStep);
    vertical_->setSingleStep(1);
    grid->addWidget(tiles_, 0, 0);
    grid->addWidget(vertical_, 0, 1);
    grid->addWidget(horizontal_, 1, 0);
    layout_.SetDocument(doc.frameCount, doc.screenWidth, doc.screenHeight);
    connect(vertical_, &QScrollBar::valueChanged, this, [this](int row) {
        if (layout_.SetTopRow(row)) tiles_->update();
    });
    connect(horizontal_, &QScrollBar::valueChanged, this, [this](int offset) {
        if (layout_.SetHorizontalOffset(offset)) tiles_->update();
    });
    resize(400, 300);
}

bool FrameListWindow::RunModal() {
    exec();
    return Edited();
}

QString FrameListWindow::TileLabel(int index) const {
    QString label = QString::asprintf("No.%3d", index + 1);
    if (const Frame* frame = NthFrame(doc_, index); frame && edited_.count(frame)) label += QStringLiteral(" *");
    return label;
}

void FrameListWindow::UpdateScrollBars() {
    QSignalBlocker blockV(vertical_), blockH(horizontal_);
    vertical_->setRange(0, layout_.LastTopRow());
    vertical_->setPageStep(layout_.VisibleRows());
    vertical_->setValue(layout_.TopRow());
    horizontal_->setRange(0, layout_.HorizontalRange());
    horizontal_->setPageStep(std::max(tiles_->width(), 1));
    horizontal_->setValue(layout_.HorizontalOffset());
    horizontal_->setVisible(layout_.HorizontalRange() > 0);
    tiles_->update();
}

bool FrameListWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != tiles_) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::Paint:
            PaintTiles();
            return true;
        case QEvent::Resize:
            layout_.SetClientSize(tiles_->width(), tiles_->height());
            UpdateScrollBars();
            return false;
        case QEvent::Wheel: {
            // One row per notch; past either end the view stays as it is.
            const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
            if (delta != 0 && layout_.ScrollRows(delta < 0 ? 1 : -1)) UpdateScrollBars();
            return true;
        }
        case QEvent::MouseButtonDblClick:
            EditAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            return true;
        default:
            return false;
    }
}

bool FrameListWindow::EditAt(QPoint point) {
    const int index = layout_.FrameAt(point.x(), point.y());
    Frame* frame = index >= 0 ? NthFrame(doc_, index) : nullptr;
    if (!frame || !editFrame_ || !editFrame_(*frame)) return false;
    edited_.insert(frame);
    // An edit can make the frame larger than the screen, and the screen grows with it.
    layout_.SetDocument(doc_.frameCount, doc_.screenWidth, doc_.screenHeight);
    UpdateScrollBars();
    return true;
}

void FrameListWindow::PaintTiles() {
    QPainter painter(tiles_);
    painter.fillRect(tiles_->rect(), palette().window());
    const int tileW = layout_.TileWidth(), tileH = layout_.TileHeight();
    const Frame* frame = NthFrame(doc_, layout_.FirstShownFrame());
    for (int i = layout_.FirstShownFrame(); frame && i < layout_.EndShownFrame(); ++i, frame = frame->next.get()) {
        const TilePoint at = layout_.TileAt(i);
        const QRect tile(at.x, at.y, tileW, tileH);
        painter.fillRect(tile, palette().button());
        QStyleOptionFrame option;
        option.initFrom(tiles_);
        option.rect = tile;
        option.lineWidth = 2;
        option.state |= QStyle::State_Sunken;
        style()->drawPrimitive(QStyle::PE_Frame, &option, &painter, tiles_);
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(QRect(at.x + 10, at.y + 10, doc_.screenWidth + 30, 20), Qt::AlignLeft | Qt::AlignVCenter,
                         TileLabel(i));
        const QImage picture = DibToImage(frame->dib);
        if (!picture.isNull()) {
            painter.setClipRect(tile.adjusted(2, 2, -2, -2));
            painter.drawImage(at.x + FrameListLayout::kPictureLeft + frame->left,
                              at.y + FrameListLayout::kPictureTop + frame->top, picture);
            painter.setClipping(false);
        }
    }
}

}  // namespace kivo
