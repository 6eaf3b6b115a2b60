// The sizes a new frame may have, whether it is made blank or pasted from
// another program: 1 to 32767 pixels a side, and no more pixels than the
// engine holds in one picture. The arithmetic is done in 64 bits, so a size
// that would overflow is refused instead of wrapping round to a small one.
#pragma once

#include <cstdint>

namespace kivo {

constexpr int64_t kMaxFrameSide = 32767;

enum class FrameSizeFault { kNone, kWidth, kHeight, kTooLarge };

// Which field is at fault: a width or height below 1 or above kMaxFrameSide,
// or a picture whose pixels are beyond the engine's limit.
FrameSizeFault CheckFrameSize(int64_t width, int64_t height);

// The message the blank frame dialog shows for a fault (nullptr for none).
const char* BlankFrameSizeMessage(FrameSizeFault fault, int64_t width, int64_t height);
// The message a refused pasted picture shows (nullptr for none).
const char* PastedPictureMessage(FrameSizeFault fault);

}  // namespace kivo
