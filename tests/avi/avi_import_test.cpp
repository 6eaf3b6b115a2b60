// AVI import of files FFmpeg makes, FFmpeg's own decoding as the oracle: the
// pictures of every kind of compression, runs of equal samples joined with
// their time, slow and audio-first files, the first-picture preview, and the
// limits that turn hostile or huge files away before memory is spent on them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "doc/dib.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "support/animation_builder.h"
#include "avi/avi_export.h"
#include "avi/avi_import.h"
#include "support/ffmpeg_oracle.h"

namespace kivo {
namespace {

constexpr int kWidth = 32, kHeight = 24;
const std::string kTestSource = "-f lavfi -i testsrc=size=32x24:rate=5:duration=2 ";

using test::FrameRgb;
using test::Frames;
using test::PutLe32;

class AviImport : public testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg and ffprobe make the files and judge them";
    }
    void TearDown() override { MaxAviImportBytes = 0; }
    ScopedRecordingBackend rec;
    test::TempFolder dir;
};

// Five pictures a second stored at 15 samples a second: each picture and the
// empty samples that repeat it become one frame of three samples' time,
// 3 * 100 / 15 hundredths; lossy compressions may decode neighbours alike,
// which join as well.
TEST_F(AviImport, EveryCompressionGivesFfmpegsPicturesWithTheirTime) {
    const char* codecs[] = {"rawvideo -pix_fmt bgr24", "rawvideo -pix_fmt pal8", "rawvideo -pix_fmt rgb555le",
                            "msvideo1", "cinepak", "mjpeg", "mpeg4", "zmbv", "png", "huffyuv"};
    for (const char* codec : codecs) {
        SCOPED_TRACE(codec);
        const std::string avi = dir.file("in.avi");
        ASSERT_TRUE(test::Ffmpeg(kTestSource + "-r 15 -c:v " + codec + " " + avi));
        const auto probed = test::ProbeVideo(avi);
        ASSERT_TRUE(probed);
        const auto pictures = test::DecodePictures(avi, kWidth, kHeight, "rgb24");
        ASSERT_EQ(pictures.size(), probed->samples.size());
        // The oracle's frames: runs of equal pictures and the samples they cover.
        std::vector<test::Picture> expected;
        std::vector<int> delays;
        for (size_t i = 0; i < pictures.size(); ++i) {
            const int64_t end = i + 1 < pictures.size() ? probed->samples[i + 1] : probed->length;
            const int lasts = int(end - probed->samples[i]) * 6;
            if (!expected.empty() && expected.back() == pictures[i]) {
                delays.back() += lasts;
            } else {
                expected.push_back(pictures[i]);
                delays.push_back(lasts);
            }
        }
        auto doc = ImportAviFrames(nullptr, avi);
        ASSERT_TRUE(doc);
        const auto frames = Frames(*doc);
        ASSERT_EQ(frames.size(), expected.size());
        int total = 0;
        for (size_t i = 0; i < frames.size(); ++i) {
            total += frames[i]->delay;
            EXPECT_TRUE(FrameRgb(*frames[i]) == expected[i]) << "frame " << i;
            EXPECT_EQ(frames[i]->delay, delays[i]) << "frame " << i;
            EXPECT_EQ(frames[i]->hasDelay, 1);
        }
        EXPECT_EQ(total, probed->length * 6);
        EXPECT_EQ(doc->screenWidth, kWidth);
        EXPECT_EQ(doc->path, avi);
        EXPECT_EQ(doc->currentFrame, doc->firstFrame.get());
    }
    EXPECT_TRUE(rec->errors.empty());
}

TEST_F(AviImport, SlowVideosAudioFirstAndPreviews) {
    // Half a sample a second: no delay of its own; two equal samples, two of that.
    const std::string slow = dir.file("slow.avi");
    ASSERT_TRUE(test::Ffmpeg("-f lavfi -i testsrc=size=32x24:rate=1/4:duration=8 -r 1/2 -c:v rawvideo " + slow));
    auto doc = ImportAviFrames(nullptr, slow);
    ASSERT_TRUE(doc);
    for (const Frame* f : Frames(*doc)) {
        EXPECT_EQ(f->hasDelay, 0);
        EXPECT_EQ(f->delay, f->next ? 20 : 10);
    }

    // An audio stream first: the first video stream is the one read.
    const std::string mixed = dir.file("mixed.avi");
    ASSERT_TRUE(test::Ffmpeg("-f lavfi -i sine=duration=2 " + kTestSource +
                             "-map 0:a -map 1:v -c:a pcm_s16le -c:v rawvideo " + mixed));
    doc = ImportAviFrames(nullptr, mixed);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->frameCount, 10);
    EXPECT_EQ(doc->firstFrame->delay, 20);

    Frame preview;
    EXPECT_TRUE(ReadAviFirstFrame(mixed, &preview));
    EXPECT_EQ(preview.dib, doc->firstFrame->dib);
    EXPECT_EQ(preview.width, kWidth);
    EXPECT_TRUE(ReadAviFirstFrame(mixed, nullptr));
    const std::string gif = dir.file("not.avi");
    ASSERT_TRUE(test::Ffmpeg(kTestSource + "-f gif " + gif));
    EXPECT_FALSE(ReadAviFirstFrame(gif, nullptr));
    EXPECT_FALSE(ReadAviFirstFrame(dir.path(), nullptr));  // a folder
    EXPECT_TRUE(rec->errors.empty());
}

// Our export read back: the frames, their delays and the document's screen.
TEST_F(AviImport, ReadsBackWhatTheExportWrote) {
    auto colour = [](int x, int y) { return Rgb{uint8_t(x * 7), uint8_t(y * 9), uint8_t(x * y)}; };
    auto other = [](int x, int y) { return Rgb{uint8_t(255 - x), uint8_t(y), 40}; };
    auto doc = test::MakeAnimation(kWidth, kHeight, {{0, 0, kWidth, kHeight, colour, 1, 10},
                                                     {0, 0, kWidth, kHeight, other, 1, 30},
                                                     {0, 0, kWidth, kHeight, colour, 1, 20}});
    for (const char* encoder : {"rawvideo", "zmbv"}) {
        SCOPED_TRACE(encoder);
        const std::string avi = dir.file("ours.avi");
        ASSERT_TRUE(ExportAvi(nullptr, avi, *doc, encoder));
        auto back = ImportAviFrames(nullptr, avi);
        ASSERT_TRUE(back);
        const auto frames = Frames(*back), originals = Frames(*doc);
        ASSERT_EQ(frames.size(), originals.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_TRUE(FrameRgb(*frames[i]) == FrameRgb(*originals[i])) << "frame " << i;
            EXPECT_EQ(frames[i]->delay, originals[i]->delay);
        }
    }
    // Samples the header counts past the last stored picture are empty ones:
    // the last picture stays on (here 6 samples of 10 stored, 8 said).
    std::vector<uint8_t> bytes = test::ReadFile(dir.file("ours.avi"));
    const size_t length = test::FindTag(bytes, "strh") + 8 + 32;
    ASSERT_EQ(bytes[length], 6);
    bytes[length] = 8;
    auto longer = ImportAviBytes(nullptr, bytes);
    ASSERT_TRUE(longer);
    EXPECT_EQ(Frames(*longer).back()->delay, 40);
}

// Headers that claim absurd sizes or lengths, and a video larger than the
// memory allowed, are refused with a message before pictures are allocated;
// what is no AVI fails without one (the caller says the file did not open).
TEST_F(AviImport, RefusesWhatWouldNotFitBeforeAllocating) {
    auto doc = test::MakeAnimation(8, 6, {{0, 0, 8, 6, [](int x, int) { return Rgb{uint8_t(x * 30), 0, 0}; }, 1, 10},
                                          {0, 0, 8, 6, [](int, int y) { return Rgb{0, uint8_t(y * 40), 0}; }, 1, 10}});
    const std::string avi = dir.file("small.avi");
    ASSERT_TRUE(ExportAvi(nullptr, avi, *doc, "rawvideo"));
    const std::vector<uint8_t> good = test::ReadFile(avi);
    const size_t avih = test::FindTag(good, "avih") + 8, strh = test::FindTag(good, "strh") + 8,
                 strf = test::FindTag(good, "strf") + 8;

    const std::string tooLarge = "AVI が大きすぎて、読み込めません。";
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
        uint64_t budget;
        AviReadError error;
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        {"a picture of 100000 x 100000",
         [&](auto& b) {
             for (size_t at : {avih + 32, strf + 4}) PutLe32(b, at, 100000);
             for (size_t at : {avih + 36, strf + 8}) PutLe32(b, at, 100000);
         },
         0, AviReadError::kTooLarge, {tooLarge}},
        {"four thousand million samples",
         [&](auto& b) {
             PutLe32(b, avih + 16, 0xFFFFFFF0);
             PutLe32(b, strh + 32, 0xFFFFFFF0);
         },
         0, AviReadError::kTooLarge, {tooLarge}},
        {"more pictures than memory allows", [](auto&) {}, 300, AviReadError::kTooLarge, {tooLarge}},
        {"no AVI", [](auto& b) { std::memcpy(b.data() + 8, "WAVE", 4); }, 0, AviReadError::kOpen, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRecordingBackend fresh;
        std::vector<uint8_t> bytes = good;
        c.damage(bytes);
        MaxAviImportBytes = c.budget;
        AviReadError error = AviReadError::kNone;
        EXPECT_FALSE(LoadAviBytes(nullptr, bytes, "", error));
        EXPECT_EQ(error, c.error);
        EXPECT_TRUE(fresh->errors.empty());
        EXPECT_FALSE(ImportAviBytes(nullptr, bytes));
        EXPECT_EQ(fresh->errors, c.errors);
        EXPECT_EQ(fresh->opens, fresh->closes);
    }
}

TEST_F(AviImport, CancelLeavesNothing) {
    const std::string avi = dir.file("in.avi");
    ASSERT_TRUE(test::Ffmpeg(kTestSource + "-c:v rawvideo " + avi));
    rec->cancelAtPump = 4;
    EXPECT_FALSE(ImportAviFrames(nullptr, avi));
    EXPECT_TRUE(rec->errors.empty());
    EXPECT_EQ(rec->opens, 1);
    EXPECT_EQ(rec->closes, 1);
    rec->pumps = 0;
    AviReadError error = AviReadError::kNone;
    EXPECT_FALSE(LoadAviFrames(nullptr, avi, error));
    EXPECT_EQ(error, AviReadError::kCancelled);
}

}  // namespace
}  // namespace kivo
