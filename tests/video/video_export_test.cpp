// MP4 and WebM export judged by FFmpeg: codec and pixel format, the index ahead
// of the data, every picture's time equal to where its frame starts, odd sizes
// padded, alpha only where the screen stays transparent, and the decoded
// pictures close to what kivo-cli render shows. Also the round trip back
// through the video import.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "gif/gif_writer.h"
#include "options/write_options.h"
#include "platform/recording_backend.h"
#include "support/animation_builder.h"
#include "support/ffmpeg_oracle.h"
#include "support/test_support.h"
#include "video/video_export.h"
#include "video/video_import.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;
using test::FrameSpec;

// Peak signal-to-noise ratio of two pictures of equal size, in dB.
double Psnr(const test::Picture& a, const test::Picture& b) {
    if (a.size() != b.size() || a.empty()) return 0;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += double(int(a[i]) - int(b[i])) * double(int(a[i]) - int(b[i]));
    const double mse = sum / double(a.size());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

Rgb Gradient(int x, int y) { return Rgb{uint8_t(x * 4), uint8_t(y * 5), uint8_t(128 + (x ^ y))}; }
Rgb Stripes(int x, int) { return x % 8 < 4 ? Rgb{240, 200, 20} : Rgb{20, 40, 160}; }

class VideoExport : public testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
        dir_ = fs::temp_directory_path() / ("kivo_video_export_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

struct Shape {
    const char* name;
    int width, height;
    std::vector<FrameSpec> frames;
    bool transparent;  // some screen keeps pixels no frame drew
};

std::vector<Shape> Shapes() {
    return {
        {"uneven delays", 48, 32,
         {FrameSpec(0, 0, 48, 32, Gradient, 1, 10), FrameSpec(8, 4, 16, 16, Stripes, 1, 37),
          FrameSpec(20, 10, 16, 12, Stripes, 2, 3), FrameSpec(0, 0, 48, 32, Stripes, 1, 0),
          FrameSpec(4, 4, 10, 10, Gradient, 1, 125)},
         false},
        {"odd size", 33, 21, {FrameSpec(0, 0, 33, 21, Gradient, 1, 20), FrameSpec(0, 0, 33, 21, Stripes, 1, 20)}, false},
        {"holes", 40, 24,
         {FrameSpec(4, 4, 20, 12, Stripes, 1, 15), FrameSpec(10, 6, 20, 12, Gradient, 2, 25)}, true},
    };
}

TEST_F(VideoExport, FfprobeFindsTheCodecTimesAndLayout) {
    for (const Shape& shape : Shapes()) {
        for (const VideoKind kind : {VideoKind::kMp4, VideoKind::kWebm}) {
            const bool mp4 = kind == VideoKind::kMp4;
            SCOPED_TRACE(std::string(shape.name) + (mp4 ? " mp4" : " webm"));
            auto doc = test::MakeAnimation(shape.width, shape.height, shape.frames);
            const std::string path = Path(mp4 ? "out.mp4" : "out.webm");
            ScopedRecordingBackend rec;
            ASSERT_TRUE(ExportVideo(nullptr, path, *doc, kind));
            EXPECT_TRUE(rec->errors.empty());
            const std::optional<test::ProbedVideo> v = test::ProbeVideo(path);
            ASSERT_TRUE(v);
            EXPECT_EQ(v->codec, mp4 ? "h264" : "vp9");
            EXPECT_EQ(v->pixFmt, "yuv420p");  // VP9's alpha rides beside the picture
            EXPECT_EQ(v->width, mp4 ? (shape.width + 1) / 2 * 2 : shape.width);
            EXPECT_EQ(v->height, mp4 ? (shape.height + 1) / 2 * 2 : shape.height);
            std::string tags = test::Ffprobe("-show_entries stream_tags -of default=nw=1", path).value_or("");
            for (char& c : tags) c = char(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_EQ(tags.find("alpha_mode=1") != std::string::npos, !mp4 && shape.transparent) << tags;

            // Every picture starts where its frame starts; the file ends where the last delay does.
            std::vector<int64_t> starts;
            int64_t t = 0;
            for (const FrameSpec& f : shape.frames) {
                starts.push_back(t);
                t += f.delay > 0 ? f.delay : 1;
            }
            EXPECT_EQ(test::PictureTimes(path), starts);
            const std::string duration = test::Ffprobe("-show_entries format=duration -of csv=p=0", path).value_or("");
            EXPECT_NEAR(std::atof(duration.c_str()) * 100, double(t), 0.6) << duration;
            if (!mp4 && shape.transparent) {
                // libvpx decodes the alpha FFmpeg's own VP9 decoder leaves aside:
                // clear where no frame drew, opaque inside the first frame.
                const std::string raw = Path("alpha.rgba");
                ASSERT_TRUE(test::Ffmpeg("-c:v libvpx-vp9 -i '" + path + "' -frames:v 1 -f rawvideo -pix_fmt rgba '" +
                                         raw + "'"));
                const std::vector<uint8_t> rgba = test::ReadFile(raw);
                ASSERT_EQ(rgba.size(), size_t(shape.width * shape.height * 4));
                auto alpha = [&](int x, int y) { return int(rgba[size_t(y * shape.width + x) * 4 + 3]); };
                EXPECT_LT(alpha(0, 0), 16);
                EXPECT_LT(alpha(shape.width - 1, shape.height - 1), 16);
                EXPECT_GT(alpha(12, 8), 240);
            }
            if (mp4) {
                const std::vector<uint8_t> bytes = test::ReadFile(path);
                EXPECT_LT(test::FindTag(bytes, "moov"), test::FindTag(bytes, "mdat"));
            }
        }
    }
}

TEST_F(VideoExport, DecodedPicturesMatchWhatRenderShows) {
    for (const Shape& shape : Shapes()) {
        auto doc = test::MakeAnimation(shape.width, shape.height, shape.frames);
        const std::string gif = Path("in.gif");
        WriteOptions options;
        ScopedRecordingBackend rec;
        ASSERT_TRUE(WriteGif(nullptr, gif, *doc, options));
        const std::string frames = Path("render");
        fs::remove_all(frames);  // the pictures of the shape before
        ASSERT_EQ(test::RunCli("render '" + gif + "' --background 000000 -o '" + frames + "'").status, 0);
        std::vector<test::Picture> shown;
        for (size_t i = 1; i <= shape.frames.size(); ++i) {
            const auto pictures = test::DecodePictures(frames + "/in_" + std::to_string(i) + ".png", shape.width,
                                                       shape.height, "rgb24");
            ASSERT_EQ(pictures.size(), 1u);
            shown.push_back(pictures[0]);
        }
        for (const char* name : {"out.mp4", "out.webm"}) {
            SCOPED_TRACE(std::string(shape.name) + " " + name);
            VideoKind kind;
            ASSERT_TRUE(VideoKindOf(name, kind));
            ASSERT_TRUE(ExportVideo(nullptr, Path(name), *doc, kind));
            // The padding is cut off again before comparing.
            const std::string crop = "format=rgb24,crop=" + std::to_string(shape.width) + ":" + std::to_string(shape.height) + ":0:0";
            const auto decoded = test::DecodePictures(Path(name), shape.width, shape.height, "rgb24", crop, true);
            ASSERT_EQ(decoded.size(), shown.size());
            // FFmpeg encoding the rendered pictures with the same settings sets
            // the bar where the codec itself cannot reach 30 dB (VP9 at odd sizes).
            const bool mp4 = kind == VideoKind::kMp4;
            const std::string reference = Path(mp4 ? "ref.mp4" : "ref.webm");
            ASSERT_TRUE(test::Ffmpeg("-framerate 5 -i '" + frames + "/in_%d.png' " +
                                     (mp4 ? "-vf 'pad=ceil(iw/2)*2:ceil(ih/2)*2' -c:v libx264 -crf 20"
                                          : "-c:v libvpx-vp9 -crf 30 -b:v 0") +
                                     " -pix_fmt yuv420p '" + reference + "'"));
            const auto theirs = test::DecodePictures(reference, shape.width, shape.height, "rgb24", crop, true);
            ASSERT_EQ(theirs.size(), shown.size());
            for (size_t i = 0; i < shown.size(); ++i) {
                const double bar = std::min(30.0, Psnr(theirs[i], shown[i]) - 1.0);
                EXPECT_GT(Psnr(decoded[i], shown[i]), bar) << "frame " << i;
            }
        }
    }
}

TEST_F(VideoExport, ImportGivesBackTheFramesAndDelays) {
    const Shape shape = Shapes()[0];
    auto doc = test::MakeAnimation(shape.width, shape.height, shape.frames);
    for (const char* name : {"back.mp4", "back.webm"}) {
        SCOPED_TRACE(name);
        VideoKind kind;
        ASSERT_TRUE(VideoKindOf(name, kind));
        ScopedRecordingBackend rec;
        ASSERT_TRUE(ExportVideo(nullptr, Path(name), *doc, kind));
        auto back = ReadVideo(nullptr, Path(name), {});
        ASSERT_TRUE(back);
        std::vector<int32_t> delays, expected;
        for (const Frame* f = back->firstFrame.get(); f; f = f->next.get()) delays.push_back(f->delay);
        for (const FrameSpec& f : shape.frames) expected.push_back(f.delay > 0 ? f.delay : 1);
        EXPECT_EQ(delays, expected);
    }
}

TEST_F(VideoExport, AFailedWriteLeavesTheTargetAsItWas) {
    auto doc = test::MakeAnimation(16, 16, {FrameSpec(0, 0, 16, 16, Gradient, 1, 10)});
    // A folder of that name cannot be replaced by the file.
    const std::string target = Path("kept.mp4");
    fs::create_directories(target + "/inside");
    ScopedRecordingBackend rec;
    EXPECT_FALSE(ExportVideo(nullptr, target, *doc, VideoKind::kMp4));
    EXPECT_TRUE(fs::is_directory(target + "/inside"));
    EXPECT_EQ(rec->errors.size(), 1u);
    EXPECT_EQ(rec->opens, rec->closes);
    VideoKind kind;
    EXPECT_FALSE(VideoKindOf("a.gif", kind));
    EXPECT_FALSE(VideoKindOf("dir.mp4/a", kind));
}

}  // namespace
}  // namespace kivo
