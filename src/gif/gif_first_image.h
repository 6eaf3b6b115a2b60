// A quick look at a GIF: only its first image, decoded into one frame's 24-bit
// DIB, for the picture preview of the open dialog. Builds no document, shows no
// progress and leaves the current document alone.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "doc/anim_doc.h"
#include "platform/platform.h"

namespace kivo {

// Why a look failed, one value per cause; GifFirstImageMessage gives the text.
enum class GifFirstImageFault {
    kNone,
    kCannotOpen,    // the file cannot be opened
    kNoImage,       // no image before the file ends
    kTooLittleData, // far too little image data for the picture
    kDamagedData,   // the image data breaks off: the frame holds the rows before it
    kNoMemory,      // not shown
};
struct GifFirstImageError {
    GifFirstImageFault fault = GifFirstImageFault::kNone;
    std::string path;  // kCannotOpen
    GifFirstImageError(GifFirstImageFault f = GifFirstImageFault::kNone) : fault(f) {}
    explicit operator bool() const { return fault != GifFirstImageFault::kNone; }
    // The frame received a picture: no error, or damaged data after some rows.
    bool framed() const { return fault == GifFirstImageFault::kNone || fault == GifFirstImageFault::kDamagedData; }
};
// The error's message; empty for kNone and kNoMemory.
std::string GifFirstImageMessage(const GifFirstImageError& error);

// Fills the frame's dib, width and height (and, for a file with a transparent
// colour, hasTransparency and transparentRgb) when error.framed().
GifFirstImageError DecodeFirstGifImage(const std::string& path, Frame& frame);
// The same over bytes in memory (tests, fuzzing).
GifFirstImageError DecodeFirstGifImageBytes(std::span<const uint8_t> bytes, Frame& frame);

// The same, showing the message: true when the frame received a picture, so
// damaged image data still gives true with the rows decoded before the damage,
// after the message "gif read error".
bool DecodeFirstGifImage(OwnerWindow owner, const std::string& path, Frame& frame);
bool DecodeFirstGifImageBytes(OwnerWindow owner, std::span<const uint8_t> bytes, Frame& frame);

}  // namespace kivo
