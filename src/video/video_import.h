// Video clips of any container and compression FFmpeg reads (MP4, WebM, MOV,
// MKV …) as frames, as the AVI import makes them: every picture of the first
// video stream a 24-bit frame, a run of equal pictures one frame lasting as
// long as the run. Each frame's delay is the time until the next picture, in
// hundredths of a second, counted from the clip's start so that rounding never
// adds up. A frame rate and a time range (ReadOptions) take part of a long
// clip; a clip whose frames would not fit the memory budget is refused with
// the numbers before anything is decoded.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "avi/avi_decoder.h"
#include "doc/anim_doc.h"
#include "options/read_options.h"
#include "platform/platform.h"

namespace kivo {

// What the headers of a clip say, for the open command to decide whether to
// ask for a frame rate and a range first.
struct VideoProbe {
    int32_t width = 0, height = 0;
    double seconds = 0;            // 0 when not said
    double picturesPerSecond = 0;  // 0 when not said
    int64_t frames = 0;            // estimated under the options given; 0 when not known
    uint64_t bytes = 0;            // what those frames would take
    uint64_t budget = 0;           // what an import may take
};
bool ProbeVideo(const std::string& path, const ReadOptions& options, VideoProbe& probe);

// The frames of the clip at path behind the progress dialog (which can
// cancel), as a new document carrying the path; nullptr after a failure or a
// cancel, the reason shown (a file that is no readable video has none of its
// own: the open command says it could not be opened).
std::unique_ptr<AnimDoc> ReadVideo(OwnerWindow owner, const std::string& path, const ReadOptions& options);

// The same with nothing shown: the error and its message ("" when it has none).
struct VideoReadResult {
    AviReadError error = AviReadError::kNone;
    std::string message;
};
std::unique_ptr<AnimDoc> LoadVideo(OwnerWindow owner, const std::string& path, const ReadOptions& options,
                                   VideoReadResult& result);
std::unique_ptr<AnimDoc> LoadVideoBytes(OwnerWindow owner, std::span<const uint8_t> bytes,
                                        const ReadOptions& options, VideoReadResult& result);

// The first picture into frame (dib, width, height); false when there is none.
bool ReadVideoFirstFrame(const std::string& path, Frame& frame);

}  // namespace kivo
