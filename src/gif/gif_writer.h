// Writing GIF89a files: the whole document as an animation, or one frame as a
// single-image file. Frames hold 24-bit pictures, so each save first runs palette
// preparation, then streams the blocks and LZW-compresses every index plane.
//
// Saving never destroys data: the file is written beside the target and replaces
// it only when complete, so a failure or a cancel leaves an existing file as it was.
#pragma once

#include <string>

#include "doc/anim_doc.h"
#include "options/write_options.h"
#include "platform/platform.h"
#include "save/document_save.h"

namespace kivo {

// Writes doc to path behind the progress dialog ("チェック中...", then
// "GIF 書き込み中..." with a cancel button). Errors go to ShowError, none after a
// cancel. Afterwards the frames keep their pictures and transparency; working
// planes and disposable palettes are released, and options.AlwaysDither, which
// holds for one save, is cleared after a successful one.
bool WriteGif(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options);
// The same, with the outcome as a value and nothing shown; owner only holds the
// progress dialog.
DocumentSaveError SaveGif(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options);

// Writes one frame of doc as a single-image GIF on doc's logical screen. An
// existing file with overwrite false is left alone and counts as success.
// kOpenFailed and kWriteFailed say why it failed, with the messages of a
// whole-document save. options.AlwaysDither is cleared after a written file.
DocumentSaveError WriteSingleFrameGif(const std::string& path, AnimDoc& doc, Frame& frame, bool overwrite,
                                      WriteOptions& options);
// The same, showing the message; false after it.
bool WriteSingleFrameGif(OwnerWindow owner, const std::string& path, AnimDoc& doc, Frame& frame,
                         bool overwrite, WriteOptions& options);

}  // namespace kivo
