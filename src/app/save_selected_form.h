// The save-selected-frames dialog apart from its widgets: what it opens with,
// what it refuses, and the one message a failed batch gives.
#pragma once

#include <cstddef>
#include <string>

#include "doc/anim_doc.h"
#include "options/write_options.h"
#include "platform/platform.h"
#include "platform/translatable.h"
#include "frame_ops/save_selected.h"

namespace kivo {

// The dialog's opening values: the document's folder (empty for a document
// never saved), its name without the extension, PNG in MNG mode and GIF in
// GIF mode.
SaveSelectedRequest OpeningRequest(const AnimDoc& doc, int formatMode);

// "現在選択中のコマは、N 個です。"; a single frame (or none listed) counts as one.
inline constexpr const char* kSelectedCountPattern = KIVO_TR_NOOP("SaveSelected", "現在選択中のコマは、%zu 個です。");
std::string SelectedCountText(size_t selected);

// Why OK cannot write yet (nullptr when it can): without a folder every file
// would land in the root folder, and a relative one would depend on where the
// program happened to be started.
const char* RequestProblem(const SaveSelectedRequest& request);

// Writes the selected frames. Empty when every file was written (or left
// alone); otherwise the one message to show: the writer's own reason when it
// gave one, else "書き込み失敗しました。". The writers' messages are held back,
// so a failed batch is one message, not one per writer and one more.
std::string RunSaveSelected(OwnerWindow owner, AnimDoc& doc, const Selection& selection,
                            const SaveSelectedRequest& request, WriteOptions& options);

}  // namespace kivo
