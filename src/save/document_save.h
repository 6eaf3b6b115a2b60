// What every whole-document save shares, whatever the format: the temporary file
// beside the target, the progress dialog from the first check on, and afterwards
// the frames exactly as they were before (save state released, transparency and
// the interlace mark put back), so each save starts again from the pictures.
#pragma once

#include <functional>
#include <string>

#include "doc/anim_doc.h"
#include "options/write_options.h"
#include "platform/platform.h"
#include "platform/safe_save.h"

namespace kivo {

// How a whole-document save ended. The format's own reasons are shown by its
// body before it returns false; these are the save's.
enum class DocumentSaveError {
    kNone,
    kCancelled,    // the user cancelled: nothing to show
    kOpenFailed,   // the temporary file could not be made
    kWriteFailed,  // the body failed
};
// The message for an error; empty for kNone and kCancelled.
const char* DocumentSaveMessage(DocumentSaveError error);

// Writes doc to path: opens the temporary file, shows "チェック中..." without a
// cancel button (the progress dialog belongs to owner), then runs body, which
// prepares the palettes and streams the file, committing it on success
// (cancelled tells a cancel from a failure). The first frame's interlace mark
// goes when options.Interlace put it there; options.AlwaysDither applies to one
// save and is cleared in the caller's options after a successful one.
DocumentSaveError SaveDocument(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options,
                               const std::function<bool(SafeFile& file, bool& cancelled)>& body);
// The same, showing the error's message once the progress dialog has closed:
// "ファイルオープンに失敗しました。" when the file cannot be made,
// "書き込みに失敗しました。" after any failure but a cancel.
bool RunDocumentSave(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options,
                     const std::function<bool(SafeFile& file, bool& cancelled)>& body);

// The GIF image-descriptor bit of a frame stored interlaced.
constexpr uint8_t kInterlacedFlag = 0x40;

}  // namespace kivo
