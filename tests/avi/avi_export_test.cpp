// AVI export judged by FFmpeg: where the samples go and at what rate, the pixel
// format each kind of document gets, what a player shows at every sample
// against FFmpeg playing the same animation saved as GIF, and the document,
// the options and the target left as they were whatever the outcome.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "options/write_options.h"
#include "doc/dib.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "support/animation_builder.h"
#include "avi/avi_export.h"
#include "avi/avi_timing.h"
#include "avi/avi_yuv.h"
#include "support/ffmpeg_oracle.h"

namespace kivo {
namespace {

using test::FrameSpec;

TEST(AviTimeUnit, DelaysGiveTheUnitAndEveryWrite) {
    struct Case {
        std::vector<int32_t> delays;
        int32_t unit;
        std::vector<std::pair<size_t, int64_t>> writes;  // frame, sample
    };
    const Case cases[] = {
        {{10, 10, 20}, 10, {{0, 0}, {1, 1}, {2, 2}, {2, 3}}},
        {{10, 25}, 1, {{0, 0}, {1, 10}, {1, 34}}},    // 25 is no multiple of 10
        {{300, 300}, 100, {{0, 0}, {1, 3}, {1, 5}}},  // each lasts 3 samples
        {{10, 0, 10}, 1, {{0, 0}, {1, 10}, {2, 11}, {2, 20}}},
        {{50}, 50, {{0, 0}}},
        {{10, 50}, 10, {{0, 0}, {1, 1}, {1, 5}}},
        {{150, 300}, 50, {{0, 0}, {1, 3}, {1, 8}}},  // 150 is above 100
        {{30, 60}, 30, {{0, 0}, {1, 1}, {1, 2}}},
        {{250}, 50, {{0, 0}, {0, 4}}},
        {{}, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.delays));
        EXPECT_EQ(AviTimeUnit(c.delays), c.unit);
        std::vector<std::pair<size_t, int64_t>> writes;
        for (const AviSampleWrite& w : AviSchedule(c.delays, c.unit)) writes.emplace_back(w.frame, w.position);
        EXPECT_EQ(writes, c.writes);
    }
}

const Rgb kClear{255, 0, 255};

// Offsets, transparency, "restore to background" and "restore previous": what
// a player shows differs from every frame's own picture.
std::unique_ptr<AnimDoc> LayeredAnimation() {
    auto ground = [](int x, int y) { return Rgb{uint8_t(x / 3 * 30), uint8_t(y / 2 * 30), 90}; };
    auto sprite = [](int x, int y) { return (x + y) % 3 == 0 ? kClear : Rgb{250, uint8_t(x * 20), 10}; };
    auto box = [](int x, int y) { return x % 4 == 0 ? kClear : Rgb{20, 200, uint8_t(y * 30)}; };
    return test::MakeAnimation(24, 16, {FrameSpec(0, 0, 24, 16, ground, 1, 10),
                                        FrameSpec(3, 2, 6, 5, sprite, 2, 20, kClear),
                                        FrameSpec(10, 6, 8, 6, box, 3, 10, kClear),
                                        FrameSpec(16, 9, 5, 5, sprite, 1, 30, kClear)});
}

// Whole-screen frames: every pixel of frame i a colour of its own, so that
// count frames hold count * 384 colours.
std::unique_ptr<AnimDoc> ColourfulAnimation(std::vector<int> delays, int colours) {
    std::vector<FrameSpec> frames;
    for (size_t i = 0; i < delays.size(); ++i) {
        const int base = int(i) * colours;
        frames.emplace_back(0, 0, 24, 16, [=](int x, int y) {
            const int v = base + (y * 24 + x) % colours;
            return Rgb{uint8_t(v), uint8_t(v >> 8), uint8_t(255 - v)};
        }, 1, delays[i]);
    }
    return test::MakeAnimation(24, 16, frames);
}

double MeanDifference(const test::Picture& a, const test::Picture& b) {
    if (a.size() != b.size() || a.empty()) return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size());
}

class AviExport : public testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg and ffprobe are the oracle";
    }
    ScopedRecordingBackend rec;
    test::TempFolder dir;
};

// The layered animation as a player shows it, sample by sample, from every
// kind of encoder: FFmpeg plays our GIF of it at the AVI's rate as the oracle.
// Where the GIF lets the page show through, the video shows the first frame's
// transparent colour, black when it has none, as here.
TEST_F(AviExport, ShowsWhatThePlayerShowsAtEverySample) {
    auto doc = LayeredAnimation();
    const std::string gif = dir.file("layered.gif");
    WriteOptions options;
    ASSERT_TRUE(WriteGif(nullptr, gif, *doc, options));
    const std::vector<test::Picture> shown = test::DecodePictures(gif, 24, 16, "rgba", "fps=10");
    ASSERT_GE(shown.size(), 6u);

    struct Case {
        const char* encoder;
        const char* pixFmt;
        double tolerance;  // mean difference per channel; 0: exact
    };
    const Case cases[] = {
        {"rawvideo", "pal8", 0}, {"png", "pal8", 0},       {"zmbv", "pal8", 0},
        {"ffv1", "bgr0", 0},     {"huffyuv", "bgr0", 0}, {"mjpeg", "yuvj444p", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoder);
        const std::string avi = dir.file(std::string(c.encoder) + ".avi");
        ASSERT_TRUE(ExportAvi(nullptr, avi, *doc, c.encoder));
        const auto probed = test::ProbeVideo(avi);
        ASSERT_TRUE(probed);
        EXPECT_EQ(probed->pixFmt, c.pixFmt);
        EXPECT_EQ(probed->width, 24);
        EXPECT_EQ(probed->height, 16);
        // Delays 10, 20, 10, 30: unit 10, the last frame again where it ends.
        EXPECT_EQ(probed->rate, "10/1");
        EXPECT_EQ(probed->samples, (std::vector<int64_t>{0, 1, 3, 4, 6}));
        EXPECT_EQ(probed->length, 7);
        const std::vector<test::Picture> video = test::DecodePictures(avi, 24, 16, "rgb24", "fps=10");
        ASSERT_GE(video.size(), shown.size());
        for (size_t i = 0; i < shown.size(); ++i) {
            test::Picture expected;
            for (size_t p = 0; p < shown[i].size(); p += 4) {
                const bool page = shown[i][p + 3] == 0;
                for (int k = 0; k < 3; ++k) expected.push_back(page ? 0 : shown[i][p + size_t(k)]);
            }
            EXPECT_LE(MeanDifference(video[i], expected), c.tolerance) << "sample " << i;
        }
    }
    EXPECT_TRUE(rec->errors.empty());
}

// Motion JPEG's pictures are converted by our own loop rather than FFmpeg's
// scaler: every level of every channel, and random colours, come out as the
// scaler makes them, give or take rounding.
TEST_F(AviExport, FullRangeYuvIsWhatTheScalerMakes) {
    constexpr int kWidth = 128, kHeight = 64;
    std::vector<uint32_t> screen(size_t(kWidth) * kHeight);
    uint32_t seed = 12345;
    for (size_t i = 0; i < screen.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        // The first 4096: 16 levels of each channel, 0 and 255 among them.
        screen[i] = i < 4096 ? uint32_t((i >> 8 & 15) * 17) << 16 | uint32_t((i >> 4 & 15) * 17) << 8 |
                                   uint32_t((i & 15) * 17)
                             : seed >> 8;
    }
    const std::string raw = dir.file("screen.bgr0"), yuv = dir.file("screen.yuv");
    ASSERT_TRUE(test::WriteFile(raw, std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(screen.data()),
                                                          reinterpret_cast<const uint8_t*>(screen.data() + screen.size()))));
    ASSERT_TRUE(test::Ffmpeg("-f rawvideo -pix_fmt bgr0 -s 128x64 -i '" + raw +
                             "' -pix_fmt yuvj444p -f rawvideo '" + yuv + "'"));
    const std::vector<uint8_t> scaler = test::ReadFile(yuv);
    ASSERT_EQ(scaler.size(), screen.size() * 3);

    std::vector<uint8_t> ours(scaler.size());
    uint8_t* const planes[3] = {ours.data(), ours.data() + screen.size(), ours.data() + 2 * screen.size()};
    const int lineSize[3] = {kWidth, kWidth, kWidth};
    ScreenToFullRangeYuv444(screen.data(), kWidth, kHeight, planes, lineSize);
    int worst = 0;
    for (size_t i = 0; i < ours.size(); ++i) worst = std::max(worst, std::abs(int(ours[i]) - int(scaler[i])));
    EXPECT_LE(worst, 1);
}

// Lossy encoders work at the quantizer the export gives them, as FFmpeg's own
// tool does when told the same one: pictures encoded finer come out larger.
TEST_F(AviExport, LossyEncodersKeepTheirQuantizer) {
    std::vector<FrameSpec> frames;
    for (int i = 0; i < 3; ++i)
        frames.emplace_back(0, 0, 96, 64, [i](int x, int y) {
            const uint32_t h = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u ^ uint32_t(i) * 83492791u;
            return Rgb{uint8_t(x * 2 + (h & 15)), uint8_t(y * 3 + (h >> 4 & 15)), uint8_t(h >> 8)};
        }, 1, 10);
    const std::string gif = dir.file("noise.gif");
    WriteOptions options;
    ASSERT_TRUE(WriteGif(nullptr, gif, *test::MakeAnimation(96, 64, frames), options));
    const std::unique_ptr<AnimDoc> doc = ReadGif(nullptr, gif);  // the pictures FFmpeg gets
    ASSERT_TRUE(doc);
    for (const char* encoder : {"mjpeg", "mpeg4"}) {
        SCOPED_TRACE(encoder);
        const std::string ours = dir.file(std::string(encoder) + ".avi");
        const std::string theirs = dir.file(std::string(encoder) + "_ffmpeg.avi");
        ASSERT_TRUE(ExportAvi(nullptr, ours, *doc, encoder));
        ASSERT_TRUE(test::Ffmpeg("-i '" + gif + "' -c:v " + encoder + " -q:v 3 '" + theirs + "'"));
        const double ratio = double(std::filesystem::file_size(ours)) / double(std::filesystem::file_size(theirs));
        EXPECT_NEAR(ratio, 1.0, 0.05);
    }
}

// 8-bit only when one palette holds every frame's colours exactly; the frames
// themselves are the pictures, written at the rate the unit gives.
TEST_F(AviExport, DepthAndRateFollowTheFrames) {
    struct Case {
        const char* name;
        std::vector<int> delays;
        int colours;  // per frame
        const char* pixFmt;
        const char* rate;
        std::vector<int64_t> samples;
    };
    const Case cases[] = {
        {"over 256 colours", {10, 10, 20}, 384, "bgr24", "10/1", {0, 1, 2, 3}},
        {"frames of 200 colours, 400 in all", {10, 10}, 200, "bgr24", "10/1", {0, 1}},
        {"200 colours shared", {10, 10}, 0, "pal8", "10/1", {0, 1}},
        {"a unit that does not divide a second", {30, 60}, 384, "bgr24", "10/3", {0, 1, 2}},
        {"a zero delay", {0, 3}, 384, "bgr24", "100/1", {0, 1, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // colours 0: both frames draw from the same 200.
        auto doc = ColourfulAnimation(c.delays, c.colours ? c.colours : 200);
        if (!c.colours) doc->firstFrame->next->dib = doc->firstFrame->dib;
        const std::string avi = dir.file("colourful.avi");
        ASSERT_TRUE(ExportAvi(nullptr, avi, *doc));
        const auto probed = test::ProbeVideo(avi);
        ASSERT_TRUE(probed);
        EXPECT_EQ(probed->pixFmt, c.pixFmt);
        EXPECT_EQ(probed->rate, c.rate);
        EXPECT_EQ(probed->samples, c.samples);
        const std::vector<test::Picture> pictures = test::DecodePictures(avi, 24, 16, "rgb24");
        ASSERT_EQ(pictures.size(), c.samples.size());
        size_t i = 0;
        for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++i)
            EXPECT_TRUE(pictures[i] == test::FrameRgb(*f)) << "frame " << i;
    }
}

// Presses cancel while the third frame is written: after the 8-bit pictures
// were lent to the frames, however many pumps the palette work took.
struct CancelWhileWriting : RecordingBackend {
    bool armed = false;
    bool ProgressDialogPump() override {
        const bool pressed = RecordingBackend::ProgressDialogPump();
        return pressed || (armed && !texts.empty() && texts.back().rfind("AVI 書き込み中...\r    3 /", 0) == 0);
    }
};

// Success, an encoder that refuses the pictures (given up, or retried with
// another), a cancel, a target that cannot be written and a video too long to
// write: the document keeps
// its pictures, places, palettes and transparency, the options come back, and
// the file already there survives everything but the success.
TEST_F(AviExport, LeavesDocumentOptionsAndTargetAsTheyWere) {
    enum Kind { kWritten, kRefused, kRetried, kCancelled, kUnwritable, kEndless };
    struct Case {
        const char* name;
        Kind kind;
        std::vector<std::string> errors;
    };
    const std::string failed = "エラーのため、書き込み失敗しました。";
    // The pictures reach an encoder that does not store 8-bit ones in full colour.
    const std::string refused = "フルカラーで、可能な圧縮形式ではない可能性があります。\r別の圧縮形式を選択してください。";
    const Case cases[] = {
        {"written", kWritten, {}},
        {"refused", kRefused, {refused, failed}},
        {"retried", kRetried, {refused}},
        {"cancelled", kCancelled, {}},
        {"unwritable", kUnwritable, {failed}},
        {"a delay of 230 days", kEndless, {failed}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRecordingBackend outer;
        CancelWhileWriting fresh;
        InstallPlatformBackend(&fresh);
        auto doc = LayeredAnimation();
        doc->globalPalette = {{1, 2, 3}, {4, 5, 6}};
        doc->firstFrame->next->localPalette = {{7, 8, 9}};
        if (c.kind == kEndless) doc->firstFrame->delay = 2000000000;
        const std::string before = test::Fingerprint(*doc);
        const std::string target = c.kind == kUnwritable ? dir.file("no/such/folder.avi") : dir.file("target.avi");
        ASSERT_TRUE(test::WriteFile(dir.file("target.avi"), {'o', 'l', 'd'}));
        // h261 takes only 176x144 and 352x288 pictures.
        std::vector<std::string> offered = {c.kind == kRefused || c.kind == kRetried ? "h261" : "rawvideo", "rawvideo"};
        AviEncoderChoice choice;
        choice.choose = [&]() -> std::optional<std::string> {
            std::string e = offered.front();
            offered.erase(offered.begin());
            return e;
        };
        choice.retry = [&](OwnerWindow, std::string_view message) {
            fresh.errors.emplace_back(message);
            return c.kind == kRetried;
        };
        fresh.armed = c.kind == kCancelled;

        const bool ok = ExportAvi(nullptr, target, *doc, choice);
        InstallPlatformBackend(&*outer);
        EXPECT_EQ(ok, c.kind == kWritten || c.kind == kRetried);
        EXPECT_EQ(fresh.errors, c.errors);
        EXPECT_EQ(fresh.opens, 1);
        EXPECT_EQ(fresh.closes, 1);
        EXPECT_EQ(test::Fingerprint(*doc), before);
        EXPECT_EQ(doc->globalPalette, (Palette{{1, 2, 3}, {4, 5, 6}}));
        EXPECT_EQ(doc->firstFrame->next->localPalette, (Palette{{7, 8, 9}}));
        for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get()) EXPECT_TRUE(f->indexPixels.empty());
        const auto kept = test::ReadFile(dir.file("target.avi"));
        EXPECT_EQ(kept == std::vector<uint8_t>({'o', 'l', 'd'}), !ok);
        if (ok) {
            EXPECT_TRUE(test::ProbeVideo(target));
        }
        size_t files = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
        EXPECT_EQ(files, 1u) << "a temporary file was left";
    }
}

// With one encoder and no one to ask again, the refusal is the export's error,
// and the showing form says it before the failure.
TEST_F(AviExport, OneEncodersRefusalIsPartOfTheError) {
    auto doc = LayeredAnimation();
    const std::string target = dir.file("h261.avi");
    const AviExportError error = SaveAvi(nullptr, target, *doc, "h261");  // 176x144 and 352x288 only
    EXPECT_EQ(error.kind, AviExportError::Kind::kFailed);
    EXPECT_EQ(error.refusal, AviExportError::Refusal::kFullColour);
    EXPECT_TRUE(rec->errors.empty());
    EXPECT_FALSE(std::filesystem::exists(target));

    EXPECT_FALSE(ExportAvi(nullptr, target, *doc, "h261"));
    EXPECT_EQ(rec->errors, (std::vector<std::string>{AviRefusalMessage(AviExportError::Refusal::kFullColour),
                                                     "エラーのため、書き込み失敗しました。"}));
    EXPECT_TRUE(AviExportMessages({AviExportError::Kind::kCancelled}).empty());
}

}  // namespace
}  // namespace kivo
