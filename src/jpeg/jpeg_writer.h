// A frame's 24-bit picture as JPEG through libjpeg: baseline-compatible tables at
// the given quality, optimized Huffman coding, progressive when the Interlace
// write option is on. Serves the JNG frames of the MNG writer and exports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "doc/anim_doc.h"
#include "platform/platform.h"

namespace kivo {

// Writes the frame (unchanged) as a JPEG file with quality 1-100, safely: an
// existing file is replaced only once the new one is complete. False when the
// file cannot be created ("can't open <path>\n") or the library fails (its
// message).
bool WriteJpeg(OwnerWindow owner, const std::string& path, const Frame& frame, int quality);

// The same JPEG data into out (emptied on failure).
bool EncodeJpeg(OwnerWindow owner, const Frame& frame, int quality, std::vector<uint8_t>& out);

}  // namespace kivo
