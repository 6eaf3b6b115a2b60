// Writing the whole document as an MNG-LC file: MHDR, TERM, an optional global
// palette with global transparency, then per frame its framing (FRAM) and place
// (DEFI) where they change and one embedded PNG or JNG datastream, the
// document's texts, MEND. Where the file's two framing modes cannot dispose of
// a frame the way the document does, the frame after it is written in another
// form that shows the same picture (mng_shown_frames.h); palette preparation
// then runs with the MNG rules on the frames as they are written.
//
// Saving never destroys data: the file is written beside the target and
// replaces it only when complete; a failure or a cancel leaves it as it was.
#pragma once

#include <string>

#include "doc/anim_doc.h"
#include "mng/mng_frame_stream.h"
#include "platform/platform.h"
#include "save/document_save.h"

namespace kivo {

// Writes doc to path behind the progress dialog ("チェック中...", then a count
// of frames with a cancel button). Errors go to ShowError, none after a cancel.
// Afterwards the frames keep their pictures and transparency, working planes
// and disposable palettes are released, and options.AlwaysDither, which holds
// for one save, is cleared after a successful one.
bool WriteMng(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options);

// How a save ended: the whole-document save's outcome and, when a frame could
// not be encoded, that frame's error, whose messages come first.
struct MngWriteError {
    DocumentSaveError save = DocumentSaveError::kNone;
    MngFrameError frame;
    explicit operator bool() const { return save != DocumentSaveError::kNone; }
};
// Every message for the outcome, in the order the user is shown them.
std::vector<std::string> MngWriteMessages(const MngWriteError& error);

// WriteMng with the outcome as a value and nothing shown; owner only holds the
// progress dialog.
MngWriteError SaveMng(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options);

}  // namespace kivo
