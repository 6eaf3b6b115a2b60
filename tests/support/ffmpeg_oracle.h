// FFmpeg's command-line tools as the independent judge of AVI files: ffprobe
// says what a file's video stream is, ffmpeg decodes it (or any animation) to
// plain pixels, and makes the AVIs the reader is tried on. Also the few helpers
// the AVI tests share.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "doc/anim_doc.h"

namespace kivo::test {

bool HaveFfmpeg();

// Runs ffmpeg quietly with args (as a shell reads them); true on exit status 0.
bool Ffmpeg(const std::string& args);

struct ProbedVideo {
    std::string codec, pixFmt;
    int width = 0, height = 0;
    std::string rate;              // "num/den" as the stream header gives it
    std::vector<int64_t> samples;  // the pts of every picture stored
    int64_t length = 0;            // samples in all, as the header says
};
// The first video stream of path.
std::optional<ProbedVideo> ProbeVideo(const std::string& path);

// Every picture ffmpeg decodes from path, top row first, in pixFmt ("rgb24",
// "rgba"), after the filters vf when given; empty samples give none unless a
// filter asks for a fixed rate, or every picture with passthrough.
using Picture = std::vector<uint8_t>;
std::vector<Picture> DecodePictures(const std::string& path, int width, int height, const std::string& pixFmt,
                                    const std::string& vf = "", bool passthrough = false);

// What ffprobe prints for args (its own options and the quoted path), or
// nothing when it fails.
std::optional<std::string> Ffprobe(const std::string& args, const std::string& path);
// The presentation time of every decoded picture, in hundredths of a second.
std::vector<int64_t> PictureTimes(const std::string& path);

// A frame's picture in the same layout, and the document's frames in order.
Picture FrameRgb(const Frame& frame);
std::vector<const Frame*> Frames(const AnimDoc& doc);

// Little-endian fields of hand-damaged files.
uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at);
void PutLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t v);
// Where the four bytes of tag first occur, or the size.
size_t FindTag(const std::vector<uint8_t>& bytes, const char* tag);

}  // namespace kivo::test
