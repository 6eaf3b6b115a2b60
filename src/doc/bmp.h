// BMP files: read into a packed DIB (any supported depth, run lengths expanded) and write
// a DIB with the smallest of 1, 4, 8 or 24 bits that holds its colours.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "doc/types.h"

namespace kivo {

// Why a BMP gave no DIB, for callers that can tell the user more than "unreadable".
enum class BmpFault {
    kNone,
    kUnreadable,  // cannot be opened, not a BMP, damaged, or of a kind not supported
    kNoPixels,    // a width or height of 0: nothing could show it, no GIF can hold it
};

// Parses BMP file bytes into a valid packed DIB; empty on any fault, with the
// reason in *fault when asked. Reports nothing. Run-length files (RLE8, RLE4 and
// OS/2's 24-bit kind) come out expanded, 2-bit files widened to 4 bits. With
// `alpha`, a file that carries alpha (an alpha bit field, or a plain 32-bit file
// whose fourth bytes are not all 0) leaves one value a pixel there, in the DIB's
// row order; otherwise it is left empty.
Dib ParseBmp(std::span<const uint8_t> file, BmpFault* fault = nullptr, std::vector<uint8_t>* alpha = nullptr);
// Reads a BMP file; empty when it cannot be opened or is not a readable BMP.
Dib ReadBmp(const std::string& path, BmpFault* fault = nullptr, std::vector<uint8_t>* alpha = nullptr);

// Writes dib as a BMP file. An existing file with overwrite false is left alone
// and counts as success. The target is replaced only after a complete write.
bool WriteBmp(const std::string& path, std::span<const uint8_t> dib, bool overwrite);
// The bytes WriteBmp would write.
bool EncodeBmp(std::span<const uint8_t> dib, std::string& out);

}  // namespace kivo
