// Joint reduction: the frames whose colours do not fit are counted into one
// histogram and mapped onto one global palette of MaxColors entries, whose
// first entries are reserved for the frames' transparent colours.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

#include "color/frame_pixels.h"
#include "color/palette_prep.h"
#include "color/palette_prep_internal.h"
#include "color/quantizer.h"
#include "options/write_options.h"
#include "platform/parallel.h"
#include "platform/progress.h"

namespace kivo {
namespace {

struct ReservedColor {
    Rgb color;       // a frame's transparent colour
    Rgb substitute;  // what the palette holds for it
};

// Entries for transparent colours are reserved while the quantizer keeps at
// least this many, so that many transparent colours cannot starve the picture.
// The first one is always granted, also in a palette of eight or fewer: losing
// transparency altogether costs more than one colour does.
constexpr int kQuantizerFloor = 8;

int FindReserved(const std::vector<ReservedColor>& list, Rgb c) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].color == c) return int(i);
    return -1;
}

// Rows of black the frame's top offset adds above it.
int TopPadding(const Frame& f) { return f.top > 0 ? f.top : 0; }

// Image row y (from the top) in the row buffer, black beyond the frame's
// width; with a reserved entry the transparent pixels are counted and mapped
// as black, since their own entry replaces them anyway. A frame of the joint
// reduction that still has transparency has such an entry: the one that got
// none lost its transparency when the entries were handed out.
void PrepareRow(const Frame& f, const FramePixels& px, int y, std::vector<uint8_t>& row, int rowWidth) {
    const size_t bytes = size_t(px.width) * 3;
    std::memcpy(row.data(), px.Row(y), bytes);
    std::memset(row.data() + bytes, 0, size_t(rowWidth) * 3 - bytes);
    if (!f.hasTransparency) return;
    for (size_t x = 0; x < bytes; x += 3)
        if (PixelRgb(&row[x]) == f.transparentRgb) row[x] = row[x + 1] = row[x + 2] = 0;
}

// How wide the rows are that the quantizer counts and maps.
struct JointRows {
    int screen;   // the screen's width (a wider frame's, if any)
    bool narrow;  // rows are as wide as their frame, the rest counted as black
    int buffer;   // the widest row

    int Of(const Frame& f) const { return narrow ? int(f.width) : screen; }
};

// Every row is as wide as the screen, black beyond the frame, so the screen's
// black counts towards the palette and the error diffusion runs on through it.
// A screen far wider than its frames (a damaged or hostile MNG says up to 2^31)
// would then take hours, or more memory than there is, for pixels that never
// show: past these limits each frame's rows are only as wide as the frame. The
// black beyond is still counted, so the palette stays the same; only the
// diffusion no longer runs through it.

JointRows RowWidths(const AnimDoc& doc, const std::vector<Frame*>& joint) {
    // Frames wider than the screen widen the rows rather than overrun them.
    int counted = std::max(doc.screenWidth, 1), widest = 1;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) counted = std::max(counted, int(f->width));
    uint64_t rows = 0;
    for (const Frame* f : joint) {
        widest = std::max(widest, int(f->width));
        rows += uint64_t(f->height);
    }
    const bool narrow = counted > JointRowLimits.widestRow || uint64_t(counted) * rows > JointRowLimits.mostPixels;
    return {counted, narrow, narrow ? widest : counted};
}

// Undoes a half-finished joint reduction: the global palette made for it goes.
struct JointCleanup {
    AnimDoc& doc;
    bool done = false;
    ~JointCleanup() {
        if (!done) doc.globalPalette.clear();
    }
};

// Substitutes for the reserved colours. Each must differ from the quantizer's
// colours, and also from every other reserved colour and earlier substitute:
// two equal entries would send one frame's transparent pixels to an entry the
// writer does not mark transparent.
void ChooseSubstitutes(std::vector<ReservedColor>& reserved, const Palette& global, int b) {
    for (size_t j = 0; j < reserved.size(); ++j) {
        Palette taken(global.begin(), global.begin() + b);
        for (size_t i = 0; i < reserved.size(); ++i) {
            if (i < j) taken.push_back(reserved[i].substitute);
            if (i != j) taken.push_back(reserved[i].color);
        }
        const std::optional<Rgb> s = PickSubstituteColor(reserved[j].color, taken, int(taken.size()));
        reserved[j].substitute = s ? *s : reserved[j].color;
    }
}

}  // namespace

RowLimits JointRowLimits;

bool ReduceJointly(AnimDoc& doc, const WriteOptions& options, bool mng, IndexPlanes planes) {
    const int m = PaletteLimit(options);
    std::vector<ReservedColor> reserved;
    reserved.reserve(size_t(std::max(doc.frameCount, 0)));
    std::vector<Frame*> joint;
    joint.reserve(size_t(std::max(doc.frameCount, 0)));
    doc.globalPalette.assign(size_t(m), Rgb{});
    JointCleanup cleanup{doc};

    // Frames that keep their exact colours need nothing from the shared palette:
    // prepare them side by side first.
    const std::vector<Frame*> frames = FrameList(doc);
    auto keepsOwnPalette = [&](const Frame& f) {
        return !f.census.empty() && !(mng && options.NoColorReduction && f.colorCount > m) &&
               !(f.colorCount > m || options.AlwaysDither);
    };
    // 0 not prepared here, 1 prepared, -1 failed; signed, since plain char is
    // unsigned on some targets and would hide the failure.
    std::vector<int8_t> prepared(frames.size(), 0);
    ParallelFor(frames.size(), [&](size_t i) {
        if (keepsOwnPalette(*frames[i])) prepared[i] = PrepareFramePalette(*frames[i], &doc, options, mng, planes) ? 1 : -1;
    });

    int b = m;  // quantizer budget
    for (size_t fi = 0; fi < frames.size(); ++fi) {
        Frame* f = frames[fi];
        if (prepared[fi] != 0) {
            if (prepared[fi] < 0) return false;
            ProgressPump();
            continue;
        }
        if (!CensusIsCurrent(*f) && !CountFrameColors(*f, planes == IndexPlanes::kBuild)) return false;
        const int n = f->colorCount;
        if (mng && options.NoColorReduction && n > m) {
            // Kept full-colour, outside the shared palette.
            if (!PrepareFramePalette(*f, &doc, options, mng, planes)) return false;
        } else if (n > m || options.AlwaysDither) {  // M colours keep an exact palette
            if (!GetFramePixels(*f)) return false;
            f->localPalette.clear();
            joint.push_back(f);
            // Its transparent colour shares an entry reserved for another frame,
            // gets one of its own, or, with none left, the frame loses its
            // transparency for this file.
            if (f->hasTransparency && FindReserved(reserved, f->transparentRgb) < 0) {
                if (b - 1 >= std::min(kQuantizerFloor, m - 1)) {
                    reserved.push_back({f->transparentRgb, f->transparentRgb});
                    --b;
                } else {
                    f->hasTransparency = 0;
                }
            }
        } else if (!PrepareFramePalette(*f, &doc, options, mng, planes)) {
            return false;
        }
        ProgressPump();
    }
    if (joint.empty()) {
        doc.globalPalette.clear();
        cleanup.done = true;
        return true;
    }

    const JointRows rows = RowWidths(doc, joint);
    std::vector<uint8_t> row(static_cast<size_t>(rows.buffer) * 3), indexRow(static_cast<size_t>(rows.buffer));
    Quantizer quantizer;
    if (!quantizer.Begin(rows.buffer, b)) return false;
    for (Frame* f : joint) {
        const FramePixels px = *GetFramePixels(*f);
        const int rowWidth = rows.Of(*f);
        quantizer.SetRowWidth(rowWidth);
        std::fill_n(row.begin(), size_t(rowWidth) * 3, uint8_t(0));
        quantizer.AddRows(row.data(), TopPadding(*f));
        quantizer.AddBlack(uint64_t(rows.screen - rowWidth) * uint64_t(TopPadding(*f) + px.height));
        for (int y = 0; y < px.height; ++y) {
            PrepareRow(*f, px, y, row, rowWidth);
            quantizer.AddRow(row.data());
        }
        ProgressPump();
    }
    quantizer.SelectColors();

    for (Frame* f : joint) {
        const FramePixels px = *GetFramePixels(*f);
        const int rowWidth = rows.Of(*f);
        f->indexPixels.assign(px.PixelCount(), 0);
        quantizer.SetRowWidth(rowWidth);
        quantizer.RestartMapping();
        std::fill_n(row.begin(), size_t(rowWidth) * 3, uint8_t(0));
        quantizer.MapRows(row.data(), indexRow.data(), TopPadding(*f));
        for (int y = 0; y < px.height; ++y) {
            PrepareRow(*f, px, y, row, rowWidth);
            quantizer.MapRow(row.data(), indexRow.data());
            std::copy_n(indexRow.begin(), px.width, f->indexPixels.begin() + ptrdiff_t(y) * px.width);
        }
        f->tempPalette = 1;
        ProgressPump();
    }

    Palette& global = doc.globalPalette;
    const ColorMap& map = *quantizer.Colors();
    for (int i = 0; i < b; ++i) global[size_t(i)] = {map.red[size_t(i)], map.green[size_t(i)], map.blue[size_t(i)]};
    ChooseSubstitutes(reserved, global, b);

    const int r = int(reserved.size());
    for (Frame* f : joint) {
        const FramePixels px = *GetFramePixels(*f);
        const int j = f->hasTransparency ? FindReserved(reserved, f->transparentRgb) : -1;
        uint8_t* out = f->indexPixels.data();
        for (int y = 0; y < px.height; ++y) {
            const uint8_t* p = px.Row(y);
            for (int x = 0; x < px.width; ++x, p += 3, ++out)
                *out = j >= 0 && PixelRgb(p) == f->transparentRgb ? uint8_t(j) : uint8_t(*out + r);
        }
        ProgressPump();
    }
    std::copy_backward(global.begin(), global.begin() + b, global.begin() + b + r);
    for (int i = 0; i < r; ++i) global[size_t(i)] = reserved[size_t(i)].substitute;
    for (const ReservedColor& rc : reserved) {
        if (rc.substitute == rc.color) continue;
        for (Frame* f : joint)
            if (f->hasTransparency && f->transparentRgb == rc.color) f->transparentRgb = rc.substitute;
    }

    cleanup.done = true;
    return true;
}

}  // namespace kivo
