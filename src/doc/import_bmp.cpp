#include "doc/import_bmp.h"

#include <new>

#include "doc/bmp.h"
#include "doc/dib.h"

namespace kivo {

bool ReadBmpFrame(OwnerWindow /*owner*/, const std::string& path, Frame& frame) {
    try {
        Dib dib = ReadBmp(path);
        if (dib.empty()) return false;
        // Missing table entries (a short colours-used table) come out black.
        Palette palette = DibBitCount(dib) <= 8 ? DibPalette(dib) : Palette{};
        Dib picture = DibTo24(std::move(dib));
        if (picture.empty()) return false;
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
