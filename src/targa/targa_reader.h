// Truevision Targa (.tga) pictures as a frame's 24-bit picture: colour-mapped,
// true-colour and grey images, plain or run-length encoded, stored from the top
// or from the bottom.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "doc/anim_doc.h"
#include "platform/platform.h"

namespace kivo {

// Reads a Targa file into the frame's dib, width and height. On failure the reason
// ("File Open Error", "read fault!", "memory error!", "read error!") is shown
// through ShowError and the frame is not changed.
bool ReadTarga(OwnerWindow owner, const std::string& path, Frame& frame);

// The same for a file already in memory (the file form reads it whole, then
// parses here).
bool ReadTargaBytes(OwnerWindow owner, std::span<const uint8_t> bytes, Frame& frame);

}  // namespace kivo
