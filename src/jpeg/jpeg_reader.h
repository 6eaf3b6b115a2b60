// JPEG pictures into a frame's 24-bit DIB through libjpeg. Used by image import
// for .jpg/.jpeg files, by the open dialog's preview, and for the JPEG data of
// JNG frames inside MNG files, which arrives from memory.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "doc/anim_doc.h"
#include "platform/platform.h"

namespace kivo {

// Normally 0. The open dialog's preview sets it to 1 around its read, trading
// quality for speed (the fast integer DCT).
extern int JpegPreviewMode;

// Reads a JPEG file into the frame's dib, width and height; nothing else of the
// frame changes. False when the file cannot be opened ("can't open <path>\n"), the
// library fails (its message), the picture is too large or has colour channels we
// cannot show (a message saying so); the frame then keeps no picture. No message
// when memory for the picture runs out. The library's first warning is shown and
// reading goes on.
bool ReadJpeg(OwnerWindow owner, const std::string& path, Frame& frame);

// The same for JPEG data in memory.
bool ReadJpegBytes(OwnerWindow owner, std::span<const uint8_t> bytes, Frame& frame);

}  // namespace kivo
