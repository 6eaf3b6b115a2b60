#include "avi/avi_screens.h"

#include <algorithm>
#include <new>

namespace kivo {

namespace {

constexpr uint32_t kColourBits = 0xFFFFFF;

// The size palette preparation gives a frame's exact palette of n colours.
size_t PowerOfTwoSize(size_t n) {
    size_t size = 2;
    while (size < n && size < 256) size *= 2;
    return size;
}

}  // namespace

bool AviScreens::Start(const AnimDoc& doc) {
    const Frame* first = doc.firstFrame.get();
    // The screen starts as, and disposal clears it to, what shows where nothing
    // was drawn, so a screen is taken as it stands.
    CompositionRules rules;
    rules.background = first && first->hasTransparency ? ScreenPixel(first->transparentRgb) : ScreenPixel(Rgb{});
    return StartComposition(c_, doc.screenWidth, doc.screenHeight, rules);
}

void AviScreens::Draw(const Frame& frame) {
    if (!ComposeFrame(c_, frame)) throw std::bad_alloc();
}

bool AviScreens::Copy(std::span<uint32_t> out) const {
    if (out.size() != c_.screen.size()) return false;
    std::copy(c_.screen.begin(), c_.screen.end(), out.begin());
    return true;
}

bool CountScreenColours(std::span<const uint32_t> screen, std::vector<uint32_t>& colours,
                        std::span<uint8_t> places) {
    colours.clear();
    colours.reserve(256);
    const bool keep = places.size() == screen.size();
    ColorIndex where;
    uint32_t last = ~0u;  // no colour: neighbours mostly repeat the one before
    uint8_t place = 0;
    for (size_t i = 0; i < screen.size(); ++i) {
        const uint32_t c = screen[i] & kColourBits;
        if (c != last) {
            last = c;
            int found = where.Find(c);
            if (found < 0) {
                if (colours.size() == 256) return false;
                found = int(colours.size());
                where.Insert(c, found);
                colours.push_back(c);
            }
            place = uint8_t(found);
        }
        if (keep) places[i] = place;
    }
    return true;
}

std::optional<Palette> SharedScreenPalette(const std::vector<std::vector<uint32_t>>& colours) {
    std::vector<size_t> order(colours.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return PowerOfTwoSize(colours[a].size()) > PowerOfTwoSize(colours[b].size());
    });
    std::vector<uint32_t> shared;
    shared.reserve(256);
    ColorIndex where;
    for (const size_t i : order) {
        for (const uint32_t c : colours[i]) {
            if (where.Find(c) >= 0) continue;
            if (shared.size() == 256) return std::nullopt;
            where.Insert(c, int(shared.size()));
            shared.push_back(c);
        }
    }
    Palette palette(PowerOfTwoSize(shared.size()));
    for (size_t i = 0; i < shared.size(); ++i)
        palette[i] = Rgb{uint8_t(shared[i] >> 16), uint8_t(shared[i] >> 8), uint8_t(shared[i])};
    return palette;
}

bool AviScreenIndexer::Start(int32_t width, int32_t height, const Palette& palette) {
    if (width <= 0 || height <= 0 || palette.empty() || palette.size() > 256) return false;
    try {
        const Dib picture = MakeDib24(uint32_t(width), uint32_t(height));
        if (picture.empty()) return false;
        dib_ = MakeIndexedDib(picture, std::vector<uint8_t>(size_t(width) * size_t(height)), palette);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (dib_.empty()) return false;
    width_ = width;
    height_ = height;
    where_.Clear();
    for (size_t i = 0; i < palette.size(); ++i) {
        const Rgb c = palette[i];
        where_.Insert(uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b, int(i));  // the first one wins
    }
    return true;
}

uint8_t AviScreenIndexer::Entry(uint32_t colour) const {
    const int i = where_.Find(colour);
    return uint8_t(i < 0 ? 0 : i);
}

DibSpan AviScreenIndexer::Index(std::span<const uint32_t> screen) {
    if (dib_.empty() || screen.size() != size_t(width_) * size_t(height_)) return {};
    const size_t stride = DibRowBytes(uint32_t(width_), 8);
    uint8_t* rows = DibPixels(dib_);
    uint32_t last = ~0u;
    uint8_t lastIndex = 0;
    for (int32_t y = 0; y < height_; ++y) {
        const uint32_t* in = screen.data() + size_t(y) * size_t(width_);
        uint8_t* out = rows + size_t(height_ - 1 - y) * stride;  // bottom-up
        for (int32_t x = 0; x < width_; ++x) {
            const uint32_t c = in[x] & kColourBits;
            if (c != last) {
                last = c;
                lastIndex = Entry(c);
            }
            out[x] = lastIndex;
        }
    }
    return dib_;
}

DibSpan AviScreenIndexer::Index(std::span<const uint8_t> places, const std::vector<uint32_t>& colours) {
    if (dib_.empty() || places.size() != size_t(width_) * size_t(height_) || colours.size() > 256) return {};
    uint8_t entry[256] = {};  // a place no colour has stays at entry 0, as a missing colour does
    for (size_t i = 0; i < colours.size(); ++i) entry[i] = Entry(colours[i]);
    const size_t stride = DibRowBytes(uint32_t(width_), 8);
    uint8_t* rows = DibPixels(dib_);
    for (int32_t y = 0; y < height_; ++y) {
        const uint8_t* in = places.data() + size_t(y) * size_t(width_);
        uint8_t* out = rows + size_t(height_ - 1 - y) * stride;  // bottom-up
        for (int32_t x = 0; x < width_; ++x) out[x] = entry[in[x]];
    }
    return dib_;
}

}  // namespace kivo
