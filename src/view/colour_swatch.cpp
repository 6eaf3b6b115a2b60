#include "view/colour_swatch.h"

#include <QPainter>

namespace kivo {

ColourSwatch::ColourSwatch(QWidget* parent) : QAbstractButton(parent) {}

void ColourSwatch::SetColour(std::optional<Rgb> colour) {
    colour_ = colour;
    update();
}

void ColourSwatch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QRect r = rect();
    p.fillRect(r, palette().button());
    if (!isEnabled()) return;
    if (colour_) {
        QRect inner = r.adjusted(4, 4, -5, -5);
        p.fillRect(inner, QColor(colour_->r, colour_->g, colour_->b));
        p.setPen(Qt::black);
        p.drawRect(inner);
    }
    // A dark frame and a one-pixel bevel, pressed in while held down.
    p.setPen(Qt::darkGray);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    QColor light = palette().light().color(), dark = palette().dark().color();
    if (isDown()) std::swap(light, dark);
    p.setPen(light);
    p.drawLine(1, 1, r.width() - 3, 1);
    p.drawLine(1, 1, 1, r.height() - 3);
    p.setPen(dark);
    p.drawLine(1, r.height() - 2, r.width() - 2, r.height() - 2);
    p.drawLine(r.width() - 2, 1, r.width() - 2, r.height() - 2);
    if (hasFocus()) {
        p.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        p.drawRect(r.adjusted(2, 2, -3, -3));
    }
}

}  // namespace kivo
