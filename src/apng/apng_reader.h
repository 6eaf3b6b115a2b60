// Animated PNG files into documents. Nothing is composed: each animation frame
// becomes a document frame with its own placement, delay and disposal, as a GIF
// frame does, and the compositor draws them as an APNG player would.
//
// Each frame's image data is handed to our PNG reader as a PNG of its own (the
// file's header with the frame's size, the colour chunks, the frame's data), so
// colour types, gamma and transparency are read exactly as for a PNG picture:
// fully transparent pixels become the frame's transparent colour, partly
// transparent ones are blended over the file's background (bKGD, else black).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "doc/anim_doc.h"
#include "options/read_options.h"
#include "platform/platform.h"

namespace kivo {

// One value per reason a file is refused; ApngReadMessage gives its text.
enum class ApngFault {
    kNone,
    kFileOpen,        // the file cannot be read
    kNotPng,          // no PNG signature
    kBadChunk,        // a chunk runs past the end or its CRC is wrong
    kBadHeader,       // no IHDR first, or an IHDR of the wrong size
    kNotAnimated,     // no acTL before the image data
    kBadFrameControl, // an fcTL of the wrong size, zero size, unknown operation
    kFrameOutside,    // a frame reaches past the canvas
    kFrameWithoutData,// an fcTL followed by no image data
    kNoFrames,        // no frame at all
    kTooLarge,        // the frames together hold more pixels than we read
    kFrameImage,      // our PNG reader refused a frame; its words in `detail`
    kMemory,
};
struct ApngReadError {
    ApngFault fault = ApngFault::kNone;
    std::string detail;
    int frame = 0;  // kFrameImage: which frame (1 first)
    explicit operator bool() const { return fault != ApngFault::kNone; }
};
std::string ApngReadMessage(const ApngReadError& error);

// True when bytes (a file's beginning) are a PNG signature followed, before any
// image data, by an acTL chunk: an animated PNG whatever its name.
bool HasApngSignature(std::span<const uint8_t> head);

// The frames of an APNG held in memory; nullptr with error set.
std::unique_ptr<AnimDoc> ReadApngBytes(std::span<const uint8_t> bytes, const ReadOptions& options,
                                       ApngReadError& error);
// A file, showing the error's message; nullptr after it.
std::unique_ptr<AnimDoc> ReadApng(OwnerWindow owner, const std::string& path, const ReadOptions& options);

// Hundredths of a second for an APNG delay fraction: rounded to the nearest
// (halves up), a denominator of 0 meaning 100.
int32_t ApngDelayToHundredths(uint16_t numerator, uint16_t denominator);

}  // namespace kivo
