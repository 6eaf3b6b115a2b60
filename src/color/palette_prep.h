// Before a save: give every frame an index plane and either its own palette or a
// place in the document's global palette, within the options' MaxColors, with
// transparency kept on an entry of its own. The options come with the call; mng
// says which format the palettes are prepared for.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "doc/anim_doc.h"
#include "options/write_options.h"
#include "platform/platform.h"

namespace kivo {

// What preparation leaves on a frame that keeps its exact colours. Such a
// frame's index plane follows from its picture and its final palette alone,
// so a writer that handles one frame at a time may ask for it to be left out
// and build it when it writes the frame (BuildFrameIndexPlane): then the
// planes of all frames, a third of the pictures' size, never exist at once.
// Reduced frames always get their planes, which only the quantizer can make.
enum class IndexPlanes { kBuild, kDeferExact };

// Whole document; mng selects the MNG rules. Pumps the progress dialog after
// each frame. False on failure (memory). Either way no frame keeps its census
// positions (censusIndices) afterwards.
bool PreparePalettes(OwnerWindow owner, AnimDoc& doc, const WriteOptions& options, bool mng,
                     IndexPlanes planes = IndexPlanes::kBuild);
// One frame for a one-frame file (MaxColors taken as 256 for the call).
bool PrepareSingleFramePalette(AnimDoc* doc, Frame& frame, const WriteOptions& options, bool mng);
bool PrepareFramePalette(Frame& frame, AnimDoc* doc, const WriteOptions& options, bool mng,
                         IndexPlanes planes = IndexPlanes::kBuild);
// Fills frame.census / frame.colorCount (257 = more than 256 colours) and,
// with keepPositions, frame.censusIndices.
bool CountFrameColors(Frame& frame, bool keepPositions = true);
// What a census depends on besides the pixels: the frame's transparency.
uint32_t CensusKey(const Frame& frame);
// Whether frame.census is the one CountFrameColors would take now.
inline bool CensusIsCurrent(const Frame& frame) { return !frame.census.empty() && frame.censusKey == CensusKey(frame); }
// The census of a palette picture, taken from its indices instead of its
// pixels (a reader has both): indices holds width * height entries, row
// rowOrder[r] of the picture in its row r (so interlaced rows need no
// reordering), each standing for colours[index], or black beyond them. Gives
// exactly what CountFrameColors(frame, false) would; leaves the census empty
// (to be counted at save) in the rare case of more than 256 colours.
void TakeCensusFromIndices(Frame& frame, const uint8_t* indices, const int* rowOrder, const Rgb* colours,
                           size_t colourCount);
// Gives a prepared palette frame the index plane that IndexPlanes::kDeferExact
// left out: each pixel's entry in its own palette, or the global one once it
// moved there. Does nothing for a frame that has its plane or needs none (no
// pixels, stored in full colour). False on failure (memory, no palette). The
// plane is built in the room an empty frame.indexPixels may already have.
bool BuildFrameIndexPlane(Frame& frame, const AnimDoc& doc);
// The same with globalPalette in place of the document's: for a writer that
// lays the global palette out in another order while it writes.
bool BuildFrameIndexPlane(Frame& frame, const Palette& globalPalette);
// The entries of its palette (its own, else globalPalette) that the frame's
// index plane refers to. For a frame whose plane was left out they follow from
// its census, without building the plane: each colour goes to the first entry
// holding it, like the lookup that builds the plane.
std::array<bool, 256> EntriesPlaneUses(const Frame& frame, const Palette& globalPalette);
// Index plane by exact lookup in the frame's own palette, or the document's
// global palette when it has none; false when neither exists.
bool BuildExactIndexPlane(Frame& frame, const AnimDoc* doc);
// A colour near c that is not among the first n entries, or none when c itself
// is not among them.
std::optional<Rgb> PickSubstituteColor(Rgb c, const Palette& palette, int n);

// Releases what preparation left on every frame (index planes, censuses,
// disposable own palettes) so the next save starts from the 24-bit
// pictures. Writers call it after writing.
void ReleaseSaveState(AnimDoc& doc);
// One frame's share of ReleaseSaveState, for a writer that releases each frame
// as soon as it is written.
void ReleaseFrameSaveState(Frame& frame);
// The same after a failed or cancelled save, releasing every own palette as
// well, since a partly prepared document may hold palettes that no longer fit
// its frames.
void ReleaseSaveStateAfterFailure(AnimDoc& doc);

// Preparation may drop a frame's transparency for the file being written (no
// palette entry left for it); writers put the frames' own settings back after.
struct SavedTransparency {
    int32_t has = 0;
    Rgb rgb;
};
std::vector<SavedTransparency> RememberTransparency(const AnimDoc& doc);
void RestoreTransparency(AnimDoc& doc, const std::vector<SavedTransparency>& saved);

}  // namespace kivo
