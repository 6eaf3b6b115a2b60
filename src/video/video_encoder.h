// One video stream through an FFmpeg encoder into an MP4 or WebM file held in
// memory (an MP4 is rearranged at the end, which needs to read back what was
// written; the compressed video is small beside the frames it comes from).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "video/video_export.h"

namespace kivo {

struct VideoStreamFormat {
    VideoKind kind = VideoKind::kMp4;
    int32_t width = 0, height = 0;  // the screen; an MP4 pads odd sizes
    bool alpha = false;             // WebM only
};

enum class VideoOpenResult { kOk, kNoEncoder, kFailed };

class VideoStreamWriter {
public:
    VideoStreamWriter();
    ~VideoStreamWriter();
    VideoStreamWriter(const VideoStreamWriter&) = delete;
    VideoStreamWriter& operator=(const VideoStreamWriter&) = delete;

    VideoOpenResult Open(const VideoStreamFormat& format);
    // One screen (width * height pixels 0xAARRGGBB, top row first; alpha 0 is
    // transparent) starting at tick start and lasting ticks hundredths of a
    // second; starts must increase.
    bool Write(std::span<const uint32_t> screen, int64_t start, int64_t ticks);
    // Flushes the encoder and completes the file.
    bool Finish();
    // The whole file, after Finish.
    const std::vector<uint8_t>& bytes() const;

private:
    struct State;
    std::unique_ptr<State> s_;
};

}  // namespace kivo
