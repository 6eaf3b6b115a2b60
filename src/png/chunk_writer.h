// MNG, PNG and JNG chunks as bytes: a 4-byte big-endian length, the type, the data
// and a CRC-32 over type and data. The MNG writer builds its chunks here; each
// builder appends one whole chunk to a byte vector.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "doc/types.h"

namespace kivo {

inline constexpr uint8_t kMngSignature[8] = {138, 77, 78, 71, 13, 10, 26, 10};

void PutU32Be(std::vector<uint8_t>& out, uint32_t v);

// One chunk; type is four letters.
void PutChunk(std::vector<uint8_t>& out, std::string_view type, std::span<const uint8_t> data);

// MHDR: frame size, ticks per second and simplicity profile; the nominal
// layer count, frame count and play time are 0 (unspecified).
void PutMhdr(std::vector<uint8_t>& out, uint32_t width, uint32_t height, uint32_t ticksPerSecond,
             uint32_t profile);

// TERM: only the action, unless the action is 3 (repeat), which alone takes
// the other three values.
struct TermValues {
    uint8_t action = 0;       // 0 show the last frame, 3 repeat
    uint8_t afterAction = 0;
    uint32_t delay = 0;       // ticks
    uint32_t maximum = 0;     // iterations
};
void PutTerm(std::vector<uint8_t>& out, const TermValues& term);

// FRAM holding only a framing mode.
void PutFramMode(std::vector<uint8_t>& out, uint8_t mode);
// FRAM with an empty name that sets the interframe delay for this and every
// following frame (change code 2) and changes nothing else.
void PutFramDelay(std::vector<uint8_t>& out, uint8_t mode, uint32_t delay);

// DEFI for object 0, shown, abstract, at (x, y), no clipping.
void PutDefi(std::vector<uint8_t>& out, int32_t x, int32_t y);

// JHDR of an 8-bit colour JNG without alpha; interlace 8 marks progressive JPEG.
void PutJhdr(std::vector<uint8_t>& out, uint32_t width, uint32_t height, bool progressive);

// The keyword a text chunk stores for key: its bytes up to the first zero byte
// (the zero separates key and text), at most the 79 bytes PNG allows, cut where
// no character is split (UTF-8, else code page 932). Otherwise the user's bytes
// unchanged, whatever their encoding: cleaning them to printable Latin-1 would
// turn Japanese keys into spaces. Empty: the key cannot be stored.
std::string StorableKeyword(std::string_view key);

// A key and its text as zTXt when deflate makes the text smaller, else tEXt,
// under the key's StorableKeyword; a key without one is left out. False when
// compression failed (memory).
bool PutText(std::vector<uint8_t>& out, const TextKey& key);

}  // namespace kivo
