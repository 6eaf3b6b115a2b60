// Global palette building: after every frame got its own palette, move as many
// frames as possible onto one palette shared through the file's global table.
#include "color/global_palette.h"

#include <algorithm>
#include <array>
#include <new>

#include "color/frame_pixels.h"
#include "color/palette_prep.h"
#include "color/palette_prep_internal.h"
#include "options/write_options.h"
#include "platform/parallel.h"

namespace kivo {
namespace {

void Renumber(Frame& frame, const std::array<uint8_t, 256>& map) {
    for (uint8_t& i : frame.indexPixels) i = map[i];
}

// Entries some pixel refers to.
std::array<bool, 256> ReferencedEntries(const Frame& frame) {
    std::array<bool, 256> used{};
    for (uint8_t i : frame.indexPixels) used[i] = true;
    return used;
}

bool CensusHas(const Frame& frame, Rgb c) {
    const uint32_t packed = PackRgb(c);
    for (const CensusEntry& e : frame.census)
        if (e.color == packed) return true;
    return false;
}

// With UnifyPalette in MNG: give the global palette the frames' transparent
// colours first, and when exactly one colour is used by some frames, make other
// frames transparent with it too, so a single global transparency can serve.
void EnterTransparentColors(std::vector<Frame*>& list, Palette& global, int& n, int m) {
    int distinct = 0, opaque = 0;
    Rgb shared;
    for (Frame* f : list) {
        if (!f->hasTransparency) {
            ++opaque;
            continue;
        }
        if (FindColor(global, n, f->transparentRgb) >= 0) continue;
        ++distinct;
        shared = f->transparentRgb;
        if (n < m) global[size_t(n++)] = f->transparentRgb;  // never beyond the budget
    }
    const int frames = int(list.size());
    if (distinct != 1 || opaque == 0 || opaque >= frames - 1) return;
    for (Frame* f : list) {
        if (f->hasTransparency || f->saveKind != 0) continue;
        const int own = int(f->localPalette.size());
        if (own >= m || FindColor(f->localPalette, own, shared) >= 0) break;
        f->hasTransparency = 1;
        f->transparentRgb = shared;
    }
}

}  // namespace

namespace {

// What merging needs to know about a frame beyond its palette: the entries its
// pixels refer to. Taking it is the costly part, a pass over the index plane.
struct MergeInput {
    bool ready = false;  // has an index plane, an own palette and a census
    std::array<bool, 256> referenced{};
};

// A frame whose index plane preparation left for the writer keeps its exact
// colours: its census, in order, begins its palette.
bool PlaneLeftOut(const Frame& frame) {
    const size_t own = frame.localPalette.size();
    if (!frame.indexPixels.empty() || frame.saveKind != 0 || frame.width <= 0 || frame.height <= 0 ||
        frame.census.empty() || frame.census.size() > own)
        return false;
    for (size_t i = 0; i < frame.census.size(); ++i)
        if (frame.census[i].color != PackRgb(frame.localPalette[i])) return false;
    return true;
}

MergeInput ExamineFrame(Frame& frame) {
    MergeInput in;
    const int own = int(frame.localPalette.size());
    if (own == 0 || own > 256) return in;
    if (PlaneLeftOut(frame)) {
        // Exact lookup sends every pixel to the first entry of its colour, one
        // of the census's: those are the entries a plane would refer to.
        std::fill_n(in.referenced.begin(), frame.census.size(), true);
        in.ready = true;
        return in;
    }
    if (frame.indexPixels.empty()) return in;
    if (!CensusIsCurrent(frame) && !CountFrameColors(frame, false)) return in;
    in.referenced = ReferencedEntries(frame);
    for (int i = own; i < 256; ++i)
        if (in.referenced[size_t(i)]) return in;  // an index outside its palette
    in.ready = true;
    return in;
}

// Decides the frame's place in the global palette (whose first n entries are in
// use) and enters its missing colours; map receives own index -> global index.
// False, with the global palette as before, when the colours do not fit.
bool PlanMerge(Palette& global, int& n, int limit, const Frame& frame, const MergeInput& in,
               std::array<uint8_t, 256>& map) {
    if (!in.ready) return false;
    const int own = int(frame.localPalette.size());
    const int m = std::min(limit, int(global.size()));
    // An entry counts as used when a pixel refers to it, or, by the census rule,
    // when its colour occurs in the image (all entries when the census and the
    // palette are equally long). A quantized palette may hold colours that no
    // pixel has exactly yet are referenced, so the census alone is not enough.
    const bool allUsed = int(frame.census.size()) == own;
    map.fill(0);
    int count = n;
    for (int i = 0; i < own; ++i) {
        const Rgb c = frame.localPalette[size_t(i)];
        if (!in.referenced[size_t(i)] && !allUsed && !CensusHas(frame, c)) continue;
        int g = FindColor(global, count, c);
        if (g < 0) {
            if (count + 1 > m) {
                // The palette keeps only what earlier frames merged; its
                // entries past n stay black in the table that gets written.
                std::fill(global.begin() + n, global.begin() + count, Rgb{});
                return false;
            }
            global[size_t(count)] = c;
            g = count++;
        }
        map[size_t(i)] = uint8_t(g);
    }
    n = count;
    return true;
}

void MoveOntoGlobal(Frame& frame, const std::array<uint8_t, 256>& map) {
    Renumber(frame, map);
    frame.localPalette.clear();
}

// Merges the listed frames in order until one does not fit. Examining and
// renumbering touch every pixel and depend on one frame only, so they run side
// by side; only the decisions, a few hundred entries a frame, run in order.
void MergeInOrder(std::vector<Frame*>& list, Palette& global, int& n, int limit) {
    std::vector<MergeInput> inputs(list.size());
    ParallelFor(list.size(), [&](size_t i) { inputs[i] = ExamineFrame(*list[i]); });
    std::vector<std::array<uint8_t, 256>> maps(list.size());
    size_t merged = 0;
    while (merged < list.size() && PlanMerge(global, n, limit, *list[merged], inputs[merged], maps[merged]))
        ++merged;
    ParallelFor(merged, [&](size_t i) { MoveOntoGlobal(*list[i], maps[i]); });
}

}  // namespace

bool MergeFramePalette(Palette& global, int& n, Frame& frame, const WriteOptions& options) {
    std::array<uint8_t, 256> map;
    if (!PlanMerge(global, n, PaletteLimit(options), frame, ExamineFrame(frame), map)) return false;
    MoveOntoGlobal(frame, map);
    return true;
}

void AdoptGlobalPalette(const Palette& global, Frame& frame) {
    const int own = int(frame.localPalette.size());
    if (own == 0 || own > 256) return;
    std::array<uint8_t, 256> map{};
    bool identity = true;
    for (int i = 0; i < own; ++i) {
        const int g = FindColor(global, own, frame.localPalette[size_t(i)]);
        if (g < 0) return;
        map[size_t(i)] = uint8_t(g);
        if (g != i) identity = false;
    }
    for (uint8_t i : frame.indexPixels)
        if (i >= own) return;  // would have no target; keep the own palette
    frame.localPalette.clear();
    if (!identity) Renumber(frame, map);
}

bool BuildGlobalPalette(AnimDoc& doc, const WriteOptions& options, bool mng) {
    if (mng && options.KeepPngPalette) return true;
    try {
        std::vector<Frame*> list;
        for (Frame* f = doc.firstFrame.get(); f; f = f->next.get()) list.push_back(f);
        if (list.size() == 1) {
            doc.globalPalette = std::move(list[0]->localPalette);
            list[0]->localPalette.clear();
            return true;
        }
        // Largest own palette first; stable so that equal counts keep frame order.
        std::stable_sort(list.begin(), list.end(), [](const Frame* a, const Frame* b) {
            return a->localPalette.size() > b->localPalette.size();
        });
        const int m = PaletteLimit(options);

        if (!options.UnifyPalette) {
            if (list.empty()) return true;
            doc.globalPalette = std::move(list[0]->localPalette);
            list[0]->localPalette.clear();
            for (size_t i = 1; i < list.size(); ++i) {
                if (list[i]->localPalette.size() != doc.globalPalette.size()) break;
                AdoptGlobalPalette(doc.globalPalette, *list[i]);
            }
            return true;
        }

        Palette global(256);
        int n = 0;
        if (mng) EnterTransparentColors(list, global, n, m);
        MergeInOrder(list, global, n, m);
        global.resize(size_t(mng ? n : PowerOfTwoPaletteSize(n)));
        doc.globalPalette = std::move(global);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace kivo
