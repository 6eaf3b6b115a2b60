// What the MNG reader's chunk handlers share: the reading context and the
// handlers themselves. Not for use outside src/mng.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "doc/anim_doc.h"
#include "mng/mng_input.h"
#include "mng/mng_reader.h"
#include "platform/platform.h"

namespace kivo {

// Inflates zTXt texts. Bounded, because a few bytes of deflate data can stand for
// megabytes: one text may grow to kMaxText bytes, all of a file's texts together
// to kMaxAllTexts.
class TextInflater {
public:
    static constexpr size_t kMaxText = size_t(8) << 20;
    static constexpr size_t kMaxAllTexts = size_t(32) << 20;

    TextInflater();
    ~TextInflater();
    TextInflater(const TextInflater&) = delete;
    TextInflater& operator=(const TextInflater&) = delete;

    // The whole zlib stream `in` into `out`. False for damaged or cut data, or a
    // text beyond the bounds. Throws std::bad_alloc.
    bool Inflate(std::span<const uint8_t> in, std::string& out);

private:
    z_stream stream_{};
    bool ready_ = false;
    size_t allowance_ = kMaxAllTexts;
};

// Pixels an image may have beyond what its data can plausibly describe (16384
// pixels a byte: more than deflate's best case for 1-bit pictures), counted over
// the whole read. Damaged or hostile data rarely backs its claimed size; this
// keeps a small file from filling memory with frames made up of nothing.
constexpr size_t kPixelsPerDataByte = 16384;
constexpr size_t kUnbackedPixels = size_t(1) << 24;

struct MngReader {
    MngReader(MngInput& i, AnimDoc& d, MngReadError& e) : in(i), doc(d), error(e) {}

    MngInput& in;
    AnimDoc& doc;
    // An embedded reader's failure and the warnings so far; a handler that
    // fails for its own reasons leaves it as it is.
    MngReadError& error;
    bool firstImageOnly = false;  // the preview reader: images only, no timing
    bool keepPngPalette = false;  // indexed datastreams keep palette and indices

    uint64_t position = 0;       // the next chunk's start
    uint32_t ticksPerSecond = 0; // as MHDR gives it
    int32_t x = 0, y = 0;        // placement from DEFI, for this and later frames
    Frame* lastFrame = nullptr;  // the list's last frame (it may be pending)
    Frame* beforePending = nullptr;
    // The frame FRAM or DEFI began, or an image is being read into; it goes
    // at MEND when no image followed.
    Frame* pendingFrame = nullptr;
    // What FRAM set for the frames after it. Reading a whole file starts from
    // MNG's own values, 1 and 1; the first-image reader, which takes no
    // timing, leaves them at 0.
    uint8_t framingMode = 0;
    int32_t defaultDelay = 0;
    // The framing mode that a FRAM before the first frame gave: it belongs to
    // the last frame.
    bool preFirstFrameModeSet = false;
    uint8_t preFirstFrameMode = 0;
    size_t unbackedPixels = kUnbackedPixels;

    // The global PLTE and tRNS chunks, each whole: length, type, data, CRC.
    std::vector<uint8_t> globalPlte, globalTrns;
    TextInflater inflater;
};

// Frame disposal for an MNG framing mode: 1 and 2 leave the frame in place,
// every other mode restores the background after it.
inline int16_t DisposalForFramingMode(uint8_t mode) { return mode == 1 || mode == 2 ? 1 : 2; }

// The frame that the next FRAM, DEFI or image belongs to: the pending one, or a
// new one at the end placed and timed by the current state. Throws std::bad_alloc.
Frame& PendingFrame(MngReader& r);

// Chunk handlers. Each gets a chunk whose CRC was checked; false fails the read.
// Throw std::bad_alloc when memory runs out.
bool HandleMhdr(MngReader& r, const InputChunk& chunk);
bool HandleTerm(MngReader& r, const InputChunk& chunk);
bool HandleDefi(MngReader& r, const InputChunk& chunk);
bool HandleFram(MngReader& r, const InputChunk& chunk);
bool HandleGlobal(MngReader& r, const InputChunk& chunk, std::vector<uint8_t>& store);
// tEXt and zTXt, into `keys` (the document's, or a JNG frame's).
bool HandleText(MngReader& r, const InputChunk& chunk, TextKeyList& keys);
// A PNG datastream from its IHDR, or a JNG datastream from its JHDR, into the
// pending frame; r.position ends past the datastream's IEND.
bool ReadPngDatastream(MngReader& r, const InputChunk& ihdr);
bool ReadJngDatastream(MngReader& r, const InputChunk& jhdr);

// Counts a decoded picture against what its data of `dataBytes` bytes can back.
// False when the unbacked allowance is spent.
bool PixelsBacked(MngReader& r, uint64_t width, uint64_t height, uint64_t dataBytes);

// Chunk types of MNG, PNG and JNG that the reader knows but passes over. Any
// other critical chunk fails the read: its meaning cannot be guessed.
bool IsKnownChunk(const InputChunk& chunk);

}  // namespace kivo
