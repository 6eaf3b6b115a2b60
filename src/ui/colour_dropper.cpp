#include "ui/colour_dropper.h"

#include <QButtonGroup>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>

#include "color/frame_pixels.h"
#include "ui/frame_image.h"
#include "ui/layout_units.h"

namespace kivo {

namespace {

constexpr int kZooms[] = {1, 2, 4, 8, 16};
constexpr int kLineStep = 16;

// Kept while the program runs, not in the settings file.
int rememberedZoom = 1;
bool dropperOpen = false;

}  // namespace

int ZoomedScrollPosition(int position, int from, int to, int visible, int imageSize) {
    const int s = std::min(visible, imageSize * from);
    const int centred = int64_t(to) * position / from + int((double(to) * s / from - s) / 2);
    return std::max(centred, 0);
}

DropperArea::DropperArea(QWidget* parent, const Frame& frame, int zoom)
    : QAbstractScrollArea(parent), frame_(frame), picture_(DibToImage(frame.dib)), zoom_(zoom) {
    setObjectName(QStringLiteral("dropperArea"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::CrossCursor);
    horizontalScrollBar()->setSingleStep(kLineStep);
    verticalScrollBar()->setSingleStep(kLineStep);
}

void DropperArea::SetZoom(int zoom) {
    if (zoom == zoom_) return;
    const QSize visible = viewport()->size();
    const int x = ZoomedScrollPosition(horizontalScrollBar()->value(), zoom_, zoom, visible.width(), picture_.width());
    const int y = ZoomedScrollPosition(verticalScrollBar()->value(), zoom_, zoom, visible.height(), picture_.height());
    zoom_ = zoom;
    UpdateRanges();
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
    viewport()->update();
}

void DropperArea::UpdateRanges() {
    const QSize visible = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(picture_.width() * zoom_ - visible.width(), 0));
    verticalScrollBar()->setRange(0, std::max(picture_.height() * zoom_ - visible.height(), 0));
    horizontalScrollBar()->setPageStep(std::max(visible.width(), 1));
    verticalScrollBar()->setPageStep(std::max(visible.height(), 1));
}

std::optional<QPoint> DropperArea::PixelAt(QPoint at) const {
    if (at.x() < 0 || at.y() < 0) return std::nullopt;
    const int x = (at.x() + horizontalScrollBar()->value()) / zoom_;
    const int y = (at.y() + verticalScrollBar()->value()) / zoom_;
    if (x >= picture_.width() || y >= picture_.height()) return std::nullopt;
    return QPoint(x, y);
}

std::optional<Rgb> DropperArea::ColourAt(QPoint at) const {
    const std::optional<QPoint> p = PixelAt(at);
    const std::optional<FramePixels> px = GetFramePixels(frame_);
    if (!p || !px || p->x() >= px->width || p->y() >= px->height) return std::nullopt;
    return PixelRgb(px->Row(p->y()) + 3 * p->x());
}

void DropperArea::Wheel(int delta) {
    const int step = std::max(zoom_, 2);
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(std::clamp(bar->value() - delta / 8 * step, 0, bar->maximum()));
}

void DropperArea::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    if (picture_.isNull()) return;
    const int hx = horizontalScrollBar()->value(), vy = verticalScrollBar()->value();
    const QSize visible = viewport()->size();
    // Whole picture pixels only, each drawn as a zoom × zoom square.
    const int x0 = hx / zoom_, y0 = vy / zoom_;
    const int x1 = std::min((hx + visible.width() + zoom_ - 1) / zoom_, picture_.width());
    const int y1 = std::min((vy + visible.height() + zoom_ - 1) / zoom_, picture_.height());
    if (x1 <= x0 || y1 <= y0) return;
    const QRect source(x0, y0, x1 - x0, y1 - y0);
    const QRect target(x0 * zoom_ - hx, y0 * zoom_ - vy, source.width() * zoom_, source.height() * zoom_);
    painter.drawImage(target, picture_, source);
}

void DropperArea::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateRanges();
}

void DropperArea::mouseMoveEvent(QMouseEvent* event) {
    if (const std::optional<Rgb> c = ColourAt(event->position().toPoint())) emit pointed(*c);
}

void DropperArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        emit cancelled();
    } else if (event->button() == Qt::LeftButton) {
        if (const std::optional<Rgb> c = ColourAt(event->position().toPoint())) emit picked(*c);
    }
}

void DropperArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit released();
}

void DropperArea::wheelEvent(QWheelEvent* event) {
    Wheel(event->angleDelta().y());
    event->accept();
}

ColourDropper::ColourDropper(QWidget* owner, const Frame& frame)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                         Qt::WindowCloseButtonHint) {
    setWindowTitle(tr("スポイトで色を選択"));
    charWidth_ = CharWidthOf(fontMetrics());
    lineHeight_ = LineHeightOf(fontMetrics());
    sample_ = new QFrame(this);
    sample_->setObjectName(QStringLiteral("sample"));
    sample_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sample_->setAutoFillBackground(true);
    area_ = new DropperArea(this, frame, rememberedZoom);
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 5; ++i) {
        zooms_[i] = new QRadioButton(QStringLiteral("x %1").arg(kZooms[i]), this);
        zooms_[i]->setObjectName(QStringLiteral("id%1").arg(1000 + i));
        group->addButton(zooms_[i], kZooms[i]);
        if (kZooms[i] == rememberedZoom) zooms_[i]->setChecked(true);
    }
    connect(group, &QButtonGroup::idToggled, this, [this](int zoom, bool checked) {
        if (!checked) return;
        rememberedZoom = zoom;
        area_->SetZoom(zoom);
    });
    connect(area_, &DropperArea::pointed, this, &ColourDropper::ShowSample);
    connect(area_, &DropperArea::picked, this, [this](Rgb c) { picked_ = c; });
    connect(area_, &DropperArea::released, this, [this] {
        if (picked_) accept();
    });
    connect(area_, &DropperArea::cancelled, this, &QDialog::reject);
    resize(400, 300);
    if (owner) {
        const QPoint corner = owner->window()->frameGeometry().topLeft();
        move(corner.x() + 10 * charWidth_, corner.y() + 5 * lineHeight_);
    }
}

ColourDropper::~ColourDropper() = default;

int ColourDropper::RememberedZoom() { return rememberedZoom; }

void ColourDropper::ShowSample(Rgb colour) {
    QPalette p = sample_->palette();
    p.setColor(QPalette::Window, QColor(colour.r, colour.g, colour.b));
    sample_->setPalette(p);
}

void ColourDropper::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int cw = charWidth_, lh = lineHeight_;
    sample_->setGeometry(10, 6, 6 * cw, lh + 8);
    for (int i = 0; i < 5; ++i) zooms_[i]->setGeometry(6 * cw + 30 + i * (8 * cw + 10), 10, 8 * cw, lh);
    area_->setGeometry(0, lh + 20, width(), std::max(height() - lh - 20, 0));
}

void ColourDropper::wheelEvent(QWheelEvent* event) {
    area_->Wheel(event->angleDelta().y());
    event->accept();
}

std::optional<Rgb> PickColour(QWidget* owner, const Frame& frame) {
    if (dropperOpen) return std::nullopt;
    dropperOpen = true;
    std::optional<Rgb> picked;
    {
        ColourDropper dropper(owner, frame);
        dropper.exec();
        picked = dropper.Picked();
    }
    dropperOpen = false;
    if (owner) owner->activateWindow();
    return picked;
}

}  // namespace kivo
