// Where a clip's pictures land on the animation's clock, what a clip is
// estimated to take, and when exported frames start.
#include <gtest/gtest.h>

#include "video/video_timing.h"

namespace kivo {
namespace {

TEST(VideoTick, TimestampsLandOnTicksOrOnTheChosenRate) {
    struct Case {
        VideoClock clock;
        int64_t timestamp, tick;
    };
    const Case cases[] = {
        {{1, 12800, 0, 0}, 512, 4},        // 25 pictures a second: 0.04 s
        {{1, 12800, 0, 0}, 12800, 100},
        {{1001, 30000, 0, 0}, 1, 3},       // 0.0334 s rounds to 3
        {{1001, 30000, 0, 0}, 30, 100},    // counted from the start: no drift
        {{1, 1000, 500, 0}, 400, 0},       // before the origin
        {{1, 1000, 500, 0}, 1750, 125},
        {{1, 90000, 126000, 0}, 129600, 4},  // a stream that starts late
        {{1, 1000, 0, 10000}, 0, 0},       // 10 a second: the sample at or after
        {{1, 1000, 0, 10000}, 1, 10},
        {{1, 1000, 0, 10000}, 100, 10},
        {{1, 1000, 0, 10000}, 101, 20},
        {{1, 1000, 0, 7500}, 150, 27},     // 7.5 a second: sample 2 at 0.2667 s
        {{1, 1000, 0, 3000}, 1000, 100},
        {{0, 1, 0, 0}, 1000, 0},           // no time base
        {{1, 1, -(int64_t(1) << 60), 0}, int64_t(1) << 40, INT64_MAX},  // hostile times saturate
        {{1000, 1, 0, 1000000}, int64_t(1) << 40, (int64_t(1) << 40) * 100000},  // no overflow inside
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.clock.timeBaseNum << "/" << c.clock.timeBaseDen << " origin "
                                        << c.clock.origin << " fps " << c.clock.fpsMilli << " at " << c.timestamp);
        EXPECT_EQ(VideoTick(c.clock, c.timestamp), c.tick);
    }
}

TEST(EstimateVideo, SecondsTimesRateOrTheClaimedCount) {
    struct Case {
        int32_t width, height;
        double seconds, rate;
        int64_t claimed, frames;
        uint64_t bytes;
    };
    const Case cases[] = {
        {32, 32, 2.0, 25, 0, 50, 50 * (40 + 96 * 32)},
        {30, 10, 1.0, 29.97, 0, 30, 30 * (40 + 92 * 10)},  // rows padded to 4 bytes
        {32, 32, 0, 25, 7, 7, 7 * (40 + 96 * 32)},          // no duration: the count
        {32, 32, 0, 0, 0, 0, 0},
        {0, 0, 2.0, 10, 0, 20, 0},                          // size not known yet
        {65535, 65535, 1e9, 1000, 0, 1000000000000, UINT64_MAX},
    };
    for (const Case& c : cases) {
        const VideoEstimate e = EstimateVideo(c.width, c.height, c.seconds, c.rate, c.claimed);
        EXPECT_EQ(e.frames, c.frames) << c.width << "x" << c.height << " " << c.seconds << " s";
        EXPECT_EQ(e.bytes, c.bytes) << c.width << "x" << c.height << " " << c.seconds << " s";
    }
}

TEST(VideoPresentationTimes, DelaysAddUpAndZeroStillTakesATick) {
    EXPECT_EQ(VideoPresentationTimes({10, 30, 7}), (std::vector<int64_t>{0, 10, 40, 47}));
    EXPECT_EQ(VideoPresentationTimes({0, 0, 5}), (std::vector<int64_t>{0, 1, 2, 7}));
    EXPECT_EQ(VideoPresentationTimes({}), (std::vector<int64_t>{0}));
}

}  // namespace
}  // namespace kivo
