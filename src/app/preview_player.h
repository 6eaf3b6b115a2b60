// The preview's playback without a window: which frame shows, what the screen
// looks like, when the next frame is due and when the repetitions are over.
// The window feeds it the time of a monotonic clock in milliseconds, so tests
// drive it with a clock of their own.
#pragma once

#include <cstdint>

#include "app/playback_timing.h"
#include "app/window_position.h"
#include "doc/anim_doc.h"
#include "render/compositor.h"

namespace kivo {

// The drawing area: the logical screen with a margin of 20 pixels, at least
// wide enough for the buttons under it and 100 pixels high, the screen centred.
struct PreviewGeometry {
    int viewWidth = 0, viewHeight = 0;
    int offsetX = 0, offsetY = 0;
};
// doc: nullptr (or a document without frames) for none. charWidth: the
// interface font's layout unit.
PreviewGeometry PreviewGeometryFor(const AnimDoc* doc, int charWidth);

// The widths of the controls under the drawing area, in character widths:
// " 開始 ", " 停止 ", " 000 コマ ", " 背景色... ", and one mode radio button.
constexpr int kStartChars = 6, kStopChars = 6, kCounterChars = 10, kColourChars = 11, kModeChars = 17;

// Whether the stored position puts the window where it can be reached on a
// display of that size; otherwise the window system places it.
bool PreviewPositionUsable(WindowPoint stored, int displayWidth, int displayHeight, int charWidth,
                           int lineHeight);

class PreviewPlayer {
public:
    // Shows doc from its first frame on a fresh screen, stopped. nullptr or a
    // document without frames shows nothing. False when the screen cannot be
    // made (too large, out of memory): nothing shows then either.
    bool Load(const AnimDoc* doc, const CompositionRules& rules);

    // Starts playing (from the first frame when the last one shows); true when
    // that changed the picture. Fewer than two frames never play.
    bool Start(int64_t now);
    // True when it was playing.
    bool Stop();
    // One timer tick: moves on when the frame on show has had its delay (a
    // frame without one stays for one tick), and stops on the last frame once
    // the loop setting's repetitions are over. True when a new frame shows.
    bool Tick(int64_t now);
    // Shows frame n (clamped into the document) as the animation shows it,
    // stopping playback; true when the picture changed.
    bool Seek(int n);
    // Rules for the frames drawn from now on (the working format changed).
    void SetRules(const CompositionRules& rules) { screen_.rules = rules; }

    const AnimDoc* Document() const { return doc_; }
    bool HasPicture() const { return current_ != nullptr; }
    bool Playing() const { return playing_; }
    int Index() const { return index_; }
    // The logical screen as it shows now, top row first.
    const Composition& Screen() const { return screen_; }

private:
    void Show(const Frame* frame, int index);

    const AnimDoc* doc_ = nullptr;
    Composition screen_;
    const Frame* current_ = nullptr;
    int index_ = 0;
    bool playing_ = false;
    PlaybackTiming timing_;
};

}  // namespace kivo
