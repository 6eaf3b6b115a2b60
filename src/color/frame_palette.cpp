// One frame by itself: its colour census, an exact palette when its colours
// fit, otherwise its own quantized palette with the transparent colour on an
// entry of its own.
#include <algorithm>
#include <array>
#include <new>

#include "color/color_index.h"
#include "color/frame_pixels.h"
#include "color/palette_prep.h"
#include "color/palette_prep_internal.h"
#include "color/quantizer.h"
#include "options/write_options.h"

namespace kivo {
namespace {

constexpr size_t kCensusRoom = 257;  // 257 used pairs = more than 256 colours

// Every pixel that has the transparent colour gets index 0, every other index
// moves up by one; used after quantizing to k = M - 1 colours.
void ReserveEntryZero(Frame& frame, const FramePixels& px, Rgb transparent) {
    uint8_t* out = frame.indexPixels.data();
    for (int y = 0; y < px.height; ++y) {
        const uint8_t* p = px.Row(y);
        for (int x = 0; x < px.width; ++x, p += 3, ++out)
            *out = PixelRgb(p) == transparent ? 0 : uint8_t(*out + 1);
    }
}

// Adds one row of pixels to the census and records each pixel's census
// position at pos. False, with the row unfinished, once a colour finds the
// census full: the frame has more than 256 colours.
bool CountRow(const uint8_t* p, int width, std::vector<CensusEntry>& census, ColorIndex& where,
              uint8_t*& pos) {
    size_t last = 0;  // the pair the previous pixel matched
    for (int x = 0; x < width; ++x, p += 3) {
        const uint32_t c = PackRgb(PixelRgb(p));
        if (last < census.size() && census[last].color == c) {
            ++census[last].count;
            *pos++ = uint8_t(last);
            continue;
        }
        int i = where.Find(c);
        if (i < 0) {
            if (census.size() == kCensusRoom) return false;
            i = int(census.size());
            census.push_back({c, 0});
            where.Insert(c, i);
        }
        ++census[size_t(i)].count;
        last = size_t(i);
        *pos++ = uint8_t(i);  // position 256 only in a census that overflows
    }
    return true;
}

bool ReduceFrame(Frame& frame, const FramePixels& px, int m) {
    // The transparent colour keeps an entry of its own however small the palette
    // is: dropping it would turn the see-through area into an opaque colour,
    // while the quantizer works with any number of colours left to it.
    const bool reserve = frame.hasTransparency != 0;
    const int k = reserve ? m - 1 : m;
    Palette palette(static_cast<size_t>(m));
    std::vector<uint8_t> indices(px.PixelCount());
    std::unique_ptr<ColorMap> map = QuantizeImage(px.width, px.height, k, px.bits, indices.data());
    if (!map) return false;
    for (int i = 0; i < k; ++i)
        palette[size_t(i)] = {map->red[size_t(i)], map->green[size_t(i)], map->blue[size_t(i)]};
    FreeColorMap(map);

    frame.localPalette = std::move(palette);
    frame.tempPalette = 1;
    frame.indexPixels = std::move(indices);
    if (reserve) {
        const Rgb original = frame.transparentRgb;
        const std::optional<Rgb> substitute = PickSubstituteColor(original, frame.localPalette, k);
        ReserveEntryZero(frame, px, original);
        if (substitute) frame.transparentRgb = *substitute;
        for (int i = k; i > 0; --i) frame.localPalette[size_t(i)] = frame.localPalette[size_t(i - 1)];
        frame.localPalette[0] = frame.transparentRgb;
    }
    return true;
}

bool KeepExactColors(Frame& frame, AnimDoc* doc, bool mng, IndexPlanes planes) {
    const int n = frame.colorCount;
    // An MNG palette needs at least one entry, or the frame would seem to have none.
    const int size = mng ? std::max(n, 1) : PowerOfTwoPaletteSize(n);
    Palette palette(static_cast<size_t>(size));
    for (int i = 0; i < n && i < size; ++i) palette[size_t(i)] = UnpackRgb(frame.census[size_t(i)].color);
    frame.localPalette = std::move(palette);
    frame.tempPalette = 0;
    if (planes == IndexPlanes::kDeferExact && frame.width > 0 && frame.height > 0) {
        frame.censusIndices = {};
        return true;
    }
    // The palette is the census in census order, so each pixel's census position
    // is exactly the entry the lookup would find.
    if (frame.censusIndices.size() == size_t(frame.width) * size_t(frame.height) &&
        int(frame.census.size()) == n && n <= size) {
        frame.indexPixels = std::move(frame.censusIndices);
        frame.censusIndices = {};
        return true;
    }
    return BuildExactIndexPlane(frame, doc);
}

}  // namespace

int PowerOfTwoPaletteSize(int n) {
    int size = 2;
    while (size < n && size < 256) size *= 2;
    return size;
}

bool HasKeptPngPalette(const Frame& frame) {
    if (frame.pngPalette.empty() || frame.pngPalette.size() > 256) return false;
    const size_t pixels = frame.width > 0 && frame.height > 0
                              ? size_t(frame.width) * size_t(frame.height) : 0;
    if (frame.pngIndexPixels.size() != pixels) return false;
    for (uint8_t i : frame.pngIndexPixels)
        if (i >= frame.pngPalette.size()) return false;
    return true;
}

void RestoreKeptPngPalette(Frame& frame, int transparentIndex) {
    frame.localPalette = frame.pngPalette;
    frame.indexPixels = frame.pngIndexPixels;
    if (transparentIndex >= 0 && transparentIndex < int(frame.pngPalette.size())) {
        frame.hasTransparency = 1;
        frame.transparentRgb = frame.pngPalette[size_t(transparentIndex)];
    } else {
        frame.hasTransparency = 0;
    }
}

bool CountFrameColors(Frame& frame, bool keepPositions) {
    const std::optional<FramePixels> px = GetFramePixels(frame);
    if (!px) return false;
    try {
        std::vector<CensusEntry> census;
        census.reserve(kCensusRoom);
        // Each pixel's census position: for a frame that keeps its exact colours
        // this is its index plane, so the pixels need not be looked up again.
        // Without keepPositions one row's worth is overwritten row after row.
        std::vector<uint8_t> positions(keepPositions ? px->PixelCount() : size_t(px->width));
        ColorIndex where;
        if (frame.hasTransparency) {
            census.push_back({PackRgb(frame.transparentRgb), 1});
            where.Insert(census[0].color, 0);
        }
        uint8_t* pos = positions.data();
        for (int y = 0; y < px->height; ++y) {
            if (!keepPositions) pos = positions.data();
            if (!CountRow(px->Row(y), px->width, census, where, pos)) break;  // over 256 colours
        }
        if (census.size() > 256 || !keepPositions) positions = {};
        census.shrink_to_fit();
        frame.colorCount = int16_t(census.size());
        frame.census = std::move(census);
        frame.censusIndices = std::move(positions);
        frame.censusKey = CensusKey(frame);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

uint32_t CensusKey(const Frame& frame) {
    return frame.hasTransparency ? 0x1000000u | PackRgb(frame.transparentRgb) : 0;
}

void TakeCensusFromIndices(Frame& frame, const uint8_t* indices, const int* rowOrder, const Rgb* colours,
                           size_t colourCount) {
    frame.census = {};
    frame.censusIndices = {};
    const size_t width = size_t(std::max(frame.width, 0)), height = size_t(std::max(frame.height, 0));
    if (width == 0 || height == 0) return;
    // Each index's pixel count and first place in picture order; the census
    // lists colours by their first place, so indices sharing a colour merge.
    std::array<uint32_t, 256> count{};
    std::array<size_t, 256> first{};
    for (size_t r = 0; r < height; ++r) {
        const uint8_t* row = indices + r * width;
        const size_t base = size_t(rowOrder[r]) * width;
        // Rows may come out of order (interlace): the first place is the least.
        for (size_t x = 0; x < width; ++x)
            if (count[row[x]]++ == 0 || base + x < first[row[x]]) first[row[x]] = base + x;
    }
    std::array<uint8_t, 256> used;
    size_t n = 0;
    for (size_t i = 0; i < 256; ++i)
        if (count[i]) used[n++] = uint8_t(i);
    std::sort(used.begin(), used.begin() + n, [&](uint8_t a, uint8_t b) { return first[a] < first[b]; });
    std::vector<CensusEntry> census;
    census.reserve(n + 1);
    if (frame.hasTransparency) census.push_back({PackRgb(frame.transparentRgb), 1});
    for (size_t k = 0; k < n; ++k) {
        const uint8_t i = used[k];
        const uint32_t c = i < colourCount ? PackRgb(colours[i]) : 0;
        auto same = std::find_if(census.begin(), census.end(), [&](const CensusEntry& e) { return e.color == c; });
        if (same != census.end()) {
            same->count += count[i];
            continue;
        }
        if (census.size() == 256) return;  // more than 256: left to the count at save
        census.push_back({c, count[i]});
    }
    frame.colorCount = int16_t(census.size());
    frame.census = std::move(census);
    frame.censusKey = CensusKey(frame);
}

bool PrepareFramePalette(Frame& frame, AnimDoc* doc, const WriteOptions& options, bool mng, IndexPlanes planes) {
    try {
        if (!CensusIsCurrent(frame) && !CountFrameColors(frame, planes == IndexPlanes::kBuild)) return false;
        const int n = frame.colorCount;
        const int m = PaletteLimit(options);
        if (mng && options.NoColorReduction && n > m) {
            // Stays full-colour. A palette left from reading would make the frame
            // look palette-based to global palette building, so it goes too.
            frame.saveKind = options.JngOver256Only ? 2 : 1;
            frame.localPalette.clear();
            frame.indexPixels.clear();
            return true;
        }
        if (mng && options.KeepPngPalette && HasKeptPngPalette(frame)) {
            // Normally restored already; a frame prepared without that step
            // must not reach a writer without its index plane.
            if (frame.localPalette.empty() || frame.indexPixels.size() != frame.pngIndexPixels.size())
                RestoreKeptPngPalette(frame, options.TransparentIndex);
            return true;
        }
        const std::optional<FramePixels> px = GetFramePixels(frame);
        if (!px) return false;
        if (n > m || options.AlwaysDither) return ReduceFrame(frame, *px, m);
        return KeepExactColors(frame, doc, mng, planes);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

namespace {

// Index plane by exact lookup in palette; see BuildExactIndexPlane.
bool BuildPlaneIn(Frame& frame, const Palette& palette) {
    const std::optional<FramePixels> px = GetFramePixels(frame);
    if (!px) return false;
    try {
        // An empty plane may come with room to reuse (a writer building one
        // frame's plane after another's): no fresh pages for every frame.
        std::vector<uint8_t> indices;
        if (frame.indexPixels.empty()) indices.swap(frame.indexPixels);
        indices.resize(px->PixelCount());
        const int n = int(std::min<size_t>(palette.size(), 256));
        ColorIndex where;
        for (int i = 0; i < n; ++i) where.Insert(PackRgb(palette[size_t(i)]), i);
        uint8_t* out = indices.data();
        // Neighbours usually share a colour, so the entry the previous pixel got
        // is tried first. That entry, not the previous colour: after an unknown
        // colour fell to the last entry, a pixel of the last entry's colour keeps
        // that index even when the colour also occurs earlier in the palette.
        int last = 0;
        for (int y = 0; y < px->height; ++y) {
            const uint8_t* p = px->Row(y);
            for (int x = 0; x < px->width; ++x, p += 3) {
                const Rgb c = PixelRgb(p);
                if (!(palette[size_t(last)] == c)) {
                    const int i = where.Find(PackRgb(c));
                    last = i >= 0 ? i : n - 1;  // unknown colours take the last entry
                }
                *out++ = uint8_t(last);
            }
        }
        frame.indexPixels = std::move(indices);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool PlaneLeftOut(const Frame& frame) {
    return frame.indexPixels.empty() && frame.saveKind == 0 && frame.width > 0 && frame.height > 0;
}

// A census taken while the frame was transparent starts with the transparent
// colour, counted once more than the pixels that have it.
uint32_t PixelsOfCensusEntry(const Frame& frame, size_t i) {
    const CensusEntry& e = frame.census[i];
    const bool seeded = i == 0 && frame.hasTransparency && e.color == PackRgb(frame.transparentRgb);
    return seeded ? e.count - 1 : e.count;
}

}  // namespace

bool BuildExactIndexPlane(Frame& frame, const AnimDoc* doc) {
    const Palette* palette = !frame.localPalette.empty() ? &frame.localPalette
                             : doc && !doc->globalPalette.empty() ? &doc->globalPalette
                                                                  : nullptr;
    return palette && BuildPlaneIn(frame, *palette);
}

bool BuildFrameIndexPlane(Frame& frame, const AnimDoc& doc) {
    return BuildFrameIndexPlane(frame, doc.globalPalette);
}

bool BuildFrameIndexPlane(Frame& frame, const Palette& globalPalette) {
    if (!PlaneLeftOut(frame)) return true;
    const Palette& palette = frame.localPalette.empty() ? globalPalette : frame.localPalette;
    return !palette.empty() && BuildPlaneIn(frame, palette);
}

std::array<bool, 256> EntriesPlaneUses(const Frame& frame, const Palette& globalPalette) {
    std::array<bool, 256> used{};
    if (!PlaneLeftOut(frame)) {
        for (uint8_t v : frame.indexPixels) used[v] = true;
        return used;
    }
    const Palette& palette = frame.localPalette.empty() ? globalPalette : frame.localPalette;
    const int n = int(std::min<size_t>(palette.size(), 256));
    if (n == 0) return used;
    ColorIndex where;
    for (int i = 0; i < n; ++i) where.Insert(PackRgb(palette[size_t(i)]), i);
    for (size_t i = 0; i < frame.census.size(); ++i) {
        if (PixelsOfCensusEntry(frame, i) == 0) continue;
        const int entry = where.Find(frame.census[i].color);
        used[size_t(entry >= 0 ? entry : n - 1)] = true;
    }
    return used;
}

std::optional<Rgb> PickSubstituteColor(Rgb c, const Palette& palette, int n) {
    if (FindColor(palette, n, c) < 0) return std::nullopt;
    // Each channel falls to 0 within 255 of its turns and then alternates
    // between 0 and 1, so beyond this many steps the walk only repeats.
    constexpr int kWalkLimit = 3 * 256 + 6;
    Rgb s = c;
    for (int step = 0; step < kWalkLimit; ++step) {
        uint8_t& ch = step % 3 == 0 ? s.r : step % 3 == 1 ? s.g : s.b;
        ch = ch == 0 ? 1 : uint8_t(ch - 1);
        if (FindColor(palette, n, s) < 0) return s;
    }
    // The palette holds the whole cycle: at most n colours are taken, so one of
    // the next n + 1 colours beside c is free.
    for (uint32_t d = 1;; ++d) {
        const Rgb t = UnpackRgb(PackRgb(c) ^ d);
        if (FindColor(palette, n, t) < 0) return t;
    }
}

}  // namespace kivo
