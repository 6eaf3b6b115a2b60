// Pieces of palette preparation shared between its units.
#pragma once

#include <cstdint>
#include <vector>

#include "color/palette_prep.h"
#include "options/write_options.h"
#include "doc/anim_doc.h"

namespace kivo {

// The frame carries a palette and index plane kept from an indexed PNG that a
// writer may use as they are: at most 256 entries, one index per pixel, every
// index inside the palette.
bool HasKeptPngPalette(const Frame& frame);
// Gives the frame copies of its kept PNG palette and indices; transparency
// follows transparentIndex (-1 for none). The frame must have a kept PNG palette.
void RestoreKeptPngPalette(Frame& frame, int transparentIndex);

// MaxColors as a usable palette size (the option is validated where it is set;
// this guards against a stray value).
inline int PaletteLimit(const WriteOptions& options) {
    const int m = options.MaxColors;
    return m < 2 ? 2 : m > 256 ? 256 : m;
}

// The smallest of 2, 4, ..., 256 that holds n entries.
int PowerOfTwoPaletteSize(int n);

// The document's frames in list order, for work spread over threads.
inline std::vector<Frame*> FrameList(AnimDoc& doc) {
    std::vector<Frame*> frames;
    frames.reserve(size_t(doc.frameCount > 0 ? doc.frameCount : 0));
    for (Frame* f = doc.firstFrame.get(); f; f = f->next.get()) frames.push_back(f);
    return frames;
}

// Beyond these the joint reduction's rows are only as wide as the widest frame
// instead of the screen (see joint_reduction.cpp); tests may move them.
struct RowLimits {
    int widestRow = 1 << 18;                  // pixels in one row
    uint64_t mostPixels = uint64_t(1) << 30;  // row width times the frames' rows
};
extern RowLimits JointRowLimits;

// The shared reduction of every frame that does not fit into one global palette
// (throws std::bad_alloc; other failures give false).
bool ReduceJointly(AnimDoc& doc, const WriteOptions& options, bool mng, IndexPlanes planes);

}  // namespace kivo
