#include "avi/avi_timing.h"

#include <algorithm>

namespace kivo {

namespace {

// A delay of 0 still occupies the screen for one tick.
int64_t Ticks(int32_t delay) { return delay > 0 ? delay : 1; }

}  // namespace

std::vector<int32_t> FrameDelays(const AnimDoc& doc) {
    std::vector<int32_t> delays;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) delays.push_back(f->delay);
    return delays;
}

int32_t AviTimeUnit(const std::vector<int32_t>& delays) {
    if (delays.empty()) return 1;
    std::vector<int64_t> ticks;
    ticks.reserve(delays.size());
    for (int32_t d : delays) ticks.push_back(Ticks(d));
    std::sort(ticks.begin(), ticks.end());
    int64_t u = ticks.front();
    // The smallest difference between any two delays is one between neighbours.
    for (size_t i = 1; i < ticks.size(); ++i)
        if (ticks[i] != ticks[i - 1]) u = std::min(u, ticks[i] - ticks[i - 1]);
    if (u > 100) {
        int64_t divisor = 1;
        for (int64_t d : {100, 50, 25, 20, 10, 5, 4, 2}) {
            if (u % d == 0) {
                divisor = d;
                break;
            }
        }
        u = divisor;
    }
    if (u != 1)
        for (int64_t t : ticks)
            if (t % u != 0) return 1;
    return int32_t(u);
}

std::vector<AviSampleWrite> AviSchedule(const std::vector<int32_t>& delays, int32_t unit) {
    std::vector<AviSampleWrite> writes;
    if (unit <= 0) return writes;
    writes.reserve(delays.size() + 1);
    int64_t s = 0;
    for (size_t i = 0; i < delays.size(); ++i) {
        writes.push_back({i, s});
        const int64_t g = Ticks(delays[i]);
        if (i + 1 == delays.size() && g != unit) {
            s += (g - unit) / unit;
            if (s != writes.back().position) writes.push_back({i, s});
        } else {
            s += g / unit;
        }
    }
    return writes;
}

}  // namespace kivo
