#include "app/video_choice.h"

#include <algorithm>

#include "io/file_formats.h"

namespace kivo {

bool IsVideoClip(const std::string& path) {
    const FileFormat* format = FindFileFormat(path);
    return format && format->readAnimation == &ReadVideo;
}

bool IsLongClip(const VideoProbe& probe) { return probe.frames > kLongClipFrames || probe.bytes > probe.budget; }

VideoEstimate EstimateChoice(const VideoProbe& clip, const ReadOptions& options) {
    double seconds = std::max(0.0, clip.seconds - std::max(0.0, options.videoStart));
    if (options.videoDuration > 0) seconds = std::min(seconds, options.videoDuration);
    const double rate = options.videoFps > 0 ? options.videoFps : clip.picturesPerSecond;
    if (options.videoStart <= 0 && options.videoDuration <= 0 && options.videoFps <= 0)
        return {clip.frames, clip.bytes};  // the whole clip, as measured
    return EstimateVideo(clip.width, clip.height, seconds, rate, 0);
}

}  // namespace kivo
