// One video stream into an AVI file through FFmpeg: pictures of one size, 8-bit
// with one shared palette or 24-bit, each written as the sample at a given
// position; samples left out in between repeat the picture before them.
// Uncompressed pictures go into the file as the DIB rows they are (bottom-up,
// padded to 4 bytes, the palette in the stream format); any other encoder gets
// them converted to a pixel format it takes.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "doc/dib.h"
#include "doc/types.h"
#include "platform/safe_save.h"

namespace kivo {

struct AviVideoFormat {
    int32_t width = 0, height = 0;
    int bits = 24;      // 8: indices into palette; 24: blue, green, red
    Palette palette;    // 8 bits only, at most 256 entries
    int32_t unit = 1;   // hundredths of a second per sample
};

enum class AviOpenResult {
    kOk,
    kRefused,  // the encoder does not take pictures of this format
    kFailed,   // no such encoder, no memory, or the file could not be written
};

class AviStreamWriter {
public:
    AviStreamWriter();
    ~AviStreamWriter();
    AviStreamWriter(const AviStreamWriter&) = delete;
    AviStreamWriter& operator=(const AviStreamWriter&) = delete;

    // Starts the file in `file`, which must outlive the writer.
    AviOpenResult Open(SafeFile& file, std::string_view encoder, const AviVideoFormat& format);
    // Writes one picture, a DIB of the format, as the sample at position;
    // positions must increase.
    bool Write(DibSpan picture, int64_t position);
    // Flushes the encoder and completes headers and index.
    bool Finish();

private:
    struct State;
    std::unique_ptr<State> s_;
};

}  // namespace kivo
