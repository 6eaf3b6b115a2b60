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
// image. nullptr after "insufficient memory".
PngRead PngReadBegin(OwnerWindow owner, bool keepPalette);
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

}  // namespace kivo
