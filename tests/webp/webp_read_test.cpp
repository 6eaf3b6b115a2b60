// WebP files other programs write, made here by Pillow, img2webp, gif2webp and
// FFmpeg, open with the frames and timing Pillow (libwebp's own decoder) shows;
// a WebP under another name opens by its content; damaged or oversized files
// are refused with their reason.
#include <gtest/gtest.h>

#include <cstdlib>

#include "doc/dib.h"
#include "io/open_save.h"
#include "platform/recording_backend.h"
#include "support/pillow_oracle.h"
#include "support/test_support.h"
#include "webp/webp_reader.h"

namespace kivo {
namespace {

// Frames with clear, half-clear and opaque pixels that move; argv[1] is the
// output folder. Also writes them as PNG files and as a GIF for the tools.
constexpr const char* kFrames = R"(
import sys
out = sys.argv[1]
frames = []
for k in range(4):
    im = Image.new('RGBA', (23, 17), (0, 0, 0, 0))
    for y in range(17):
        for x in range(23):
            a = (255, 255, 128, 0, 255)[(x + y + k) % 5]
            im.putpixel((x, y), ((x * 11 + k * 50) % 256, (y * 15) % 256, (x * y + k) % 256, a))
    frames.append(im)
    im.save('%s/f%d.png' % (out, k))
durations = [33, 47, 120, 5]
frames[0].save(out + '/pillow_lossless.webp', save_all=True, append_images=frames[1:], duration=durations, loop=2, lossless=True)
frames[0].save(out + '/pillow_lossy.webp', save_all=True, append_images=frames[1:], duration=durations, loop=0, quality=60)
frames[0].convert('RGB').save(out + '/pillow_still.webp', quality=90)
opaque = [f.convert('RGB').convert('P', palette=Image.ADAPTIVE) for f in frames]
opaque[0].save(out + '/source.gif', save_all=True, append_images=opaque[1:], duration=[30, 50, 120, 10], loop=0)
)";

std::string Q(const std::string& s) { return "'" + s + "'"; }
bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

TEST(WebpRead, FilesOtherProgramsWriteOpenAsPillowShowsThem) {
    if (!test::HavePillow()) GTEST_SKIP() << "Pillow not installed";
    test::TempFolder dir;
    ASSERT_TRUE(test::RunPillow(kFrames, dir.path()));
    const std::string d = dir.path() + "/";
    std::vector<std::string> files = {"pillow_lossless.webp", "pillow_lossy.webp", "pillow_still.webp"};
    const bool tools = Shell("img2webp -version") && Shell("gif2webp -version");
    if (tools) {
        ASSERT_TRUE(Shell("img2webp -loop 3 -lossless -d 70 " + Q(d + "f0.png") + " -d 20 " + Q(d + "f1.png") +
                        " -lossy -q 50 -d 35 " + Q(d + "f2.png") + " -d 125 " + Q(d + "f3.png") + " -o " +
                        Q(d + "img2webp.webp")));
        ASSERT_TRUE(Shell("img2webp -mixed -d 40 " + Q(d + "f0.png") + " " + Q(d + "f1.png") + " " + Q(d + "f2.png") +
                        " -o " + Q(d + "img2webp_mixed.webp")));
        ASSERT_TRUE(Shell("gif2webp " + Q(d + "source.gif") + " -o " + Q(d + "gif2webp.webp")));
        ASSERT_TRUE(Shell("gif2webp -lossy -q 60 " + Q(d + "source.gif") + " -o " + Q(d + "gif2webp_lossy.webp")));
        files.insert(files.end(), {"img2webp.webp", "img2webp_mixed.webp", "gif2webp.webp", "gif2webp_lossy.webp"});
    }
    if (Shell("ffmpeg -v error -y -framerate 8 -i " + Q(d + "f%d.png") + " -c:v libwebp_anim -lossless 1 -loop 0 " +
            Q(d + "ffmpeg.webp")))
        files.push_back("ffmpeg.webp");
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        const auto expected = test::PillowDecode(d + name);
        ASSERT_FALSE(expected.empty());
        WebpReadError error = WebpReadError::kNone;
        ScopedRecordingBackend backend;
        auto doc = LoadWebp(nullptr, d + name, error);
        ASSERT_TRUE(doc) << WebpReadMessage(error);
        ASSERT_EQ(doc->frameCount, int(expected.size()));
        EXPECT_EQ(doc->screenWidth, expected[0].width);
        EXPECT_EQ(doc->screenHeight, expected[0].height);
        size_t i = 0;
        for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(test::CompareWithAlpha(*f, expected[i]), "");
            if (expected.size() > 1) {
                EXPECT_EQ(f->delay, WebpDelayFromMs(expected[i].durationMs));
            }
        }
    }
    // The loop counts the files were given: plays in all, kept as repeats. Under
    // another name (as chat programs save it) the file still opens as WebP.
    ScopedRecordingBackend backend;
    ASSERT_TRUE(test::WriteFile(d + "chat.gif", test::ReadFile(d + "pillow_lossless.webp")));
    for (const char* name : {"chat.gif", "pillow_lossless.webp"}) {
        auto opened = OpenDocument(nullptr, d + name);
        ASSERT_TRUE(opened) << name;
        EXPECT_EQ(opened->frameCount, 4) << name;
        auto asDocument = ReadAsDocument(nullptr, d + name);
        ASSERT_TRUE(asDocument) << name;
        EXPECT_EQ(asDocument->frameCount, 4) << name;
    }
    WebpReadError error;
    auto twice = LoadWebp(nullptr, d + "pillow_lossless.webp", error);
    ASSERT_TRUE(twice);
    EXPECT_EQ(std::make_pair(twice->loopEnabled, twice->loopCount), std::make_pair(1, 1));
    auto forever = LoadWebp(nullptr, d + "pillow_lossy.webp", error);
    ASSERT_TRUE(forever);
    EXPECT_EQ(std::make_pair(forever->loopEnabled, forever->loopCount), std::make_pair(1, 0));
}

TEST(WebpRead, DelaysRoundToTheNearestHundredth) {
    const std::pair<int, int> cases[] = {{0, 0}, {4, 0}, {5, 1}, {33, 3}, {35, 4}, {100, 10}, {-7, 0}, {65534, 6553}};
    for (auto [ms, cs] : cases) EXPECT_EQ(WebpDelayFromMs(ms), cs) << ms;
}

struct Refusal {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    WebpReadError error;
};

TEST(WebpRead, RefusesDamagedAndOversizedFilesWithTheirReason) {
    if (!test::HavePillow()) GTEST_SKIP() << "Pillow not installed";
    test::TempFolder dir;
    ASSERT_TRUE(test::RunPillow(kFrames, dir.path()));
    const auto good = test::ReadFile(dir.file("pillow_lossless.webp"));
    const Refusal cases[] = {
        {"cut in the middle", [](auto& b) { b.resize(b.size() / 2); }, WebpReadError::kNotWebp},
        {"only the header", [](auto& b) { b.resize(12); }, WebpReadError::kNotWebp},
        {"not RIFF", [](auto& b) { b[0] = 'X'; }, WebpReadError::kNotWebp},
        {"empty", [](auto& b) { b.clear(); }, WebpReadError::kNotWebp},
        {"frames beyond the pixel budget", [](auto&) { MaxImagePixels = 23 * 17; }, WebpReadError::kTooLarge},
        {"canvas beyond the pixel budget", [](auto&) { MaxImagePixels = 23 * 17 - 1; }, WebpReadError::kTooLarge},
    };
    const size_t savedLimit = MaxImagePixels;
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = good;
        c.damage(bytes);
        ScopedRecordingBackend backend;
        WebpReadError error = WebpReadError::kNone;
        EXPECT_FALSE(LoadWebpBytes(nullptr, bytes, error));
        EXPECT_EQ(error, c.error);
        MaxImagePixels = savedLimit;
        ASSERT_TRUE(test::WriteFile(dir.file("bad.webp"), bytes));
        if (c.error != WebpReadError::kTooLarge) {
            EXPECT_FALSE(ReadWebp(nullptr, dir.file("bad.webp")));
            EXPECT_EQ(backend->errors, std::vector<std::string>{WebpReadMessage(c.error)});
        }
    }
}

}  // namespace
}  // namespace kivo
