#include "support/animation_builder.h"

#include <random>

#include "support/test_support.h"
#include "render/compositor.h"

namespace kivo::test {

std::unique_ptr<AnimDoc> MakeAnimation(int screenWidth, int screenHeight, const std::vector<FrameSpec>& frames) {
    auto doc = NewDocument();
    doc->screenWidth = screenWidth;
    doc->screenHeight = screenHeight;
    for (const FrameSpec& s : frames) {
        AppendFrame(*doc);
        Frame& f = *doc->currentFrame;
        f.left = s.left;
        f.top = s.top;
        f.width = s.width;
        f.height = s.height;
        f.disposal = int16_t(s.disposal);
        f.delay = s.delay;
        f.hasDelay = s.hasDelay;
        f.comment = s.comment;
        if (s.transparent) {
            f.hasTransparency = 1;
            f.transparentRgb = *s.transparent;
        }
        f.dib = MakeImage(s.width, s.height, [&](int x, int y) { return s.pixel(s.left + x, s.top + y); });
    }
    doc->currentFrame = doc->firstFrame.get();
    doc->currentIndex = 0;
    return doc;
}

std::unique_ptr<AnimDoc> RandomAnimation(uint32_t seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    // (255, 255, x) now and then, so that the colours for the canvas and for
    // transparency have to be searched for.
    const std::vector<Rgb> colours = {{0, 0, 0}, {255, 0, 255}, {10, 200, 30}, {255, 255, 255}, {40, 40, 200}};
    const int nColours = pick(2, int(colours.size()));
    const int w = pick(6, 20), h = pick(5, 16);
    // A static background, and a sprite that moves from frame to frame.
    const int bgSeed = pick(0, 1000);
    // Frames reach past the screen's top left corner, so positions can be negative.
    auto colourAt = [=](int v) { return colours[size_t((v % nColours + nColours) % nColours)]; };
    ScreenPattern background = [=](int x, int y) { return colourAt(x / 3 + y / 2 + bgSeed); };
    int sx = pick(0, w - 1), sy = pick(0, h - 1);
    const Rgb sprite = colours[size_t(pick(0, nColours - 1))];

    std::vector<FrameSpec> frames;
    const int count = pick(2, 9);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && pick(0, 6) == 0) {
            frames.push_back(frames.back());  // a repeat, which adds nothing
            frames.back().delay = pick(0, 40);
            continue;
        }
        FrameSpec s;
        if (i == 0 || pick(0, 2) == 0) {
            s.left = 0, s.top = 0, s.width = w, s.height = h;
        } else {
            s.left = pick(-3, w - 1), s.top = pick(-3, h - 1);
            s.width = pick(1, w), s.height = pick(1, h);
        }
        sx += pick(-2, 2), sy += pick(-2, 2);
        const int noise = pick(0, 3);  // now and then a pixel of another colour
        const uint32_t noiseSeed = uint32_t(pick(0, 1 << 20));
        s.pixel = [=](int x, int y) {
            if (x >= sx && x < sx + 3 && y >= sy && y < sy + 3) return sprite;
            if (noise == 0 && ((uint32_t(x * 31 + y * 17) ^ noiseSeed) % 11) == 0)
                return colourAt(x + y);
            return background(x, y);
        };
        const int d = pick(0, 9);
        s.disposal = d < 5 ? 1 : d < 7 ? 0 : d < 8 ? 2 : 3;
        s.delay = pick(0, 40);
        s.hasDelay = pick(0, 9) == 0 ? 0 : 1;
        if (pick(0, 2) == 0) s.transparent = colours[size_t(pick(0, nColours - 1))];
        if (pick(0, 19) == 0) s.comment = "note";
        frames.push_back(s);
    }
    return MakeAnimation(w, h, frames);
}

ScreenPattern PannedDither(int shift) {
    return [=](int x, int y) {
        static constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
        const int level = ((x + shift) * 3 + y) % 64;
        const int v = (level * 4 + kBayer[y & 3][(x + shift) & 3] * 4) / 64;
        return Rgb{uint8_t(40 * v), uint8_t(40 * v), uint8_t(40 * v)};
    };
}

ScreenPattern Flat() {
    return [](int, int) { return Rgb{20, 60, 120}; };
}

ScreenPattern Grain(uint32_t seed) {
    return [=](int x, int y) {
        const uint32_t h = (uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u) ^ (seed * 83492791u);
        const uint8_t v = uint8_t(((h >> 7) % 3) * 50 + 30);
        return Rgb{v, uint8_t(v / 2), 90};
    };
}

ScreenPattern WithSprite(ScreenPattern under, int sx, int sy, int size, bool hole) {
    return [=](int x, int y) {
        if (x >= sx && x < sx + size && y >= sy && y < sy + size)
            return hole && x == sx + size / 2 && y == sy + size / 2 ? kHole : kSprite;
        return under(x, y);
    };
}

Rgb Detailed(int x, int y) {
    return {uint8_t(x * 7 + y * 3), uint8_t(y * 11 ^ x), uint8_t((x * y) & 0xF0)};
}

std::unique_ptr<AnimDoc> SpritesOverTextures(uint32_t seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    const int w = pick(24, 72), h = pick(16, 48), kind = pick(0, 3);
    std::vector<FrameSpec> frames;
    int sx = pick(0, w / 2), sy = pick(0, h / 2);
    const int size = pick(3, 12);
    const int count = pick(2, 7);
    const bool twoSprites = pick(0, 1) == 1;
    for (int i = 0; i < count; ++i) {
        const ScreenPattern under = kind == 0   ? Flat()
                                    : kind == 1 ? Grain(seed * 16 + uint32_t(i))
                                    : kind == 2 ? PannedDither(i)
                                                : ScreenPattern(Detailed);
        sx += pick(-3, 3), sy += pick(-2, 2);
        const bool hole = pick(0, 3) == 0;
        // A second sprite, mirroring the first, makes crops span what lies between.
        const ScreenPattern second = twoSprites ? WithSprite(under, w - sx - size, h - sy - size, size, false) : under;
        FrameSpec s{0, 0, w, h, WithSprite(second, sx, sy, size, hole), pick(0, 5) == 0 ? 2 : 1, pick(1, 30)};
        if (hole) s.transparent = kHole;
        frames.push_back(s);
    }
    return MakeAnimation(w, h, frames);
}

std::vector<Shown> Playback(const AnimDoc& doc, int runs) {
    std::vector<Shown> shown;
    Composition c;
    if (!StartComposition(c, doc.screenWidth, doc.screenHeight)) return shown;
    for (int run = 0; run < runs; ++run)
        for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
            ComposeFrame(c, *f);
            if (!shown.empty() && shown.back().screen == c.screen) shown.back().time += f->delay;
            else shown.push_back({c.screen, f->delay});
        }
    return shown;
}

std::string Fingerprint(const AnimDoc& doc) {
    std::string s = std::to_string(doc.frameCount) + "/" + std::to_string(doc.currentIndex) + ";";
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        s += std::to_string(f->left) + "," + std::to_string(f->top) + "," + std::to_string(f->width) + "," +
             std::to_string(f->height) + " d" + std::to_string(f->delay) + " t" +
             std::to_string(f->hasTransparency) + ":" + std::to_string(f->transparentRgb.r) + "." +
             std::to_string(f->transparentRgb.g) + "." + std::to_string(f->transparentRgb.b) + " p" +
             std::to_string(f->pngPalette.size()) + " ";
        s.append(f->dib.begin(), f->dib.end());
        s += ";";
    }
    return s;
}

int64_t TotalArea(const AnimDoc& doc) {
    int64_t area = 0;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) area += int64_t(f->width) * f->height;
    return area;
}

}  // namespace kivo::test
