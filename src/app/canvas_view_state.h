// Where the canvas shows the logical screen: the zoom (fitting the view, or a
// chosen scale from a fixed ladder of steps), the scroll place, and the
// mapping between the view's pixels and the screen's. The widget only feeds
// in its size, the pointer and the scroll bars, and draws where this says.
//
// Along each axis the scaled screen is centred while it (with a margin round
// it) fits the view; once it does not, the scroll bars cover it and the
// margin, so its edge and the frame outline can always be brought into view.
#pragma once

#include <span>

namespace kivo {

// View pixels kept free round the screen.
inline constexpr int kCanvasMargin = 16;

// The zoom ladder, smallest first: 1/16 … 1 … 32.
std::span<const double> ZoomSteps();
// The next step above or below scale (a scale between steps goes to the
// nearest one in that direction); the ends of the ladder stay where they are.
double ZoomedIn(double scale);
double ZoomedOut(double scale);
// The step's place on the ladder (for the settings file); -1 off the ladder.
int ZoomStepIndex(double scale);
// The scale that shows a whole screen of screenW × screenH in a view of
// viewW × viewH less the margins: a whole number when the screen is smaller,
// so that every screen pixel becomes the same square, else the exact ratio;
// always within the ladder. 1 for an empty screen.
double FitScale(int screenW, int screenH, int viewW, int viewH);

// A screen pixel; may lie outside the screen.
struct ScreenPoint {
    int x = 0, y = 0;
    bool operator==(const ScreenPoint&) const = default;
};
// A rectangle in view pixels.
struct ViewRect {
    double x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ViewRect&) const = default;
};

class CanvasViewState {
public:
    void SetScreen(int width, int height);
    void SetViewSize(int width, int height);

    // Zooms keeping the screen point under the view point (anchorX, anchorY)
    // where it is, as far as the scroll range allows; leaves fitting.
    void ZoomTo(double scale, double anchorX, double anchorY);
    void ZoomIn(double anchorX, double anchorY) { ZoomTo(ZoomedIn(Scale()), anchorX, anchorY); }
    void ZoomOut(double anchorX, double anchorY) { ZoomTo(ZoomedOut(Scale()), anchorX, anchorY); }
    // Fits the screen to the view from now on, also when the view is resized.
    void Fit();
    bool Fitting() const { return fit_; }
    // The scale in effect.
    double Scale() const;

    // The scroll range along each axis (0 while the screen fits) and place.
    int MaxScrollX() const;
    int MaxScrollY() const;
    int ScrollX() const { return scrollX_; }
    int ScrollY() const { return scrollY_; }
    // Scrolls there, kept within the range.
    void ScrollTo(int x, int y);

    // The view position of the screen's top-left corner.
    double OriginX() const;
    double OriginY() const;
    // The screen pixel under a view position.
    ScreenPoint ToScreen(double viewX, double viewY) const;
    // A screen rectangle in view pixels.
    ViewRect ToView(int left, int top, int width, int height) const;

private:
    // The scaled screen with its margins along one axis, and where it starts.
    int Content(int side) const;
    double Origin(int side, int view, int scroll) const;
    void ClampScroll();

    int screenW_ = 0, screenH_ = 0, viewW_ = 1, viewH_ = 1;
    bool fit_ = true;
    double scale_ = 1;  // when not fitting
    int scrollX_ = 0, scrollY_ = 0;
};

}  // namespace kivo
