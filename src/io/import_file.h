// Image files as frames of a document. A single picture becomes one new frame; an
// animation file is read as a document of its own whose frames are spliced in.
// The reader is chosen by the file's extension through the format table.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "doc/anim_doc.h"
#include "doc/selection.h"
#include "options/read_options.h"
#include "platform/platform.h"

namespace kivo {

constexpr int kImportAppend = 0;
constexpr int kImportInsert = 1;

// Appends (mode 0) or inserts (mode 1) the frames of the file at path, then widens
// the screen to hold them. An insert goes before the first selected frame (else the
// current one, and always when no selection is given). On failure the reader's own message is followed by
// "ファイルオープンに失敗しました。" and the document is as before, with the same
// current frame.
bool ImportFile(OwnerWindow owner, AnimDoc& doc, int mode, const std::string& path,
                const Selection& selection = {}, const ReadOptions& options = {});

// The import command over several chosen files: sorted by their whole path, case
// ignored; in insert mode only the first is inserted and the rest appended after
// the last frame. Stops at the first failure (false).
bool ImportFiles(OwnerWindow owner, AnimDoc& doc, int mode, std::vector<std::string> paths,
                 const Selection& selection = {}, const ReadOptions& options = {});

// Files dropped at one place of the frame list: every file, sorted as
// ImportFiles sorts them, goes before frame `before` (after the last frame when
// before is the frame count or more), one after another, so that all their
// frames stand together where they were dropped. Stops at the first failure
// (false); the frames of the files before it stay. *added, when given, counts
// the frames that came in.
bool ImportFilesBefore(OwnerWindow owner, AnimDoc& doc, std::vector<std::string> paths, int32_t before,
                       const ReadOptions& options = {}, int32_t* added = nullptr);

// Moves the frames of a loaded animation into doc (before the current frame when
// insert is set and doc has frames, else at the end). doc takes over the loaded
// global palette when it has none; otherwise loaded frames that relied on the
// loaded global palette get a copy of it as their own. The rest of loaded (loop
// settings, trailing comment, keys, screen) is dropped. False, doc unchanged,
// when memory runs out.
bool MergeAnimation(AnimDoc& doc, std::unique_ptr<AnimDoc> loaded, bool insert);

// True when ImportFile knows the file's extension.
bool IsImportableFile(const std::string& path);

// The open dialog's picture: the first image of the file into frame (a BMP keeps
// its own depth). Also takes extensions only a preview knows (.jpe, .jfif).
bool LoadPreview(OwnerWindow owner, const std::string& path, Frame& frame);

}  // namespace kivo
