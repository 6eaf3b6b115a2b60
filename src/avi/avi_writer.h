// One video stream into an AVI file through FFmpeg: pictures of one size, 8-bit
// DIBs with one shared palette or full-colour screens as the compositor makes
// them, each written as the sample at a given position; samples left out in
// between repeat the picture before them. Uncompressed pictures go into the
// file as DIB rows (bottom-up, padded to 4 bytes, the palette in the stream
// format); any other encoder gets them converted to a pixel format it takes.
// One thread at a time may use a writer.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "doc/dib.h"
#include "doc/types.h"
#include "platform/safe_save.h"

namespace kivo {

struct AviVideoFormat {
    int32_t width = 0, height = 0;
    int bits = 24;      // 8: indices into palette; 24: red, green, blue
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
    // Writes one 8-bit picture, a DIB of the format, as the sample at position;
    // positions must increase.
    bool Write(DibSpan picture, int64_t position);
    // The same for full colour: width * height pixels 0x??RRGGBB (the top byte
    // is ignored), top row first.
    bool WriteScreen(std::span<const uint32_t> screen, int64_t position);
    // Flushes the encoder and completes headers and index.
    bool Finish();

private:
    struct State;
    std::unique_ptr<State> s_;
};

}  // namespace kivo
