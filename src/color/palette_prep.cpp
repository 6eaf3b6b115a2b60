// Palette preparation over the whole document: decide whether every frame fits
// its own exact palette, otherwise reduce the frames that do not fit into one
// shared palette; and the clean-up the writers run afterwards.
#include "color/palette_prep.h"

#include <new>

#include "color/palette_prep_internal.h"
#include "color/quantizer.h"
#include "options/write_options.h"
#include "platform/parallel.h"
#include "platform/progress.h"

namespace kivo {
namespace {

template <typename F>
void ForEachFrame(AnimDoc& doc, F f) {
    for (Frame* frame = doc.firstFrame.get(); frame; frame = frame->next.get()) f(*frame);
}

// What was not used as an index plane is not needed after preparation.
void DropCensusPositions(AnimDoc& doc) {
    ForEachFrame(doc, [](Frame& f) { f.censusIndices = {}; });
}

enum class Fit { kFits, kDoesNotFit, kFailed };

// Examines the frames in order and stops at the first that does not fit.
Fit EverythingFits(AnimDoc& doc, const WriteOptions& options, bool mng, IndexPlanes planes) {
    if (options.AlwaysDither) return Fit::kDoesNotFit;
    const int m = PaletteLimit(options);
    for (Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        bool fits = true;
        if (!f->localPalette.empty()) {
            fits = int(f->localPalette.size()) < m;
        } else if (f->tempPalette != 1 && !doc.globalPalette.empty()) {
            // uses the global palette
        } else {
            if (!CensusIsCurrent(*f) && !CountFrameColors(*f, planes == IndexPlanes::kBuild)) return Fit::kFailed;
            // Exactly M colours still fit an exact palette: reducing such a frame
            // would dither a picture that loses nothing when kept as it is.
            fits = f->colorCount <= m || (mng && options.NoColorReduction);
        }
        ProgressPump();
        if (!fits) return Fit::kDoesNotFit;
    }
    return Fit::kFits;
}

bool PrepareEachFrame(AnimDoc& doc, const WriteOptions& options, bool mng, IndexPlanes planes) {
    // Frames are prepared independently of each other, so side by side.
    const std::vector<Frame*> frames = FrameList(doc);
    std::vector<char> done(frames.size(), 0);
    ParallelFor(
        frames.size(), [&](size_t i) { done[i] = PrepareFramePalette(*frames[i], &doc, options, mng, planes); },
        [] { ProgressPump(); });
    bool allOwn = true;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (!done[i]) return false;
        if (frames[i]->localPalette.empty()) allOwn = false;
    }
    if (allOwn) doc.globalPalette.clear();
    return true;
}

// Every path below takes the census of every frame sooner or later, one frame
// at a time; taking them all first lets them run side by side. A census that
// fails here is simply taken again (and fails) where it is needed.
void TakeCensuses(AnimDoc& doc, IndexPlanes planes) {
    const std::vector<Frame*> frames = FrameList(doc);
    ParallelFor(frames.size(), [&](size_t i) {
        Frame& f = *frames[i];
        if (!CensusIsCurrent(f)) CountFrameColors(f, planes == IndexPlanes::kBuild);
        else f.colorCount = int16_t(f.census.size());  // undo may have put back another count
    });
}

void ReleaseFrameState(Frame& f, bool allPalettes) {
    f.indexPixels.clear();
    f.indexPixels.shrink_to_fit();
    f.census.clear();
    f.census.shrink_to_fit();
    f.censusIndices = {};
    f.colorCount = 0;
    f.saveKind = 0;
    if (allPalettes || f.tempPalette == 1) {
        f.localPalette.clear();
        f.localPalette.shrink_to_fit();
    }
}

}  // namespace

bool PreparePalettes(OwnerWindow /*owner*/, AnimDoc& doc, const WriteOptions& options, bool mng,
                     IndexPlanes planes) {
    bool ok = false;
    try {
        if (options.UnifyPalette) doc.globalPalette.clear();
        if (mng && options.KeepPngPalette) {
            ForEachFrame(doc, [&](Frame& f) {
                if (HasKeptPngPalette(f)) RestoreKeptPngPalette(f, options.TransparentIndex);
                ProgressPump();
            });
        }
        TakeCensuses(doc, planes);
        const Fit fit = EverythingFits(doc, options, mng, planes);
        if (fit == Fit::kFailed)
            ok = false;
        else if (!options.UnifyPalette || fit == Fit::kFits)
            ok = PrepareEachFrame(doc, options, mng, planes);
        else
            ok = ReduceJointly(doc, options, mng, planes);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    DropCensusPositions(doc);
    return ok;
}

bool PrepareSingleFramePalette(AnimDoc* /*doc*/, Frame& frame, const WriteOptions& options, bool mng) {
    try {
        if (options.KeepPngPalette && HasKeptPngPalette(frame)) {
            RestoreKeptPngPalette(frame, options.TransparentIndex);
            return true;
        }
        if (!CountFrameColors(frame)) return false;
        // A single image may always use a full table.
        WriteOptions single = options;
        single.MaxColors = 256;
        const bool ok = PrepareFramePalette(frame, nullptr, single, mng);
        frame.censusIndices = {};
        return ok;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void ReleaseSaveState(AnimDoc& doc) { ForEachFrame(doc, ReleaseFrameSaveState); }

void ReleaseFrameSaveState(Frame& frame) { ReleaseFrameState(frame, false); }

void ReleaseSaveStateAfterFailure(AnimDoc& doc) {
    ForEachFrame(doc, [](Frame& f) { ReleaseFrameState(f, true); });
}

std::vector<SavedTransparency> RememberTransparency(const AnimDoc& doc) {
    std::vector<SavedTransparency> saved;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get())
        saved.push_back({f->hasTransparency, f->transparentRgb});
    return saved;
}

void RestoreTransparency(AnimDoc& doc, const std::vector<SavedTransparency>& saved) {
    size_t i = 0;
    for (Frame* f = doc.firstFrame.get(); f && i < saved.size(); f = f->next.get(), ++i) {
        f->hasTransparency = saved[i].has;
        f->transparentRgb = saved[i].rgb;
    }
}

}  // namespace kivo
