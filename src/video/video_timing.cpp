#include "video/video_timing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "doc/dib.h"

namespace kivo {

namespace {

using Wide = __int128;

// a / b rounded down, b > 0, a >= 0.
Wide FloorDiv(Wide a, Wide b) { return a / b; }
Wide CeilDiv(Wide a, Wide b) { return (a + b - 1) / b; }

int64_t Clamp64(Wide v) { return v > INT64_MAX ? INT64_MAX : int64_t(v); }

}  // namespace

int64_t VideoTick(const VideoClock& clock, int64_t timestamp) {
    if (clock.timeBaseNum <= 0 || clock.timeBaseDen <= 0 || timestamp <= clock.origin) return 0;
    // Seconds since the origin, as the fraction num / den.
    const Wide num = (Wide(timestamp) - clock.origin) * clock.timeBaseNum;
    const Wide den = clock.timeBaseDen;
    if (clock.fpsMilli <= 0) return Clamp64(FloorDiv(200 * num + den, 2 * den));  // rounded
    // The sample index: ceil(seconds * fps), then its time rounded to a tick.
    const Wide sample = CeilDiv(num * clock.fpsMilli, den * 1000);
    return Clamp64(FloorDiv(sample * 100 * 1000 * 2 + clock.fpsMilli, Wide(2) * clock.fpsMilli));
}

VideoEstimate EstimateVideo(int32_t width, int32_t height, double seconds, double picturesPerSecond,
                            int64_t claimedFrames) {
    VideoEstimate e;
    if (seconds > 0 && picturesPerSecond > 0 && std::isfinite(seconds * picturesPerSecond))
        e.frames = int64_t(std::min(std::ceil(seconds * picturesPerSecond), 9.0e15));
    else if (claimedFrames > 0)
        e.frames = claimedFrames;
    if (width <= 0 || height <= 0) return e;
    const uint64_t picture = kInfoHeaderSize + uint64_t(DibRowBytes(uint32_t(width), 24)) * uint64_t(height);
    e.bytes = uint64_t(e.frames) > UINT64_MAX / picture ? UINT64_MAX : uint64_t(e.frames) * picture;
    return e;
}

std::vector<int64_t> VideoPresentationTimes(const std::vector<int32_t>& delays) {
    std::vector<int64_t> times;
    times.reserve(delays.size() + 1);
    int64_t t = 0;
    times.push_back(t);
    for (const int32_t d : delays) {
        t += d > 0 ? d : 1;
        times.push_back(t);
    }
    return times;
}

}  // namespace kivo
