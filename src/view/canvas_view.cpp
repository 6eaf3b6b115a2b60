#include "view/canvas_view.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>
#include <cmath>

namespace kivo {

namespace {

// The onion skin's strength: enough to see where things were, not enough to
// take them for the frame.
constexpr qreal kOnionOpacity = 0.3;
// A wheel notch.
constexpr int kWheelStep = 120;

// Light grey and white squares of 8 pixels: where nothing is drawn.
const QBrush& Checkerboard() {
    static const QBrush brush = [] {
        QPixmap tile(16, 16);
        tile.fill(QColor(0xff, 0xff, 0xff));
        QPainter p(&tile);
        p.fillRect(0, 0, 8, 8, QColor(0xcc, 0xcc, 0xcc));
        p.fillRect(8, 8, 8, 8, QColor(0xcc, 0xcc, 0xcc));
        return QBrush(tile);
    }();
    return brush;
}

}  // namespace

QStringList DroppedFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

CanvasView::CanvasView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("canvas"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::ClickFocus);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    view_.SetViewSize(viewport()->width(), viewport()->height());
}

QSize CanvasView::sizeHint() const { return {480, 360}; }
QSize CanvasView::minimumSizeHint() const { return {120, 90}; }

void CanvasView::SetScreenSize(int width, int height) {
    view_.SetScreen(width, height);
    ViewChanged();
}

void CanvasView::ShowFrame(const AnimDoc* doc, int n, const CompositionRules& rules) {
    shown_ = previous_ = nullptr;
    frameArea_ = {};
    index_ = -1;
    const Frame* frame = doc ? NthFrame(*doc, n) : nullptr;
    if (!frame) {
        composer_.Clear();
        SetScreenSize(0, 0);
        return;
    }
    index_ = n;
    frameArea_ = AreaOf(*frame);
    if (composed_) {
        if (composer_.Show(*doc, n, rules)) {
            shown_ = &composer_.Screen();
            if (onionSkin_) previous_ = composer_.Previous();
        }
    } else {
        if (ComposeFrameAlone(alone_, *doc, *frame, frame->left, frame->top)) shown_ = &alone_;
        const Frame* before = n > 0 ? NthFrame(*doc, n - 1) : nullptr;
        if (onionSkin_ && before && ComposeFrameAlone(previousAlone_, *doc, *before, before->left, before->top))
            previous_ = &previousAlone_;
    }
    SetScreenSize(doc->screenWidth, doc->screenHeight);
}

void CanvasView::PlayFrame(const AnimDoc& doc, int n, const CompositionRules& rules) {
    const Frame* frame = NthFrame(doc, n);
    if (!composed_ || !frame) {
        ShowFrame(&doc, n, rules);
        return;
    }
    index_ = n;
    frameArea_ = AreaOf(*frame);
    shown_ = composer_.Play(doc, n, rules) ? &composer_.Screen() : nullptr;
    previous_ = shown_ && onionSkin_ ? composer_.Previous() : nullptr;
    SetScreenSize(doc.screenWidth, doc.screenHeight);
}

void CanvasView::ShowHeld(const AnimDoc& doc, const CompositionRules& rules, FramePosition position) {
    const Frame* frame = NthFrame(doc, index_);
    if (!frame) return;
    const bool held = composed_ ? composer_.ShowMoved(held_, doc, rules, position.left, position.top)
                                : ComposeFrameAlone(held_, doc, *frame, position.left, position.top);
    if (held) shown_ = &held_;
    frameArea_.left = position.left;
    frameArea_.top = position.top;
    viewport()->update();
}

void CanvasView::ZoomIn() {
    view_.ZoomIn(viewport()->width() / 2.0, viewport()->height() / 2.0);
    ViewChanged();
}

void CanvasView::ZoomOut() {
    view_.ZoomOut(viewport()->width() / 2.0, viewport()->height() / 2.0);
    ViewChanged();
}

void CanvasView::ZoomToFit() {
    view_.Fit();
    ViewChanged();
}

void CanvasView::ZoomActual() { SetZoom(1); }

void CanvasView::SetZoom(double scale) {
    if (scale <= 0) {
        view_.Fit();
    } else {
        view_.ZoomTo(scale, viewport()->width() / 2.0, viewport()->height() / 2.0);
    }
    ViewChanged();
}

void CanvasView::ViewChanged() {
    // Setting a range may show or hide a scroll bar, which resizes the
    // viewport and comes back here; the view state stays the one truth.
    const bool was = syncing_;
    syncing_ = true;
    for (auto [bar, max, value, page] :
         {std::tuple{horizontalScrollBar(), view_.MaxScrollX(), view_.ScrollX(), viewport()->width()},
          std::tuple{verticalScrollBar(), view_.MaxScrollY(), view_.ScrollY(), viewport()->height()}}) {
        bar->setRange(0, max);
        bar->setPageStep(page);
        bar->setValue(value);
    }
    syncing_ = was;
    viewport()->update();
}

void CanvasView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    view_.SetViewSize(viewport()->width(), viewport()->height());
    ViewChanged();
}

void CanvasView::scrollContentsBy(int, int) {
    if (!syncing_) view_.ScrollTo(horizontalScrollBar()->value(), verticalScrollBar()->value());
    viewport()->update();
}

void CanvasView::DrawScreen(QPainter& painter, const Composition& c, qreal opacity) {
    if (c.width <= 0 || c.height <= 0 || c.screen.size() < size_t(c.width) * size_t(c.height)) return;
    // The screen's pixels are 32-bit ARGB already, nothing drawn fully transparent.
    const QImage image(reinterpret_cast<const uchar*>(c.screen.data()), c.width, c.height, qsizetype(c.width) * 4,
                       QImage::Format_ARGB32);
    const double s = view_.Scale(), ox = view_.OriginX(), oy = view_.OriginY();
    // Only the pixels in sight are scaled, which keeps a high zoom cheap.
    const QRectF sight = QRectF(viewport()->rect()).intersected(QRectF(ox, oy, c.width * s, c.height * s));
    if (sight.isEmpty()) return;
    const int x0 = std::max(0, int(std::floor((sight.left() - ox) / s)));
    const int y0 = std::max(0, int(std::floor((sight.top() - oy) / s)));
    const int x1 = std::min(c.width, int(std::ceil((sight.right() - ox) / s)));
    const int y1 = std::min(c.height, int(std::ceil((sight.bottom() - oy) / s)));
    painter.setOpacity(opacity);
    // Sharp pixels when enlarged; reduced, smoothing keeps fine detail readable.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, s < 1);
    painter.drawImage(QRectF(ox + x0 * s, oy + y0 * s, (x1 - x0) * s, (y1 - y0) * s), image,
                      QRectF(x0, y0, x1 - x0, y1 - y0));
    painter.setOpacity(1);
}

void CanvasView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Dark));
    if (!shown_) return;
    const ViewRect r = view_.ToView(0, 0, shown_->width, shown_->height);
    const QRectF screen(r.x, r.y, r.width, r.height);
    painter.setBrushOrigin(screen.topLeft());
    painter.fillRect(screen, Checkerboard());
    // Alone, the previous frame lies under this one; composed, the previous
    // picture would be hidden under the opaque screen, so it lies over it.
    if (previous_ && !composed_) DrawScreen(painter, *previous_, kOnionOpacity);
    DrawScreen(painter, *shown_, 1);
    if (previous_ && composed_) DrawScreen(painter, *previous_, kOnionOpacity);

    // The outline runs just outside the frame's pixels, white under black
    // dashes, so it shows on any picture.
    if (frameArea_.width > 0 && frameArea_.height > 0) {
        const ViewRect f = view_.ToView(frameArea_.left, frameArea_.top, frameArea_.width, frameArea_.height);
        const int x0 = int(std::lround(f.x)), y0 = int(std::lround(f.y));
        const int x1 = int(std::lround(f.x + f.width)), y1 = int(std::lround(f.y + f.height));
        const QRect box(x0 - 1, y0 - 1, x1 - x0 + 1, y1 - y0 + 1);
        painter.setPen(QPen(Qt::white, 0));
        painter.drawRect(box);
        QPen dashes(Qt::black, 0, Qt::CustomDashLine);
        dashes.setDashPattern({4, 4});
        painter.setPen(dashes);
        painter.drawRect(box);
    }
}

QPoint CanvasView::DragDistanceTo(QPointF at) const {
    return {DragDistance(at.x() - pressAt_.x(), view_.Scale()), DragDistance(at.y() - pressAt_.y(), view_.Scale())};
}

void CanvasView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // Fine-grained wheels and touch pads send parts of a notch.
    wheelAngle_ += event->angleDelta().y();
    const QPointF at = event->position();
    for (; wheelAngle_ >= kWheelStep; wheelAngle_ -= kWheelStep) view_.ZoomIn(at.x(), at.y());
    for (; wheelAngle_ <= -kWheelStep; wheelAngle_ += kWheelStep) view_.ZoomOut(at.x(), at.y());
    ViewChanged();
    event->accept();
}

void CanvasView::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (event->button() == Qt::MiddleButton) {
        drag_ = Drag::kPan;
        pressAt_ = at;
        panScrollX_ = view_.ScrollX();
        panScrollY_ = view_.ScrollY();
        viewport()->setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (event->button() == Qt::LeftButton && shown_ && FrameHit(frameArea_, view_.ToScreen(at.x(), at.y()))) {
        drag_ = Drag::kFrame;
        pressAt_ = at;
        lastDistance_ = {};
        return;
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CanvasView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (drag_ == Drag::kPan) {
        const QPointF moved = at - pressAt_;
        view_.ScrollTo(panScrollX_ - int(std::lround(moved.x())), panScrollY_ - int(std::lround(moved.y())));
        ViewChanged();
        return;
    }
    if (drag_ == Drag::kFrame) {
        const QPoint distance = DragDistanceTo(at);
        if (distance != lastDistance_) {
            lastDistance_ = distance;
            emit frameDragged(distance.x(), distance.y());
        }
        return;
    }
    if (shown_ && FrameHit(frameArea_, view_.ToScreen(at.x(), at.y())))
        viewport()->setCursor(Qt::SizeAllCursor);
    else
        viewport()->unsetCursor();
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event) {
    if (drag_ == Drag::kPan && event->button() == Qt::MiddleButton) {
        drag_ = Drag::kNone;
        viewport()->unsetCursor();
        return;
    }
    if (drag_ == Drag::kFrame && event->button() == Qt::LeftButton) {
        drag_ = Drag::kNone;
        const QPoint distance = DragDistanceTo(event->position());
        emit frameDropped(distance.x(), distance.y());
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CanvasView::mouseDoubleClickEvent(QMouseEvent*) { emit doubleClicked(); }

void CanvasView::EndFrameDrag() {
    if (drag_ != Drag::kFrame) return;
    drag_ = Drag::kNone;
    emit frameDragCancelled();
}

void CanvasView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && drag_ == Drag::kFrame) {
        EndFrameDrag();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CanvasView::focusOutEvent(QFocusEvent* event) {
    // A dialog or another window took the keys: the drag is given up rather
    // than finished by a release that may never come.
    EndFrameDrag();
    QAbstractScrollArea::focusOutEvent(event);
}

void CanvasView::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CanvasView::dragMoveEvent(QDragMoveEvent* event) {
    if (!DroppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CanvasView::dropEvent(QDropEvent* event) {
    const QStringList files = DroppedFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    emit filesDropped(files);
}

}  // namespace kivo
