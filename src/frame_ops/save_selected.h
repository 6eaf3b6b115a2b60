// Each selected frame to a file of its own, as BMP, PNG or GIF, named after a base
// name and the frame's number: "<folder>/<base>_<n>.<ext>", the number padded to
// two digits from 10 frames on and to three from 100.
#pragma once

#include <string>

#include "doc/anim_doc.h"
#include "doc/selection.h"
#include "options/write_options.h"
#include "platform/platform.h"

namespace kivo {

enum class FrameFileFormat { kBmp = 0, kPng = 1, kGif = 2 };

struct SaveSelectedRequest {
    std::string folder;  // a trailing '/' is dropped
    std::string baseName;
    FrameFileFormat format = FrameFileFormat::kGif;
    bool overwrite = true;  // "同名ファイルは上書きする": existing files are replaced
};

// The file name frame `number` (counted from 1) gets in a document of frameCount
// frames; empty when the name would be too long for the file system.
std::string SelectedFrameFileName(const SaveSelectedRequest& request, int frameCount, int number);

// Writes the selected frames in ascending order (a single selected
// frame means the current one), with the request's overwrite deciding over
// existing files, which are otherwise left alone and count as written. Stops at the first
// failure (false; files already written stay). No selection: nothing to do, true.
// The options' AlwaysDither holds for every file of the batch and is cleared in
// them after it when the writers clear it (GIF).
bool SaveSelectedFrames(OwnerWindow owner, AnimDoc& doc, const Selection& selection,
                        const SaveSelectedRequest& request, WriteOptions& options);

}  // namespace kivo
