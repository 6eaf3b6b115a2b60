// WebP files (animated or still) into a new document: one full-canvas frame per
// animation frame as libwebp composes it, with its duration, the loop count,
// and alpha as the frame's transparent colour.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "doc/anim_doc.h"
#include "platform/platform.h"

namespace kivo {

enum class WebpReadError {
    kNone,
    kCannotOpen,  // missing or unreadable file
    kNotWebp,     // no RIFF/WEBP header, or libwebp refuses the data
    kTooLarge,    // the canvas or all frames together beyond what a document holds
    kMemory,
    kDamaged,     // a frame fails to decode
    kCancelled,
};
// The message shown for an error ("" for kNone and kCancelled).
const char* WebpReadMessage(WebpReadError error);

// True when the bytes begin with a RIFF header of form WEBP.
bool HasWebpSignature(std::span<const uint8_t> head);

// The whole file into a new document; nullptr with the reason in error.
std::unique_ptr<AnimDoc> LoadWebpBytes(OwnerWindow owner, std::span<const uint8_t> bytes, WebpReadError& error);
std::unique_ptr<AnimDoc> LoadWebp(OwnerWindow owner, const std::string& path, WebpReadError& error);
// The same, showing the reason through ShowError.
std::unique_ptr<AnimDoc> ReadWebp(OwnerWindow owner, const std::string& path);
// The first frame only (previews).
bool ReadWebpFirstFrame(const std::string& path, Frame& frame);

// Milliseconds to hundredths of a second, the nearest (halves up).
int32_t WebpDelayFromMs(int ms);

}  // namespace kivo
