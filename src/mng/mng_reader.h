// Reading an MNG-LC file into a new AnimDoc: one frame for every embedded PNG or
// JNG datastream, placed by DEFI, timed and disposed by FRAM, looped by TERM, on
// the screen and time base of MHDR, with tEXt/zTXt as text keys (and comment
// texts built from them). Delays arrive in hundredths of a second whatever the
// file's ticks per second. Runs behind the progress dialog; the user can cancel
// between frames. A stand-alone JNG file reads as such a document with one
// frame.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "doc/anim_doc.h"
#include "jpeg/jpeg_reader.h"
#include "options/read_options.h"
#include "platform/platform.h"
#include "png/png_reader.h"

namespace kivo {

// The document, or nullptr. Every chunk's CRC is checked before it is used; a
// damaged or cut file, a Delta-PNG profile, a chunk we may not pass over, or a
// cancel fails the read. The failure itself is not shown (the open command
// says "オープンに失敗しました。"); what the embedded PNG and JPEG readers say
// is, and running out of memory shows "メモリが足りません。".
std::unique_ptr<AnimDoc> ReadMng(OwnerWindow owner, const std::string& path, const ReadOptions& options = {});
// The same over bytes in memory (tests, fuzzing); `path` is only recorded.
std::unique_ptr<AnimDoc> ReadMngBytes(OwnerWindow owner, std::span<const uint8_t> bytes,
                                      const std::string& path = {}, const ReadOptions& options = {});

// True when the bytes begin with the signature of a stand-alone JNG file.
bool HasJngSignature(std::span<const uint8_t> head);

// The first PNG or JNG image of an MNG (or JNG) file into `frame` (previews, import):
// picture, size, transparency, texts and kept palette, with the global palette
// applied; placement, delay and framing are not read. The frame's place in its
// list is kept. False (frame unchanged) when there is no image or it fails.
bool ReadMngFirstImage(OwnerWindow owner, const std::string& path, Frame& frame, const ReadOptions& options = {});
bool ReadMngFirstImageBytes(OwnerWindow owner, std::span<const uint8_t> bytes, Frame& frame,
                            const ReadOptions& options = {});

// Why a read failed, and what the embedded readers said on the way.
struct MngReadError {
    enum class Kind {
        kNone,
        kNotRead,   // not opened, not MNG, damaged, refused or cancelled: no message
        kNoMemory,
        kPng,       // an embedded PNG datastream failed: `png`
        kJpeg,      // the JPEG data of a JNG datastream failed: `jpeg`
    };
    Kind kind = Kind::kNone;
    PngReadError png;
    JpegReadError jpeg;
    // The first warning of each JNG image read whole, in reading order; shown
    // even when the read succeeds.
    std::vector<std::string> warnings;
    MngReadError(Kind k = Kind::kNone) : kind(k) {}
    explicit operator bool() const { return kind != Kind::kNone; }
};
// Everything the user is shown for the outcome, in order: the warnings, then
// the failure's message (a failed JNG image's warning before its error).
std::vector<std::string> MngReadMessages(const MngReadError& error);

// ReadMng and ReadMngBytes with their outcome in `error` and nothing shown;
// owner only holds the progress dialog.
std::unique_ptr<AnimDoc> LoadMng(OwnerWindow owner, const std::string& path, MngReadError& error,
                                 const ReadOptions& options = {});
std::unique_ptr<AnimDoc> LoadMngBytes(OwnerWindow owner, std::span<const uint8_t> bytes,
                                      const std::string& path, MngReadError& error,
                                      const ReadOptions& options = {});
MngReadError ReadMngFirstImage(const std::string& path, Frame& frame, const ReadOptions& options = {});
MngReadError ReadMngFirstImageBytes(std::span<const uint8_t> bytes, Frame& frame, const ReadOptions& options = {});

}  // namespace kivo
