// Image files as frames of a document. A single picture becomes one new frame; an
// animation file is read as a document of its own whose frames are spliced in.
// Which reader handles a file is decided by its extension, through one table, so
// a new format is one new entry there.
#pragma once

#include <memory>
#include <string>

#include "doc/anim_doc.h"
#include "platform/platform.h"

namespace kivo {

constexpr int kImportAppend = 0;
constexpr int kImportInsert = 1;

// Appends (mode 0) or inserts before the current frame (mode 1) the frames of the
// file at path, then widens the screen to hold them. On failure the reader's own
// message is followed by "ファイルオープンに失敗しました。" and the document is as
// before (in insert mode with the same current frame).
bool ImportFile(OwnerWindow owner, AnimDoc& doc, int mode, const std::string& path);

// Moves the frames of a loaded animation into doc (before the current frame when
// insert is set and doc has frames, else at the end). doc takes over the loaded
// global palette when it has none; otherwise loaded frames that relied on the
// loaded global palette get a copy of it as their own. The rest of loaded (loop
// settings, trailing comment, keys, screen) is dropped. False, doc unchanged,
// when memory runs out.
bool MergeAnimation(AnimDoc& doc, std::unique_ptr<AnimDoc> loaded, bool insert);

// True when ImportFile knows the file's extension.
bool IsImportableFile(const std::string& path);

}  // namespace kivo
