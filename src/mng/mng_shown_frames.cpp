#include "mng/mng_shown_frames.h"

#include <algorithm>
#include <new>
#include <optional>
#include <utility>

#include "color/frame_pixels.h"
#include "options/write_options.h"
#include "doc/dib.h"
#include "platform/progress.h"

namespace kivo {

namespace {

// A screen pixel: kClear where no frame paints, else kPainted | red << 16 |
// green << 8 | blue, as the preview composes them.
constexpr uint32_t kClear = 0;
constexpr uint32_t kPainted = 0xFF000000u;

uint32_t Painted(Rgb c) { return kPainted | uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; }

struct Rect {
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    bool Empty() const { return x1 <= x0 || y1 <= y0; }
    int64_t Width() const { return x1 - x0; }
    int64_t Height() const { return y1 - y0; }
    bool operator==(const Rect&) const = default;
};

Rect FrameRect(const Frame& f) {
    return {f.left, f.top, int64_t(f.left) + std::max(f.width, 0), int64_t(f.top) + std::max(f.height, 0)};
}

Rect Intersect(const Rect& a, const Rect& b) {
    const Rect r{std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
    return r.Empty() ? Rect{} : r;
}

Rect Join(const Rect& a, const Rect& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

// Visits every pixel of r, rows from the top.
template <typename F>
void ForEachPixel(const Rect& r, F f) {
    for (int64_t y = r.y0; y < r.y1; ++y)
        for (int64_t x = r.x0; x < r.x1; ++x) f(x, y);
}

// The smallest rectangle holding every pixel added.
struct Bounds {
    Rect r;
    void Add(int64_t x, int64_t y) { r = Join(r, Rect{x, y, x + 1, y + 1}); }
};

// The document's picture on the part of the screen that frames reach; outside
// it nothing is ever painted.
class Screen {
public:
    explicit Screen(const Rect& area)
        : area_(area), pixels_(size_t(area.Width()) * size_t(area.Height()), kClear) {}

    const Rect& Area() const { return area_; }
    uint32_t At(int64_t x, int64_t y) const { return pixels_[Offset(x, y)]; }
    size_t PaintedCount() const { return painted_; }

    void Set(int64_t x, int64_t y, uint32_t v) {
        uint32_t& p = pixels_[Offset(x, y)];
        painted_ = painted_ - (p != kClear) + (v != kClear);
        p = v;
    }
    // r lies inside the area; out holds its pixels row by row.
    void Copy(const Rect& r, std::vector<uint32_t>& out) const {
        out.clear();
        ForEachPixel(r, [&](int64_t x, int64_t y) { out.push_back(At(x, y)); });
    }
    void Paste(const Rect& r, const std::vector<uint32_t>& in) {
        size_t i = 0;
        ForEachPixel(r, [&](int64_t x, int64_t y) { Set(x, y, in[i++]); });
    }
    void Clear(const Rect& r) {
        ForEachPixel(r, [&](int64_t x, int64_t y) { Set(x, y, kClear); });
    }

private:
    size_t Offset(int64_t x, int64_t y) const {
        return size_t(y - area_.y0) * size_t(area_.Width()) + size_t(x - area_.x0);
    }

    Rect area_;
    std::vector<uint32_t> pixels_;
    size_t painted_ = 0;
};

// What a frame paints at a screen pixel: kClear outside it, where it is
// transparent, and everywhere for a frame whose picture does not describe it.
class FrameSource {
public:
    explicit FrameSource(const Frame& f)
        : frame_(f), pixels_(GetFramePixels(f)), key_(f.hasTransparency ? Painted(f.transparentRgb) : kClear) {
        if (pixels_ && pixels_->width == 0) pixels_.reset();
    }

    uint32_t At(int64_t x, int64_t y) const {
        if (!pixels_ || x < frame_.left || y < frame_.top || x - frame_.left >= frame_.width ||
            y - frame_.top >= frame_.height)
            return kClear;
        const uint8_t* p = pixels_->Row(int(y - frame_.top)) + 3 * size_t(x - frame_.left);
        const uint32_t v = kPainted | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        return v == key_ ? kClear : v;
    }

    void DrawOn(Screen& s) const {
        ForEachPixel(Intersect(FrameRect(frame_), s.Area()), [&](int64_t x, int64_t y) {
            if (const uint32_t v = At(x, y); v != kClear) s.Set(x, y, v);
        });
    }

private:
    const Frame& frame_;
    std::optional<FramePixels> pixels_;
    uint32_t key_;
};

// Mode 3 after a frame that clears its area, mode 1 otherwise; the first frame
// follows the last.
std::vector<uint8_t> PlainModes(const std::vector<Frame*>& frames) {
    std::vector<uint8_t> modes(frames.size(), 1);
    for (size_t i = 0; i < frames.size(); ++i) {
        const Frame& before = *frames[i == 0 ? frames.size() - 1 : i - 1];
        if (before.disposal == 2) modes[i] = 3;
    }
    if (!frames.empty() && frames.back()->disposal == 3) modes[0] = 3;
    return modes;
}

Rect ReachedArea(const AnimDoc& doc, const std::vector<Frame*>& frames) {
    const Rect screen{0, 0, std::max(doc.screenWidth, 0), std::max(doc.screenHeight, 0)};
    Rect area;
    for (const Frame* f : frames) area = Join(area, Intersect(FrameRect(*f), screen));
    return area;
}

// Whether some frame before the last disposes of itself in a way that the plain
// modes might not show: restoring what was under it, or clearing an area that
// is not everything frames reach.
bool MayShowOtherwise(const std::vector<Frame*>& frames, const Rect& area) {
    for (size_t i = 0; i + 1 < frames.size(); ++i) {
        const Frame& f = *frames[i];
        if (f.disposal == 3 || (f.disposal == 2 && Intersect(FrameRect(f), area) != area)) return true;
    }
    return false;
}

// Written pictures are DIBs; the screen part is composed whole.
bool TooLargeToCompose(const Rect& area) {
    return area.Width() > 0xFFFF || area.Height() > 0xFFFF ||
           size_t(area.Width()) * size_t(area.Height()) > MaxImagePixels;
}

// Composes the document frame by frame and makes the written forms.
class Planner {
public:
    Planner(const Rect& area, std::vector<uint8_t>& modes, bool jngAllFrames)
        : screen_(area), modes_(modes), jngAllFrames_(jngAllFrames) {}

    // Composes frame i; false when no written form can be made for it.
    bool Step(const std::vector<Frame*>& frames, size_t i) {
        Frame& f = *frames[i];
        const FrameSource source(f);
        const Rect own = Intersect(FrameRect(f), screen_.Area());
        const Frame* before = i == 0 ? nullptr : frames[i - 1];
        if (!before || (before->disposal != 2 && before->disposal != 3)) {
            if (f.disposal == 3) screen_.Copy(own, under_);
            source.DrawOn(screen_);
            return true;
        }
        const Rect disposed = Intersect(FrameRect(*before), screen_.Area());
        const Rect changing = Join(disposed, own);
        screen_.Copy(changing, shown_);
        if (before->disposal == 2)
            screen_.Clear(disposed);
        else
            screen_.Paste(disposed, under_);
        if (f.disposal == 3) screen_.Copy(own, under_);
        source.DrawOn(screen_);
        if (PlainShowsTheSame(before->disposal, source, changing)) return true;
        return Rewrite(f, i, changing);
    }

    std::vector<FramePicture>& Pictures() { return pictures_; }

private:
    // The plain mode shows the frame drawn over the picture before (mode 1) or
    // over a cleared screen (mode 3); either is right when every pixel the
    // frame leaves alone already shows what it should.
    bool PlainShowsTheSame(int disposal, const FrameSource& source, const Rect& changing) const {
        size_t i = 0, paintedInside = 0;
        bool same = true;
        ForEachPixel(changing, [&](int64_t x, int64_t y) {
            const uint32_t now = screen_.At(x, y);
            paintedInside += now != kClear;
            const uint32_t plain = disposal == 2 ? kClear : shown_[i];
            ++i;
            if (now != plain && source.At(x, y) == kClear) same = false;
        });
        // Mode 3 also clears what lies outside the changing part.
        return same && (disposal != 2 || paintedInside == screen_.PaintedCount());
    }

    bool Rewrite(Frame& f, size_t i, const Rect& changing) {
        bool layerable = true;
        Bounds changed;
        size_t k = 0;
        ForEachPixel(changing, [&](int64_t x, int64_t y) {
            const uint32_t now = screen_.At(x, y);
            if (now != shown_[k++]) {
                changed.Add(x, y);
                if (now == kClear) layerable = false;
            }
        });
        if (layerable) {
            // JNG frames have no transparency: when every frame is one, the
            // pixels that stay keep their colours.
            const bool keepColours = jngAllFrames_;
            const int64_t w = changing.Width();
            return Picture(f, i, changed.r, 1, [&](int64_t x, int64_t y) {
                const uint32_t was = shown_[size_t(y - changing.y0) * size_t(w) + size_t(x - changing.x0)];
                const uint32_t now = screen_.At(x, y);
                return now == was && !keepColours ? kClear : now;
            });
        }
        Bounds painted;
        ForEachPixel(screen_.Area(), [&](int64_t x, int64_t y) {
            if (screen_.At(x, y) != kClear) painted.Add(x, y);
        });
        return Picture(f, i, painted.r, 3, [&](int64_t x, int64_t y) { return screen_.At(x, y); });
    }

    // The written form of frame i: r's pixels from pixel(x, y), kClear being
    // transparent, drawn after framing mode `mode`.
    template <typename PixelFn>
    bool Picture(Frame& f, size_t i, const Rect& r, uint8_t mode, PixelFn pixel) {
        FramePicture p;
        p.frame = &f;
        p.left = int32_t(r.x0);
        p.top = int32_t(r.y0);
        p.width = int32_t(r.Width());
        p.height = int32_t(r.Height());
        p.tempPalette = 1;  // a full-colour picture: its palette is made for the save
        // A frame without pixels is written as one transparent pixel.
        p.hasTransparency = 1;
        p.transparentRgb = f.hasTransparency ? f.transparentRgb : Rgb{};
        if (!r.Empty()) {
            p.dib = MakeDib24(uint32_t(p.width), uint32_t(p.height));
            if (p.dib.empty()) throw std::bad_alloc();
            if (!FillPicture(p, r, pixel)) return false;
        }
        pictures_.push_back(std::move(p));
        modes_[i] = mode;
        return true;
    }

    template <typename PixelFn>
    bool FillPicture(FramePicture& p, const Rect& r, PixelFn pixel) {
        uint8_t* bits = DibPixels(p.dib);
        const size_t stride = DibRowBytes(uint32_t(p.width), 24);
        auto at = [&](int64_t x, int64_t y) {
            return bits + size_t(r.y1 - 1 - y) * stride + 3 * size_t(x - r.x0);
        };
        bool anyClear = false;
        ForEachPixel(r, [&](int64_t x, int64_t y) {
            const uint32_t v = pixel(x, y);
            anyClear = anyClear || v == kClear;
            uint8_t* out = at(x, y);
            out[0] = uint8_t(v), out[1] = uint8_t(v >> 8), out[2] = uint8_t(v >> 16);
        });
        p.hasTransparency = anyClear;
        if (!anyClear) return true;
        // The transparent colour must be one the picture does not paint with.
        if (used_.empty()) used_.resize(size_t(1) << 18);
        std::fill(used_.begin(), used_.end(), 0);
        ForEachPixel(r, [&](int64_t x, int64_t y) {
            if (const uint32_t v = pixel(x, y); v != kClear) used_[(v & 0xFFFFFF) >> 6] |= uint64_t(1) << (v & 63);
        });
        const std::optional<uint32_t> key = FreeColour(Painted(p.transparentRgb));
        if (!key) return false;
        p.transparentRgb = Rgb{uint8_t(*key >> 16), uint8_t(*key >> 8), uint8_t(*key)};
        ForEachPixel(r, [&](int64_t x, int64_t y) {
            if (pixel(x, y) != kClear) return;
            uint8_t* out = at(x, y);
            out[0] = p.transparentRgb.b, out[1] = p.transparentRgb.g, out[2] = p.transparentRgb.r;
        });
        return true;
    }

    // preferred when no painted pixel has it, else the first colour none has.
    std::optional<uint32_t> FreeColour(uint32_t preferred) const {
        auto taken = [&](uint32_t c) { return (used_[(c & 0xFFFFFF) >> 6] >> (c & 63) & 1) != 0; };
        if (!taken(preferred)) return preferred & 0xFFFFFF;
        for (uint32_t c = 0; c < (uint32_t(1) << 24); ++c)
            if (!taken(c)) return c;
        return std::nullopt;
    }

    Screen screen_;
    std::vector<uint8_t>& modes_;
    bool jngAllFrames_;
    std::vector<uint32_t> under_;  // the screen under a frame that gives its area back
    std::vector<uint32_t> shown_;  // the changing part as shown before this frame
    std::vector<uint64_t> used_;   // colours a picture paints with, one bit each
    std::vector<FramePicture> pictures_;
};

void Exchange(FramePicture& p) {
    Frame& f = *p.frame;
    using std::swap;
    swap(f.dib, p.dib);
    swap(f.left, p.left);
    swap(f.top, p.top);
    swap(f.width, p.width);
    swap(f.height, p.height);
    swap(f.hasTransparency, p.hasTransparency);
    swap(f.transparentRgb, p.transparentRgb);
    swap(f.localPalette, p.localPalette);
    swap(f.tempPalette, p.tempPalette);
    swap(f.pngIndexPixels, p.pngIndexPixels);
    swap(f.pngPalette, p.pngPalette);
}

}  // namespace

ShownFrames::~ShownFrames() {
    for (auto it = swapped.rbegin(); it != swapped.rend(); ++it) Exchange(*it);
}

bool PlanShownFrames(AnimDoc& doc, ShownFrames& shown, bool jngAllFrames) {
    std::vector<Frame*> frames;
    for (Frame* f = doc.firstFrame.get(); f; f = f->next.get()) frames.push_back(f);
    shown.framingModes = PlainModes(frames);
    const Rect area = ReachedArea(doc, frames);
    if (area.Empty() || !MayShowOtherwise(frames, area) || TooLargeToCompose(area)) return true;

    Planner planner(area, shown.framingModes, jngAllFrames);
    for (size_t i = 0; i < frames.size(); ++i) {
        if (!planner.Step(frames, i)) return false;
        ProgressPump();
    }
    std::vector<FramePicture>& pictures = planner.Pictures();
    shown.swapped.reserve(pictures.size());
    for (FramePicture& p : pictures) {
        Exchange(p);
        shown.swapped.push_back(std::move(p));
    }
    return true;
}

}  // namespace kivo
