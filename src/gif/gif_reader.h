// Reading a GIF87a/GIF89a file, still or animated, into a new AnimDoc: every image
// becomes a frame holding a 24-bit DIB, the palettes stay beside the pictures,
// graphic control blocks, comments and the loop block become frame and document
// fields. Runs behind the progress dialog; the user can cancel between images.
// Images are decoded on helper threads while the file is read on, a few at a
// time, with the same document, messages and cancel as reading in order.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "doc/anim_doc.h"
#include "platform/platform.h"

namespace kivo {

// The document, or nullptr after a reported failure or a cancel. Errors go to
// ShowError; a file that cannot be opened fails without a message.
std::unique_ptr<AnimDoc> ReadGif(OwnerWindow owner, const std::string& path);
// The same over bytes in memory (tests, fuzzing); `path` is only recorded and
// named in messages.
std::unique_ptr<AnimDoc> ReadGifBytes(OwnerWindow owner, std::span<const uint8_t> bytes,
                                      const std::string& path = {});

// A file that ends in the middle of a block, as an interrupted download or copy
// leaves it. ReadGif shows `message` and fails.
struct GifCut {
    bool cut = false;
    int completeFrames = 0;  // frames whose image was read whole before the end
    std::string message;     // what is wrong with the file, naming it
};
// ReadGif for a caller that can offer what a cut-off file still holds: such a
// file gives its complete frames (nullptr when there are none) without a
// message, and `cut` tells what happened. Every other outcome is ReadGif's.
std::unique_ptr<AnimDoc> ReadGifUpToCut(OwnerWindow owner, const std::string& path, GifCut& cut);
std::unique_ptr<AnimDoc> ReadGifBytesUpToCut(OwnerWindow owner, std::span<const uint8_t> bytes,
                                             const std::string& path, GifCut& cut);

// Why a read ended the way it did, one value per cause; GifReadMessages gives
// the texts.
enum class GifReadFault {
    kNone,
    kNotOpened,      // the file could not be opened: no message
    kCancelled,      // no message
    kNoMemory,
    kHeader,         // no GIF header
    kGlobalTable,    // the global colour table cannot be read
    kExtension,      // an extension block cannot be read
    kImageData,      // an image cannot be read or decoded
    kUndefinedCode,  // a block introducer no GIF has: `code`
    kTrailer,        // the file ends without an image after all
    kCut,            // the file ends inside a block, after `completeFrames` whole images
};
struct GifReadError {
    GifReadFault fault = GifReadFault::kNone;
    int code = 0;               // kUndefinedCode
    std::string path;           // kCut: the file, named in the message
    int completeFrames = 0;     // kCut
    bool beforeFrames = false;  // kCut: inside the header's colour table
    // The file has no trailer: a warning, shown before any error.
    bool trailerMissing = false;
    GifReadError(GifReadFault f = GifReadFault::kNone) : fault(f) {}
    explicit operator bool() const { return fault != GifReadFault::kNone; }
};
// The failure's own message; empty for kNone, kNotOpened and kCancelled.
std::string GifReadMessage(const GifReadError& error);
// Everything the user is shown, in order: the missing trailer, then the failure.
std::vector<std::string> GifReadMessages(const GifReadError& error);

// ReadGif and ReadGifBytes with the outcome in `error` and nothing shown; owner
// holds the progress dialog. With upToCut a cut-off file gives its complete
// frames (kCut tells), as ReadGifUpToCut does.
std::unique_ptr<AnimDoc> LoadGif(OwnerWindow owner, const std::string& path, GifReadError& error,
                                 bool upToCut = false);
std::unique_ptr<AnimDoc> LoadGifBytes(OwnerWindow owner, std::span<const uint8_t> bytes, const std::string& path,
                                      GifReadError& error, bool upToCut = false);

// --- Shared by both GIF readers -------------------------------------------

// Decoded row r of an image goes to this image row (0 = top). Interlaced images
// arrive as rows 0, 8, 16 … then 4, 12 … then 2, 6 … then 1, 3, 5 ….
int GifImageRow(int decodedRow, int height, bool interlaced);

// Blue, green, red for every possible pixel value. Values beyond the palette's
// length are black, so no pixel ever reads past a palette.
struct GifColorLookup {
    std::array<uint8_t, 4096 * 3> bgr{};  // all black at first
    size_t filled = 0;                    // entries that may hold a colour
    // The first 256 entries again as blue, green, red, 0, so that a pixel is
    // one four-byte store.
    std::array<std::array<uint8_t, 4>, 256> bgr0{};
};
// Fills the palette's entries and blackens what an earlier palette left beyond
// it, so one lookup serves image after image at the cost of their palettes.
void BuildColorLookup(const Rgb* palette, size_t count, GifColorLookup& lookup);
// Writes one row of decoded indices into a 24-bit DIB row.
void StoreGifRow(const uint16_t* indices, int width, const GifColorLookup& lookup,
                 uint8_t* dibRow);
void StoreGifRow(const uint8_t* indices, int width, const GifColorLookup& lookup, uint8_t* dibRow);

}  // namespace kivo
