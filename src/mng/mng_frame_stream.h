// One frame as the datastream an MNG embeds: a PNG datastream without signature
// (an empty PLTE where the frame uses the global palette, no tRNS where the global
// one applies) or a JNG datastream. Pure with respect to the document, so frames
// can be encoded side by side; the MNG writer places the results in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "doc/anim_doc.h"
#include "jpeg/jpeg_writer.h"
#include "options/write_options.h"
#include "png/png_writer.h"

namespace kivo {

// The frame is stored as JNG: prepared as such, or every frame is (JngAllFrames).
bool WrittenAsJng(const Frame& frame, const WriteOptions& options);
// The frame's indices refer to the document's global palette.
bool UsesGlobalPalette(const AnimDoc& doc, const Frame& frame, const WriteOptions& options);
// A frame without pixels, which PNG and JPEG cannot hold; it is stored as one
// transparent pixel, so it shows nothing and keeps its place and time.
bool IsEmptyFrame(const Frame& frame);

// Why a frame could not be encoded: the PNG or JPEG writer's error, or
// preparation left the frame unfit to write (no palette, a short index plane,
// an index beyond the palette, a picture of another size, a text no chunk can
// hold), which has no message of its own.
struct MngFrameError {
    enum class Kind { kNone, kUnfit, kPng, kJpeg };
    Kind kind = Kind::kNone;
    PngWriteError png = PngWriteError::kNone;
    JpegWriteError jpeg;
    MngFrameError(Kind k = Kind::kNone) : kind(k) {}
    explicit operator bool() const { return kind != Kind::kNone; }
};
// What the user is shown for a failed frame, in order (a JPEG warning, then
// the error); empty when the cause has no message.
std::vector<std::string> MngFrameMessages(const MngFrameError& error);

// Appends the frame's datastream, its texts inside, to out. globalTrns: the
// file has a global tRNS, which frames on the global palette then rely on.
// Shows nothing, so frames can be encoded side by side.
MngFrameError EncodeMngFrame(const AnimDoc& doc, const Frame& frame, const WriteOptions& options, bool globalTrns,
                             std::vector<uint8_t>& out);

}  // namespace kivo
