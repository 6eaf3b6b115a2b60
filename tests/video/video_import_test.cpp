// Video import against clips FFmpeg writes: the frames (equal pictures in a row
// joined, their times summed), the chosen rate and range, the first picture for
// a preview, and clips refused with a reason before anything is decoded.
#include <gtest/gtest.h>

#include <filesystem>

#include "avi/avi_import.h"
#include "doc/dib.h"
#include "platform/recording_backend.h"
#include "support/ffmpeg_oracle.h"
#include "support/test_support.h"
#include "video/video_import.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

// Red for a second, blue for half a second, red again for 0.3 s, at 10 a second.
constexpr char kThreeColours[] =
    "-f lavfi -i 'color=c=red:s=32x24:r=10:d=1[a];color=c=blue:s=32x24:r=10:d=0.5[b];"
    "color=c=red:s=32x24:r=10:d=0.3[c];[a][b][c]concat=n=3:v=1:a=0'";

class VideoImport : public testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
        dir_ = fs::temp_directory_path() / ("kivo_video_import_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
        MaxAviImportBytes = 0;
    }
    // A clip FFmpeg makes from input (its options) with the output options.
    std::string Clip(const std::string& name, const std::string& input, const std::string& output) {
        const std::string path = (dir_ / name).string();
        EXPECT_TRUE(test::Ffmpeg(input + " " + output + " '" + path + "'")) << name;
        return path;
    }
    static std::vector<int32_t> Delays(const AnimDoc& doc) {
        std::vector<int32_t> delays;
        for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) delays.push_back(f->delay);
        return delays;
    }
    fs::path dir_;
};

TEST_F(VideoImport, ContainersAndCodecsGiveTheColoursWithTheirTimes) {
    struct Case {
        const char* name;
        const char* output;
    };
    const Case cases[] = {
        {"h264.mp4", "-c:v libx264 -pix_fmt yuv420p"},
        {"vp9.webm", "-c:v libvpx-vp9 -pix_fmt yuv420p -b:v 0 -crf 30"},
        {"ffv1.mkv", "-c:v ffv1"},
        {"png.mov", "-c:v png"},
        {"mpeg2.ts", "-c:v mpeg2video -q:v 2"},  // a stream that starts at 1.4 s
        {"flv1.flv", "-c:v flv1 -q:v 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Clip(c.name, kThreeColours, c.output);
        ScopedRecordingBackend rec;
        auto doc = ReadVideo(nullptr, path, {});
        ASSERT_TRUE(doc);
        EXPECT_TRUE(rec->errors.empty());
        EXPECT_EQ(rec->opens, 1);
        EXPECT_EQ(rec->closes, 1);
        ASSERT_EQ(Delays(*doc), (std::vector<int32_t>{100, 50, 30}));
        const Rgb expected[] = {{255, 0, 0}, {0, 0, 255}, {255, 0, 0}};
        int i = 0;
        for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++i) {
            EXPECT_EQ(f->width, 32);
            EXPECT_EQ(f->height, 24);
            const Rgb p = test::PixelOf(f->dib, 16, 12);
            EXPECT_NEAR(p.r, expected[i].r, 24) << "frame " << i;
            EXPECT_NEAR(p.b, expected[i].b, 24) << "frame " << i;
        }
    }
}

TEST_F(VideoImport, RateAndRangeTakeAPartOfTheClip) {
    const std::string path = Clip("count.mp4", "-f lavfi -i testsrc=size=64x48:rate=25:duration=4",
                                  "-c:v libx264 -pix_fmt yuv420p");
    struct Case {
        double fps, start, duration;
        std::vector<int32_t> delays;
    };
    const Case cases[] = {
        {0, 0, 0, std::vector<int32_t>(100, 4)},
        {5, 0, 0, std::vector<int32_t>(20, 20)},
        {5, 1, 2, std::vector<int32_t>(10, 20)},
        {0, 3.52, 0, std::vector<int32_t>(12, 4)},
        {0, 1.02, 0.2, {2, 4, 4, 4, 4, 2}},  // the picture on show at 1.02 s comes first
        {3, 0, 1, {33, 34, 33}},             // samples at 0, 1/3 and 2/3 s
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "fps " << c.fps << " start " << c.start << " duration " << c.duration);
        ReadOptions options;
        options.videoFps = c.fps;
        options.videoStart = c.start;
        options.videoDuration = c.duration;
        VideoReadResult result;
        ScopedRecordingBackend rec;
        auto doc = LoadVideo(nullptr, path, options, result);
        ASSERT_TRUE(doc) << result.message;
        EXPECT_EQ(Delays(*doc), c.delays);
    }
}

TEST_F(VideoImport, ClipsBeyondTheBudgetAreRefusedWithTheNumbers) {
    const std::string path = Clip("long.webm", "-f lavfi -i color=c=green:s=40x30:r=30:d=10",
                                  "-c:v libvpx-vp9 -b:v 0 -crf 40");
    VideoProbe probe;
    ASSERT_TRUE(ProbeVideo(path, {}, probe));
    EXPECT_GE(probe.frames, 300);
    EXPECT_LE(probe.frames, 301);
    EXPECT_EQ(probe.width, 40);
    MaxAviImportBytes = 100 * (40 + 120 * 30);  // a hundred pictures
    ScopedRecordingBackend rec;
    VideoReadResult result;
    EXPECT_FALSE(LoadVideo(nullptr, path, {}, result));
    EXPECT_EQ(result.error, AviReadError::kTooLarge);
    EXPECT_NE(result.message.find(std::to_string(probe.frames) + " コマ × 40×30 ピクセル"), std::string::npos)
        << result.message;
    // Nothing was decoded: the progress never counted a picture.
    for (const std::string& line : rec->texts) EXPECT_EQ(line.find(" / "), std::string::npos) << line;
    // A lower rate fits.
    ReadOptions options;
    options.videoFps = 5;
    EXPECT_TRUE(LoadVideo(nullptr, path, options, result)) << result.message;
}

TEST_F(VideoImport, FilesThatAreNoVideoFailWithoutAMessageOfTheirOwn) {
    const std::string text = (dir_ / "text.mp4").string();
    ASSERT_TRUE(test::WriteFile(text, std::vector<uint8_t>(4000, 'x')));
    for (const std::string& path : {text, (dir_ / "missing.webm").string()}) {
        ScopedRecordingBackend rec;
        VideoReadResult result;
        EXPECT_FALSE(LoadVideo(nullptr, path, {}, result)) << path;
        EXPECT_EQ(result.error, AviReadError::kOpen) << path;
        EXPECT_TRUE(result.message.empty()) << path;
        EXPECT_EQ(rec->opens, rec->closes);
    }
    Frame frame;
    EXPECT_FALSE(ReadVideoFirstFrame(text, frame));
    EXPECT_TRUE(ReadVideoFirstFrame(Clip("first.webm", kThreeColours, "-c:v libvpx-vp9"), frame));
    EXPECT_EQ(frame.width, 32);
    EXPECT_EQ(test::PixelOf(frame.dib, 0, 0).r > 200, true);
}

}  // namespace
}  // namespace kivo
