// Choosing, frame by frame, between a picture with its repeated pixels made
// transparent and the same picture left as it is. Transparency helps where it
// turns a changing area into one long run; on grain or dither it splits runs
// that LZW would otherwise code as repeats, and the frame grows. Both pictures
// show the same over what the screen already holds, so each frame is free to
// take whichever codes smaller, independently of the others.
//
// The palette a frame will be written with is not known here: it is made at
// save time, shared across frames or not, and ordered by use. What is known is
// that the writer gives each distinct colour one index and codes the index
// plane with the LZW coder below, at the narrowest width its highest index
// allows. So each picture is coded as it would be on a table of its own
// colours, numbered in the order they first appear: the same runs and repeats
// the written plane has, at the width a table of that many colours takes. A
// frame beyond 256 colours is reduced when saved; for it, colours share
// indices by a hash, which keeps the plain picture's repeats and the
// transparent picture's runs, the two things being weighed.
#include <algorithm>
#include <atomic>
#include <vector>

#include "color/color_index.h"
#include "doc/dib.h"
#include "gif/lzw_encoder.h"
#include "platform/parallel.h"
#include "platform/progress.h"
#include "frame_ops/optimize_internal.h"

namespace kivo {
namespace {

constexpr int kTableLimit = 256;

uint32_t PackedPixel(const uint8_t* p) { return uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16; }

// Each pixel's index on a table of the picture's colours in the order they
// first appear, top row first; false when there are more than fit a table.
bool IndexByFirstAppearance(const FramePixels& px, std::vector<uint8_t>& plane, int& colours) {
    ColorIndex seen;
    colours = 0;
    uint8_t* out = plane.data();
    for (int y = 0; y < px.height; ++y) {
        const uint8_t* p = px.Row(y);
        for (int x = 0; x < px.width; ++x, p += 3) {
            const uint32_t c = PackedPixel(p);
            int i = seen.Find(c);
            if (i < 0) {
                if (colours == kTableLimit) return false;
                i = colours++;
                seen.Insert(c, i);
            }
            *out++ = uint8_t(i);
        }
    }
    return true;
}

void IndexByHash(const FramePixels& px, std::vector<uint8_t>& plane) {
    uint8_t* out = plane.data();
    for (int y = 0; y < px.height; ++y) {
        const uint8_t* p = px.Row(y);
        for (int x = 0; x < px.width; ++x, p += 3) *out++ = uint8_t((PackedPixel(p) * 2654435761u) >> 24);
    }
}

FramePixels PixelsOf(const Dib& dib, int32_t width, int32_t height) {
    FramePixels px;
    px.bits = DibPixels(const_cast<Dib&>(dib));
    px.width = width;
    px.height = height;
    px.stride = DibRowBytes(uint32_t(width), 24);
    return px;
}

}  // namespace

size_t EstimateCodedSize(const FramePixels& px) {
    if (px.width <= 0 || px.height <= 0) return 0;
    std::vector<uint8_t> plane(px.PixelCount());
    int colours = kTableLimit;
    if (!IndexByFirstAppearance(px, plane, colours)) IndexByHash(px, plane);
    int codeSize = 2;
    while ((1 << codeSize) < colours) ++codeSize;
    std::vector<uint8_t> coded;
    LzwEncodeImage(plane.data(), px.width, px.height, codeSize, false, coded);
    return coded.size();
}

bool KeepTransparencyWhereSmaller(const std::vector<const StagedFrame*>& frames,
                                  std::vector<TransparencyResult>& results) {
    std::vector<size_t> weighed;
    for (size_t i = 0; i < results.size(); ++i)
        if (!results[i].dib.empty()) weighed.push_back(i);
    struct Stopped {};
    std::atomic<int> done{0};
    const int total = int(weighed.size());
    ProgressSetRange(0, total);
    auto weigh = [&](size_t k) {
        const size_t i = weighed[k];
        const StagedFrame& s = *frames[i];
        const std::optional<FramePixels> plain = StagedPixels(s);
        const size_t transparent = EstimateCodedSize(PixelsOf(results[i].dib, s.width, s.height));
        // A tie keeps the frame as it is: nothing is gained by changing its picture.
        if (plain && EstimateCodedSize(*plain) <= transparent) results[i] = TransparencyResult{};
        done.fetch_add(1);
    };
    auto pump = [&] {
        const int n = done.load();
        ProgressPrintf("透過色で最適化中...\r %4d / %4d コマ", n, total);
        ProgressSetPos(n);
        if (ProgressPump()) throw Stopped{};
    };
    try {
        ParallelFor(weighed.size(), weigh, pump);
    } catch (const Stopped&) {
        return false;
    }
    return true;
}

}  // namespace kivo
