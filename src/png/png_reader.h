// PNG data into a frame, through libpng's progressive reader. The reader is fed
// pieces of data from any source: a file, bytes in memory, or a PNG datastream
// inside an MNG file, which supplies the signature it lacks and splices the
// global palette chunks in front of its own image data.
//
// The frame receives a 24-bit DIB; colours with partial alpha are blended over
// the file's background (bKGD, else black), and the first fully transparent
// pixel's colour becomes the frame's transparent colour (with the read option
// oneClearColour, one that no opaque pixel has, taken by every clear pixel). With keepPngPalette,
// an indexed file also leaves its palette and index plane on the frame, so a
// save can reuse them unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "doc/anim_doc.h"
#include "options/read_options.h"
#include "platform/platform.h"

namespace kivo {

struct PngReadContext;
struct PngReadContextDeleter {
    void operator()(PngReadContext* context) const;
};
using PngRead = std::unique_ptr<PngReadContext, PngReadContextDeleter>;

// Why a read failed, one value per cause; PngReadMessage turns it into the
// text the user is shown. Converts to true when there is an error, as
// std::error_code does, so `if (PngReadError e = ReadPngBytes(...))` reads as
// "if it failed".
enum class PngReadFault {
    kNone,
    kFileOpen,            // the file cannot be opened
    kNotPng,              // no PNG signature
    kNoContext,           // no memory for the read's own state
    kNoHandles,           // libpng could not make its structures
    kImageTooLarge,       // beyond 65535 pixels a side or MaxImagePixels
    kRowLayout,           // libpng's rows are not the 3 or 4 channels asked for
    kImageMemory,         // no memory for the picture
    kLibpng,              // libpng refused the data; its own words in `libpng`
    kTruncated,           // the data ends before IEND
    kTextMemory,          // no memory for the texts once the image was read
    kGlobalPaletteTooLarge,  // an MNG's global palette does not fit the kept table
};
struct PngReadError {
    PngReadFault fault = PngReadFault::kNone;
    std::string libpng;  // kLibpng: libpng's text
    PngReadError(PngReadFault f = PngReadFault::kNone) : fault(f) {}
    explicit operator bool() const { return fault != PngReadFault::kNone; }
};
// The message for an error; empty for kNone and for the one cause that is not
// shown (kGlobalPaletteTooLarge, which the MNG reader reports its own way).
std::string PngReadMessage(const PngReadError& error);

enum class PngFeed { kMore, kDone, kFailed };

// Starts a read; keepPalette asks for the palette and index plane of an indexed
// image: keptTable's colours when given (an MNG datastream may take its palette
// from outside), else the image's own palette. nullptr, with error set, when
// memory runs out.
PngRead PngReadBegin(bool keepPalette, const Palette* keptTable, PngReadError& error);
// Hands data to libpng in pieces of at most 4096 bytes until the image ends.
// kFailed is sticky; PngReadErrorOf then says why.
PngFeed PngReadFeed(PngReadContext& context, std::span<const uint8_t> data);
const PngReadError& PngReadErrorOf(const PngReadContext& context);
// After kDone: moves the picture, transparency, texts and kept palette into the
// frame. Placement, delay and disposal stay the caller's. kTextMemory (frame
// unchanged) when memory runs out.
PngReadError PngReadFinish(PngReadContext& context, Frame& frame);

// A whole PNG file or byte string into frame; on an error the frame receives
// nothing.
PngReadError ReadPng(const std::string& path, Frame& frame, const ReadOptions& options = {});
PngReadError ReadPngBytes(std::span<const uint8_t> bytes, Frame& frame, const ReadOptions& options = {});
// The same, showing the error's message through ShowError; false after it.
bool ReadPng(OwnerWindow owner, const std::string& path, Frame& frame, const ReadOptions& options = {});
bool ReadPngBytes(OwnerWindow owner, std::span<const uint8_t> bytes, Frame& frame,
                  const ReadOptions& options = {});

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
// empty PLTE). Fills the frame as ReadPng does.
PngReadError ReadPngInMng(const PngInMng& stream, Frame& frame);
// The same, showing libpng's failures; a global palette too large for the kept
// table is not shown.
bool ReadPngInMng(OwnerWindow owner, const PngInMng& stream, Frame& frame);

}  // namespace kivo
