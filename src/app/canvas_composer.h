// What the main window's canvas shows of a frame: the logical screen as the
// animation shows it while that frame is on, composed by the engine's
// compositor. Stepping through frames is the common case, so the screen on
// show is kept and the next frame drawn over it instead of composing from the
// start; screens passed on the way are kept now and then (checkpoints), so
// going back or jumping composes only a few frames; and after an edit only
// what the changed frames affect is composed again.
//
// Whether something kept still holds is told from the frames themselves: each
// frame's identity, placement, size, disposal, transparency and picture buffer
// are noted, and the first frame that differs ends what may be reused. A
// picture is replaced, never changed in place (the edit history's rule), so
// its buffer tells whether it changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "doc/anim_doc.h"
#include "render/compositor.h"

namespace kivo {

// The canvas's rules: the preview's for its view mode and the working format,
// with nothing drawn where no frame covers the screen (the canvas shows a
// checkerboard there instead of a background colour).
CompositionRules CanvasRules(int viewMode, int formatMode);

// frame alone at left, top on an empty screen of the document's size: the
// canvas's view of one frame without those before it. False when the screen
// cannot be made.
bool ComposeFrameAlone(Composition& out, const AnimDoc& doc, const Frame& frame, int32_t left, int32_t top);

inline constexpr size_t kDefaultCheckpointBytes = size_t(64) << 20;

class CanvasComposer {
public:
    // checkpointBytes: how much the screens kept for going back may hold.
    explicit CanvasComposer(size_t checkpointBytes = kDefaultCheckpointBytes);

    // The screen while frame n shows on the animation's first run (what
    // kivo-cli render and the preview's scroll bar show), and the screen while
    // n - 1 showed. False, showing nothing, when n does not exist or memory
    // runs out.
    bool Show(const AnimDoc& doc, int n, const CompositionRules& rules);
    // Playback moving on to frame n: drawn over the screen on show when that
    // is frame n - 1, or for n = 0 after the last frame over the last picture,
    // as a looping animation shows it; otherwise as Show.
    bool Play(const AnimDoc& doc, int n, const CompositionRules& rules);
    // The screen with the frame on show drawn at left, top instead of its own
    // place, into out: what a drag shows before the move is made. False when
    // nothing shows.
    bool ShowMoved(Composition& out, const AnimDoc& doc, const CompositionRules& rules, int32_t left, int32_t top);
    // Forgets every screen (the document went away).
    void Clear();

    bool HasScreen() const { return screenValid_; }
    // The frame on show; -1 for none.
    int Index() const { return screenValid_ ? index_ : -1; }
    const Composition& Screen() const { return screen_; }
    // The screen while the frame before showed (the onion skin's picture);
    // nullptr for the first frame of the first run.
    const Composition* Previous() const { return screenValid_ && beforeValid_ ? &before_ : nullptr; }
    // How many frames were drawn since this was made, to measure the work done.
    int64_t FramesDrawn() const { return drawn_; }

private:
    struct FrameKey {
        const Frame* frame = nullptr;
        int32_t left = 0, top = 0, width = 0, height = 0;
        int16_t disposal = 0;
        int32_t hasTransparency = 0;
        Rgb transparentRgb;
        const uint8_t* pixels = nullptr;
        size_t bytes = 0;
        bool operator==(const FrameKey&) const = default;
    };

    // Notes doc's frames and drops whatever no longer holds for them.
    void Validate(const AnimDoc& doc, const CompositionRules& rules);
    // Draws frame n over c, keeping a checkpoint on the first run.
    void Draw(Composition& c, const Frame& frame, int n, bool firstRun);
    // The first-run screen while frame m shows, into out, from the nearest
    // screen known.
    void ComposeState(const AnimDoc& doc, int m, Composition& out);

    size_t checkpointBytes_;
    const AnimDoc* doc_ = nullptr;
    CompositionRules rules_;
    int32_t width_ = 0, height_ = 0;
    std::vector<FrameKey> keys_, scratch_;

    Composition screen_;  // while frame index_ shows
    Composition before_;  // while frame index_ - 1 showed (the last, after a rewind)
    int index_ = -1;
    bool screenValid_ = false, beforeValid_ = false;
    bool firstRun_ = true;  // screen_ and before_ are the first run's; playback may go round

    std::map<int, Composition> checkpoints_;  // first-run screens by frame
    int spacing_ = 16;
    size_t maxCheckpoints_ = 0;
    int64_t drawn_ = 0;
};

}  // namespace kivo
