// Times of a video import and export, kept apart from FFmpeg so that they can
// be checked alone. An animation counts in hundredths of a second ("ticks"); a
// stream in units of its time base.
#pragma once

#include <cstdint>
#include <vector>

namespace kivo {

// Where the pictures of a clip land on the animation's clock.
struct VideoClock {
    int64_t timeBaseNum = 1, timeBaseDen = 1;  // the stream's unit, in seconds
    int64_t origin = 0;   // the stream time that becomes tick 0
    // Pictures taken at fpsMilli / 1000 a second: each lands on the first
    // sample time at or after its own, so a sample shows the latest picture
    // that had begun. 0: every picture keeps its own time.
    int64_t fpsMilli = 0;
};

// The tick at which a picture with this timestamp begins; times before the
// origin land on 0.
int64_t VideoTick(const VideoClock& clock, int64_t timestamp);

// The frames a clip would give and the bytes their pictures (24-bit DIBs)
// would take, before anything is decoded: seconds of video times pictures a
// second, or the count the container claims. frames is 0 when nothing says.
struct VideoEstimate {
    int64_t frames = 0;
    uint64_t bytes = 0;
};
VideoEstimate EstimateVideo(int32_t width, int32_t height, double seconds, double picturesPerSecond,
                            int64_t claimedFrames);

// The export's presentation times in ticks: frame i starts where the delays
// before it end. A delay of 0 still shows for one tick, as players show it, so
// that no two frames share a time. One entry more than delays: the end.
std::vector<int64_t> VideoPresentationTimes(const std::vector<int32_t>& delays);

}  // namespace kivo
