// giflib as an independent judge of the GIF files we write: decodes a file's bytes
// with DGifSlurp and lays out what it found in plain values for comparisons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "doc/types.h"

namespace kivo::test {

// An extension as giflib saw it: its function code and all its sub-blocks joined.
struct OracleExtension {
    int function = 0;
    std::vector<uint8_t> data;
    std::vector<size_t> blockSizes;  // size of every data sub-block, in order
};

struct OracleImage {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    Palette localPalette;
    std::vector<uint8_t> pixels;  // display order, row by row
    std::vector<OracleExtension> extensions;  // the blocks in front of the image
};

struct OracleGif {
    bool ok = false;
    std::string error;
    int width = 0, height = 0;
    Palette globalPalette;
    std::vector<OracleImage> images;
    std::vector<OracleExtension> trailing;  // extensions after the last image
};

// Whether the tests were built with giflib. Without it every oracle test skips,
// saying why, instead of silently leaving the list.
#ifdef KIVO_HAVE_GIFLIB
inline constexpr bool kHaveGiflib = true;
#else
inline constexpr bool kHaveGiflib = false;
#endif
#define KIVO_SKIP_WITHOUT_GIFLIB()         \
    if (!::kivo::test::kHaveGiflib)        \
    GTEST_SKIP() << "giflib was not found when the tests were configured (install libgif-dev)"

// Without giflib, ok is false.
OracleGif DecodeWithGiflib(const std::vector<uint8_t>& bytes);

// A minimal GIF around one image's LZW data block (code size byte, sub-blocks,
// terminator), with a global table of 2^bits grey entries.
std::vector<uint8_t> WrapImageData(int width, int height, int bits,
                                   const std::vector<uint8_t>& imageData, bool interlaced = false);

}  // namespace kivo::test
