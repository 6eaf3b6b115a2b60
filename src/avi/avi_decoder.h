// The first video stream of an AVI file (or of any container FFmpeg reads, for
// the video import), decoded picture by picture into 24-bit DIBs by FFmpeg,
// whatever the stream's compression. Bounded against hostile headers: sizes and
// sample counts beyond the limits are refused before any picture is allocated.
#pragma once

#include <cstdint>
#include <memory>

#include "doc/types.h"

namespace kivo {

class AviSource;

// The most samples an AVI may claim, or an export write: the progress count
// and the delays are ints, and no animation of more frames is worth reading or
// writing. Fuzzers lower it.
extern int64_t MaxAviSamples;

enum class AviReadError {
    kNone,
    kOpen,       // not an AVI, no video stream, or a stream FFmpeg cannot read
    kNoDecoder,  // a compression this FFmpeg cannot decode
    kTooLarge,   // pictures or sample counts beyond the limits
    kDecode,     // a sample that cannot be decoded
    kMemory,
    kCancelled,  // the user cancelled an import (never the decoder's)
};

// The message for an error; "" for the causes that have none of their own
// (the open command says the file could not be opened) and for a cancel.
const char* AviReadMessage(AviReadError error);

// What a stream's headers say, before anything is decoded. Times are in units
// of timeBaseNum / timeBaseDen seconds.
struct VideoStreamFacts {
    int32_t width = 0, height = 0;   // 0 when the headers leave it to the decoder
    int64_t timeBaseNum = 0, timeBaseDen = 1;
    int64_t startTime = 0;           // the first picture's time, 0 when not said
    int64_t duration = 0;            // 0 when not said
    int64_t frameRateNum = 0, frameRateDen = 1;  // the average rate, 0 when not said
    int64_t claimedFrames = 0;       // 0 when not said
};

class AviDecoder {
public:
    AviDecoder();
    ~AviDecoder();
    AviDecoder(const AviDecoder&) = delete;
    AviDecoder& operator=(const AviDecoder&) = delete;

    // Opens the first video stream of the AVI in source, which must outlive
    // the decoder. With anyContainer, whatever container FFmpeg recognises in
    // the bytes; such a container never gets to open other files or URLs.
    AviReadError Open(AviSource& source, bool anyContainer = false);

    VideoStreamFacts Facts() const;
    // Moves to the last key picture at or before timestamp (stream units), so
    // that the next pictures lead up to it. False when the container cannot
    // seek; the decoder then goes on from where it was.
    bool SeekTo(int64_t timestamp);
    // How long the picture Next gave last lasts, in stream units; 0 when not said.
    int64_t LastDuration() const;

    // The sample count the stream header claims (0 = not said).
    int64_t ClaimedSamples() const;
    // One sample lasts scale / rate seconds; scale is 0 when the header gives
    // no usable rate.
    int64_t Scale() const;
    int64_t Rate() const;

    // The next picture as a 24-bit DIB in out (its buffer reused when it has
    // the right size) and its sample number, counted from 0 and increasing.
    // False at the end of the stream or on an error (Error() tells which).
    bool Next(Dib& out, int64_t& sample);
    AviReadError Error() const;
    // The last sample the stream reached, empty samples (which repeat the
    // picture before them) included; -1 before any.
    int64_t LastSample() const;

private:
    struct State;
    std::unique_ptr<State> s_;
};

}  // namespace kivo
