// Documents as animated PNG files. The writer draws the document as a viewer
// shows it (the compositor, frame after frame) and stores each picture as the
// rectangle that differs from the one before, so whatever the document's frames
// do (placement, every disposal, transparency) the file shows exactly that:
//   - the first frame covers the canvas; every later one is cropped to its
//     changes, and a frame that changes nothing gives its time to the one
//     before;
//   - a changed rectangle replaces what was there (blend "source"), which
//     also makes pixels transparent again where the document clears them;
//   - colours: one palette for the whole file when the animation holds at most
//     256 colours (a transparent entry included), else 24-bit colour with a
//     transparent colour key that no visible pixel has. An APNG's frames share
//     the file's header, so the choice is made once for all frames.
// Delays are written as hundredths of a second, the loop count as the number
// of plays. Image data goes through our PNG encoder (filters, libdeflate).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "doc/anim_doc.h"
#include "options/write_options.h"
#include "platform/platform.h"

namespace kivo {

enum class ApngWriteError {
    kNone,
    kNoPicture,  // no frames, or no canvas to draw them on
    kTooLarge,   // the canvas is beyond what a picture may hold
    kEncode,     // the PNG encoder failed
    kMemory,
    kCancelled,
};

struct ApngStats {
    int framesWritten = 0;
    bool palette = false;
};

// Encodes doc into out (appended). pump is called once per frame drawn; it
// returns true to cancel. Shows nothing.
ApngWriteError EncodeApng(const AnimDoc& doc, std::vector<uint8_t>& out, ApngStats* stats = nullptr,
                          bool (*pump)() = nullptr);

// Writes doc to path behind the progress dialog, replacing the target only with
// a complete file. False after a message (none after a cancel).
bool WriteApng(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options);

}  // namespace kivo
