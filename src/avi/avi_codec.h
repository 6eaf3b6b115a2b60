// What the encoder list and the AVI writer both ask of FFmpeg's encoders.
#pragma once

#include <string_view>

#include "avi/avi_io.h"

namespace kivo {

// The encoder called name when the AVI export may use it (an AVI video encoder
// that runs without special hardware), else nullptr.
const AVCodec* FindAviEncoder(std::string_view name);

// The pixel format pictures of this depth (8 or 24 bits) are handed to codec
// in: PAL8 or BGR24 as they are, when it takes them; otherwise the best of its
// formats that the scaler can make. AV_PIX_FMT_NONE when there is none.
AVPixelFormat EncoderPixelFormat(const AVCodec* codec, int bits);

}  // namespace kivo
