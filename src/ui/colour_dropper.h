// The colour dropper: a frame's picture enlarged 1 to 16 times in a scrolling
// area, the colour under the mouse in a sample box; a left click picks that
// colour and closes, the right button closes without one. The transparency
// swatch of the panel opens it to choose a frame's transparent colour.
#pragma once

#include <QAbstractScrollArea>
#include <QDialog>
#include <QImage>
#include <optional>

#include "doc/anim_doc.h"

class QFrame;
class QRadioButton;

namespace kivo {

// The scroll position after the zoom changes from `from` to `to`, so that the
// middle of what is seen stays in the middle: position and visible size in
// screen pixels, imageSize in picture pixels. Never below 0; the caller
// clamps it to the new range.
int ZoomedScrollPosition(int position, int from, int to, int visible, int imageSize);

// The picture of one frame, zoomed, under the mouse.
class DropperArea : public QAbstractScrollArea {
    Q_OBJECT
public:
    DropperArea(QWidget* parent, const Frame& frame, int zoom);

    int Zoom() const { return zoom_; }
    void SetZoom(int zoom);
    // The picture's pixel under a point of the viewport; none outside it.
    std::optional<QPoint> PixelAt(QPoint at) const;
    std::optional<Rgb> ColourAt(QPoint at) const;
    // Wheel delta (120 a notch, forward positive) as the dropper scrolls it.
    void Wheel(int delta);

signals:
    void pointed(kivo::Rgb colour);
    void picked(kivo::Rgb colour);
    void released();
    void cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void UpdateRanges();

    const Frame& frame_;
    QImage picture_;
    int zoom_ = 1;
};

class ColourDropper : public QDialog {
    Q_OBJECT
public:
    ColourDropper(QWidget* owner, const Frame& frame);
    ~ColourDropper() override;

    DropperArea* Area() const { return area_; }
    QFrame* Sample() const { return sample_; }
    std::optional<Rgb> Picked() const { return picked_; }
    // The zoom the next dropper opens with.
    static int RememberedZoom();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void ShowSample(Rgb colour);

    DropperArea* area_ = nullptr;
    QFrame* sample_ = nullptr;
    QRadioButton* zooms_[5] = {};
    std::optional<Rgb> picked_;
    int charWidth_ = 8, lineHeight_ = 20;
};

// Runs the dropper on frame, modal to owner: the colour clicked, or none (also
// when a dropper is already open). The caller stores it as the transparent
// colour of the frames it is for, and stops preview playback around the call.
std::optional<Rgb> PickColour(QWidget* owner, const Frame& frame);

}  // namespace kivo
