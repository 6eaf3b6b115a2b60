// The animation as a video people share: MP4 (H.264, yuv420p, sizes padded to
// even numbers with black, the index ahead of the data so that playback starts
// while loading) or WebM (VP9, with an alpha channel when some part of the
// screen stays transparent). What the screen shows while each frame is on,
// every frame a picture of its own stamped with the time it starts, so that
// uneven delays are kept exactly instead of being rounded to a fixed rate.
//
// The document is left as it was. The file is written beside the target and
// replaces it only when complete.
#pragma once

#include <string>

#include "doc/anim_doc.h"
#include "platform/platform.h"

namespace kivo {

enum class VideoKind { kMp4, kWebm };

// The kind the file name says (.mp4, .m4v: MP4; .webm: WebM).
bool VideoKindOf(const std::string& path, VideoKind& kind);

struct VideoExportError {
    enum class Kind { kNone, kCancelled, kFailed };
    Kind kind = Kind::kNone;
    std::string message;  // what the user is shown; "" after a cancel
    explicit operator bool() const { return kind != Kind::kNone; }
};

// Writes doc to path behind the progress dialog (cancel button) with nothing
// shown but the progress.
VideoExportError SaveVideo(OwnerWindow owner, const std::string& path, const AnimDoc& doc, VideoKind kind);
// The same, showing the failure's message. False after a failure or a cancel.
bool ExportVideo(OwnerWindow owner, const std::string& path, const AnimDoc& doc, VideoKind kind);

}  // namespace kivo
