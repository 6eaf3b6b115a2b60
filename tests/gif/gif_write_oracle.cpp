#include "gif/gif_write_oracle.h"

#include <algorithm>
#include <cstring>

#ifdef KIVO_HAVE_GIFLIB
#include <gif_lib.h>
#endif

namespace kivo::test {

#ifdef KIVO_HAVE_GIFLIB
namespace {

struct MemoryInput {
    const std::vector<uint8_t>* bytes;
    size_t pos = 0;
};

int ReadMemory(GifFileType* gif, GifByteType* out, int n) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    size_t take = std::min(size_t(n), in->bytes->size() - in->pos);
    std::memcpy(out, in->bytes->data() + in->pos, take);
    in->pos += take;
    return int(take);
}

Palette ToPalette(const ColorMapObject* map) {
    Palette p;
    if (!map) return p;
    for (int i = 0; i < map->ColorCount; ++i)
        p.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
    return p;
}

std::vector<OracleExtension> ToExtensions(const ExtensionBlock* blocks, int count) {
    std::vector<OracleExtension> out;
    for (int i = 0; i < count; ++i) {
        const ExtensionBlock& b = blocks[i];
        if (b.Function != CONTINUE_EXT_FUNC_CODE || out.empty()) out.push_back({b.Function, {}, {}});
        out.back().data.insert(out.back().data.end(), b.Bytes, b.Bytes + b.ByteCount);
        out.back().blockSizes.push_back(size_t(b.ByteCount));
    }
    return out;
}

}  // namespace
#endif

OracleGif DecodeWithGiflib(const std::vector<uint8_t>& bytes) {
    OracleGif result;
#ifdef KIVO_HAVE_GIFLIB
    MemoryInput input{&bytes};
    int error = 0;
    GifFileType* gif = DGifOpen(&input, ReadMemory, &error);
    if (!gif) {
        result.error = GifErrorString(error) ? GifErrorString(error) : "open failed";
        return result;
    }
    if (DGifSlurp(gif) != GIF_OK) {
        result.error = GifErrorString(gif->Error) ? GifErrorString(gif->Error) : "slurp failed";
        DGifCloseFile(gif, &error);
        return result;
    }
    result.width = gif->SWidth;
    result.height = gif->SHeight;
    result.globalPalette = ToPalette(gif->SColorMap);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& s = gif->SavedImages[i];
        OracleImage img;
        img.left = s.ImageDesc.Left;
        img.top = s.ImageDesc.Top;
        img.width = s.ImageDesc.Width;
        img.height = s.ImageDesc.Height;
        img.interlaced = s.ImageDesc.Interlace;
        img.localPalette = ToPalette(s.ImageDesc.ColorMap);
        img.pixels.assign(s.RasterBits, s.RasterBits + size_t(img.width) * size_t(img.height));
        img.extensions = ToExtensions(s.ExtensionBlocks, s.ExtensionBlockCount);
        result.images.push_back(std::move(img));
    }
    result.trailing = ToExtensions(gif->ExtensionBlocks, gif->ExtensionBlockCount);
    result.ok = true;
    DGifCloseFile(gif, &error);
#else
    (void)bytes;
    result.error = "giflib not available";
#endif
    return result;
}

std::vector<uint8_t> WrapImageData(int width, int height, int bits,
                                   const std::vector<uint8_t>& imageData, bool interlaced) {
    std::vector<uint8_t> b = {'G', 'I', 'F', '8', '9', 'a'};
    auto u16 = [&](int v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    };
    u16(width);
    u16(height);
    b.push_back(uint8_t(0x80 | (bits - 1)));
    b.push_back(0);
    b.push_back(0);
    for (int i = 0; i < (1 << bits); ++i) b.insert(b.end(), 3, uint8_t(i));
    b.push_back(0x2C);
    u16(0);
    u16(0);
    u16(width);
    u16(height);
    b.push_back(interlaced ? 0x40 : 0);
    b.insert(b.end(), imageData.begin(), imageData.end());
    b.push_back(0x3B);
    return b;
}

}  // namespace kivo::test
