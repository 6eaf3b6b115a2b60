#include "app/playback_timing.h"

namespace kivo {

void PlaybackTiming::Start(int64_t now) {
    lastChange_ = now;
    runs_ = 0;
}

PlaybackTiming::Move PlaybackTiming::Tick(int64_t now, const AnimDoc& doc, const Frame& shown) {
    if (shown.hasDelay && now - lastChange_ < int64_t(shown.delay) * 10) return Move::kStay;
    lastChange_ = now;
    if (shown.next) return Move::kNext;
    const int32_t n = runs_++;
    const bool lastRun = (doc.loopEnabled == 1 && doc.loopCount != 0 && n == doc.loopCount) ||
                         (doc.loopEnabled == 0 && n == 0);
    return lastRun ? Move::kEnd : Move::kRewind;
}

}  // namespace kivo
