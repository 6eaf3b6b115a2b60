// When playback moves on and when it ends, apart from what is drawn: the
// preview window and the main window's canvas both play by this, so a frame
// stays on for the same time in each. Times are a monotonic clock's
// milliseconds, fed in by the caller.
#pragma once

#include <cstdint>

#include "doc/anim_doc.h"

namespace kivo {

class PlaybackTiming {
public:
    enum class Move {
        kStay,    // the frame on show stays
        kNext,    // the next frame comes on
        kRewind,  // the first frame comes on again: a new run through the list
        kEnd,     // the loop setting's runs are over: the last frame stays
    };

    // Playback starts at now with a fresh count of runs.
    void Start(int64_t now);
    // What happens at now while `shown` is on: it stays until its delay has
    // passed since it came on (a frame without a delay stays for one call);
    // after the last frame the list starts again until the document's loop
    // setting has had its runs (no loop block: one run; a count: that many
    // repetitions after the first; 0: for ever).
    Move Tick(int64_t now, const AnimDoc& doc, const Frame& shown);

private:
    int64_t lastChange_ = 0;
    int32_t runs_ = 0;  // ends of the list reached since playback started
};

}  // namespace kivo
