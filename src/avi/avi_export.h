// The whole animation as an AVI video: what the screen shows, frame after
// frame, written as samples of one fixed duration through an FFmpeg encoder.
// Pictures that all fit 256 colours are written 8-bit with one shared palette
// when the encoder stores such pictures; otherwise 24-bit.
//
// The document is left exactly as it was: the frames' pictures, places,
// palettes and transparency, the global palette and the write options. The
// file is written beside the target and replaces it only when complete.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "doc/anim_doc.h"
#include "platform/platform.h"
#include "avi/avi_encoders.h"

namespace kivo {

// How the encoder is chosen: asked before the file is written, and asked again
// when the chosen encoder refused the pictures and the user wants to retry.
struct AviEncoderChoice {
    // The encoder's name (AviEncoders()), or nothing to give up.
    std::function<std::optional<std::string>()> choose;
    // After a refusal, with the message that says so: true to choose again,
    // false to give up.
    std::function<bool(OwnerWindow owner, std::string_view message)> retry;
};

// Writes doc to path behind the progress dialog ("チェック中...", the screens
// being made, the palette, then "AVI 書き込み中..." per frame, with a cancel
// button). Failures end in "エラーのため、書き込み失敗しました。"; a cancel ends
// without a message. False after a failure or a cancel.
bool ExportAvi(OwnerWindow owner, const std::string& path, AnimDoc& doc, const AviEncoderChoice& choice);
// With one encoder: its refusal is shown and ends the export.
bool ExportAvi(OwnerWindow owner, const std::string& path, AnimDoc& doc,
               std::string_view encoder = kDefaultAviEncoder);

// How an export ended, as a value.
struct AviExportError {
    enum class Kind { kNone, kCancelled, kFailed };
    // An encoder that refused the pictures, when its refusal ended the export
    // without being handed to a retry.
    enum class Refusal { kNone, k256Colours, kFullColour };
    Kind kind = Kind::kNone;
    Refusal refusal = Refusal::kNone;
    explicit operator bool() const { return kind != Kind::kNone; }
};
// The text that says an encoder refused the pictures ("" for kNone).
const char* AviRefusalMessage(AviExportError::Refusal refusal);
// Everything the user is shown for the outcome, in order: the refusal, then
// "エラーのため、書き込み失敗しました。" after a failure. Nothing after a cancel.
std::vector<std::string> AviExportMessages(const AviExportError& error);

// ExportAvi with the outcome as a value and nothing shown but what
// choice.retry shows; owner holds the progress dialog. Without a retry, a
// refusal ends the export and is in the error.
AviExportError SaveAvi(OwnerWindow owner, const std::string& path, AnimDoc& doc, const AviEncoderChoice& choice);
AviExportError SaveAvi(OwnerWindow owner, const std::string& path, AnimDoc& doc,
                       std::string_view encoder = kDefaultAviEncoder);

}  // namespace kivo
