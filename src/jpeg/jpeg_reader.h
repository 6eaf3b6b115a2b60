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

// How carefully a picture is decoded: exactly, or quickly for a glance (the
// open dialog's preview), trading quality for speed with the fast integer DCT.
enum class JpegDecode { kExact, kPreview };

// Why a read failed, one value per cause; JpegReadMessage gives the text.
enum class JpegReadFault {
    kNone,
    kCannotOpen,     // the file cannot be opened
    kLibrary,        // libjpeg refused the data; its words in `library`
    kTooLarge,       // beyond MaxImagePixels or a frame's size: `width` x `height`
    kColourSpace,    // colour channels we cannot show
    kTooManyScans,   // a progressive file with more scans than any real one has
    kOutputSize,     // the library's output is not the picture's size
    kCutShort,       // the data ended before the last row
    kNoMemory,       // no memory for the picture (not shown)
};
struct JpegReadError {
    JpegReadFault fault = JpegReadFault::kNone;
    std::string path;              // kCannotOpen
    std::string library;           // kLibrary
    uint32_t width = 0, height = 0;  // kTooLarge
    // The library's first warning, if any. Reading goes on after it, so it may
    // come with success; it is shown before the error.
    std::string warning;
    JpegReadError(JpegReadFault f = JpegReadFault::kNone) : fault(f) {}
    explicit operator bool() const { return fault != JpegReadFault::kNone; }
};
// The error's message; empty for kNone and kNoMemory.
std::string JpegReadMessage(const JpegReadError& error);

// Reads a JPEG file into the frame's dib, width and height; nothing else of the
// frame changes. On an error the frame keeps no picture.
JpegReadError ReadJpeg(const std::string& path, Frame& frame, JpegDecode decode = JpegDecode::kExact);
// The same for JPEG data in memory.
JpegReadError ReadJpegBytes(std::span<const uint8_t> bytes, Frame& frame,
                            JpegDecode decode = JpegDecode::kExact);

// The same, showing the warning and then the error's message through
// ShowError; false after an error.
bool ReadJpeg(OwnerWindow owner, const std::string& path, Frame& frame);
bool ReadJpeg(OwnerWindow owner, const std::string& path, Frame& frame, JpegDecode decode);
bool ReadJpegBytes(OwnerWindow owner, std::span<const uint8_t> bytes, Frame& frame,
                   JpegDecode decode = JpegDecode::kExact);

}  // namespace kivo
