#include "support/pillow_oracle.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "support/test_support.h"

namespace kivo::test {

namespace {

// Debian's Python, where python3-pil installs Pillow (a python3 earlier on PATH
// may be another one without it).
constexpr const char* kPython = "/usr/bin/python3";

// Prints "W H DURATION\n" and the RGBA bytes of every frame.
constexpr const char* kDecodeScript = R"(
import sys
from PIL import Image, ImageSequence
im = Image.open(sys.argv[1])
out = sys.stdout.buffer
for frame in ImageSequence.Iterator(im):
    rgba = frame.convert('RGBA')
    out.write(b'%d %d %d\n' % (rgba.width, rgba.height, frame.info.get('duration', 0)))
    out.write(rgba.tobytes())
)";

}  // namespace

bool HavePillow() {
    static const bool have = std::system((std::string(kPython) + " -c 'import PIL' >/dev/null 2>&1").c_str()) == 0;
    return have;
}

bool RunPillow(const std::string& script, const std::string& arg) {
    const std::string full = "from PIL import Image\n" + script;
    return std::system((std::string(kPython) + " -c " + ShellQuote(full) + " " + ShellQuote(arg) + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<RgbaPicture> PillowDecode(const std::string& path) {
    std::string out;
    if (!CaptureCommand(std::string(kPython) + " -c " + ShellQuote(kDecodeScript) + " " + ShellQuote(path) + " 2>/dev/null", out)) return {};
    std::vector<RgbaPicture> frames;
    size_t at = 0;
    while (at < out.size()) {
        const size_t eol = out.find('\n', at);
        if (eol == std::string::npos) break;
        RgbaPicture p;
        std::istringstream line(out.substr(at, eol - at));
        line >> p.width >> p.height >> p.durationMs;
        const size_t size = size_t(p.width) * size_t(p.height) * 4;
        if (!line || eol + 1 + size > out.size()) return {};
        p.rgba.assign(out.begin() + long(eol + 1), out.begin() + long(eol + 1 + size));
        frames.push_back(std::move(p));
        at = eol + 1 + size;
    }
    return frames;
}

std::string CompareWithAlpha(const Frame& frame, const RgbaPicture& expected) {
    if (frame.width != expected.width || frame.height != expected.height)
        return "size " + std::to_string(frame.width) + "x" + std::to_string(frame.height);
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            const uint8_t* e = &expected.rgba[(size_t(y) * expected.width + x) * 4];
            const unsigned a = e[3];
            Rgb want{e[0], e[1], e[2]};
            if (a == 0) {
                if (!frame.hasTransparency) return "no transparent colour";
                want = frame.transparentRgb;
            } else if (a != 255) {
                auto over = [a](unsigned v) {
                    const unsigned t = v * a + 128;
                    return uint8_t((t + t / 256) / 256);
                };
                want = Rgb{over(e[0]), over(e[1]), over(e[2])};
            }
            const Rgb got = PixelOf(frame.dib, x, y);
            if (!(got == want) || (a != 0 && frame.hasTransparency && got == frame.transparentRgb)) {
                std::ostringstream s;
                s << "pixel " << x << "," << y << " alpha " << a << ": got " << int(got.r) << "," << int(got.g)
                  << "," << int(got.b) << " want " << int(want.r) << "," << int(want.g) << "," << int(want.b);
                return s.str();
            }
        }
    }
    return {};
}

}  // namespace kivo::test
