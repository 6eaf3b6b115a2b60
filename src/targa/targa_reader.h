// Truevision Targa (.tga) pictures as a frame's 24-bit picture: colour-mapped,
// true-colour and grey images, plain or run-length encoded, stored from the top
// or from the bottom. Alpha (32-bit and grey + alpha pictures) becomes the
// frame's transparent colour as doc/alpha_key.h describes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "doc/anim_doc.h"
#include "platform/platform.h"

namespace kivo {

enum class TargaError {
    kNone,
    kCannotOpen,  // "File Open Error": missing, unreadable or far too large
    kFault,       // "read fault!": a header or colour map we do not read
    kMemory,      // "memory error!": a picture too large for memory or a frame
    kTruncated,   // "read error!": the data ends inside the picture
};
// The message shown for an error ("" for kNone).
const char* TargaMessage(TargaError error);

// Reads a Targa file into the frame's dib, width and height. On an error the
// frame is not changed.
TargaError ReadTarga(const std::string& path, Frame& frame);
// The same for a file already in memory (the file form reads it whole, then
// parses here).
TargaError ReadTargaBytes(std::span<const uint8_t> bytes, Frame& frame);

// The same, showing the error's message through ShowError; false after it.
bool ReadTarga(OwnerWindow owner, const std::string& path, Frame& frame);
bool ReadTargaBytes(OwnerWindow owner, std::span<const uint8_t> bytes, Frame& frame);

}  // namespace kivo
