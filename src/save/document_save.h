// What every whole-document save shares, whatever the format: the temporary file
// beside the target, the progress dialog from the first check on, and afterwards
// the frames exactly as they were before (save state released, transparency and
// the interlace mark put back), so each save starts again from the pictures.
#pragma once

#include <functional>
#include <string>

#include "doc/anim_doc.h"
#include "platform/platform.h"
#include "platform/safe_save.h"

namespace kivo {

// Writes doc to path: opens the temporary file, shows "チェック中..." without a
// cancel button, then runs body, which prepares the palettes and streams the
// file, committing it on success (cancelled tells a cancel from a failure).
// Messages: "ファイルオープンに失敗しました。" when the file cannot be made,
// "書き込みに失敗しました。" after any failure but a cancel. AlwaysDither is
// cleared after a successful save.
bool RunDocumentSave(OwnerWindow owner, const std::string& path, AnimDoc& doc,
                     const std::function<bool(SafeFile& file, bool& cancelled)>& body);

// The GIF image-descriptor bit of a frame stored interlaced.
constexpr uint8_t kInterlacedFlag = 0x40;

}  // namespace kivo
