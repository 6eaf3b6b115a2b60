// Frame size optimisation over a whole document: the crops are planned side by
// side, decided from the last frame backwards, staged together with the
// transparency pass and moved into the document only when everything worked.
#include "frame_ops/optimize_frames.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "options/write_options.h"
#include "platform/parallel.h"
#include "platform/progress.h"
#include "frame_ops/optimize_internal.h"

namespace kivo {
namespace {

constexpr const char* kNoMemory = "メモリが足りません。";
constexpr const char* kCropping = "サイズ最適化中...";
constexpr int32_t kLongestDelay = 65535;  // hundredths of a second a GIF frame can hold

struct Cancelled {};

// Only frames that leave their picture on screen can be compared: the next
// frame is drawn over exactly what they showed.
bool LeavesPicture(const StagedFrame& s) { return s.disposal == 0 || s.disposal == 1; }

// A frame that adds nothing is removed and its time goes to the frame before
// it, which stays on screen in its place, so the animation keeps its pace. It
// stays, reduced to one unchanged pixel, where removing it would lose
// something: its texts, a wait for the user, or time beyond what a file holds.
bool CanGiveTimeTo(const StagedFrame& s, const StagedFrame& before) {
    const Frame& f = *s.frame;
    if (!f.comment.empty() || !f.textKeys.empty()) return false;
    if (f.hasDelay != 1 || before.frame->hasDelay != 1) return false;
    if (s.delay < 0 || before.delay < 0) return false;
    return int64_t(s.delay) + before.delay <= kLongestDelay;
}

std::vector<StagedFrame> StageFrames(AnimDoc& doc) {
    std::vector<StagedFrame> staged;
    staged.reserve(size_t(std::max(doc.frameCount, 0)));
    for (Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        StagedFrame s;
        s.frame = f;
        s.delay = f->delay;
        s.disposal = f->disposal;
        s.left = f->left;
        s.top = f->top;
        s.width = f->width;
        s.height = f->height;
        s.hasTransparency = f->hasTransparency;
        s.transparentRgb = f->transparentRgb;
        staged.push_back(std::move(s));
    }
    return staged;
}

// Every pair whose frames both leave their picture, compared side by side.
// Returns whether there was any such pair.
bool PlanCrops(const std::vector<StagedFrame>& staged, std::vector<CropPlan>& plans) {
    std::vector<size_t> pairs;
    for (size_t k = 1; k < staged.size(); ++k)
        if (LeavesPicture(staged[k]) && LeavesPicture(staged[k - 1])) pairs.push_back(k);
    plans.assign(staged.size(), CropPlan{});
    std::atomic<int> done{0};
    const int total = int(pairs.size());
    ProgressSetRange(0, total);
    ParallelFor(
        pairs.size(),
        [&](size_t i) {
            const size_t k = pairs[i];
            plans[k] = PlanCrop(*staged[k].frame, *staged[k - 1].frame);
            done.fetch_add(1);
        },
        [&] {
            const int n = done.load();
            ProgressPrintf("サイズ最適化中...\r %4d / %4d コマ", n, total);
            ProgressSetPos(n);
            if (ProgressPump()) throw Cancelled{};
        });
    return !pairs.empty();
}

// From the last frame backwards, as each frame was compared with its
// predecessor before that one changes. Returns whether anything changes.
bool DecideCrops(std::vector<StagedFrame>& staged, std::vector<CropPlan>& plans) {
    bool changed = false;
    for (size_t k = staged.size(); k-- > 0;) {
        CropPlan& plan = plans[k];
        StagedFrame& s = staged[k];
        if (plan.result == kCropAddsNothing && k > 0) {
            if (CanGiveTimeTo(s, staged[k - 1])) {
                s.remove = true;
                staged[k - 1].delay += s.delay;
                changed = true;
                continue;
            }
            // Every pixel of such a frame repeats the screen; one of them keeps it.
            plan = {kCropCropped, 0, 0, 1, 1};
        }
        if (plan.result != kCropCropped) continue;
        s.cropped = true;
        s.left += plan.left;
        s.top += plan.top;
        s.width = plan.width;
        s.height = plan.height;
        changed = true;
    }
    return changed;
}

// Throws std::bad_alloc when a cropped picture cannot be made.
void MakeCroppedPictures(std::vector<StagedFrame>& staged, const std::vector<CropPlan>& plans) {
    for (size_t k = 0; k < staged.size(); ++k) {
        StagedFrame& s = staged[k];
        if (!s.cropped || s.remove) continue;
        const CropPlan& p = plans[k];
        s.dib = CopyArea(*GetFramePixels(*s.frame), p.left, p.top, p.width, p.height);
        if (s.dib.empty()) throw std::bad_alloc();
    }
}

// Returns whether any frame gained transparent pixels; a frame gains them only
// where they make it code smaller. A pass that runs out of memory is left out,
// as one without a canvas is.
bool MakeRepeatsTransparent(std::vector<StagedFrame>& staged, const AnimDoc& doc, int maxColors) {
    std::vector<const StagedFrame*> kept;
    for (const StagedFrame& s : staged)
        if (!s.remove) kept.push_back(&s);
    std::vector<TransparencyResult> results;
    const int limit = std::clamp(maxColors, 2, 256);
    try {
        if (!RunTransparencyPass(kept, doc.screenWidth, doc.screenHeight, limit, results) ||
            !KeepTransparencyWhereSmaller(kept, results))
            throw Cancelled{};
    } catch (const std::bad_alloc&) {
        return false;
    }
    bool changed = false;
    size_t r = 0;
    for (StagedFrame& s : staged) {
        if (s.remove) continue;
        TransparencyResult& t = results[r++];
        if (t.dib.empty()) continue;
        s.dib = std::move(t.dib);
        s.hasTransparency = 1;
        s.transparentRgb = t.transparentRgb;
        s.madeTransparent = true;
        changed = true;
    }
    return changed;
}

// Moves the staged frames into the document. Nothing here allocates, so it
// cannot fail half-way.
void Commit(AnimDoc& doc, std::vector<StagedFrame>& staged, FrameKeeper& keeper) {
    std::unique_ptr<Frame>* link = &doc.firstFrame;
    for (StagedFrame& s : staged) {
        if (!*link) break;
        if (s.remove) {
            std::unique_ptr<Frame> gone = std::move(*link);
            *link = std::move(gone->next);
            --doc.frameCount;
            keeper.KeepRemovedFrame(std::move(gone));
            continue;
        }
        Frame& f = **link;
        f.delay = s.delay;
        f.disposal = s.disposal;
        if (s.Changed()) {
            keeper.BeforePixelChange(f);
            f.dib.swap(s.dib);
            f.left = s.left;
            f.top = s.top;
            f.width = s.width;
            f.height = s.height;
            f.hasTransparency = s.hasTransparency;
            f.transparentRgb = s.transparentRgb;
            ForgetPalettesOfOldPicture(f);
        }
        link = &f.next;
    }
    doc.currentFrame = doc.firstFrame.get();
    doc.currentIndex = 0;
    // The frames' extent can only shrink. The screen keeps its size even where
    // frames reach past it: growing it would change the picture.
    doc.extentRight = doc.extentBottom = 0;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        doc.extentRight = std::max(doc.extentRight, f->left + f->width);
        doc.extentBottom = std::max(doc.extentBottom, f->top + f->height);
    }
}

}  // namespace

bool OptimizeFrameSizes(OwnerWindow owner, AnimDoc& doc, const WriteOptions& options, OptimizeOutcome* outcome,
                        FrameKeeper* keeper) {
    FrameKeeper releasing;
    OptimizeOutcome ignored;
    OptimizeOutcome& result = outcome ? *outcome : ignored;
    result = OptimizeOutcome::kUnchanged;
    if (doc.frameCount < 2 || !doc.firstFrame || !doc.firstFrame->next) return false;

    ProgressOpen(owner);
    bool changed = false;
    try {
        ProgressSetTitle("Kivo 最適化中...");
        ProgressSetText(kCropping);
        ProgressSetCancel("中止");
        std::vector<StagedFrame> staged = StageFrames(doc);
        ChooseDisposals(staged, doc.screenWidth, doc.screenHeight);
        std::vector<CropPlan> plans;
        const bool compared = PlanCrops(staged, plans);
        const std::vector<CropPlan> trims = PlanTrims(staged, doc.screenWidth, doc.screenHeight);
        for (size_t k = 0; k < plans.size(); ++k) plans[k] = CombineCrops(plans[k], trims[k]);
        changed = DecideCrops(staged, plans);
        MakeCroppedPictures(staged, plans);
        plans = {};
        if (compared && options.OptimizeWithTransparency)
            changed = MakeRepeatsTransparent(staged, doc, options.MaxColors) || changed;
        // The last chance to stop before the document changes.
        if (ProgressPump()) throw Cancelled{};
        if (changed) Commit(doc, staged, keeper ? *keeper : releasing);
    } catch (const Cancelled&) {
        ProgressClose(owner);
        result = OptimizeOutcome::kCancelled;
        return false;
    } catch (const std::bad_alloc&) {
        ProgressClose(owner);
        ShowError(owner, kNoMemory);
        result = OptimizeOutcome::kFailed;
        return false;
    }
    ProgressClose(owner);
    if (!changed) return false;
    result = OptimizeOutcome::kChanged;
    return true;
}

}  // namespace kivo
