#include "doc/import_bmp.h"

#include <new>

#include "doc/alpha_key.h"
#include "doc/bmp.h"
#include "doc/dib.h"

namespace kivo {

namespace {

constexpr char kNoPixels[] = "幅か高さが 0 の画像は読み込めません。";

}  // namespace

bool ReadBmpFrame(OwnerWindow owner, const std::string& path, Frame& frame) {
    try {
        BmpFault fault = BmpFault::kNone;
        std::vector<uint8_t> alpha;
        Dib dib = ReadBmp(path, &fault, &alpha);
        if (dib.empty()) {
            // The one fault worth naming: the file is fine, yet nothing can show it.
            if (fault == BmpFault::kNoPixels) ShowError(owner, kNoPixels);
            return false;
        }
        // Missing table entries (a short colours-used table) come out black.
        Palette palette = DibBitCount(dib) <= 8 ? DibPalette(dib) : Palette{};
        Dib picture = DibTo24(std::move(dib));
        if (picture.empty()) return false;
        Rgb key;
        if (!alpha.empty() && KeyOutAlpha(picture, alpha, &key)) {
            frame.hasTransparency = 1;
            frame.transparentRgb = key;
        }
        frame.localPalette = std::move(palette);
        frame.width = DibWidth(picture);
        frame.height = DibHeight(picture);
        frame.dib = std::move(picture);
        frame.tempPalette = 1;
        return true;
    } catch (const std::bad_alloc&) {
        frame.dib = {};
        frame.localPalette = {};
        return false;
    }
}

}  // namespace kivo
