// Pictures with an alpha channel (32-bit BMP and Targa, grey + alpha Targa) into
// a frame, which knows only one transparent colour. Partly transparent pixels are
// blended over black, as PNG pixels are; fully transparent ones all take one key
// colour, chosen so that no other pixel has it. Opaque pixels keep their colour
// exactly, and nothing that was visible becomes transparent.
#pragma once

#include <cstdint>
#include <span>

#include "doc/types.h"

namespace kivo {

// dib is a 24-bit packed DIB; alpha holds one value a pixel in the DIB's own row
// order (bottom row first, width values a row). Blends, keys out and returns
// true with the key in *key when some pixel is fully transparent; false (the
// picture blended, no key) otherwise. The key is the first transparent pixel's
// own colour unless a visible pixel has it too.
bool KeyOutAlpha(Dib& dib, std::span<const uint8_t> alpha, Rgb* key);

}  // namespace kivo
