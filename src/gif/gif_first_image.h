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

// True when the frame received dib, width and height (and, for a file with a
// transparent colour, hasTransparency and transparentRgb). Damaged image data
// still gives true with the rows decoded before the damage, after the message
// "gif read error".
bool DecodeFirstGifImage(OwnerWindow owner, const std::string& path, Frame& frame);
// The same over bytes in memory (tests, fuzzing).
bool DecodeFirstGifImageBytes(OwnerWindow owner, std::span<const uint8_t> bytes, Frame& frame);

}  // namespace kivo
