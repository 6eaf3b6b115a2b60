// Frames as PNG data: a stand-alone PNG file for a saved frame, and the datastream
// form the MNG writer embeds (no signature, an empty PLTE when the frame uses the
// global palette, tRNS left out when the global one applies). The chunks are
// written here, in libpng's order and with its filtering, and the image data is
// deflated at level 9 by libdeflate: frames are saved several at a time, and
// deflate is most of the work of saving an MNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "doc/anim_doc.h"
#include "options/write_options.h"
#include "platform/platform.h"

namespace kivo {

// Image kinds: palette of depth 1, 2, 4 or 8; 8-bit greyscale; 8-bit RGB.
enum PngKind : int {
    kPngPalette1 = 0,
    kPngPalette2 = 1,
    kPngPalette4 = 2,
    kPngPalette8 = 3,
    kPngGrey8 = 4,
    kPngRgb = 5,
};

// Palette kind for a stand-alone file holding `count` colours (one colour is 1-bit).
PngKind PngKindForColorCount(size_t count);
// Palette kind for a frame inside an MNG with a palette of `size` entries (only
// exactly two entries give 1-bit).
PngKind PngKindForMngPalette(size_t size);

// Everything the common writer needs. Pixels come from indexPlane (one byte a
// pixel, top row first) when given, else from the 24-bit dib.
struct PngImage {
    PngKind kind = kPngRgb;
    uint32_t width = 0, height = 0;
    const Dib* dib = nullptr;
    const uint8_t* indexPlane = nullptr;
    // Palette kinds: the palette written; pixels from the DIB are looked up in it
    // (first equal entry; a colour not found gives index 0).
    Palette palette;
    bool interlace = false;
    bool hasTransparency = false;
    Rgb transparent;
    const TextKeyList* texts = nullptr;
};

// How the datastream differs from an ordinary PNG file.
struct PngStreamForm {
    bool signature = true;     // false inside an MNG
    bool emptyPlte = false;    // PLTE written with length 0 (the global palette applies)
    bool suppressTrns = false; // no tRNS (the global one applies)
};

// Why a write failed, one value per cause; PngWriteMessage gives its text.
enum class PngWriteError {
    kNone,
    kNoPicture,      // the frame has no picture: nothing to write, nothing shown
    kNoContext,      // no memory to prepare the image
    kOpenFailed,     // the file cannot be made or written
    kNoHandles,      // no compressor
    kNoImageMemory,  // no memory for the encoded data
    kBadHeader,      // width or height zero or beyond 31 bits
    kBadPalette,     // no palette, or more entries than the depth can index
    kDeflate,        // the compressor failed
};
// The message shown for an error; empty for kNone and kNoPicture.
const char* PngWriteMessage(PngWriteError error);

// Encodes image into out (appended): signature, IHDR, PLTE, tRNS, the texts
// (tEXt or zTXt), the image data in one IDAT, IEND. On an error out is as it
// was. Shows nothing, so it is safe to run on several threads at once.
PngWriteError EncodePng(const PngImage& image, const PngStreamForm& form, std::vector<uint8_t>& out);
// The same, showing the error's message; false after it.
bool EncodePng(OwnerWindow owner, const PngImage& image, const PngStreamForm& form,
               std::vector<uint8_t>& out);

// Writes the frame's picture as a stand-alone PNG: the smallest kind its colours
// allow (or the kept PNG palette and indices when the options' KeepPngPalette is
// on), Adam7 when their Interlace is on, its texts as tEXt or zTXt, and the frame's transparent
// colour as tRNS, as a frame of an MNG carries it. An existing file with
// overwrite false is left alone and counts as success; otherwise the target is
// replaced only by a complete file.
PngWriteError WritePngFile(const std::string& path, const Frame& frame, bool overwrite,
                           const WriteOptions& options);
// The same, showing the error's message; false after a failure.
bool WritePngFile(OwnerWindow owner, const std::string& path, const Frame& frame, bool overwrite,
                  const WriteOptions& options);

}  // namespace kivo
