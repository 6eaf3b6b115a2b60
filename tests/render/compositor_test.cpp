// The compositor: screens after each frame for every disposal under both view
// modes and both formats, frames reaching outside the screen, composing frame n
// afresh against composing frame by frame, and FFmpeg's GIF decoder as the
// independent judge of whole animations.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "doc/dib.h"
#include "gif/gif_reader.h"
#include "io/open_save.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "support/animation_builder.h"
#include "render/compositor.h"

namespace kivo {
namespace {

// Screens and frames written as rows of letters joined by '|': R, G, B, Y are
// colours, '.' is the background, and in a frame 't' is its transparent colour.
const std::map<char, Rgb> kColours = {{'R', {255, 0, 0}},  {'G', {0, 255, 0}},   {'B', {0, 0, 255}},
                                      {'Y', {255, 255, 0}}, {'t', {255, 0, 255}}};
constexpr Rgb kBackground{1, 2, 3};

std::vector<std::string> Rows(const std::string& s) {
    std::vector<std::string> rows(1);
    for (char c : s) {
        if (c == '|') rows.emplace_back();
        else rows.back().push_back(c);
    }
    return rows;
}

struct FrameCase {
    int left, top;
    std::string pixels;
    int disposal = 1;
    bool broken = false;  // a DIB that does not match the frame: draws nothing
};

std::unique_ptr<AnimDoc> Build(const std::string& screen, const std::vector<FrameCase>& frames) {
    auto doc = NewDocument();
    const std::vector<std::string> rows = Rows(screen);
    doc->screenWidth = int(rows[0].size());
    doc->screenHeight = int(rows.size());
    for (const FrameCase& fc : frames) {
        AppendFrame(*doc);
        Frame& f = *doc->currentFrame;
        const std::vector<std::string> p = Rows(fc.pixels);
        f.left = fc.left;
        f.top = fc.top;
        f.width = int(p[0].size());
        f.height = int(p.size());
        f.disposal = int16_t(fc.disposal);
        f.hasTransparency = fc.pixels.find('t') != std::string::npos;
        f.transparentRgb = kColours.at('t');
        f.dib = test::MakeImage(f.width, f.height, [&](int x, int y) { return kColours.at(p[size_t(y)][size_t(x)]); });
        if (fc.broken) f.dib.resize(20);
    }
    return doc;
}

std::string Letters(const Composition& c) {
    std::string s;
    for (int y = 0; y < c.height; ++y) {
        if (y) s += '|';
        for (int x = 0; x < c.width; ++x) {
            const uint32_t p = c.screen[size_t(y) * size_t(c.width) + size_t(x)];
            char letter = '?';
            if (p == ScreenPixel(kBackground)) letter = '.';
            for (const auto& [l, rgb] : kColours)
                if (p == ScreenPixel(rgb)) letter = l;
            s += letter;
        }
    }
    return s;
}

struct ScreenCase {
    const char* name;
    int viewMode, formatMode;
    std::string screen;
    std::vector<FrameCase> frames;
    std::vector<int> order;  // frames composed in turn; 0 again is the animation coming round
    std::vector<std::string> expected;  // the screen after each
};

TEST(Compositor, ScreensAfterEachFrame) {
    const FrameCase red{0, 0, "RRRR"};
    const ScreenCase cases[] = {
        {"leave in place", 0, 0, "....", {red, {1, 0, "GG", 1}, {3, 0, "B", 0}}, {0, 1, 2}, {"RRRR", "RGGR", "RGGB"}},
        {"background, GIF: the frame's area", 0, 0, "....", {red, {1, 0, "GG", 2}, {3, 0, "B"}}, {0, 1, 2},
         {"RRRR", "RGGR", "R..B"}},
        {"background, MNG: the whole screen", 0, 1, "....", {red, {1, 0, "GG", 2}, {3, 0, "B"}}, {0, 1, 2},
         {"RRRR", "RGGR", "...B"}},
        {"restore previous", 0, 0, "....", {red, {1, 0, "GG", 3}, {3, 0, "B"}}, {0, 1, 2}, {"RRRR", "RGGR", "RRRB"}},
        {"restore previous, view mode 1: left in place", 1, 0, "....", {red, {1, 0, "GG", 3}, {3, 0, "B"}},
         {0, 1, 2}, {"RRRR", "RGGR", "RGGB"}},
        {"restore previous twice running", 0, 0, "....", {red, {0, 0, "GG", 3}, {2, 0, "BB", 3}, {1, 0, "Y"}},
         {0, 1, 2, 3}, {"RRRR", "GGRR", "RRBB", "RYRR"}},
        {"transparent pixels show the screen", 0, 0, "....", {red, {0, 0, "GtGt"}}, {0, 1}, {"RRRR", "GRGR"}},
        {"cut at the left, cleared where seen", 0, 0, "....", {red, {-2, 0, "GGBB", 2}, {3, 0, "Y"}}, {0, 1, 2},
         {"RRRR", "BBRR", "..RY"}},
        {"cut at the right, restored where seen", 0, 0, "....", {red, {3, 0, "GBB", 3}, {0, 0, "Y"}}, {0, 1, 2},
         {"RRRR", "RRRG", "YRRR"}},
        {"wholly outside", 0, 1, "....", {red, {5, 0, "GG", 2}, {-9, 0, "B", 3}, {0, 0, "Y"}}, {0, 1, 2, 3},
         {"RRRR", "RRRR", "....", "Y..."}},
        {"cut at the top and bottom", 0, 0, "..|..", {{0, -1, "RR|GG", 2}, {1, 1, "B|Y"}}, {0, 1},
         {"GG|..", "..|.B"}},
        {"a broken picture draws nothing but is disposed of", 0, 0, "....",
         {red, {1, 0, "GG", 2, true}, {3, 0, "B"}}, {0, 1, 2}, {"RRRR", "RRRR", "R..B"}},
        {"coming round, view mode 0: drawn over the last picture", 0, 0, "....",
         {{0, 0, "RR"}, {2, 0, "GG"}}, {0, 1, 0}, {"RR..", "RRGG", "RRGG"}},
        {"coming round, view mode 1: on a cleared screen", 1, 0, "....", {{0, 0, "RR"}, {2, 0, "GG"}}, {0, 1, 0},
         {"RR..", "RRGG", "RR.."}},
    };
    for (const ScreenCase& sc : cases) {
        SCOPED_TRACE(sc.name);
        auto doc = Build(sc.screen, sc.frames);
        Composition c;
        ASSERT_TRUE(StartComposition(c, doc->screenWidth, doc->screenHeight,
                                     PreviewRules(sc.viewMode, sc.formatMode, kBackground)));
        EXPECT_EQ(Letters(c), sc.screen);
        std::vector<std::string> shown;
        for (int n : sc.order) {
            ASSERT_TRUE(ComposeFrame(c, *NthFrame(*doc, n), n == 0));
            shown.push_back(Letters(c));
        }
        EXPECT_EQ(shown, sc.expected);
    }
}

// Composing frame n afresh (from the last frame that hides all before it)
// shows what composing every frame up to n shows.
TEST(Compositor, FrameNAfreshEqualsFrameByFrame) {
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        auto doc = test::RandomAnimation(seed);
        for (int mode = 0; mode < 4; ++mode) {
            const CompositionRules rules = PreviewRules(mode & 1, mode >> 1, kBackground);
            Composition stepped;
            ASSERT_TRUE(StartComposition(stepped, doc->screenWidth, doc->screenHeight, rules));
            int n = 0;
            for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++n) {
                ASSERT_TRUE(ComposeFrame(stepped, *f, n == 0));
                Composition fresh;
                fresh.rules = rules;
                ASSERT_TRUE(ComposeUpTo(fresh, *doc, n));
                ASSERT_EQ(fresh.screen, stepped.screen) << "seed " << seed << " mode " << mode << " frame " << n;
            }
            Composition none;
            EXPECT_FALSE(ComposeUpTo(none, *doc, n));
        }
    }
}

TEST(Compositor, AScreenTooLargeIsRefusedAndLeftEmpty) {
    auto doc = Build("....", {{0, 0, "RRRR", 3}});
    Composition c;
    ASSERT_TRUE(StartComposition(c, 4, 1));
    const size_t kept = MaxImagePixels;
    MaxImagePixels = 3;
    EXPECT_FALSE(StartComposition(c, 4, 1));
    EXPECT_FALSE(ComposeUpTo(c, *doc, 0));
    MaxImagePixels = kept;
    EXPECT_TRUE(c.screen.empty());
    EXPECT_EQ(c.width, 0);
    EXPECT_TRUE(ComposeFrame(c, *doc->firstFrame));  // nothing to draw on, nothing written
    EXPECT_FALSE(StartComposition(c, -1, 5));
}

// A frame drawn at another place than its own (what a drag shows) is drawn,
// cut and later disposed of there, as if it had been moved.
TEST(Compositor, AFrameDrawnElsewhereActsFromThere) {
    struct Case {
        const char* name;
        FrameCase moved;
        int left, top;
        std::string drawn, afterNext;  // the screen with it, and after the next frame
    };
    const Case cases[] = {
        {"moved right", {0, 0, "GG", 1}, 2, 0, "RRGG", "RRGG"},
        {"cut at the right edge", {0, 0, "GB", 1}, 3, 0, "RRRG", "RRRG"},
        {"outside the screen draws nothing", {0, 0, "GG", 1}, -5, 0, "RRRR", "RRRR"},
        {"background disposal clears where it was drawn", {0, 0, "GG", 2}, 1, 0, "RGGR", "R..R"},
        {"restore previous puts back what was there", {0, 0, "Gt", 3}, 2, 0, "RRGR", "RRRR"},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        auto doc = Build("....", {{0, 0, "RRRR"}, tc.moved, {0, 0, "tttt"}});
        Composition c;
        ASSERT_TRUE(StartComposition(c, 4, 1, PreviewRules(0, 0, kBackground)));
        ASSERT_TRUE(ComposeFrame(c, *NthFrame(*doc, 0), true));
        ASSERT_TRUE(ComposeFrameAt(c, *NthFrame(*doc, 1), tc.left, tc.top));
        EXPECT_EQ(Letters(c), tc.drawn);
        ASSERT_TRUE(ComposeFrame(c, *NthFrame(*doc, 2)));
        EXPECT_EQ(Letters(c), tc.afterNext);
        // The same as moving the frame and composing it where it stands.
        NthFrame(*doc, 1)->left = tc.left;
        NthFrame(*doc, 1)->top = tc.top;
        Composition moved;
        moved.rules = c.rules;
        ASSERT_TRUE(ComposeUpTo(moved, *doc, 2));
        EXPECT_EQ(moved.screen, c.screen);
    }
}

TEST(Compositor, FirstFrameNeededIsTheLatestThatHidesThePast) {
    const FrameCase full{0, 0, "RRRR"};
    struct Case {
        const char* name;
        int viewMode;
        std::vector<FrameCase> frames;
        std::vector<int> needed;  // for each n
    };
    const Case cases[] = {
        {"every full frame hides the past", 0, {full, full, full}, {0, 1, 2}},
        {"a smaller frame needs what came before", 0, {full, {1, 0, "GG"}, {0, 0, "GG"}}, {0, 0, 0}},
        {"transparency needs it too", 0, {full, {0, 0, "GtGG"}, full}, {0, 0, 2}},
        {"restore previous needs it, unless view mode 1 leaves the frame", 0, {full, {0, 0, "GGGG", 3}}, {0, 0}},
        {"view mode 1", 1, {full, {0, 0, "GGGG", 3}}, {0, 1}},
        {"a broken picture hides nothing", 0, {full, {0, 0, "GGGG", 1, true}}, {0, 0}},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        auto doc = Build("....", tc.frames);
        const CompositionRules rules = PreviewRules(tc.viewMode, 0, kBackground);
        std::vector<int> needed;
        for (int n = 0; n < doc->frameCount; ++n) needed.push_back(FirstFrameNeeded(*doc, n, rules));
        EXPECT_EQ(needed, tc.needed);
        EXPECT_EQ(FirstFrameNeeded(*doc, 99, rules), tc.needed.back());
    }
}

// --- FFmpeg as the judge -------------------------------------------------

bool HaveFfmpeg() {
    static const bool have = std::system("ffmpeg -version >/dev/null 2>&1") == 0;
    return have;
}

// Every picture FFmpeg's GIF decoder composes from path, as RGBA.
std::vector<std::vector<uint8_t>> FfmpegScreens(const std::string& path, int width, int height) {
    std::vector<std::vector<uint8_t>> screens;
    const std::string command =
        "ffmpeg -v error -i '" + path + "' -vsync passthrough -f rawvideo -pix_fmt rgba - 2>/dev/null";
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return screens;
    const size_t size = size_t(width) * size_t(height) * 4;
    std::vector<uint8_t> picture(size);
    while (size && std::fread(picture.data(), 1, size, p) == size) {
        // FFmpeg leaves any colour under an alpha of 0; all such pixels are one to us.
        for (size_t i = 0; i < size; i += 4)
            if (picture[i + 3] == 0) picture[i] = picture[i + 1] = picture[i + 2] = 0;
        screens.push_back(picture);
    }
    pclose(p);
    return screens;
}

// Our screens in FFmpeg's terms: nothing drawn is transparent black.
std::vector<uint8_t> AsRgba(const Composition& c) {
    std::vector<uint8_t> out;
    for (uint32_t px : c.screen) {
        if (px == kNothingDrawn) {
            out.insert(out.end(), {0, 0, 0, 0});
        } else {
            out.insert(out.end(), {uint8_t(px >> 16), uint8_t(px >> 8), uint8_t(px), 255});
        }
    }
    return out;
}

std::string Hex(const std::vector<uint8_t>& rgba, size_t i) {
    char s[16];
    std::snprintf(s, sizeof s, "%02x%02x%02x/%02x", rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]);
    return s;
}

// The first pixel where the two differ, or empty. Where a frame without a
// transparent colour is disposed of to the background, FFmpeg paints the
// logical screen's background colour (fileBackground, when the file names
// one); we, as browsers do, clear to nothing drawn. Those pixels are the one
// difference allowed.
std::string FirstDifference(const std::vector<uint8_t>& ours, const std::vector<uint8_t>& theirs, int width,
                            const std::optional<Rgb>& fileBackground) {
    if (ours.size() != theirs.size()) return "in size";
    for (size_t i = 0; i + 3 < ours.size(); i += 4) {
        if (std::equal(ours.begin() + long(i), ours.begin() + long(i + 4), theirs.begin() + long(i))) continue;
        if (ours[i + 3] == 0 && fileBackground && theirs[i + 3] == 255 && theirs[i] == fileBackground->r &&
            theirs[i + 1] == fileBackground->g && theirs[i + 2] == fileBackground->b)
            continue;
        return "at (" + std::to_string(i / 4 % size_t(width)) + ", " + std::to_string(i / 4 / size_t(width)) +
               "): ours " + Hex(ours, i) + ", FFmpeg's " + Hex(theirs, i);
    }
    return {};
}

// The reader widens the screen to frames that reach past it; composed on the
// screen the file declares, those frames are cut off as FFmpeg cuts them.
void ExpectFfmpegAgrees(const std::string& path) {
    ScopedRecordingBackend rec;
    auto doc = ReadGif(nullptr, path);
    ASSERT_TRUE(doc) << path;
    const std::vector<uint8_t> bytes = test::ReadFile(path);
    ASSERT_GE(bytes.size(), 13u);
    const int width = bytes[6] | bytes[7] << 8, height = bytes[8] | bytes[9] << 8;
    std::optional<Rgb> fileBackground;
    if (const size_t entry = 13 + 3 * size_t(bytes[11]); bytes[10] & 0x80 && entry + 2 < bytes.size())
        fileBackground = Rgb{bytes[entry], bytes[entry + 1], bytes[entry + 2]};
    const auto theirs = FfmpegScreens(path, width, height);
    ASSERT_EQ(int(theirs.size()), doc->frameCount) << path;
    Composition c;
    ASSERT_TRUE(StartComposition(c, width, height));
    int n = 0;
    for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++n) {
        ASSERT_TRUE(ComposeFrame(c, *f, n == 0));
        const std::string difference = FirstDifference(AsRgba(c), theirs[size_t(n)], c.width, fileBackground);
        ASSERT_TRUE(difference.empty()) << path << " frame " << n << " differs " << difference;
    }
}

TEST(CompositorOracle, FfmpegComposesGeneratedAnimationsAlike) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    test::TempFolder dir;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        auto doc = test::RandomAnimation(seed);
        // A GIF places frames at 0 or more; those reaching past the right and
        // bottom edges stay.
        for (Frame* f = doc->firstFrame.get(); f; f = f->next.get()) {
            f->left = std::max(f->left, 0);
            f->top = std::max(f->top, 0);
        }
        const std::string path = dir.file("random" + std::to_string(seed) + ".gif");
        ScopedRecordingBackend rec;
        WriteOptions options;
        ASSERT_TRUE(SaveDocument(nullptr, path, *doc, options)) << (rec->errors.empty() ? "" : rec->errors[0]);
        ExpectFfmpegAgrees(path);
    }
}

TEST(CompositorOracle, FfmpegComposesTheSampleGifsAlike) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    const std::filesystem::path samples =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz/corpus/gif_reader";
    if (!std::filesystem::is_directory(samples)) GTEST_SKIP() << "no sample GIFs at " << samples;
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(samples)) {
        if (entry.path().extension() != ".gif") continue;
        ExpectFfmpegAgrees(entry.path().string());
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace kivo
