#include "support/ffmpeg_oracle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "support/test_support.h"

namespace kivo::test {

namespace {

}  // namespace

bool HaveFfmpeg() {
    static const bool have = std::system("ffmpeg -version >/dev/null 2>&1 && ffprobe -version >/dev/null 2>&1") == 0;
    return have;
}

bool Ffmpeg(const std::string& args) { return std::system(("ffmpeg -v error -y " + args + " 2>/dev/null").c_str()) == 0; }

std::optional<ProbedVideo> ProbeVideo(const std::string& path) {
    std::string out;
    if (!CaptureCommand("ffprobe -v error -select_streams v:0 -show_entries "
                 "stream=codec_name,pix_fmt,width,height,r_frame_rate,nb_frames:packet=pts,size -of default=nw=1 " +
                     ShellQuote(path),
                 out))
        return std::nullopt;
    ProbedVideo v;
    std::istringstream lines(out);
    std::string line;
    int64_t pts = -1;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "codec_name") v.codec = value;
        else if (key == "pix_fmt") v.pixFmt = value;
        else if (key == "width") v.width = std::atoi(value.c_str());
        else if (key == "height") v.height = std::atoi(value.c_str());
        else if (key == "r_frame_rate") v.rate = value;
        else if (key == "nb_frames") v.length = std::atoll(value.c_str());
        else if (key == "pts") pts = std::atoll(value.c_str());
        else if (key == "size" && std::atoi(value.c_str()) > 0) v.samples.push_back(pts);
    }
    return v;
}

std::vector<Picture> DecodePictures(const std::string& path, int width, int height, const std::string& pixFmt,
                                    const std::string& vf, bool passthrough) {
    std::string out;
    std::string filters = vf.empty() || passthrough ? " -vsync passthrough" : "";
    if (!vf.empty()) filters += " -vf " + ShellQuote(vf);
    if (!CaptureCommand("ffmpeg -v error -i " + ShellQuote(path) + filters + " -f rawvideo -pix_fmt " + pixFmt + " - 2>/dev/null",
                 out))
        return {};
    const size_t size = size_t(width) * size_t(height) * (pixFmt == "rgba" ? 4 : 3);
    std::vector<Picture> pictures;
    for (size_t at = 0; size && at + size <= out.size(); at += size)
        pictures.emplace_back(out.begin() + long(at), out.begin() + long(at + size));
    return pictures;
}

std::optional<std::string> Ffprobe(const std::string& args, const std::string& path) {
    std::string out;
    if (!CaptureCommand("ffprobe -v error " + args + " " + ShellQuote(path), out)) return std::nullopt;
    return out;
}

std::vector<int64_t> PictureTimes(const std::string& path) {
    std::vector<int64_t> times;
    const std::optional<std::string> out =
        Ffprobe("-select_streams v:0 -show_entries frame=best_effort_timestamp_time -of csv=p=0", path);
    if (!out) return times;
    std::istringstream lines(*out);
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty()) times.push_back(std::llround(std::atof(line.c_str()) * 100));
    return times;
}

Picture FrameRgb(const Frame& frame) {
    Picture rgb;
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const Rgb c = PixelOf(frame.dib, x, y);
            rgb.insert(rgb.end(), {c.r, c.g, c.b});
        }
    return rgb;
}

std::vector<const Frame*> Frames(const AnimDoc& doc) {
    std::vector<const Frame*> frames;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) frames.push_back(f);
    return frames;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

size_t FindTag(const std::vector<uint8_t>& bytes, const char* tag) {
    return size_t(std::search(bytes.begin(), bytes.end(), tag, tag + 4) - bytes.begin());
}

}  // namespace kivo::test
