#include "gif/gif_first_image.h"

#include <array>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "doc/dib.h"
#include "gif/gif_reader.h"
#include "gif/lzw_decoder.h"

namespace kivo {

namespace {

// What the block scan found in front of the first image.
struct FirstImage {
    std::array<Rgb, 256> palette{};  // entries never read stay black
    bool transparent = false;
    uint8_t transparentIndex = 0;
    bool interlaced = false;
    uint32_t width = 0, height = 0;
    int minCodeSize = 0;
};

bool ReadTable(GifInput& in, uint8_t packed, FirstImage& img) {
    const size_t count = size_t(2) << (packed & 7);
    uint8_t triple[3];
    for (size_t i = 0; i < count; ++i) {
        if (in.Read(triple, 3) != 3) return false;
        img.palette[i] = Rgb{triple[0], triple[1], triple[2]};
    }
    return true;
}

// An extension's sub-blocks. A graphic control block with the transparency bit
// sets the transparent index; one without the bit leaves an earlier setting.
bool ReadExtension(GifInput& in, FirstImage& img) {
    const int label = in.Byte();
    if (label < 0) return false;
    bool first = true;
    uint8_t data[255];
    for (;;) {
        const int size = in.Byte();
        if (size < 0) return false;
        if (size == 0) return true;
        if (in.Read(data, size_t(size)) != size_t(size)) return false;
        if (label == 0xF9 && first && (data[0] & 1)) {
            img.transparent = true;
            img.transparentIndex = size >= 4 ? data[3] : 0;
        }
        first = false;
    }
}

// Header, tables and blocks up to the first image's code size byte.
bool ScanToImage(GifInput& in, FirstImage& img) {
    uint8_t h[13];
    if (in.Read(h, sizeof h) != sizeof h) return false;
    if (h[0] != 'G' || h[1] != 'I' || h[2] != 'F') return false;
    if ((h[10] & 0x80) && !ReadTable(in, h[10], img)) return false;
    for (;;) {
        switch (in.Byte()) {
        case 0x21:
            if (!ReadExtension(in, img)) return false;
            break;
        case 0x2C: {
            uint8_t d[9];
            if (in.Read(d, sizeof d) != sizeof d) return false;
            img.width = uint32_t(d[4] | d[5] << 8);
            img.height = uint32_t(d[6] | d[7] << 8);
            img.interlaced = (d[8] & 0x40) != 0;
            if ((d[8] & 0x80) && !ReadTable(in, d[8], img)) return false;
            img.minCodeSize = in.Byte();
            return img.minCodeSize >= 2 && img.minCodeSize <= kLzwMaxMinCodeSize;
        }
        case 0x3B:
        case -1:
            return false;
        default:
            break;  // stray bytes between blocks are passed over
        }
    }
}

GifFirstImageError DecodeFrom(GifInput& in, Frame& frame) {
    auto img = std::make_unique<FirstImage>();
    LzwData lzw;
    if (!ScanToImage(in, *img)) return GifFirstImageFault::kNoImage;
    ReadLzwData(in, lzw);
    // Data that cannot produce the picture: the rest would be made up.
    const size_t area = size_t(img->width) * img->height;
    if (area > LzwPixelLimit(lzw.length) &&
        area - LzwPixelLimit(lzw.length) > kUnbackedPixelAllowance)
        return GifFirstImageFault::kTooLittleData;
    Dib dib = MakeDib24(img->width, img->height);
    if (dib.empty()) return GifFirstImageFault::kNoMemory;

    GifFirstImageError error;
    if (area > 0) {
        auto lookup = std::make_unique<GifColorLookup>();
        BuildColorLookup(img->palette.data(), img->palette.size(), *lookup);
        auto decoder = std::make_unique<LzwDecoder>(img->minCodeSize, lzw);
        std::vector<uint16_t> row(img->width);
        uint8_t* bits = DibPixels(dib);
        const size_t stride = DibRowBytes(img->width, 24);
        const int height = int(img->height);
        for (int y = 0; y < height; ++y) {
            decoder->Decode(row.data(), row.size());
            if (decoder->error()) {
                error = GifFirstImageFault::kDamagedData;
                break;
            }
            const int imageRow = GifImageRow(y, height, img->interlaced);
            StoreGifRow(row.data(), int(img->width), *lookup,
                        bits + size_t(height - 1 - imageRow) * stride);
        }
    }

    frame.dib = std::move(dib);
    frame.width = int32_t(img->width);
    frame.height = int32_t(img->height);
    if (img->transparent) {
        frame.hasTransparency = 1;
        frame.transparentRgb = img->palette[img->transparentIndex];
    }
    return error;
}

}  // namespace

std::string GifFirstImageMessage(const GifFirstImageError& error) {
    switch (error.fault) {
    case GifFirstImageFault::kCannotOpen: return "can't open " + error.path + "\n";
    case GifFirstImageFault::kNoImage:
    case GifFirstImageFault::kTooLittleData:
    case GifFirstImageFault::kDamagedData: return "gif read error";
    case GifFirstImageFault::kNoMemory:
    case GifFirstImageFault::kNone: break;
    }
    return {};
}

GifFirstImageError DecodeFirstGifImage(const std::string& path, Frame& frame) {
    try {
        ReadFileHandle file = OpenForReading(path);
        if (!file) {
            GifFirstImageError error(GifFirstImageFault::kCannotOpen);
            error.path = path;
            return error;
        }
        GifInput in(file.get());
        return DecodeFrom(in, frame);
    } catch (const std::bad_alloc&) {
        return GifFirstImageFault::kNoMemory;
    }
}

GifFirstImageError DecodeFirstGifImageBytes(std::span<const uint8_t> bytes, Frame& frame) {
    try {
        GifInput in(bytes);
        return DecodeFrom(in, frame);
    } catch (const std::bad_alloc&) {
        return GifFirstImageFault::kNoMemory;
    }
}

namespace {

bool Shown(OwnerWindow owner, const GifFirstImageError& error) {
    try {
        if (const std::string message = GifFirstImageMessage(error); !message.empty()) ShowError(owner, message);
    } catch (const std::bad_alloc&) {
        // No memory for the text: the result still tells.
    }
    return error.framed();
}

}  // namespace

bool DecodeFirstGifImage(OwnerWindow owner, const std::string& path, Frame& frame) {
    return Shown(owner, DecodeFirstGifImage(path, frame));
}

bool DecodeFirstGifImageBytes(OwnerWindow owner, std::span<const uint8_t> bytes, Frame& frame) {
    return Shown(owner, DecodeFirstGifImageBytes(bytes, frame));
}

}  // namespace kivo
