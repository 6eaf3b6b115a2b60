// Our WebP output judged by independent decoders: Pillow (through libwebp's own
// animation decoder) and, where it reads animated WebP, FFmpeg must show the
// same composed pictures, for as long, as `kivo-cli render` shows for the
// document saved. Lossless output matches exactly, lossy output closely.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "io/open_save.h"
#include "options/write_options.h"
#include "platform/recording_backend.h"
#include "support/animation_builder.h"
#include "support/ffmpeg_oracle.h"
#include "support/pillow_oracle.h"
#include "support/test_support.h"
#include "webp/webp_writer.h"

namespace kivo {
namespace {

std::string Q(const std::string& s) { return "'" + s + "'"; }

// What kivo-cli render shows for every frame of the file, as Pillow reads the PNGs.
std::vector<test::RgbaPicture> Rendered(const test::TempFolder& dir, const std::string& input, int frames) {
    const std::string out = dir.file("render");
    const test::CliRun run = test::RunCli("render " + Q(input) + " -o " + Q(out));
    EXPECT_EQ(run.status, 0) << run.out;
    std::vector<test::RgbaPicture> pictures;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out)) names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(int(names.size()), frames);
    for (const std::string& name : names) {
        auto decoded = test::PillowDecode(name);
        if (decoded.size() == 1) pictures.push_back(std::move(decoded[0]));
    }
    std::filesystem::remove_all(out);
    return pictures;
}

// Largest channel difference over pixels both show, and whether exactly the
// same pixels are clear.
struct Difference {
    int largest = 0;
    double mean = 0;
    bool sameClear = true;
    double clearMismatch = 0;  // share of pixels clear in one picture only
};
Difference Compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    Difference d;
    if (a.size() != b.size()) return {255, 255, false};
    double sum = 0, mismatched = 0;
    for (size_t i = 0; i < a.size(); i += 4) {
        if ((a[i + 3] == 0) != (b[i + 3] == 0)) d.sameClear = false, ++mismatched;
        if (a[i + 3] == 0 || b[i + 3] == 0) continue;
        for (int c = 0; c < 3; ++c) {
            const int diff = std::abs(int(a[i + c]) - int(b[i + c]));
            d.largest = std::max(d.largest, diff);
            sum += diff;
        }
    }
    d.mean = sum / double(a.size() / 4 * 3);
    d.clearMismatch = mismatched / double(a.size() / 4);
    return d;
}

// Pictures with their durations, consecutive equal pictures joined into one:
// an encoder may store a frame that changes nothing as more time for the one
// before, which shows the same.
std::vector<test::RgbaPicture> Timeline(std::vector<test::RgbaPicture> pictures) {
    std::vector<test::RgbaPicture> joined;
    for (test::RgbaPicture& p : pictures) {
        if (!joined.empty() && joined.back().rgba == p.rgba) joined.back().durationMs += p.durationMs;
        else joined.push_back(std::move(p));
    }
    return joined;
}

struct WriteCase {
    const char* name;
    uint32_t seed;
    bool lossless;
    int quality;
};

TEST(WebpWrite, PillowShowsWhatRenderShows) {
    if (!test::HavePillow()) GTEST_SKIP() << "Pillow not installed";
    const WriteCase cases[] = {
        {"lossless, random animation 1", 1, true, 75},
        {"lossless, random animation 7", 7, true, 100},
        {"lossless, sprites over textures", 3, true, 0},
        {"lossy quality 90, sprites over textures", 5, false, 90},
        {"lossy quality 40, sprites over textures", 11, false, 40},
    };
    test::TempFolder dir;
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRecordingBackend backend;
        auto doc = std::string(c.name).find("sprites") != std::string::npos ? test::SpritesOverTextures(c.seed)
                                                                             : test::RandomAnimation(c.seed);
        doc->loopEnabled = 1;
        doc->loopCount = 2;
        const std::string gif = dir.file("source.gif"), webp = dir.file("out.webp");
        WriteOptions options;
        ASSERT_TRUE(SaveDocument(nullptr, gif, *doc, options));
        // The document as a GIF reader sees it again is what render shows.
        auto shown = OpenDocument(nullptr, gif);
        ASSERT_TRUE(shown);
        options.WebpLossless = c.lossless;
        options.WebpQuality = c.quality;
        ASSERT_TRUE(WriteWebp(nullptr, webp, *shown, options));
        auto rendered = Rendered(dir, gif, shown->frameCount);
        ASSERT_EQ(int(rendered.size()), shown->frameCount);
        int index = 0;
        for (const Frame* f = shown->firstFrame.get(); f; f = f->next.get(), ++index)
            rendered[size_t(index)].durationMs = f->delay * 10;
        rendered = Timeline(std::move(rendered));
        const auto decoded = Timeline(test::PillowDecode(webp));
        ASSERT_EQ(decoded.size(), rendered.size());
        for (size_t i = 0; i < decoded.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(decoded[i].durationMs, rendered[i].durationMs);
            const Difference d = Compare(decoded[i].rgba, rendered[i].rgba);
            if (c.lossless) {
                EXPECT_TRUE(d.sameClear);
                EXPECT_EQ(d.largest, 0);
            } else {
                // Grain and dither lose most to lossy coding; a swapped channel
                // or a misplaced frame costs far more than these bounds.
                EXPECT_LT(d.mean, c.quality >= 90 ? 16.0 : 24.0);
                EXPECT_LE(d.clearMismatch, 0.01);
            }
        }
    }
}

// FFmpeg 6.1 and later decode animated WebP; older ones stop at the first
// frame's header, and the check is then skipped.
TEST(WebpWrite, FfmpegShowsWhatRenderShows) {
    if (!test::HaveFfmpeg() || !test::HavePillow()) GTEST_SKIP() << "FFmpeg or Pillow not installed";
    ScopedRecordingBackend backend;
    test::TempFolder dir;
    auto doc = test::RandomAnimation(2);
    const std::string gif = dir.file("source.gif"), webp = dir.file("out.webp");
    WriteOptions options;
    ASSERT_TRUE(SaveDocument(nullptr, gif, *doc, options));
    auto shown = OpenDocument(nullptr, gif);
    ASSERT_TRUE(shown);
    ASSERT_TRUE(WriteWebp(nullptr, webp, *shown, options));
    const auto pictures = test::DecodePictures(webp, shown->screenWidth, shown->screenHeight, "rgba");
    if (pictures.empty()) GTEST_SKIP() << "this FFmpeg does not decode animated WebP";
    std::vector<test::RgbaPicture> decoded;
    for (const auto& p : pictures) decoded.push_back({shown->screenWidth, shown->screenHeight, p, 0});
    decoded = Timeline(std::move(decoded));
    const auto rendered = Timeline(Rendered(dir, gif, shown->frameCount));
    ASSERT_EQ(decoded.size(), rendered.size());
    for (size_t i = 0; i < decoded.size(); ++i) {
        const Difference d = Compare(decoded[i].rgba, rendered[i].rgba);
        EXPECT_TRUE(d.sameClear) << i;
        EXPECT_EQ(d.largest, 0) << i;
    }
}

// Loop settings: forever, a count of repeats, and none at all, as Pillow reads
// the loop field back (a WebP count is how often the animation plays).
TEST(WebpWrite, LoopCountIsThePlaysInAll) {
    if (!test::HavePillow()) GTEST_SKIP() << "Pillow not installed";
    ScopedRecordingBackend backend;
    test::TempFolder dir;
    struct LoopCase {
        int enabled, count, expected;
    } cases[] = {{1, 0, 0}, {1, 4, 5}, {0, 0, 1}};
    for (const LoopCase& c : cases) {
        auto doc = test::RandomAnimation(4);
        doc->loopEnabled = c.enabled;
        doc->loopCount = c.count;
        WriteOptions options;
        const std::string webp = dir.file("loop.webp");
        ASSERT_TRUE(WriteWebp(nullptr, webp, *doc, options));
        ASSERT_TRUE(test::RunPillow("import sys\nassert Image.open(sys.argv[1].split()[0]).info.get('loop') == int(sys.argv[1].split()[1])",
                                    webp + " " + std::to_string(c.expected)))
            << c.enabled << " " << c.count;
    }
}

// kivo-cli convert's WebP options: each either shapes a .webp output or is
// refused for another output, and the help names them.
TEST(WebpWrite, ConvertTakesItsWebpOptionsForWebpOutputsOnly) {
    ScopedRecordingBackend backend;
    test::TempFolder dir;
    auto doc = test::SpritesOverTextures(9);
    WriteOptions options;
    const std::string gif = dir.file("in.gif");
    ASSERT_TRUE(SaveDocument(nullptr, gif, *doc, options));
    struct CliCase {
        std::string args;
        int status;
        const char* says;
    } cases[] = {
        {"--lossless -o " + Q(dir.file("lossless.webp")), 0, ""},
        {"--quality 30 -o " + Q(dir.file("lossy.webp")), 0, ""},
        {"--quality 101 -o " + Q(dir.file("x.webp")), 2, "WebpQuality must be 0 to 100"},
        {"--quality -o " + Q(dir.file("x.webp")), 2, ""},
        {"--lossless -o " + Q(dir.file("x.gif")), 2, "--lossless applies to a .webp output only"},
        {"--quality 50 -o " + Q(dir.file("x.mng")), 2, "--quality applies to a .webp output only"},
    };
    for (const CliCase& c : cases) {
        SCOPED_TRACE(c.args);
        const test::CliRun run = test::RunCli("convert --no-config -q " + Q(gif) + " " + c.args);
        EXPECT_EQ(run.status, c.status) << run.out;
        EXPECT_NE(run.out.find(c.says), std::string::npos) << run.out;
    }
    const auto lossless = test::ReadFile(dir.file("lossless.webp")), lossy = test::ReadFile(dir.file("lossy.webp"));
    ASSERT_FALSE(lossless.empty());
    ASSERT_FALSE(lossy.empty());
    // Lossy frames are VP8 bitstreams (with an ALPH chunk where clear), lossless ones VP8L.
    auto has = [](const std::vector<uint8_t>& bytes, const char* tag) {
        return std::search(bytes.begin(), bytes.end(), tag, tag + 4) != bytes.end();
    };
    EXPECT_TRUE(has(lossless, "VP8L"));
    EXPECT_FALSE(has(lossless, "VP8 "));
    EXPECT_TRUE(has(lossy, "VP8 "));
    const test::CliRun help = test::RunCli("help convert");
    for (const char* option : {"--lossless", "--lossy N", "--quality Q"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    const test::CliRun info = test::RunCli("info " + Q(dir.file("lossless.webp")));
    EXPECT_EQ(info.status, 0) << info.out;
}

}  // namespace
}  // namespace kivo
