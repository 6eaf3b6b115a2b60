// The rules behind the question the editor asks before it reads a long video
// clip: which files are clips, when a clip counts as long, and what a chosen
// frame rate and range would take.
#pragma once

#include <string>

#include "options/read_options.h"
#include "video/video_import.h"
#include "video/video_timing.h"

namespace kivo {

// A clip that would give more frames than this (20 seconds at 25 pictures a
// second), or more than the memory an import may take, is long: the editor
// asks for a frame rate and a range before reading it.
inline constexpr int64_t kLongClipFrames = 500;

// Whether the format table reads the file as a video clip.
bool IsVideoClip(const std::string& path);
bool IsLongClip(const VideoProbe& probe);

// The frames and bytes the clip would give read with these options.
VideoEstimate EstimateChoice(const VideoProbe& clip, const ReadOptions& options);

}  // namespace kivo
