// When each frame of an exported AVI shows. An AVI plays samples at one fixed
// rate, so the export picks a time unit that every delay is a whole number of,
// writes each frame at the sample where it starts, and writes the last frame a
// second time where its delay ends, so that the video does not stop short.
#pragma once

#include <cstdint>
#include <vector>

#include "doc/anim_doc.h"

namespace kivo {

// The frames' delays in hundredths of a second, in order.
std::vector<int32_t> FrameDelays(const AnimDoc& doc);

// The time unit u in hundredths of a second: the smallest delay, lowered to the
// smallest difference between two delays; above 100 the largest of 100, 50, 25,
// 20, 10, 5, 4, 2 that divides it (else 1). When some delay is no multiple of
// it, 1. A delay of 0 counts as 1.
int32_t AviTimeUnit(const std::vector<int32_t>& delays);

struct AviSampleWrite {
    size_t frame = 0;       // index in the document
    int64_t position = 0;   // sample number
};
// Every write in order: each frame at its start; the last frame again at its
// last sample when it lasts longer than one.
std::vector<AviSampleWrite> AviSchedule(const std::vector<int32_t>& delays, int32_t unit);

}  // namespace kivo
