#include "app/frame_size.h"

#include "doc/dib.h"

namespace kivo {

FrameSizeFault CheckFrameSize(int64_t width, int64_t height) {
    if (width < 1 || width > kMaxFrameSide) return FrameSizeFault::kWidth;
    if (height < 1 || height > kMaxFrameSide) return FrameSizeFault::kHeight;
    // Both sides are below 2^15 here, so the product cannot overflow.
    if (uint64_t(width) * uint64_t(height) > MaxImagePixels) return FrameSizeFault::kTooLarge;
    return FrameSizeFault::kNone;
}

const char* BlankFrameSizeMessage(FrameSizeFault fault, int64_t width, int64_t height) {
    switch (fault) {
        case FrameSizeFault::kNone: return nullptr;
        case FrameSizeFault::kWidth:
            return width < 1 ? "幅が 0 では作れません。" : "コマの幅と高さは 32767 までです。";
        case FrameSizeFault::kHeight:
            return height < 1 ? "高さが 0 では作れません。" : "コマの幅と高さは 32767 までです。";
        case FrameSizeFault::kTooLarge: return "この大きさのコマは作れません。";
    }
    return nullptr;
}

const char* PastedPictureMessage(FrameSizeFault fault) {
    switch (fault) {
        case FrameSizeFault::kNone: return nullptr;
        case FrameSizeFault::kWidth:
        case FrameSizeFault::kHeight: return "貼り付ける画像の幅と高さは 1 から 32767 までです。";
        case FrameSizeFault::kTooLarge: return "画像が大きすぎて貼り付けられません。";
    }
    return nullptr;
}

}  // namespace kivo
