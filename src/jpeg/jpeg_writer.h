// A frame's 24-bit picture as JPEG through libjpeg: baseline-compatible tables at
// the given quality, optimized Huffman coding, progressive when asked (the
// Interlace write option, for those who write it). Serves the JNG frames of the
// MNG writer and exports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "doc/anim_doc.h"
#include "platform/platform.h"

namespace kivo {

// Why a write failed, one value per cause; JpegWriteMessage gives the text.
enum class JpegWriteFault {
    kNone,
    kNoPicture,   // the frame has no 24-bit picture
    kCannotOpen,  // the file cannot be created
    kLibrary,     // libjpeg failed (a write of the data included); its words in `library`
    kCommit,      // the finished file could not take the target's place
    kNoMemory,    // not shown
};
struct JpegWriteError {
    JpegWriteFault fault = JpegWriteFault::kNone;
    std::string path;     // kCannotOpen
    std::string library;  // kLibrary
    std::string warning;  // the library's first warning, shown before any error
    JpegWriteError(JpegWriteFault f = JpegWriteFault::kNone) : fault(f) {}
    explicit operator bool() const { return fault != JpegWriteFault::kNone; }
};
// The error's message; empty for kNone and kNoMemory.
std::string JpegWriteMessage(const JpegWriteError& error);

// How the picture is compressed: quality 1-100, and progressive scans or one.
struct JpegSettings {
    int quality;
    bool progressive;
    JpegSettings(int q, bool p = false) : quality(q), progressive(p) {}
};

// Writes the frame (unchanged) as a JPEG file, safely: an existing file is
// replaced only once the new one is complete.
JpegWriteError WriteJpeg(const std::string& path, const Frame& frame, JpegSettings settings);
// The same JPEG data into out (emptied on failure). Shows nothing, so frames
// can be encoded side by side.
JpegWriteError EncodeJpeg(const Frame& frame, JpegSettings settings, std::vector<uint8_t>& out);

// The same, showing the warning and then the error's message; false after an
// error.
bool WriteJpeg(OwnerWindow owner, const std::string& path, const Frame& frame, JpegSettings settings);
bool EncodeJpeg(OwnerWindow owner, const Frame& frame, JpegSettings settings, std::vector<uint8_t>& out);

}  // namespace kivo
