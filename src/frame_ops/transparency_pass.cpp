// The transparency pass of frame size optimisation: replays the animation on a
// canvas of the logical screen and turns every pixel that repeats what the
// canvas shows into a transparent one.
#include <algorithm>
#include <cstring>
#include <new>

#include "color/color_index.h"
#include "doc/dib.h"
#include "platform/parallel.h"
#include "platform/progress.h"
#include "frame_ops/optimize_internal.h"

namespace kivo {
namespace {

// Two colours no frame uses: the canvas shows the fill colour where nothing is
// drawn, so no pixel ever repeats it; frames without transparency receive the
// other as their transparent colour, so none of their own pixels turns
// transparent by accident.
struct UnusedColours {
    Rgb fill, transparent;
};

constexpr int kPairWords = 65536 / 64;

void MarkBit(uint64_t* bits, uint32_t i) { bits[i >> 6] |= uint64_t(1) << (i & 63); }
bool HasBit(const uint64_t* bits, uint32_t i) { return (bits[i >> 6] >> (i & 63)) & 1; }

// Calls f(blue, green, red) once per run of equal pixels: runs are long in the
// frames this pass meets, and a set does not care how often a colour comes.
template <typename F>
void ForEachColour(const FramePixels& px, F f) {
    for (int y = 0; y < px.height; ++y) {
        const uint8_t* p = px.Row(y);
        uint32_t last = 0xFFFFFFFF;
        for (int x = 0; x < px.width; ++x, p += 3) {
            const uint32_t c = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
            if (c == last) continue;
            last = c;
            f(p[0], p[1], p[2]);
        }
    }
}

// The first (red, green) pair from 255, 255 downwards that no pixel uses gives
// both colours; in nearly every animation this decides, and one bit per pair
// is all it needs. Otherwise the blue values of each pair are searched from
// 0, 0 upwards. None when the frames use all 16,777,216 colours.
std::optional<UnusedColours> ChooseUnusedColours(const std::vector<FramePixels>& pictures) {
    const size_t groups = std::clamp<size_t>(pictures.size(), 1, WorkerThreadCount());
    std::vector<std::vector<uint64_t>> pairs(groups, std::vector<uint64_t>(kPairWords, 0));
    ParallelFor(groups, [&](size_t g) {
        uint64_t* bits = pairs[g].data();
        for (size_t i = g; i < pictures.size(); i += groups)
            ForEachColour(pictures[i], [&](uint8_t, uint8_t green, uint8_t red) {
                MarkBit(bits, uint32_t(red) << 8 | green);
            });
    });
    for (size_t g = 1; g < groups; ++g)
        for (int w = 0; w < kPairWords; ++w) pairs[0][size_t(w)] |= pairs[g][size_t(w)];
    for (int red = 255; red >= 0; --red)
        for (int green = 255; green >= 0; --green)
            if (!HasBit(pairs[0].data(), uint32_t(red) << 8 | uint32_t(green)))
                return UnusedColours{{uint8_t(red), uint8_t(green), 50}, {uint8_t(red), uint8_t(green), 100}};

    std::vector<uint64_t> colours(size_t(1) << 18, 0);
    for (const FramePixels& px : pictures)
        ForEachColour(px, [&](uint8_t blue, uint8_t green, uint8_t red) {
            MarkBit(colours.data(), uint32_t(red) << 16 | uint32_t(green) << 8 | blue);
        });
    std::optional<Rgb> fill;
    for (uint32_t c = 0; c < (uint32_t(1) << 24); ++c) {
        if (HasBit(colours.data(), c)) continue;
        const Rgb rgb{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
        if (!fill) fill = rgb;
        else return UnusedColours{*fill, rgb};
    }
    return std::nullopt;
}

// Distinct colours of a picture, counting no further than limit.
int CountColoursUpTo(const FramePixels& px, int limit) {
    ColorIndex seen;
    int count = 0;
    bool full = false;
    ForEachColour(px, [&](uint8_t blue, uint8_t green, uint8_t red) {
        if (full) return;
        const uint32_t c = uint32_t(red) | uint32_t(green) << 8 | uint32_t(blue) << 16;
        if (seen.Find(c) >= 0) return;
        seen.Insert(c, count);
        full = ++count >= limit;
    });
    return count;
}

FramePixels PixelsOfDib(Dib& dib, int32_t width, int32_t height) {
    FramePixels px;
    px.bits = DibPixels(dib);
    px.width = width;
    px.height = height;
    px.stride = DibRowBytes(uint32_t(width), 24);
    return px;
}

// The logical screen as the animation leaves it, top row first, blue, green,
// red bytes; only the part of a frame inside it is ever read or drawn.
struct Canvas {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;
    Rgb fill;

    uint8_t* At(int64_t x, int64_t y) { return pixels.data() + 3 * (size_t(y) * size_t(width) + size_t(x)); }
    void Clear() {
        // One row by pixels, the others copied from it.
        const size_t row = 3 * size_t(width);
        for (size_t i = 0; i < row; i += 3) {
            pixels[i] = fill.b;
            pixels[i + 1] = fill.g;
            pixels[i + 2] = fill.r;
        }
        for (size_t at = row; at < pixels.size(); at += row) std::memcpy(&pixels[at], pixels.data(), row);
    }
};

// A frame's rectangle clipped to the canvas, in the frame's coordinates.
struct Clip {
    int64_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

Clip ClipToCanvas(const StagedFrame& s, const Canvas& canvas) {
    Clip c;
    c.x0 = std::max<int64_t>(0, -int64_t(s.left));
    c.y0 = std::max<int64_t>(0, -int64_t(s.top));
    c.x1 = std::min<int64_t>(s.width, int64_t(canvas.width) - s.left);
    c.y1 = std::min<int64_t>(s.height, int64_t(canvas.height) - s.top);
    return c;
}

// Marks the frame's repeated pixels in result (a copy of its picture made on
// the first one) and draws the rest on the canvas.
void TreatFrame(const StagedFrame& s, const FramePixels& px, const Clip& clip, Canvas& canvas,
                Rgb given, TransparencyResult& result, const Dib& source) {
    const bool own = s.hasTransparency != 0;
    const Rgb t = own ? s.transparentRgb : given;
    const uint8_t tb = t.b, tg = t.g, tr = t.r;
    uint8_t* out = nullptr;
    for (int64_t y = clip.y0; y < clip.y1; ++y) {
        const uint8_t* p = px.Row(int(y)) + 3 * clip.x0;
        uint8_t* c = canvas.At(s.left + clip.x0, s.top + y);
        // The same row of the copy, once there is one; q follows p there.
        const size_t rowOffset = size_t(p - px.bits);
        uint8_t* q = out ? out + rowOffset : nullptr;
        for (int64_t x = clip.x0; x < clip.x1; ++x, p += 3, c += 3) {
            if (q) q += 3;
            if (own && p[0] == tb && p[1] == tg && p[2] == tr) continue;  // shows the canvas
            if (p[0] != c[0] || p[1] != c[1] || p[2] != c[2]) {
                c[0] = p[0], c[1] = p[1], c[2] = p[2];
                continue;
            }
            if (!q) {
                result.dib = source;
                out = DibPixels(result.dib);
                q = out + size_t(p - px.bits) + 3;
            }
            q[-3] = tb, q[-2] = tg, q[-1] = tr;
        }
    }
    if (out) {
        result.transparentRgb = t;
        result.gainedTransparency = !own;
    }
}

// A frame that fits the palette as it is must not need reducing because of
// the colour it was given for transparency: that would change its picture.
bool KeepsWithinPalette(const FramePixels& before, TransparencyResult& result, int32_t width,
                        int32_t height, int limit) {
    if (CountColoursUpTo(before, limit + 1) != limit) return true;
    return CountColoursUpTo(PixelsOfDib(result.dib, width, height), limit + 1) <= limit;
}

}  // namespace

std::optional<FramePixels> StagedPixels(const StagedFrame& s) {
    if (s.dib.empty()) return GetFramePixels(*s.frame);
    return PixelsOfDib(const_cast<Dib&>(s.dib), s.width, s.height);
}

bool RunTransparencyPass(const std::vector<const StagedFrame*>& frames, int32_t screenWidth,
                         int32_t screenHeight, int colourLimit,
                         std::vector<TransparencyResult>& results) {
    results.assign(frames.size(), TransparencyResult{});
    if (screenWidth <= 0 || screenHeight <= 0 ||
        size_t(screenWidth) * size_t(screenHeight) > MaxImagePixels)
        return true;  // no canvas to be had: the pass is left out

    std::vector<std::optional<FramePixels>> pictures(frames.size());
    std::vector<FramePixels> known;
    for (size_t i = 0; i < frames.size(); ++i) {
        pictures[i] = StagedPixels(*frames[i]);
        if (pictures[i]) known.push_back(*pictures[i]);
    }
    const std::optional<UnusedColours> unused = ChooseUnusedColours(known);
    if (!unused) return true;  // every colour is taken: none can mean "nothing here"

    Canvas canvas;
    canvas.width = screenWidth;
    canvas.height = screenHeight;
    canvas.fill = unused->fill;
    canvas.pixels.resize(size_t(screenWidth) * size_t(screenHeight) * 3);
    canvas.Clear();

    ProgressSetRange(0, int(frames.size()));
    std::vector<uint8_t> saved;
    for (size_t i = 0; i < frames.size(); ++i) {
        ProgressPrintf("透過色で最適化中...\r %4d / %4d コマ", int(i + 1), int(frames.size()));
        ProgressSetPos(int(i + 1));
        if (ProgressPump()) return false;

        const StagedFrame& s = *frames[i];
        const int disposal = s.disposal;
        if (!pictures[i]) {
            canvas.Clear();  // what it shows is not known, so nothing after it may rely on the canvas
            continue;
        }
        const FramePixels& px = *pictures[i];
        const Clip clip = ClipToCanvas(s, canvas);
        if (disposal == 3 && !clip.Empty()) {
            saved.resize(size_t(clip.x1 - clip.x0) * 3 * size_t(clip.y1 - clip.y0));
            for (int64_t y = clip.y0; y < clip.y1; ++y)
                std::memcpy(&saved[size_t(y - clip.y0) * size_t(clip.x1 - clip.x0) * 3],
                            canvas.At(s.left + clip.x0, s.top + y), size_t(clip.x1 - clip.x0) * 3);
        }
        if (!clip.Empty())
            TreatFrame(s, px, clip, canvas, unused->transparent, results[i], s.dib.empty() ? s.frame->dib : s.dib);
        if (!results[i].dib.empty() && results[i].gainedTransparency &&
            !KeepsWithinPalette(px, results[i], s.width, s.height, colourLimit))
            results[i] = TransparencyResult{};

        if (disposal == 3) {
            if (clip.Empty()) continue;
            // Restoring the previous picture: the canvas goes back to what it was.
            for (int64_t y = clip.y0; y < clip.y1; ++y)
                std::memcpy(canvas.At(s.left + clip.x0, s.top + y),
                            &saved[size_t(y - clip.y0) * size_t(clip.x1 - clip.x0) * 3], size_t(clip.x1 - clip.x0) * 3);
        } else if (disposal != 0 && disposal != 1) {
            // Disposal 2 clears to the background, which the canvas cannot tell
            // from anything drawn; starting afresh with the fill colour means no
            // pixel of a later frame is taken for a repeat.
            canvas.Clear();
        }
    }
    return true;
}

}  // namespace kivo
