#include "apng/apng_reader.h"

#include <zlib.h>

#include <new>
#include <string_view>
#include <vector>

#include "doc/byte_reader.h"
#include "doc/dib.h"
#include "png/chunk_writer.h"
#include "png/png_reader.h"
#include "platform/safe_save.h"

namespace kivo {

namespace {

constexpr uint8_t kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// The frames of one file may hold this many times the pixels one picture may:
// enough for long animations, while a small hostile file that announces
// thousands of large frames is refused before their pictures are made.
constexpr uint64_t kTotalPixelsPerPicture = 4;

struct Chunk {
    std::string_view type;
    std::span<const uint8_t> data;
    std::span<const uint8_t> whole;  // length, type, data and CRC
};

// The next chunk, its CRC checked; false at a chunk that runs past the end or
// does not match its CRC.
bool NextChunk(ByteReader& in, Chunk& chunk) {
    const size_t start = in.pos();
    const uint32_t length = in.u32be();
    const std::span<const uint8_t> type = in.bytes(4);
    if (!in.ok() || length > 0x7FFFFFFF) return false;
    chunk.data = in.bytes(length);
    const uint32_t stored = in.u32be();
    if (!in.ok()) return false;
    chunk.type = std::string_view(reinterpret_cast<const char*>(type.data()), 4);
    uLong crc = crc32(0, type.data(), 4);
    if (length > 0) crc = crc32(crc, chunk.data.data(), uInt(length));
    if (uint32_t(crc) != stored) return false;
    ByteReader whole = in;
    whole.seek(start);
    chunk.whole = whole.bytes(in.pos() - start);
    return true;
}

// What one fcTL says, with the image data that follows it.
struct FrameRecord {
    uint32_t width = 0, height = 0, x = 0, y = 0;
    uint16_t delayNum = 0, delayDen = 0;
    uint8_t dispose = 0, blend = 0;
    std::vector<std::span<const uint8_t>> data;  // IDAT data, or fdAT data after its sequence number
};

ApngFault ParseFrameControl(std::span<const uint8_t> data, uint32_t canvasWidth, uint32_t canvasHeight,
                            FrameRecord& f) {
    if (data.size() != 26) return ApngFault::kBadFrameControl;
    ByteReader in(data);
    in.u32be();  // sequence number: the chunk order already is the frame order
    f.width = in.u32be();
    f.height = in.u32be();
    f.x = in.u32be();
    f.y = in.u32be();
    f.delayNum = in.u16be();
    f.delayDen = in.u16be();
    f.dispose = in.u8();
    f.blend = in.u8();
    if (f.width == 0 || f.height == 0 || f.dispose > 2 || f.blend > 1) return ApngFault::kBadFrameControl;
    if (uint64_t(f.x) + f.width > canvasWidth || uint64_t(f.y) + f.height > canvasHeight)
        return ApngFault::kFrameOutside;
    return ApngFault::kNone;
}

// The file's chunks sorted into what every frame's PNG shares and the frames.
struct ApngLayout {
    std::span<const uint8_t> ihdr;  // its 13 data bytes
    uint32_t width = 0, height = 0;
    uint32_t plays = 0;
    bool animated = false;
    std::vector<std::span<const uint8_t>> shared;  // whole chunks: PLTE, tRNS, gAMA, bKGD …
    std::vector<std::span<const uint8_t>> texts;   // whole text chunks, given to the first frame
    std::vector<FrameRecord> frames;
};

bool IsTextChunk(std::string_view type) { return type == "tEXt" || type == "zTXt" || type == "iTXt"; }

ApngFault ParseLayout(std::span<const uint8_t> bytes, ApngLayout& layout) {
    if (!HasPngSignature(bytes)) return ApngFault::kNotPng;
    ByteReader in(bytes);
    in.skip(8);
    Chunk chunk;
    if (!NextChunk(in, chunk)) return ApngFault::kBadChunk;
    if (chunk.type != "IHDR" || chunk.data.size() != 13) return ApngFault::kBadHeader;
    layout.ihdr = chunk.data;
    ByteReader header(chunk.data);
    layout.width = header.u32be();
    layout.height = header.u32be();
    if (layout.width == 0 || layout.height == 0) return ApngFault::kBadHeader;
    // The largest canvas a GIF screen or our compositor takes.
    if (layout.width > 0xFFFF || layout.height > 0xFFFF) return ApngFault::kTooLarge;

    bool seenImageData = false;
    uint64_t totalPixels = 0;
    const uint64_t pixelLimit = uint64_t(MaxImagePixels) * kTotalPixelsPerPicture;
    while (!in.atEnd()) {
        if (!NextChunk(in, chunk)) return ApngFault::kBadChunk;
        const std::string_view type = chunk.type;
        if (type == "IEND") break;
        if (type == "acTL") {
            if (seenImageData || chunk.data.size() != 8) continue;  // too late to count, or damaged
            ByteReader actl(chunk.data);
            actl.u32be();  // the frame count: the fcTL chunks themselves say it
            layout.plays = actl.u32be();
            layout.animated = true;
        } else if (type == "fcTL") {
            FrameRecord f;
            if (ApngFault e = ParseFrameControl(chunk.data, layout.width, layout.height, f); e != ApngFault::kNone)
                return e;
            if (!layout.frames.empty() && layout.frames.back().data.empty()) return ApngFault::kFrameWithoutData;
            totalPixels += uint64_t(f.width) * f.height;
            if (totalPixels > pixelLimit) return ApngFault::kTooLarge;
            layout.frames.push_back(std::move(f));
        } else if (type == "IDAT") {
            // Image data before any fcTL is the default picture, shown by
            // programs that know no animation and not part of it.
            if (!layout.frames.empty() && (!seenImageData || layout.frames.size() == 1))
                layout.frames.back().data.push_back(chunk.data);
            seenImageData = true;
        } else if (type == "fdAT") {
            if (chunk.data.size() < 4) return ApngFault::kBadChunk;
            if (!layout.frames.empty() && seenImageData) layout.frames.back().data.push_back(chunk.data.subspan(4));
        } else if (!seenImageData && IsTextChunk(type)) {
            layout.texts.push_back(chunk.whole);
        } else if (!seenImageData && type != "IHDR") {
            layout.shared.push_back(chunk.whole);
        }
    }
    if (!layout.animated) return ApngFault::kNotAnimated;
    if (layout.frames.empty()) return ApngFault::kNoFrames;
    if (layout.frames.back().data.empty()) return ApngFault::kFrameWithoutData;
    return ApngFault::kNone;
}

// A PNG holding one frame: the file's header at the frame's size, the shared
// chunks, the frame's data as IDAT.
std::vector<uint8_t> FramePng(const ApngLayout& layout, const FrameRecord& f, bool withTexts) {
    std::vector<uint8_t> png(std::begin(kPngSignature), std::end(kPngSignature));
    std::vector<uint8_t> ihdr(layout.ihdr.begin(), layout.ihdr.end());
    for (int i = 0; i < 4; ++i) {
        ihdr[size_t(i)] = uint8_t(f.width >> (24 - 8 * i));
        ihdr[size_t(4 + i)] = uint8_t(f.height >> (24 - 8 * i));
    }
    PutChunk(png, "IHDR", ihdr);
    for (std::span<const uint8_t> c : layout.shared) png.insert(png.end(), c.begin(), c.end());
    if (withTexts)
        for (std::span<const uint8_t> c : layout.texts) png.insert(png.end(), c.begin(), c.end());
    size_t total = 0;
    for (std::span<const uint8_t> d : f.data) total += d.size();
    std::vector<uint8_t> data;
    data.reserve(total);
    for (std::span<const uint8_t> d : f.data) data.insert(data.end(), d.begin(), d.end());
    PutChunk(png, "IDAT", data);
    PutChunk(png, "IEND", {});
    return png;
}

int16_t DisposalOf(uint8_t dispose, bool first) {
    switch (dispose) {
    case 1: return 2;
    // Restoring what was there before the first frame is clearing the canvas.
    case 2: return first ? 2 : 3;
    default: return 1;
    }
}

}  // namespace

int32_t ApngDelayToHundredths(uint16_t numerator, uint16_t denominator) {
    const uint32_t den = denominator == 0 ? 100 : denominator;
    return int32_t((uint32_t(numerator) * 200 + den) / (2 * den));
}

std::string ApngReadMessage(const ApngReadError& error) {
    switch (error.fault) {
    case ApngFault::kNone: return {};
    case ApngFault::kFileOpen: return "file open error!";
    case ApngFault::kNotPng: return "APNG error: no PNG signature";
    case ApngFault::kBadChunk: return "APNG error: a chunk is cut off or its CRC is wrong";
    case ApngFault::kBadHeader: return "APNG error: the IHDR chunk is missing or damaged";
    case ApngFault::kNotAnimated: return "APNG error: no acTL chunk before the image data";
    case ApngFault::kBadFrameControl: return "APNG error: a damaged fcTL chunk";
    case ApngFault::kFrameOutside: return "APNG error: a frame reaches past the canvas";
    case ApngFault::kFrameWithoutData: return "APNG error: a frame has no image data";
    case ApngFault::kNoFrames: return "APNG error: no frames";
    case ApngFault::kTooLarge: return "APNG error: the frames hold too many pixels";
    case ApngFault::kFrameImage:
        return "APNG error in frame " + std::to_string(error.frame) + ": " + error.detail;
    case ApngFault::kMemory: return "メモリが足りません。";
    }
    return {};
}

bool HasApngSignature(std::span<const uint8_t> head) {
    if (!HasPngSignature(head)) return false;
    ByteReader in(head);
    in.skip(8);
    // Walks the chunk headers only: the head may end inside a chunk.
    while (in.remaining() >= 8) {
        const uint32_t length = in.u32be();
        const std::span<const uint8_t> type = in.bytes(4);
        const std::string_view name(reinterpret_cast<const char*>(type.data()), 4);
        if (name == "acTL") return true;
        if (name == "IDAT" || name == "IEND" || length > 0x7FFFFFFF) return false;
        if (uint64_t(length) + 4 > in.remaining()) return false;
        in.skip(size_t(length) + 4);
    }
    return false;
}

std::unique_ptr<AnimDoc> ReadApngBytes(std::span<const uint8_t> bytes, const ReadOptions& options,
                                       ApngReadError& error) {
    error = {};
    try {
        ApngLayout layout;
        if (ApngFault e = ParseLayout(bytes, layout); e != ApngFault::kNone) {
            error.fault = e;
            return nullptr;
        }
        std::unique_ptr<AnimDoc> doc = NewDocument();
        if (!doc) throw std::bad_alloc();
        doc->screenWidth = int32_t(layout.width);
        doc->screenHeight = int32_t(layout.height);
        // One play is no repetition; a GIF's loop count counts the repetitions.
        doc->loopEnabled = layout.plays != 1;
        doc->loopCount = layout.plays <= 1 ? 0 : int32_t(std::min<uint32_t>(layout.plays - 1, 0xFFFF));
        for (size_t i = 0; i < layout.frames.size(); ++i) {
            const FrameRecord& f = layout.frames[i];
            Frame frame;
            ReadOptions frameOptions = options;
            frameOptions.oneClearColour = true;
            const PngReadError e = ReadPngBytes(FramePng(layout, f, i == 0), frame, frameOptions);
            if (e) {
                error.fault = e.fault == PngReadFault::kImageMemory ? ApngFault::kMemory : ApngFault::kFrameImage;
                error.detail = PngReadMessage(e);
                error.frame = int(i + 1);
                return nullptr;
            }
            // A frame that replaces its area (blend "source") also clears where
            // its own pixels are transparent; a document frame lets what is
            // below show there. An empty frame of no time, disposed to the
            // background, clears the area first, so the frame then draws on
            // what it would have replaced.
            if (i > 0 && f.blend == 0 && frame.hasTransparency) {
                if (!AppendFrame(*doc)) throw std::bad_alloc();
                Frame& clear = *doc->currentFrame;
                clear.dib = MakeDib24(f.width, f.height);
                if (clear.dib.empty()) throw std::bad_alloc();
                clear.width = int32_t(f.width);
                clear.height = int32_t(f.height);
                clear.left = int32_t(f.x);
                clear.top = int32_t(f.y);
                clear.hasTransparency = 1;  // black, as the new picture is
                clear.delay = 0;
                clear.hasDelay = 1;
                clear.disposal = 2;
            }
            if (!AppendFrame(*doc)) throw std::bad_alloc();
            Frame& into = *doc->currentFrame;
            into.dib = std::move(frame.dib);
            into.width = frame.width;
            into.height = frame.height;
            into.hasTransparency = frame.hasTransparency;
            into.transparentRgb = frame.transparentRgb;
            into.textKeys = std::move(frame.textKeys);
            into.pngPalette = std::move(frame.pngPalette);
            into.pngIndexPixels = std::move(frame.pngIndexPixels);
            into.left = int32_t(f.x);
            into.top = int32_t(f.y);
            into.delay = ApngDelayToHundredths(f.delayNum, f.delayDen);
            into.hasDelay = 1;
            into.disposal = DisposalOf(f.dispose, i == 0);
        }
        doc->currentFrame = doc->firstFrame.get();
        doc->currentIndex = 0;
        UpdateExtent(*doc);
        return doc;
    } catch (const std::bad_alloc&) {
        error.fault = ApngFault::kMemory;
        return nullptr;
    }
}

std::unique_ptr<AnimDoc> ReadApng(OwnerWindow owner, const std::string& path, const ReadOptions& options) {
    ApngReadError error;
    std::string bytes;
    std::unique_ptr<AnimDoc> doc;
    try {
        if (!ReadWholeFile(path, bytes)) error.fault = ApngFault::kFileOpen;
        else doc = ReadApngBytes({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, options, error);
    } catch (const std::bad_alloc&) {
        error.fault = ApngFault::kMemory;
    }
    if (!doc) ShowError(owner, ApngReadMessage(error));
    return doc;
}

}  // namespace kivo
