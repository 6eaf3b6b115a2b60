#include "app/canvas_composer.h"

#include <algorithm>
#include <climits>
#include <new>

namespace kivo {

namespace {

// Checkpoints are never closer than this many frames: closer ones would cost
// memory and copying for little saved work.
constexpr int kMinSpacing = 16;

bool SameRules(const CompositionRules& a, const CompositionRules& b) {
    return a.background == b.background && a.clearForFirstFrame == b.clearForFirstFrame &&
           a.backgroundClearsScreen == b.backgroundClearsScreen;
}

}  // namespace

CompositionRules CanvasRules(int viewMode, int formatMode) {
    CompositionRules rules = PreviewRules(viewMode, formatMode, Rgb{});
    rules.background = kNothingDrawn;
    return rules;
}

bool ComposeFrameAlone(Composition& out, const AnimDoc& doc, const Frame& frame, int32_t left, int32_t top) {
    return StartComposition(out, doc.screenWidth, doc.screenHeight) && ComposeFrameAt(out, frame, left, top);
}

CanvasComposer::CanvasComposer(size_t checkpointBytes) : checkpointBytes_(checkpointBytes) {}

void CanvasComposer::Clear() {
    doc_ = nullptr;
    keys_.clear();
    checkpoints_.clear();
    screen_ = {};
    before_ = {};
    index_ = -1;
    screenValid_ = beforeValid_ = false;
    firstRun_ = true;
}

void CanvasComposer::Validate(const AnimDoc& doc, const CompositionRules& rules) {
    scratch_.clear();
    scratch_.reserve(size_t(std::max(doc.frameCount, 0)));
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get())
        scratch_.push_back({f, f->left, f->top, f->width, f->height, f->disposal, f->hasTransparency,
                            f->transparentRgb, f->dib.data(), f->dib.size()});
    int changed = INT_MAX;
    if (&doc != doc_ || doc.screenWidth != width_ || doc.screenHeight != height_ || !SameRules(rules, rules_)) {
        changed = 0;
    } else {
        const size_t common = std::min(keys_.size(), scratch_.size());
        const auto differ = std::mismatch(keys_.begin(), keys_.begin() + long(common), scratch_.begin());
        if (differ.first != keys_.begin() + long(common) || keys_.size() != scratch_.size())
            changed = int(differ.first - keys_.begin());
    }
    keys_.swap(scratch_);
    if (changed == INT_MAX) return;

    if (changed == 0) {
        doc_ = &doc;
        rules_ = rules;
        width_ = doc.screenWidth;
        height_ = doc.screenHeight;
        // As many checkpoints as the budget holds, spread over the whole list.
        const size_t screenBytes = std::max<size_t>(size_t(width_) * size_t(height_) * sizeof(uint32_t) * 2, 1);
        maxCheckpoints_ = checkpointBytes_ / screenBytes;
        const int frames = std::max(doc.frameCount, 1);
        spacing_ = std::max(kMinSpacing, maxCheckpoints_ ? int((size_t(frames) + maxCheckpoints_ - 1) / maxCheckpoints_) : INT_MAX);
    }
    checkpoints_.erase(checkpoints_.lower_bound(changed), checkpoints_.end());
    // A later run's screens owe something to every frame.
    if (!firstRun_) changed = 0;
    if (index_ >= changed) screenValid_ = false;
    if (index_ - 1 >= changed || !firstRun_) beforeValid_ = false;
    firstRun_ = firstRun_ || !screenValid_;
}

void CanvasComposer::Draw(Composition& c, const Frame& frame, int n, bool firstRun) {
    if (!ComposeFrame(c, frame, n == 0)) throw std::bad_alloc();
    ++drawn_;
    if (firstRun && (n + 1) % spacing_ == 0 && checkpoints_.size() < maxCheckpoints_ && !checkpoints_.contains(n))
        checkpoints_.emplace(n, c);
}

void CanvasComposer::ComposeState(const AnimDoc& doc, int m, Composition& out) {
    // Where to start: the screen to copy and the last frame it already holds.
    // Starting afresh needs the frames from the latest that hides the past.
    const Composition* from = nullptr;
    int done = FirstFrameNeeded(doc, m, rules_) - 1;
    if (auto kept = checkpoints_.upper_bound(m); kept != checkpoints_.begin() && std::prev(kept)->first > done) {
        from = &std::prev(kept)->second;
        done = std::prev(kept)->first;
    }
    if (firstRun_ && screenValid_ && index_ <= m && index_ > done) {
        from = &screen_;
        done = index_;
    }
    if (firstRun_ && beforeValid_ && index_ - 1 <= m && index_ - 1 > done) {
        from = &before_;
        done = index_ - 1;
    }
    Composition work;
    if (from) {
        work = *from;
    } else if (!StartComposition(work, doc.screenWidth, doc.screenHeight, rules_)) {
        throw std::bad_alloc();
    }
    const Frame* f = NthFrame(doc, done + 1);
    for (int i = done + 1; i <= m; ++i, f = f->next.get()) Draw(work, *f, i, true);
    out = std::move(work);
}

bool CanvasComposer::Show(const AnimDoc& doc, int n, const CompositionRules& rules) {
    if (n < 0 || n >= doc.frameCount) {
        Clear();
        return false;
    }
    try {
        Validate(doc, rules);
        if (screenValid_ && firstRun_ && index_ == n) return true;
        const Frame* frame = NthFrame(doc, n);
        if (!frame) {
            Clear();
            return false;
        }
        if (screenValid_ && firstRun_ && index_ == n - 1) {
            // The next frame: over the screen on show.
            before_ = screen_;
        } else if (beforeValid_ && firstRun_ && index_ == n) {
            // This frame changed, the ones before it did not.
            screen_ = before_;
        } else if (n == 0) {
            beforeValid_ = false;
            if (!StartComposition(screen_, doc.screenWidth, doc.screenHeight, rules_)) throw std::bad_alloc();
        } else {
            ComposeState(doc, n - 1, before_);
            screen_ = before_;
        }
        beforeValid_ = n > 0;
        index_ = n;
        screenValid_ = true;
        firstRun_ = true;
        Draw(screen_, *frame, n, true);
        return true;
    } catch (const std::bad_alloc&) {
        Clear();
        return false;
    }
}

bool CanvasComposer::Play(const AnimDoc& doc, int n, const CompositionRules& rules) {
    if (n < 0 || n >= doc.frameCount) {
        Clear();
        return false;
    }
    try {
        Validate(doc, rules);
        const bool rewind = n == 0 && index_ == doc.frameCount - 1;
        if (!screenValid_ || (n != index_ + 1 && !rewind)) return Show(doc, n, rules);
        before_ = screen_;
        beforeValid_ = true;
        firstRun_ = firstRun_ && !rewind;
        index_ = n;
        Draw(screen_, *NthFrame(doc, n), n, firstRun_);
        return true;
    } catch (const std::bad_alloc&) {
        Clear();
        return false;
    }
}

bool CanvasComposer::ShowMoved(Composition& out, const AnimDoc& doc, const CompositionRules& rules, int32_t left,
                               int32_t top) {
    Validate(doc, rules);
    if (!screenValid_) return false;
    const Frame* frame = NthFrame(doc, index_);
    if (!frame) return false;
    if (beforeValid_) {
        try {
            out = before_;
        } catch (const std::bad_alloc&) {
            return false;
        }
    } else if (!StartComposition(out, doc.screenWidth, doc.screenHeight, rules_)) {
        return false;
    }
    return ComposeFrameAt(out, *frame, left, top, index_ == 0);
}

}  // namespace kivo
