#include "png/png_reader.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

#include "doc/dib.h"
#include "options/write_options.h"
#include "platform/platform.h"

namespace kivo {

namespace {

constexpr size_t kFeedPiece = 4096;
constexpr double kDisplayExponent = 2.2;
constexpr double kAssumedFileGamma = 0.45455;
constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

}  // namespace

std::string PngReadMessage(const PngReadError& error) {
    switch (error.fault) {
    case PngReadFault::kFileOpen: return "file open error!";
    case PngReadFault::kNotPng: return "This file is not a PNG file";
    case PngReadFault::kNoContext: return "memory less...";
    case PngReadFault::kNoHandles:
    case PngReadFault::kTextMemory: return "insufficient memory";
    // Failures found while libpng reads are reported as libpng reports its own.
    case PngReadFault::kImageTooLarge: return "libpng error: image too large\n";
    case PngReadFault::kRowLayout: return "libpng error: unexpected row layout\n";
    case PngReadFault::kImageMemory: return "libpng error: insufficient memory\n";
    case PngReadFault::kLibpng: return "libpng error: " + error.libpng + "\n";
    case PngReadFault::kTruncated: return "PNG data ends before IEND";
    case PngReadFault::kGlobalPaletteTooLarge:
    case PngReadFault::kNone: break;
    }
    return {};
}

struct PngReadContext {
    png_structp png = nullptr;
    png_infop info = nullptr;
    bool keepPalette = false;

    uint32_t width = 0, height = 0;
    bool interlaced = false;
    size_t rowBytes = 0;
    int channels = 0;
    // Interlaced images only: passes arrive scattered, so rows are gathered here
    // and converted once the last pass is in.
    std::vector<uint8_t> image;

    Dib dib;
    uint8_t* bits = nullptr;
    size_t stride = 0;

    Rgb background;  // from bKGD; black without one
    bool done = false;
    bool failed = false;

    bool transparentFound = false;
    Rgb transparent;
    // With oneClearColour, alpha images: 1 where a pixel is fully transparent
    // (width * height, top row first), so that every such pixel can take the
    // one transparent colour.
    bool oneClearColour = false;
    std::vector<uint8_t> clearMask;

    bool keeping = false;
    Palette keptPalette;
    std::vector<uint8_t> keptIndices;  // width * height, top row first
    std::unordered_map<uint32_t, uint8_t> keptLookup;  // colour -> first index

    TextKeyList texts;
    // Why the image failed. The error handler may not allocate (it leaves by
    // longjmp), so libpng's text waits in `libpngText` until the jump has landed;
    // a failure of our own sets `fault` before it hands libpng the jump.
    PngReadFault fault = PngReadFault::kNone;
    char libpngText[320] = {};
    PngReadError error;
};

void PngReadContextDeleter::operator()(PngReadContext* context) const {
    if (!context) return;
    if (context->png) png_destroy_read_struct(&context->png, &context->info, nullptr);
    delete context;
}

namespace {

// Warnings (a damaged ancillary chunk, an odd checksum) do not stop the image and
// would only be noise on a terminal.
void OnWarning(png_structp, png_const_charp) {}

PngReadContext& ContextOf(png_structp png) {
    return *static_cast<PngReadContext*>(png_get_progressive_ptr(png));
}

[[noreturn]] void OnError(png_structp png, png_const_charp text) {
    auto* context = static_cast<PngReadContext*>(png_get_error_ptr(png));
    if (context->fault == PngReadFault::kNone) {
        context->fault = PngReadFault::kLibpng;
        std::snprintf(context->libpngText, sizeof context->libpngText, "%s", text);
    }
    png_longjmp(png, 1);
}

uint32_t Pack(uint8_t r, uint8_t g, uint8_t b) { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16; }

// The background partly transparent pixels are blended over, in the file's own
// terms: 16-bit values keep their high byte, small grey depths are scaled up.
void TakeBackground(PngReadContext& c, int bitDepth, int colorType) {
    png_color_16p bg = nullptr;
    if (!png_get_bKGD(c.png, c.info, &bg) || !bg) return;
    if (bitDepth == 16) {
        c.background = Rgb{uint8_t(bg->red >> 8), uint8_t(bg->green >> 8), uint8_t(bg->blue >> 8)};
    } else if ((colorType & PNG_COLOR_MASK_COLOR) || bitDepth == 8) {
        c.background = Rgb{uint8_t(bg->red), uint8_t(bg->green), uint8_t(bg->blue)};
    } else {
        const unsigned grey = bg->gray;
        uint8_t v = 0;
        if (bitDepth == 1) v = grey ? 255 : 0;
        else if (bitDepth == 2) v = uint8_t((grey & 3) * 85);
        else v = uint8_t((grey & 15) * 17);
        c.background = Rgb{v, v, v};
    }
}

// Everything the information callback sets up; kNone, or why it cannot.
PngReadFault PrepareImage(PngReadContext& c) {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(c.png, c.info, &width, &height, &bitDepth, &colorType, &interlace, nullptr,
                 nullptr);
    if (width > 0xFFFF || height > 0xFFFF || size_t(width) * height > MaxImagePixels)
        return PngReadFault::kImageTooLarge;
    c.width = width;
    c.height = height;
    c.interlaced = interlace != PNG_INTERLACE_NONE;
    TakeBackground(c, bitDepth, colorType);

    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_expand(c.png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand(c.png);
    if (png_get_valid(c.png, c.info, PNG_INFO_tRNS)) png_set_expand(c.png);
    if (bitDepth == 16) png_set_strip_16(c.png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(c.png);
    double fileGamma = 0;
    if (!png_get_gAMA(c.png, c.info, &fileGamma) || fileGamma <= 0) fileGamma = kAssumedFileGamma;
    png_set_gamma(c.png, kDisplayExponent, fileGamma);
    png_set_interlace_handling(c.png);
    png_read_update_info(c.png, c.info);

    c.rowBytes = png_get_rowbytes(c.png, c.info);
    c.channels = png_get_channels(c.png, c.info);
    if ((c.channels != 3 && c.channels != 4) || c.rowBytes != size_t(width) * c.channels)
        return PngReadFault::kRowLayout;
    try {
        if (c.interlaced) c.image.assign(c.rowBytes * height, 0);
        c.dib = MakeDib24(width, height);
        if (c.dib.empty()) return PngReadFault::kImageMemory;
        if (c.channels == 4 && c.oneClearColour) c.clearMask.assign(size_t(width) * height, 0);
        c.bits = DibPixels(c.dib);
        c.stride = DibRowBytes(width, 24);

        png_colorp palette = nullptr;
        int count = 0;
        if (c.keepPalette && !c.keeping && png_get_PLTE(c.png, c.info, &palette, &count) && count > 0) {
            c.keeping = true;
            c.keptPalette.resize(size_t(count));
            for (int i = 0; i < count; ++i)
                c.keptPalette[size_t(i)] = Rgb{palette[i].red, palette[i].green, palette[i].blue};
        }
        if (c.keeping) {
            // Entries past 256 could never be an index; the first of equal colours wins.
            const size_t entries = std::min<size_t>(c.keptPalette.size(), 256);
            for (size_t i = 0; i < entries; ++i) {
                const Rgb& k = c.keptPalette[i];
                c.keptLookup.try_emplace(Pack(k.r, k.g, k.b), uint8_t(i));
            }
            c.keptIndices.assign(size_t(width) * height, 0);
        }
    } catch (const std::bad_alloc&) {
        return PngReadFault::kImageMemory;
    }
    return PngReadFault::kNone;
}

void OnInfo(png_structp png, png_infop) {
    PngReadContext& c = ContextOf(png);
    c.fault = PrepareImage(c);
    if (c.fault != PngReadFault::kNone) png_error(png, "");
}

// One finished row of libpng output into DIB row (height - n - 1).
void ConvertRow(PngReadContext& c, const uint8_t* row, uint32_t n) {
    uint8_t* out = c.bits + size_t(c.height - n - 1) * c.stride;
    const uint32_t width = c.width;
    const uint8_t* in = row;
    if (c.channels == 3) {
        for (uint32_t x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    } else {
        const Rgb bg = c.background;
        for (uint32_t x = 0; x < width; ++x, in += 4, out += 3) {
            const unsigned a = in[3];
            if (a == 255 || a == 0) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                if (a == 0) {
                    if (!c.clearMask.empty()) c.clearMask[size_t(n) * width + x] = 1;
                    if (!c.transparentFound) {
                        c.transparentFound = true;
                        c.transparent = Rgb{in[0], in[1], in[2]};
                    }
                }
            } else {
                auto blend = [a](unsigned v, unsigned b) {
                    const unsigned t = v * a + b * (255 - a) + 128;
                    return uint8_t((t + t / 256) / 256);
                };
                out[0] = blend(in[2], bg.b);
                out[1] = blend(in[1], bg.g);
                out[2] = blend(in[0], bg.r);
            }
        }
    }
    if (!c.keeping) return;
    // Indices follow the colours as decoded, before any blending.
    uint8_t* indices = c.keptIndices.data() + size_t(n) * width;
    in = row;
    for (uint32_t x = 0; x < width; ++x, in += c.channels) {
        auto it = c.keptLookup.find(Pack(in[0], in[1], in[2]));
        indices[x] = it == c.keptLookup.end() ? 0 : it->second;
    }
}

void OnRow(png_structp png, png_bytep row, png_uint_32 n, int /*pass*/) {
    PngReadContext& c = ContextOf(png);
    if (!row || n >= c.height) return;
    if (c.interlaced) png_progressive_combine_row(png, c.image.data() + size_t(n) * c.rowBytes, row);
    else ConvertRow(c, row, n);
}

void OnEnd(png_structp png, png_infop) {
    PngReadContext& c = ContextOf(png);
    // Converting interlaced rows only now means the first transparent pixel is
    // found in reading order, never in a row that an early pass left unfilled.
    if (c.interlaced)
        for (uint32_t n = 0; n < c.height; ++n) ConvertRow(c, c.image.data() + size_t(n) * c.rowBytes, n);
    c.done = true;
}

// The texts of the file, gathered once the image has ended. False when memory ran out.
bool GatherTexts(PngReadContext& c) {
    png_textp text = nullptr;
    int count = 0;
    png_get_text(c.png, c.info, &text, &count);
    try {
        for (int i = 0; i < count; ++i) {
            const png_text& t = text[i];
            const size_t length = t.compression >= PNG_ITXT_COMPRESSION_NONE ? t.itxt_length
                                                                             : t.text_length;
            AddKey(c.texts, t.key ? t.key : "", std::string_view(t.text ? t.text : "", t.text ? length : 0));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void FeedPieces(PngReadContext& c, const uint8_t* data, size_t size) {
    while (size > 0 && !c.done) {
        const size_t piece = std::min(size, kFeedPiece);
        png_process_data(c.png, c.info, const_cast<uint8_t*>(data), piece);
        data += piece;
        size -= piece;
    }
}

// The jump buffer is armed here because every libpng call that takes data can
// fail. Nothing in this frame has a destructor or changes after setjmp.
bool ProcessPieces(PngReadContext& c, const uint8_t* data, size_t size) {
    if (setjmp(png_jmpbuf(c.png))) return false;
    FeedPieces(c, data, size);
    return true;
}

}  // namespace

PngRead PngReadBegin(bool keepPalette, const Palette* keptTable, PngReadError& error) {
    PngRead context(new (std::nothrow) PngReadContext);
    if (!context) {
        error = {PngReadFault::kNoContext};
        return nullptr;
    }
    context->keepPalette = keepPalette;
    if (keepPalette && keptTable) {
        try {
            context->keptPalette = *keptTable;
        } catch (const std::bad_alloc&) {
            error = {PngReadFault::kNoContext};
            return nullptr;
        }
        context->keeping = true;
    }
    context->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, context.get(), OnError, OnWarning);
    if (context->png) context->info = png_create_info_struct(context->png);
    if (!context->png || !context->info) {
        error = {PngReadFault::kNoHandles};
        return nullptr;
    }
    // Text chunks are the only thing a file can make libpng allocate beyond the
    // image; keep a hostile one (a zTXt bomb, thousands of chunks) small: at most
    // 256 kept chunks of 1 MiB each once inflated.
    png_set_chunk_malloc_max(context->png, 1u << 20);
    png_set_chunk_cache_max(context->png, 256);
    png_set_progressive_read_fn(context->png, context.get(), OnInfo, OnRow, OnEnd);
    return context;
}

PngFeed PngReadFeed(PngReadContext& c, std::span<const uint8_t> data) {
    if (c.failed) return PngFeed::kFailed;
    if (!c.done && !ProcessPieces(c, data.data(), data.size())) {
        c.failed = true;
        c.error.fault = c.fault;
        // Back in our own frames, where the text may be copied.
        if (c.fault == PngReadFault::kLibpng) c.error.libpng = c.libpngText;
        return PngFeed::kFailed;
    }
    return c.done ? PngFeed::kDone : PngFeed::kMore;
}

const PngReadError& PngReadErrorOf(const PngReadContext& context) { return context.error; }

namespace {

// A fully transparent pixel may carry any colour, and so may an opaque one: the
// first transparent pixel's colour only serves as the frame's transparent
// colour when no opaque pixel has it, and every transparent pixel then takes
// it, or an opaque pixel of that colour would vanish and a transparent one of
// another colour would show. Otherwise the first colour no opaque pixel has.
void UnifyTransparentPixels(PngReadContext& c) {
    if (!c.transparentFound || c.clearMask.empty()) return;
    const uint32_t width = c.width, height = c.height;
    auto pixel = [&](uint32_t x, uint32_t y) { return c.bits + size_t(height - 1 - y) * c.stride + size_t(x) * 3; };
    const uint32_t key = Pack(c.transparent.r, c.transparent.g, c.transparent.b);
    bool keyTaken = false;
    for (uint32_t y = 0; y < height && !keyTaken; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* p = pixel(x, y);
            if (!c.clearMask[size_t(y) * width + x] && Pack(p[2], p[1], p[0]) == key) {
                keyTaken = true;
                break;
            }
        }
    if (keyTaken) {
        std::vector<uint64_t> used(size_t(1) << 18, 0);  // one bit per 24-bit colour
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x) {
                if (c.clearMask[size_t(y) * width + x]) continue;
                const uint8_t* p = pixel(x, y);
                const uint32_t v = Pack(p[2], p[1], p[0]);
                used[v >> 6] |= uint64_t(1) << (v & 63);
            }
        uint32_t free = 0;
        while (free < (1u << 24) && (used[free >> 6] >> (free & 63) & 1)) ++free;
        // Every colour opaque somewhere (a picture of 16M pixels or more): the
        // first transparent colour stays, as nothing else could be told apart.
        if (free == (1u << 24)) return;
        c.transparent = Rgb{uint8_t(free), uint8_t(free >> 8), uint8_t(free >> 16)};
    }
    const Rgb t = c.transparent;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            if (!c.clearMask[size_t(y) * width + x]) continue;
            uint8_t* p = pixel(x, y);
            p[0] = t.b;
            p[1] = t.g;
            p[2] = t.r;
        }
}

}  // namespace

PngReadError PngReadFinish(PngReadContext& c, Frame& frame) {
    try {
        UnifyTransparentPixels(c);
    } catch (const std::bad_alloc&) {
        return {PngReadFault::kImageMemory};
    }
    bool gathered = GatherTexts(c);
    try {
        if (gathered) frame.textKeys.reserve(frame.textKeys.size() + c.texts.size());
    } catch (const std::bad_alloc&) {
        gathered = false;
    }
    if (!gathered) return {PngReadFault::kTextMemory};
    for (TextKey& key : c.texts) frame.textKeys.push_back(std::move(key));
    frame.dib = std::move(c.dib);
    frame.width = int32_t(c.width);
    frame.height = int32_t(c.height);
    if (c.transparentFound) {
        frame.hasTransparency = 1;
        frame.transparentRgb = c.transparent;
    }
    if (c.keeping) {
        frame.pngPalette = std::move(c.keptPalette);
        frame.pngIndexPixels = std::move(c.keptIndices);
    }
    return {};
}

bool HasPngSignature(std::span<const uint8_t> bytes) {
    return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

namespace {

// Reads the whole stream through one context; `next` supplies up to 4096 bytes at
// a time and returns 0 at the end.
template <typename Next>
PngReadError ReadPngStream(Frame& frame, const ReadOptions& options, Next&& next) {
    uint8_t buffer[kFeedPiece];
    size_t got = next(buffer);
    if (got < 8 || !HasPngSignature({buffer, got})) return {PngReadFault::kNotPng};
    PngReadError error;
    PngRead context = PngReadBegin(options.keepPngPalette, nullptr, error);
    if (!context) return error;
    context->oneClearColour = options.oneClearColour;
    PngFeed state = PngFeed::kMore;
    while (got > 0 && state == PngFeed::kMore) {
        state = PngReadFeed(*context, {buffer, got});
        if (state == PngFeed::kMore) got = next(buffer);
    }
    if (state == PngFeed::kFailed) return PngReadErrorOf(*context);
    if (state != PngFeed::kDone) return {PngReadFault::kTruncated};
    return PngReadFinish(*context, frame);
}

bool Shown(OwnerWindow owner, const PngReadError& error) {
    if (!error) return true;
    if (const std::string message = PngReadMessage(error); !message.empty()) ShowError(owner, message);
    return false;
}

}  // namespace

PngReadError ReadPng(const std::string& path, Frame& frame, const ReadOptions& options) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {PngReadFault::kFileOpen};
    PngReadError error = ReadPngStream(frame, options, [file](uint8_t* buffer) {
        return std::fread(buffer, 1, kFeedPiece, file);
    });
    std::fclose(file);
    return error;
}

PngReadError ReadPngBytes(std::span<const uint8_t> bytes, Frame& frame, const ReadOptions& options) {
    return ReadPngStream(frame, options, [&bytes](uint8_t* buffer) {
        const size_t n = std::min(bytes.size(), kFeedPiece);
        if (n) std::memcpy(buffer, bytes.data(), n);
        bytes = bytes.subspan(n);
        return n;
    });
}

bool ReadPng(OwnerWindow owner, const std::string& path, Frame& frame, const ReadOptions& options) {
    return Shown(owner, ReadPng(path, frame, options));
}

bool ReadPngBytes(OwnerWindow owner, std::span<const uint8_t> bytes, Frame& frame, const ReadOptions& options) {
    return Shown(owner, ReadPngBytes(bytes, frame, options));
}

namespace {

constexpr size_t kMngReadPiece = 64 * 1024;

// Feeds datastream bytes [from, to) in pieces. kMore while the image goes on.
PngFeed FeedRange(PngReadContext& c, const PngInMng& s, uint64_t from, uint64_t to) {
    PngFeed state = PngFeed::kMore;
    while (from < to && state == PngFeed::kMore) {
        const size_t n = size_t(std::min<uint64_t>(to - from, kMngReadPiece));
        const std::span<const uint8_t> piece = s.read(from, n);
        if (piece.size() != n) {
            c.failed = true;
            c.error = {PngReadFault::kTruncated};
            return PngFeed::kFailed;
        }
        state = PngReadFeed(c, piece);
        from += n;
    }
    return state;
}

// The global palette's colours into the kept table, which must have room.
bool KeepGlobalPalette(const PngInMng& s) {
    if (s.globalPlte.size() < 12) return true;
    const size_t entries = (s.globalPlte.size() - 12) / 3;
    if (entries > s.keptTable->size()) return false;
    const uint8_t* colour = s.globalPlte.data() + 8;
    for (size_t i = 0; i < entries; ++i, colour += 3)
        (*s.keptTable)[i] = Rgb{colour[0], colour[1], colour[2]};
    return true;
}

}  // namespace

PngReadError ReadPngInMng(const PngInMng& s, Frame& frame) {
    const bool splice = s.palette && !s.ownPlte;
    if (splice && s.keepPalette && s.keptTable && !KeepGlobalPalette(s))
        return {PngReadFault::kGlobalPaletteTooLarge};
    PngReadError error;
    PngRead context = PngReadBegin(s.keepPalette, s.keptTable, error);
    if (!context) return error;
    PngReadContext& c = *context;
    PngFeed state = PngReadFeed(c, kSignature);
    uint64_t resume = 0;
    if (splice) {
        const uint64_t at = std::min(s.emptyPlte ? s.emptyPlteAt : s.firstDataAt, s.length);
        if (state == PngFeed::kMore) state = FeedRange(c, s, 0, at);
        if (state == PngFeed::kMore) state = PngReadFeed(c, s.globalPlte);
        if (state == PngFeed::kMore && !s.ownTrns) state = PngReadFeed(c, s.globalTrns);
        resume = at + (s.emptyPlte ? 12 : 0);
    }
    if (state == PngFeed::kMore) state = FeedRange(c, s, resume, s.length);
    if (state == PngFeed::kFailed) return PngReadErrorOf(c);
    if (state != PngFeed::kDone) return {PngReadFault::kTruncated};
    return PngReadFinish(c, frame);
}

bool ReadPngInMng(OwnerWindow owner, const PngInMng& s, Frame& frame) {
    return Shown(owner, ReadPngInMng(s, frame));
}

}  // namespace kivo
