// AVI video files as frames. Every picture of the first video stream becomes a
// 24-bit frame of a new document; a run of equal pictures (empty samples
// included, which repeat the picture before them) becomes one frame lasting as
// long as the run. A frame's delay is one sample's duration in hundredths of a
// second; a stream slower than one sample a second gives frames without a
// delay (delay 10).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "avi/avi_decoder.h"
#include "doc/anim_doc.h"
#include "platform/platform.h"

namespace kivo {

// The most bytes the frames of one imported AVI may take; 0 = half of the
// machine's memory. A longer video is refused with a message instead of
// driving the machine into swap. Tests and fuzzers lower it.
extern uint64_t MaxAviImportBytes;
// The budget in bytes: MaxAviImportBytes, or half of the machine's memory. The
// video import shares it.
uint64_t AviImportBudget();

// The frames of the AVI at path behind the progress dialog, which the user can
// cancel, as a new document carrying the path; nullptr after a failure or a
// cancel. Shows "メモリが足りません。" when memory runs out, and says so when
// the video is too large or its compression cannot be decoded; a file that is
// no readable AVI fails without a message of its own.
std::unique_ptr<AnimDoc> ImportAviFrames(OwnerWindow owner, const std::string& path);
// The same over bytes in memory (tests, fuzzing); path is only recorded.
std::unique_ptr<AnimDoc> ImportAviBytes(OwnerWindow owner, std::span<const uint8_t> bytes,
                                        const std::string& path = {});

// The same with the outcome in error and nothing shown; owner holds the
// progress dialog. kCancelled after a cancel.
std::unique_ptr<AnimDoc> LoadAviFrames(OwnerWindow owner, const std::string& path, AviReadError& error);
std::unique_ptr<AnimDoc> LoadAviBytes(OwnerWindow owner, std::span<const uint8_t> bytes, const std::string& path,
                                      AviReadError& error);

// With a frame: its dib, width and height become the first picture of the
// file's first video stream. Without one: whether the file opens as an AVI with
// a video stream this FFmpeg can decode. No message, no progress dialog.
bool ReadAviFirstFrame(const std::string& path, Frame* frame);
bool ReadAviFirstFrameBytes(std::span<const uint8_t> bytes, Frame* frame);

}  // namespace kivo
