#include "app/canvas_view_state.h"

#include <algorithm>
#include <cmath>

namespace kivo {

namespace {

constexpr double kSteps[] = {1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3,
                             1, 2, 3, 4, 6, 8, 12, 16, 24, 32};
// Scales closer than this are the same step.
constexpr double kSame = 1e-9;

}  // namespace

std::span<const double> ZoomSteps() { return kSteps; }

double ZoomedIn(double scale) {
    for (double step : kSteps)
        if (step > scale + kSame) return step;
    return kSteps[std::size(kSteps) - 1];
}

double ZoomedOut(double scale) {
    for (size_t i = std::size(kSteps); i-- > 0;)
        if (kSteps[i] < scale - kSame) return kSteps[i];
    return kSteps[0];
}

int ZoomStepIndex(double scale) {
    for (size_t i = 0; i < std::size(kSteps); ++i)
        if (std::abs(kSteps[i] - scale) < kSame) return int(i);
    return -1;
}

double FitScale(int screenW, int screenH, int viewW, int viewH) {
    if (screenW <= 0 || screenH <= 0) return 1;
    const double room = std::min(double(std::max(viewW - 2 * kCanvasMargin, 1)) / screenW,
                                 double(std::max(viewH - 2 * kCanvasMargin, 1)) / screenH);
    const double scale = room >= 1 ? std::floor(room) : room;
    return std::clamp(scale, kSteps[0], kSteps[std::size(kSteps) - 1]);
}

void CanvasViewState::SetScreen(int width, int height) {
    screenW_ = std::max(width, 0);
    screenH_ = std::max(height, 0);
    ClampScroll();
}

void CanvasViewState::SetViewSize(int width, int height) {
    viewW_ = std::max(width, 1);
    viewH_ = std::max(height, 1);
    ClampScroll();
}

double CanvasViewState::Scale() const { return fit_ ? FitScale(screenW_, screenH_, viewW_, viewH_) : scale_; }

void CanvasViewState::ZoomTo(double scale, double anchorX, double anchorY) {
    // The screen position under the anchor, before and after.
    const double x = (anchorX - OriginX()) / Scale(), y = (anchorY - OriginY()) / Scale();
    fit_ = false;
    scale_ = std::clamp(scale, kSteps[0], kSteps[std::size(kSteps) - 1]);
    scrollX_ = int(std::lround(kCanvasMargin - (anchorX - x * scale_)));
    scrollY_ = int(std::lround(kCanvasMargin - (anchorY - y * scale_)));
    ClampScroll();
}

void CanvasViewState::Fit() {
    fit_ = true;
    ClampScroll();
}

int CanvasViewState::Content(int side) const {
    return side > 0 ? int(std::ceil(side * Scale() - kSame)) + 2 * kCanvasMargin : 0;
}

int CanvasViewState::MaxScrollX() const { return std::max(0, Content(screenW_) - viewW_); }
int CanvasViewState::MaxScrollY() const { return std::max(0, Content(screenH_) - viewH_); }

void CanvasViewState::ScrollTo(int x, int y) {
    scrollX_ = x;
    scrollY_ = y;
    ClampScroll();
}

void CanvasViewState::ClampScroll() {
    scrollX_ = std::clamp(scrollX_, 0, MaxScrollX());
    scrollY_ = std::clamp(scrollY_, 0, MaxScrollY());
}

double CanvasViewState::Origin(int side, int view, int scroll) const {
    if (Content(side) <= view) return std::floor((view - side * Scale()) / 2);
    return kCanvasMargin - scroll;
}

double CanvasViewState::OriginX() const { return Origin(screenW_, viewW_, scrollX_); }
double CanvasViewState::OriginY() const { return Origin(screenH_, viewH_, scrollY_); }

ScreenPoint CanvasViewState::ToScreen(double viewX, double viewY) const {
    return {int(std::floor((viewX - OriginX()) / Scale())), int(std::floor((viewY - OriginY()) / Scale()))};
}

ViewRect CanvasViewState::ToView(int left, int top, int width, int height) const {
    const double s = Scale();
    return {OriginX() + left * s, OriginY() + top * s, width * s, height * s};
}

}  // namespace kivo
