#include "app/preview_player.h"

#include <algorithm>

namespace kivo {

PreviewGeometry PreviewGeometryFor(const AnimDoc* doc, int charWidth) {
    const int buttons = (kStartChars + kStopChars + kCounterChars + kColourChars) * charWidth + 30;
    const bool shown = doc && doc->frameCount > 0;
    const int screenWidth = shown ? doc->screenWidth : 0, screenHeight = shown ? doc->screenHeight : 0;
    PreviewGeometry g;
    g.viewWidth = shown ? std::max(screenWidth + 40, buttons) : buttons;
    g.viewHeight = shown && screenHeight + 40 > 100 ? screenHeight + 40 : 100;
    g.offsetX = (g.viewWidth - screenWidth) / 2;
    g.offsetY = (g.viewHeight - screenHeight) / 2;
    return g;
}

bool PreviewPositionUsable(WindowPoint p, int displayWidth, int displayHeight, int charWidth, int lineHeight) {
    return p.x >= 0 && p.y >= 0 && p.x <= displayWidth - 4 * charWidth && p.y <= displayHeight - 4 * lineHeight;
}

bool PreviewPlayer::Load(const AnimDoc* doc, const CompositionRules& rules) {
    playing_ = false;
    current_ = nullptr;
    index_ = 0;
    doc_ = doc && doc->frameCount > 0 && doc->firstFrame ? doc : nullptr;
    if (!doc_) {
        StartComposition(screen_, 0, 0, rules);
        return true;
    }
    if (!StartComposition(screen_, doc_->screenWidth, doc_->screenHeight, rules)) {
        doc_ = nullptr;
        return false;
    }
    Show(doc_->firstFrame.get(), 0);
    return true;
}

void PreviewPlayer::Show(const Frame* frame, int index) {
    current_ = frame;
    index_ = index;
    // Cannot fail: the screen keeps room for everything composing needs.
    ComposeFrame(screen_, *frame, index == 0);
}

bool PreviewPlayer::Start(int64_t now) {
    if (playing_) return false;
    if (!doc_ || doc_->frameCount < 2) {
        Stop();
        return false;
    }
    bool moved = false;
    if (!current_->next) {
        Show(doc_->firstFrame.get(), 0);
        moved = true;
    }
    playing_ = true;
    timing_.Start(now);
    return moved;
}

bool PreviewPlayer::Stop() {
    const bool was = playing_;
    playing_ = false;
    return was;
}

bool PreviewPlayer::Tick(int64_t now) {
    if (!playing_ || !current_) return false;
    switch (timing_.Tick(now, *doc_, *current_)) {
        case PlaybackTiming::Move::kStay: return false;
        case PlaybackTiming::Move::kNext: Show(current_->next.get(), index_ + 1); return true;
        case PlaybackTiming::Move::kRewind: Show(doc_->firstFrame.get(), 0); return true;
        case PlaybackTiming::Move::kEnd: Stop(); return false;
    }
    return false;
}

bool PreviewPlayer::Seek(int n) {
    Stop();
    if (!doc_) return false;
    n = std::clamp(n, 0, doc_->frameCount - 1);
    if (n == index_) return false;
    if (n > index_) {
        // Onwards from the picture on show, as playing would get there.
        while (index_ < n && current_->next) Show(current_->next.get(), index_ + 1);
        return true;
    }
    // Backwards: what the animation shows at n, not frame n drawn over a later
    // picture.
    if (ComposeUpTo(screen_, *doc_, n)) {
        current_ = NthFrame(*doc_, n);
        index_ = n;
    } else {
        Load(nullptr, screen_.rules);
    }
    return true;
}

}  // namespace kivo
