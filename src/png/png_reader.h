// PNG data into a frame, through libpng's progressive reader. The reader is fed
// pieces of data from any source: a file, bytes in memory, or a PNG datastream
// inside an MNG file, which supplies the signature it lacks and splices the
// global palette chunks in front of its own image data.
//
// The frame receives a 24-bit DIB; colours with partial alpha are blended over
// the file's background (bKGD, else black), and the first fully transparent
// pixel's colour becomes the frame's transparent colour. With KeepPngPalette on,
// an indexed file also leaves its palette and index plane on the frame, so a
// save can reuse them unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "doc/anim_doc.h"
#include "platform/platform.h"

namespace kivo {

struct PngReadContext;
struct PngReadContextDeleter {
    void operator()(PngReadContext* context) const;
};
using PngRead = std::unique_ptr<PngReadContext, PngReadContextDeleter>;

enum class PngFeed { kMore, kDone, kFailed };

// Starts a read; keepPalette asks for the palette and index plane of an indexed
// image: keptTable's colours when given (an MNG datastream may take its palette
// from outside), else the image's own palette. nullptr after "insufficient
// memory" or "memory less...".
PngRead PngReadBegin(OwnerWindow owner, bool keepPalette, const Palette* keptTable = nullptr);
// Hands data to libpng in pieces of at most 4096 bytes until the image ends.
// kFailed (sticky) after the error has been shown.
PngFeed PngReadFeed(PngReadContext& context, std::span<const uint8_t> data);
// After kDone: moves the picture, transparency, texts and kept palette into the
// frame. Placement, delay and disposal stay the caller's. False (frame
// unchanged) when memory runs out.
bool PngReadFinish(PngReadContext& context, Frame& frame);

// A whole PNG file or byte string into frame. False after a reported failure; the
// frame then receives nothing.
bool ReadPng(OwnerWindow owner, const std::string& path, Frame& frame);
bool ReadPngBytes(OwnerWindow owner, std::span<const uint8_t> bytes, Frame& frame);

// True when bytes begin with the 8-byte PNG signature.
bool HasPngSignature(std::span<const uint8_t> bytes);

// --- A PNG datastream inside an MNG file -----------------------------------

// `n` bytes of the datastream at `offset` (0 = the length field of its IHDR
// chunk), as a view valid until the next call; empty when they cannot be read.
using PngStreamRead = std::function<std::span<const uint8_t>(uint64_t offset, size_t n)>;

// One datastream as the MNG reader's scan of its chunks found it, with the MNG's
// global PLTE and tRNS chunks, each stored whole (length, type, data, CRC) and
// empty when the MNG has none.
struct PngInMng {
    uint64_t length = 0;  // up to the end of the IEND chunk
    PngStreamRead read;
    std::span<const uint8_t> globalPlte, globalTrns;
    bool palette = false;     // colour type 3
    bool ownPlte = false;     // it has a PLTE chunk with data
    bool ownTrns = false;     // it has a tRNS chunk
    uint64_t firstDataAt = 0; // its first tRNS, IDAT, bKGD, sBIT or gAMA chunk
    bool emptyPlte = false;   // it has a PLTE chunk of length 0 …
    uint64_t emptyPlteAt = 0; // … here, where the global palette takes its place
    // KeepPngPalette: keep a palette and index plane. For a palette image the
    // MNG reader passes the table to keep: the datastream's own palette, or room
    // for 2^depth entries that the global palette is copied into (failing when
    // it has more). Without a table the image's own palette is kept, if any.
    bool keepPalette = false;
    Palette* keptTable = nullptr;
};

// Feeds libpng the PNG signature the datastream lacks and then the datastream;
// a palette image without a palette of its own gets the global PLTE, and the
// global tRNS unless it has its own, in front of its image data (in place of an
// empty PLTE). Fills the frame as ReadPng does. False after a failure; libpng's
// failures are shown, a global palette too large for the kept table is not.
bool ReadPngInMng(OwnerWindow owner, const PngInMng& stream, Frame& frame);

}  // namespace kivo
