// Whether a text is worth storing compressed: PNG and MNG writers store a text
// chunk as zTXt only when deflate actually makes it smaller, tEXt otherwise.
#pragma once

#include <cstdint>
#include <span>

namespace kivo {

// True when deflate at the default level (15-bit window, memory level 8, default
// strategy) gives fewer bytes than the input. Empty input: false.
bool IsCompressible(std::span<const uint8_t> bytes);

}  // namespace kivo
