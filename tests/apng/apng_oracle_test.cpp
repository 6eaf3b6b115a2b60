// Animated PNG against independent decoders: what FFmpeg's APNG decoder shows
// of the files we write must be what our compositor shows of the document,
// picture for picture and for as long; and the files Pillow and FFmpeg write
// must open as the frames those decoders show.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "apng/apng_reader.h"
#include "apng/apng_writer.h"
#include "render/compositor.h"
#include "support/animation_builder.h"
#include "support/ffmpeg_oracle.h"
#include "support/test_support.h"

#include <png.h>

namespace kivo::test {
namespace {

// What FFmpeg shows of an APNG: its pictures as screen pixels (alpha 0 is
// nothing drawn) with their durations in hundredths, equal neighbours joined.
std::vector<Shown> FfmpegPlayback(const std::string& path, int width, int height) {
    std::vector<Shown> shown;
    std::string durations;
    if (!CaptureCommand("ffprobe -v error -f apng -select_streams v -show_entries frame=pkt_duration_time,duration_time -of csv=p=0 '" +
                     path + "'",
                 durations))
        return shown;
    std::vector<Picture> pictures = DecodePictures(path, width, height, "rgba");
    size_t at = 0;
    for (const Picture& p : pictures) {
        // One line a picture; older FFmpeg names the field pkt_duration_time,
        // newer duration_time, so the line holds whichever it knows.
        const size_t end = durations.find('\n', at);
        std::string line = durations.substr(at, end - at);
        at = end + 1;
        line.erase(0, line.find_first_not_of(','));
        const int64_t time = line.empty() ? -1 : std::llround(std::stod(line) * 100);
        std::vector<uint32_t> screen(size_t(width) * height);
        for (size_t i = 0; i < screen.size(); ++i) {
            const uint8_t* px = &p[i * 4];
            screen[i] = px[3] == 0 ? kNothingDrawn : ScreenPixel(Rgb{px[0], px[1], px[2]});
        }
        if (!shown.empty() && shown.back().screen == screen) shown.back().time += time;
        else shown.push_back({std::move(screen), time});
    }
    return shown;
}

// What Pillow shows of an APNG, the same way. FFmpeg 5's decoder draws a
// frame blended "over" wrongly when the frame is to be disposed to the
// background afterwards, so files of other programs are judged by Pillow.
std::vector<Shown> PillowPlayback(const std::string& path, int width, int height) {
    std::vector<Shown> shown;
    std::string out;
    const std::string script =
        "import sys\nfrom PIL import Image, ImageSequence\n"
        "im = Image.open(sys.argv[1])\n"
        "for f in ImageSequence.Iterator(im):\n"
        "    sys.stdout.buffer.write(int(round(f.info.get('duration', 0) * 1000)).to_bytes(8, 'little'))\n"
        "    sys.stdout.buffer.write(f.convert('RGBA').tobytes())\n";
    if (!CaptureCommand("/usr/bin/python3 -c \"" + script + "\" '" + path + "'", out)) return shown;
    const size_t size = size_t(width) * height * 4;
    for (size_t at = 0; at + 8 + size <= out.size(); at += 8 + size) {
        int64_t microseconds = 0;
        std::memcpy(&microseconds, out.data() + at, 8);
        const int64_t time = (microseconds + 5000) / 10000;
        std::vector<uint32_t> screen(size_t(width) * height);
        for (size_t i = 0; i < screen.size(); ++i) {
            const auto* px = reinterpret_cast<const uint8_t*>(out.data() + at + 8 + i * 4);
            screen[i] = px[3] == 0 ? kNothingDrawn : ScreenPixel(Rgb{px[0], px[1], px[2]});
        }
        if (!shown.empty() && shown.back().screen == screen) shown.back().time += time;
        else shown.push_back({std::move(screen), time});
    }
    return shown;
}

std::string Describe(const std::vector<Shown>& a, const std::vector<Shown>& b) {
    std::string s = std::to_string(a.size()) + " pictures against " + std::to_string(b.size()) + ":";
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        s += " " + std::to_string(a[i].time) + (a[i].screen == b[i].screen ? "=" : "!") + std::to_string(b[i].time);
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        for (size_t p = 0; p < a[i].screen.size(); ++p)
            if (a[i].screen[p] != b[i].screen[p]) {
                char text[160];
                std::snprintf(text, sizeof text, "; picture %zu first differs at pixel %zu: %08x against %08x", i, p,
                              a[i].screen[p], b[i].screen[p]);
                return s + text;
            }
    return s;
}

// Pictures shown for no time are no part of what a viewer sees.
std::vector<Shown> Seen(const std::vector<Shown>& shown) {
    std::vector<Shown> seen;
    for (const Shown& s : shown) {
        if (s.time == 0) continue;
        if (!seen.empty() && seen.back().screen == s.screen) seen.back().time += s.time;
        else seen.push_back(s);
    }
    return seen;
}

struct WrittenCase {
    const char* name;
    std::unique_ptr<AnimDoc> (*make)(uint32_t seed);
    uint32_t seeds;
};

// Every disposal, transparency, frames past the screen, repeated frames, more
// and fewer than 256 colours: FFmpeg shows our file as our compositor shows
// the document, and our reader gives back a document that shows the same.
TEST(ApngOracle, WrittenFilesShowTheDocument) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg not installed";
    const WrittenCase cases[] = {
        {"random", RandomAnimation, 12},
        {"sprites", SpritesOverTextures, 4},
    };
    TempFolder dir;
    for (const WrittenCase& c : cases)
        for (uint32_t seed = 1; seed <= c.seeds; ++seed) {
            SCOPED_TRACE(std::string(c.name) + " seed " + std::to_string(seed));
            std::unique_ptr<AnimDoc> doc = c.make(seed);
            // FFmpeg shows a frame of no delay for 1/15 s, a player's choice.
            for (Frame* f = doc->firstFrame.get(); f; f = f->next.get()) f->delay = std::max(f->delay, 1);
            std::vector<uint8_t> bytes;
            ASSERT_EQ(EncodeApng(*doc, bytes), ApngWriteError::kNone);
            const std::string path = dir.file("anim.apng");
            ASSERT_TRUE(WriteFile(path, bytes));
            const std::vector<Shown> expected = Playback(*doc);
            const std::vector<Shown> ffmpeg = FfmpegPlayback(path, doc->screenWidth, doc->screenHeight);
            EXPECT_TRUE(ffmpeg == expected) << Describe(ffmpeg, expected);

            ApngReadError error;
            std::unique_ptr<AnimDoc> back = ReadApngBytes(bytes, {}, error);
            ASSERT_TRUE(back) << ApngReadMessage(error);
            const std::vector<Shown> reread = Playback(*back);
            EXPECT_TRUE(reread == expected) << Describe(reread, expected);
            EXPECT_EQ(back->loopEnabled, doc->loopEnabled);
            if (doc->loopEnabled) {
                EXPECT_EQ(back->loopCount, doc->loopCount);
            }
        }
}

// The same through the command line: kivo-cli converts a GIF to an APNG named
// .png, and what kivo-cli render draws of that file, frame by frame for as long
// as kivo-cli info says, is what FFmpeg shows of it.
TEST(ApngOracle, RenderOfConvertedFileIsWhatFfmpegShows) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg not installed";
    TempFolder dir;
    const std::string gif = dir.file("in.gif"), apng = dir.file("out.png");
    ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc=size=40x30:rate=10 -t 0.6 '" + gif + "'"));
    ASSERT_EQ(RunCli("convert '" + gif + "' -o '" + apng + "'").status, 0);
    ASSERT_EQ(RunCli("render '" + apng + "' -o '" + dir.file("frames") + "'").status, 0);
    const CliRun info = RunCli("info '" + apng + "'");
    std::vector<Shown> rendered;
    size_t line = info.out.find("\n    0 ");
    for (int n = 1; line != std::string::npos; ++n, line = info.out.find('\n', line + 1)) {
        int index = 0, left = 0, top = 0, width = 0, height = 0, delay = 0;
        if (std::sscanf(info.out.c_str() + line + 1, "%d %d %d %d %d %d", &index, &left, &top, &width, &height,
                        &delay) != 6)
            break;
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        char name[32];
        std::snprintf(name, sizeof name, "/out_%d.png", n);
        ASSERT_TRUE(png_image_begin_read_from_file(&image, (dir.file("frames") + name).c_str())) << name;
        image.format = PNG_FORMAT_RGBA;
        std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr));
        std::vector<uint32_t> screen(rgba.size() / 4);
        for (size_t i = 0; i < screen.size(); ++i)
            screen[i] = rgba[i * 4 + 3] == 0 ? kNothingDrawn : ScreenPixel(Rgb{rgba[i * 4], rgba[i * 4 + 1], rgba[i * 4 + 2]});
        rendered.push_back({std::move(screen), delay});
    }
    ASSERT_EQ(rendered.size(), 6u);
    const std::vector<Shown> ffmpeg = FfmpegPlayback(apng, 40, 30);
    EXPECT_TRUE(Seen(rendered) == ffmpeg) << Describe(Seen(rendered), ffmpeg);
}

// Files made by other programs open as the frames Pillow shows of them, with
// the same timing (delays rounded to hundredths as our reader rounds them).
struct ForeignCase {
    const char* name;
    std::string command;  // writes $OUT
    int width, height;
};

TEST(ApngOracle, ForeignFilesOpenAsTheyPlay) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg not installed";
    if (std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0) GTEST_SKIP() << "Pillow not installed";
    // Pillow: RGBA frames with full and no alpha, every dispose and blend
    // operation, its own cropping of frames to their changes. (Its writer
    // fails on palette frames disposed to the background.)
    const std::string pillowScript =
        "from PIL import Image\n"
        "import sys\n"
        "frames = []\n"
        "for i in range(6):\n"
        "    im = Image.new('RGBA', (48, 36), (0, 0, 0, 0) if i % 3 else (20, 90, 160, 255))\n"
        "    for x in range(12):\n"
        "        for y in range(9):\n"
        "            im.putpixel((x + i * 5, y + i * 4), (200, 20 * i, 30, 255) if (x + y) % 5 else (0, 0, 0, 0))\n"
        "    frames.append(im)\n"
        "mode = sys.argv[2]\n"
        "frames = [f.convert(mode) for f in frames]\n"
        "frames[0].save(sys.argv[1], save_all=True, append_images=frames[1:], duration=[100, 50, 30, 250, 70, 10],\n"
        "               loop=3, disposal=[int(c) for c in sys.argv[3]], blend=[0, 1, 0, 1, 1, 0])\n";
    TempFolder dir;
    ASSERT_TRUE(WriteFile(dir.file("make.py"), std::vector<uint8_t>(pillowScript.begin(), pillowScript.end())));
    const ForeignCase cases[] = {
        {"pillow rgba", "/usr/bin/python3 " + dir.file("make.py") + " $OUT RGBA 012021", 48, 36},
        {"pillow palette", "/usr/bin/python3 " + dir.file("make.py") + " $OUT P 020200", 48, 36},
        {"ffmpeg rgb24", "ffmpeg -y -v error -f lavfi -i testsrc=size=64x48:rate=25 -t 0.4 -plays 0 -f apng $OUT", 64, 48},
        {"ffmpeg rgba", "ffmpeg -y -v error -f lavfi -i testsrc=size=40x30:rate=10 -t 0.5 -vf format=rgba -f apng $OUT",
         40, 30},
        {"ffmpeg pal8", "ffmpeg -y -v error -f lavfi -i testsrc=size=40x30:rate=20 -t 0.3 -vf format=pal8 -f apng $OUT",
         40, 30},
    };
    for (const ForeignCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("foreign.png");
        std::string command = c.command;
        command.replace(command.find("$OUT"), 4, "'" + path + "'");
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        ApngReadError error;
        std::unique_ptr<AnimDoc> doc = ReadApngBytes(ReadFile(path), {}, error);
        ASSERT_TRUE(doc) << ApngReadMessage(error);
        ASSERT_EQ(doc->screenWidth, c.width);
        const std::vector<Shown> ours = Seen(Playback(*doc));
        const std::vector<Shown> pillow = Seen(PillowPlayback(path, c.width, c.height));
        EXPECT_TRUE(ours == pillow) << Describe(ours, pillow);
    }
}

}  // namespace
}  // namespace kivo::test
