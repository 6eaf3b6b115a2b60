#include "gif/gif_reader.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "color/palette_prep.h"
#include "options/write_options.h"
#include "doc/dib.h"
#include "gif/lzw_decoder.h"
#include "platform/parallel.h"
#include "platform/pipeline.h"
#include "platform/progress.h"

namespace kivo {

namespace {

constexpr char kNoMemory[] = "メモリが足りません。";
constexpr char kHeaderError[] = "Gif ヘッダリードエラー";
constexpr char kGlobalTableError[] = "グローバルカラーテーブルリードエラー";
constexpr char kExtensionError[] = "Extention Read Error";
constexpr char kImageError[] = "Image Data Read Error";
constexpr char kUndefinedCode[] = "は、未定義コードです。";
constexpr char kNoTrailer[] = "警告! 終了コードが有りません。";
constexpr char kTrailerError[] = "Trailer Error!";
constexpr char kCutInFrame[] = "「%s」は %d コマ目の途中で切れています。";
constexpr char kCutBeforeFrames[] = "「%s」は最初のコマより前で切れています。";

// One image whose data waits to be decoded into its frame's picture, which is
// made by the decoding too, so that two images fill their memory side by side.
struct ImageJob {
    Frame* frame = nullptr;
    const Palette* palette = nullptr;  // the frame's own or the global one
    int minCodeSize = 0;
    bool interlaced = false;
    LzwData lzw;
};

// What one decoding thread reuses from image to image, so that a file of many
// tiny images costs no more than its pictures.
struct DecodeScratch {
    LzwDecoder decoder;
    GifColorLookup lookup;
    std::vector<uint16_t> row;
    std::vector<uint8_t> indices;  // a whole image's, when decoded at once
    std::vector<int> rowOrder;     // the picture row of each decoded row
};

// Images up to this many pixels are decoded at once into an index plane, which
// copies strings already decoded; larger ones row by row, so that a huge
// picture costs no more than itself.
constexpr size_t kWholeImagePixels = size_t(1) << 24;

// Decodes job's data into a new 24-bit picture of its frame, rows in their
// final order. False when the picture cannot be made or the data is damaged.
bool DecodeImage(ImageJob& job, DecodeScratch& scratch) {
    Frame& f = *job.frame;
    const uint32_t width = uint32_t(f.width), height = uint32_t(f.height);
    f.dib = MakeDib24(width, height);
    if (f.dib.empty()) return false;
    BuildColorLookup(job.palette->data(), job.palette->size(), scratch.lookup);
    LzwDecoder& decoder = scratch.decoder;
    decoder.Start(job.minCodeSize, job.lzw);
    uint8_t* bits = FrameBits(f);
    const size_t stride = size_t(FrameStride(f));
    auto dibRow = [&](uint32_t y) {
        return bits + (height - 1 - uint32_t(GifImageRow(int(y), int(height), job.interlaced))) * stride;
    };
    const size_t area = size_t(width) * height;
    if (job.minCodeSize <= LzwDecoder::kImageMaxMinCodeSize && area <= kWholeImagePixels) {
        scratch.indices.resize(area);
        decoder.DecodeImage(scratch.indices.data(), area);
        if (decoder.error()) return false;
        for (uint32_t y = 0; y < height; ++y)
            StoreGifRow(scratch.indices.data() + size_t(y) * width, int(width), scratch.lookup, dibRow(y));
        // The first save needs every frame's colours counted; from the indices
        // that costs a fraction of counting the pixels.
        scratch.rowOrder.resize(height);
        for (uint32_t y = 0; y < height; ++y) scratch.rowOrder[y] = GifImageRow(int(y), int(height), job.interlaced);
        TakeCensusFromIndices(f, scratch.indices.data(), scratch.rowOrder.data(), job.palette->data(),
                              job.palette->size());
        return true;
    }
    scratch.row.resize(width);
    for (uint32_t y = 0; y < height; ++y) {
        decoder.Decode(scratch.row.data(), width);
        if (decoder.error()) return false;
        StoreGifRow(scratch.row.data(), int(width), scratch.lookup, dibRow(y));
    }
    return true;
}

// Images are decoded on helper threads while this thread reads on through the
// file; a few images' data wait at most, which bounds the memory it takes.
class ImageDecoding {
public:
    ImageDecoding()
        : helpers_(WorkerThreadCount()), scratch_(std::max(helpers_, 1u)),
          pipe_(2 * size_t(helpers_) + 2, helpers_, [this](ImageJob& job, unsigned helper) {
              std::unique_ptr<DecodeScratch>& scratch = scratch_[helper];
              if (!scratch) scratch = std::make_unique<DecodeScratch>();
              return DecodeImage(job, *scratch);
          }) {}

    // A slot for the next image, or nullptr when an earlier image failed.
    ImageJob* Acquire() { return pipe_.Acquire(); }
    void Submit(ImageJob* job) { pipe_.Submit(job); }
    // Waits for every image handed on; false when one of them failed.
    bool Finish() { return pipe_.Finish(); }

private:
    unsigned helpers_;
    std::vector<std::unique_ptr<DecodeScratch>> scratch_;  // one per decoding thread
    SlotPipeline<ImageJob> pipe_;                          // last: stopped first
};

struct Reader {
    Reader(GifInput& i, AnimDoc& d, GifReadError& e) : in(i), doc(d), error(e) {}

    GifInput& in;
    AnimDoc& doc;
    GifReadError& error;  // why the read ends, once it does
    size_t unbackedPixels = kUnbackedPixelAllowance;
    int completeFrames = 0;  // images read whole, each handed on for decoding
    // The last frame of the list (the current one) has had its descriptor
    // read: the next control block, comment or image begins a new frame.
    bool lastFrameHasImage = false;
    // The data of the image being read; its buffer goes round with the jobs'.
    LzwData lzw;
    // Made with the first image, whose failure then names the image data
    // rather than memory in general. Destroyed first: it writes into frames.
    std::unique_ptr<ImageDecoding> decoding;
};

// Reads n bytes or fails.
bool ReadExact(GifInput& in, uint8_t* dest, size_t n) { return in.Read(dest, n) == n; }

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

bool ReadPalette(GifInput& in, size_t count, Palette& out) {
    out.assign(count, Rgb{});
    uint8_t triple[3];
    for (Rgb& c : out) {
        if (!ReadExact(in, triple, 3)) return false;
        c = Rgb{triple[0], triple[1], triple[2]};
    }
    return true;
}

bool ReadHeader(GifInput& in, AnimDoc& doc) {
    uint8_t h[13];
    if (!ReadExact(in, h, sizeof h)) return false;
    if ((h[0] | 0x20) != 'g' || (h[1] | 0x20) != 'i' || (h[2] | 0x20) != 'f') return false;
    doc.screenWidth = Le16(h + 6);
    doc.screenHeight = Le16(h + 8);
    doc.screenFlags = h[10];
    doc.backgroundIndex = h[11];
    doc.aspectRatio = h[12];
    doc.colorResolution = int16_t(((h[10] >> 4) & 7) + 1);
    doc.ticksPerSecond = 100;
    return true;
}

// The frame that the next control block, comment or image belongs to: the
// current one until its image has been read, then a new one at the end.
Frame* FrameUnderConstruction(Reader& r) {
    if (!r.doc.currentFrame || r.lastFrameHasImage) {
        if (!AppendFrame(r.doc)) throw std::bad_alloc();
        r.lastFrameHasImage = false;
    }
    return r.doc.currentFrame;
}

bool ReadGraphicControl(Reader& r) {
    uint8_t b[6];
    if (!ReadExact(r.in, b, sizeof b) || b[0] != 4 || b[5] != 0) return false;
    Frame* f = FrameUnderConstruction(r);
    const uint8_t packed = b[1];
    f->gcePacked = packed;
    f->delay = int16_t(Le16(b + 2));
    f->disposal = int16_t((packed >> 2) & 3);
    f->hasDelay = (packed & 2) ? 0 : 1;
    if (packed & 1) {
        f->hasTransparency = 1;
        f->transparentIndex = b[4];
    } else {
        f->hasTransparency = 0;
    }
    return true;
}

// Comments are text: each sub-block contributes its bytes up to an embedded
// zero. The input ending inside a comment ends the comment, not the file.
bool ReadComment(Reader& r) {
    Frame* f = FrameUnderConstruction(r);
    uint8_t data[255];
    for (;;) {
        int size = r.in.Byte();
        if (size <= 0) return true;
        size_t got = r.in.Read(data, size_t(size));
        const void* zero = std::memchr(data, 0, got);
        size_t textLen = zero ? size_t(static_cast<const uint8_t*>(zero) - data) : got;
        f->comment.append(reinterpret_cast<const char*>(data), textLen);
        if (got < size_t(size)) return true;
    }
}

bool ReadApplication(Reader& r) {
    uint8_t id[12];
    if (!ReadExact(r.in, id, sizeof id) || id[0] != 11) return false;
    int size = r.in.Byte();
    if (size < 0) return false;
    uint8_t data[255];
    if (!ReadExact(r.in, data, size_t(size))) return false;
    if (std::memcmp(id + 1, "NETSCAPE", 8) == 0 && size >= 1 && data[0] == 1) {
        r.doc.loopEnabled = 1;
        // A loop sub-block too short for its count reads the missing bytes as 0.
        r.doc.loopCount = (size >= 2 ? data[1] : 0) | (size >= 3 ? data[2] << 8 : 0);
        size = r.in.Byte();
        if (size < 0 || !ReadExact(r.in, data, size_t(size))) return false;
    }
    return size == 0 || SkipSubBlocks(r.in);
}

bool ReadPlainText(Reader& r) {
    uint8_t b[13];
    if (!ReadExact(r.in, b, sizeof b) || b[0] != 12) return false;
    return SkipSubBlocks(r.in);
}

bool ReadExtension(Reader& r) {
    switch (r.in.Byte()) {
    case 0xF9: return ReadGraphicControl(r);
    case 0xFE: return ReadComment(r);
    case 0xFF: return ReadApplication(r);
    case 0x01: return ReadPlainText(r);
    default: return false;
    }
}

bool ReadDescriptor(Reader& r, Frame& f) {
    uint8_t d[9];
    if (!ReadExact(r.in, d, sizeof d)) return false;
    // Any size is taken; what a picture may cost is limited when its data is read.
    f.left = Le16(d);
    f.top = Le16(d + 2);
    f.width = Le16(d + 4);
    f.height = Le16(d + 6);
    f.imageFlags = d[8];
    if (d[8] & 0x80) {
        if (!ReadPalette(r.in, size_t(2) << (d[8] & 7), f.localPalette)) return false;
    } else if (r.doc.globalPalette.empty()) {
        return false;
    }
    if (f.gcePacked & 1) {
        const Palette& pal = f.localPalette.empty() ? r.doc.globalPalette : f.localPalette;
        // An index beyond the palette gives black, like such pixels.
        size_t index = size_t(uint8_t(f.transparentIndex));
        f.transparentRgb = index < pal.size() ? pal[index] : Rgb{};
    }
    r.lastFrameHasImage = true;
    return true;
}

bool ReadImageData(Reader& r, Frame& f) {
    const int minCodeSize = r.in.Byte();
    if (minCodeSize < 0 || minCodeSize > kLzwMaxMinCodeSize) return false;
    ReadLzwData(r.in, r.lzw);
    // A file that ends inside the image data can never complete this image.
    if (r.lzw.truncated) return false;

    const uint32_t width = uint32_t(f.width), height = uint32_t(f.height);
    const size_t area = size_t(width) * height;
    const size_t backed = LzwPixelLimit(r.lzw.length);
    if (area > backed) {
        if (area - backed > r.unbackedPixels) return false;
        r.unbackedPixels -= area - backed;
    }
    const bool interlaced = (f.imageFlags & 0x40) != 0;
    // The document keeps every frame in final row order.
    f.imageFlags &= uint8_t(~0x40);
    if (area == 0) {
        f.dib = MakeDib24(width, height);
        return !f.dib.empty();
    }

    if (!r.decoding) r.decoding = std::make_unique<ImageDecoding>();
    ImageJob* job = r.decoding->Acquire();
    if (!job) return false;  // an earlier image was damaged: reading ends there
    job->frame = &f;
    job->palette = f.localPalette.empty() ? &r.doc.globalPalette : &f.localPalette;
    job->minCodeSize = minCodeSize;
    job->interlaced = interlaced;
    std::swap(job->lzw, r.lzw);
    r.decoding->Submit(job);
    return true;
}

// Waits for the images still being decoded. The first damaged one ends the
// reading as if found in order: a later block's failure, the missing trailer
// and a cancel all come after it.
bool ImagesDecoded(Reader& r) { return !r.decoding || r.decoding->Finish(); }

// Ends the list after its last image: a trailing frame without one only held a
// comment (or a control block), which becomes the document's trailing comment.
bool DropImagelessLastFrame(Reader& r) {
    AnimDoc& doc = r.doc;
    if (!doc.currentFrame) return false;
    Frame* last = doc.currentFrame;
    if (!r.lastFrameHasImage) {
        if (!last->localPalette.empty() || doc.frameCount < 2) return false;
        doc.trailingComment = std::move(last->comment);
        Frame* before = NthFrame(doc, doc.frameCount - 2);
        before->next.reset();
        --doc.frameCount;
    }
    doc.currentFrame = doc.firstFrame.get();
    doc.currentIndex = 0;
    return true;
}

// kCut: the input ended inside a block, after r.completeFrames whole images.
enum class Step { kNext, kFinish, kFail, kCancel, kCut };

// Runs one reading step; running out of memory counts as the step failing.
template <typename Fn>
bool Succeeds(Fn&& step) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        return false;
    }
}

Step ReadBlockList(Reader& r) {
    int imageCount = 0;
    for (;;) {
        const int introducer = r.in.Byte();
        switch (introducer) {
        case 0x21:
            // Running out of memory here (a new frame, a long comment) is this
            // block's failure like any other.
            if (!Succeeds([&] { return ReadExtension(r); })) {
                if (r.in.RanOut()) return Step::kCut;
                r.error.fault = GifReadFault::kExtension;
                return Step::kFail;
            }
            break;
        case 0x2C: {
            ProgressPrintf("GIF 読み取り中...\r %4d コマ", ++imageCount);
            if (ProgressPump()) return Step::kCancel;
            if (!Succeeds([&] {
                    Frame* f = FrameUnderConstruction(r);
                    return ReadDescriptor(r, *f) && ReadImageData(r, *f);
                })) {
                if (r.in.RanOut()) return Step::kCut;
                r.error.fault = GifReadFault::kImageData;
                return Step::kFail;
            }
            ++r.completeFrames;
            break;
        }
        case 0x3B:
            return Step::kFinish;
        case -1:
            r.error.trailerMissing = true;
            return Step::kFinish;
        default:
            r.error.fault = GifReadFault::kUndefinedCode;
            r.error.code = introducer;
            return Step::kFail;
        }
    }
}

Step ReadBlocks(Reader& r) {
    const Step step = ReadBlockList(r);
    if (!ImagesDecoded(r)) {
        // Images that failed to decode are the failure; a missing trailer
        // behind them is not worth a word.
        r.error.fault = GifReadFault::kImageData;
        r.error.trailerMissing = false;
        return Step::kFail;
    }
    return step;
}

// After a cut: the document keeps its complete frames and ends as a whole
// file's does. The frame being read when the input ended (at most one, the
// last) goes, and with it any comment read for it.
void KeepCompleteFrames(Reader& r) {
    AnimDoc& doc = r.doc;
    if (r.completeFrames == 0) return;
    if (doc.frameCount > r.completeFrames) {
        NthFrame(doc, r.completeFrames - 1)->next.reset();
        doc.frameCount = r.completeFrames;
    }
    doc.currentFrame = doc.firstFrame.get();
    doc.currentIndex = 0;
    UpdateExtent(doc);
    CommentsToKeys(doc);
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string CutMessage(const GifReadError& error) {
    const std::string name = FileNameOf(error.path);
    const char* pattern = error.beforeFrames ? kCutBeforeFrames : kCutInFrame;
    const int frame = error.completeFrames + 1;
    const int length = std::snprintf(nullptr, 0, pattern, name.c_str(), frame);
    if (length < 0) return {};
    std::string text(size_t(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), pattern, name.c_str(), frame);
    text.pop_back();
    return text;
}

// Header, tables and blocks into doc. Returns kFinish with a complete document,
// kFail with r.error saying why, kCancel, or kCut with r.error saying where the
// file ends and the document holding the complete frames.
Step ReadDocument(Reader& r) {
    if (!ReadHeader(r.in, r.doc)) {
        r.error.fault = GifReadFault::kHeader;
        return Step::kFail;
    }
    const uint8_t flags = r.doc.screenFlags;
    if ((flags & 0x80) &&
        !Succeeds([&] { return ReadPalette(r.in, size_t(2) << (flags & 7), r.doc.globalPalette); })) {
        if (r.in.RanOut()) {
            r.error.beforeFrames = true;
            return Step::kCut;
        }
        r.error.fault = GifReadFault::kGlobalTable;
        return Step::kFail;
    }
    ProgressSetCancel("中止");
    ProgressPump();
    Step step = ReadBlocks(r);
    if (step == Step::kCut) KeepCompleteFrames(r);
    if (step != Step::kFinish) return step;
    if (!DropImagelessLastFrame(r)) {
        r.error.fault = GifReadFault::kTrailer;
        return Step::kFail;
    }
    UpdateExtent(r.doc);
    CommentsToKeys(r.doc);
    return Step::kFinish;
}

// The common driver: `open` yields the input, or false when the file cannot be
// opened. Every outcome closes the progress dialog; a failure frees the
// partly built document before returning. Without upToCut a cut-off file is a
// failure; with it, its complete frames are the result.
template <typename Open>
std::unique_ptr<AnimDoc> ReadGifWith(OwnerWindow owner, const std::string& path, bool upToCut, Open open,
                                     GifReadError& error) {
    error = {};
    std::unique_ptr<AnimDoc> doc;
    try {
        doc = std::make_unique<AnimDoc>();
    } catch (const std::bad_alloc&) {
        error.fault = GifReadFault::kNoMemory;
        return nullptr;
    }
    ProgressOpenForReading(owner, "GIF 読み取り中...");

    Step step = Step::kFail;
    bool opened = false;
    try {
        step = open([&](GifInput& in) {
            opened = true;
            doc->path = path;
            Reader r(in, *doc, error);
            const Step done = ReadDocument(r);
            if (done == Step::kCut) error.completeFrames = r.completeFrames;
            return done;
        });
    } catch (const std::bad_alloc&) {
        error.fault = GifReadFault::kNoMemory;
        step = Step::kFail;
    }
    if (!opened) error = GifReadFault::kNotOpened;
    if (step == Step::kCancel) error = GifReadFault::kCancelled;
    if (step == Step::kCut) {
        error.fault = GifReadFault::kCut;
        error.path = path;
        // A cut-off file: its complete frames for a caller that asked for them.
        if (upToCut && error.completeFrames > 0) {
            ProgressClose(owner);
            return doc;
        }
    }
    if (step == Step::kFinish) {
        ProgressClose(owner);
        return doc;
    }
    doc.reset();
    ProgressPump();
    ProgressClose(owner);
    return nullptr;
}

// The inputs ReadGifWith reads: a file by its path, or bytes in memory.
auto FileOpener(const std::string& path) {
    return [&path](auto&& read) {
        ReadFileHandle file = OpenForReading(path);
        if (!file) return Step::kFail;
        GifInput in(file.get());
        return read(in);
    };
}

auto BytesOpener(std::span<const uint8_t> bytes) {
    return [bytes](auto&& read) {
        GifInput in(bytes);
        return read(in);
    };
}

}  // namespace

std::string GifReadMessage(const GifReadError& error) {
    switch (error.fault) {
    case GifReadFault::kNoMemory: return kNoMemory;
    case GifReadFault::kHeader: return kHeaderError;
    case GifReadFault::kGlobalTable: return kGlobalTableError;
    case GifReadFault::kExtension: return kExtensionError;
    case GifReadFault::kImageData: return kImageError;
    case GifReadFault::kUndefinedCode: {
        char text[64];
        std::snprintf(text, sizeof text, "OX%02X %s", unsigned(error.code), kUndefinedCode);
        return text;
    }
    case GifReadFault::kTrailer: return kTrailerError;
    case GifReadFault::kCut: return CutMessage(error);
    case GifReadFault::kNotOpened:
    case GifReadFault::kCancelled:
    case GifReadFault::kNone: break;
    }
    return {};
}

std::vector<std::string> GifReadMessages(const GifReadError& error) {
    std::vector<std::string> messages;
    if (error.trailerMissing) messages.emplace_back(kNoTrailer);
    if (std::string text = GifReadMessage(error); !text.empty()) messages.push_back(std::move(text));
    return messages;
}

std::unique_ptr<AnimDoc> LoadGif(OwnerWindow owner, const std::string& path, GifReadError& error, bool upToCut) {
    return ReadGifWith(owner, path, upToCut, FileOpener(path), error);
}

std::unique_ptr<AnimDoc> LoadGifBytes(OwnerWindow owner, std::span<const uint8_t> bytes, const std::string& path,
                                      GifReadError& error, bool upToCut) {
    return ReadGifWith(owner, path, upToCut, BytesOpener(bytes), error);
}

namespace {

// Shows what the read had to say; with `cut`, a cut-off file is told there
// instead of shown.
std::unique_ptr<AnimDoc> Shown(OwnerWindow owner, std::unique_ptr<AnimDoc> doc, const GifReadError& error,
                               GifCut* cut) {
    if (cut && error.fault == GifReadFault::kCut) {
        *cut = GifCut{true, error.completeFrames, GifReadMessage(error)};
        return doc;
    }
    for (const std::string& message : GifReadMessages(error)) ShowError(owner, message);
    return doc;
}

}  // namespace

std::unique_ptr<AnimDoc> ReadGif(OwnerWindow owner, const std::string& path) {
    GifReadError error;
    std::unique_ptr<AnimDoc> doc = LoadGif(owner, path, error);
    return Shown(owner, std::move(doc), error, nullptr);
}

std::unique_ptr<AnimDoc> ReadGifBytes(OwnerWindow owner, std::span<const uint8_t> bytes,
                                      const std::string& path) {
    GifReadError error;
    std::unique_ptr<AnimDoc> doc = LoadGifBytes(owner, bytes, path, error);
    return Shown(owner, std::move(doc), error, nullptr);
}

std::unique_ptr<AnimDoc> ReadGifUpToCut(OwnerWindow owner, const std::string& path, GifCut& cut) {
    cut = GifCut{};
    GifReadError error;
    std::unique_ptr<AnimDoc> doc = LoadGif(owner, path, error, true);
    return Shown(owner, std::move(doc), error, &cut);
}

std::unique_ptr<AnimDoc> ReadGifBytesUpToCut(OwnerWindow owner, std::span<const uint8_t> bytes,
                                             const std::string& path, GifCut& cut) {
    cut = GifCut{};
    GifReadError error;
    std::unique_ptr<AnimDoc> doc = LoadGifBytes(owner, bytes, path, error, true);
    return Shown(owner, std::move(doc), error, &cut);
}

int GifImageRow(int r, int height, bool interlaced) {
    if (!interlaced) return r;
    const int pass1 = (height + 7) / 8, pass2 = (height + 3) / 8, pass3 = (height + 1) / 4;
    if (r < pass1) return 8 * r;
    r -= pass1;
    if (r < pass2) return 4 + 8 * r;
    r -= pass2;
    if (r < pass3) return 2 + 4 * r;
    r -= pass3;
    return 1 + 2 * r;
}

void BuildColorLookup(const Rgb* palette, size_t count, GifColorLookup& lookup) {
    const size_t n = std::min(count, lookup.bgr.size() / 3);
    for (size_t i = 0; i < n; ++i) {
        lookup.bgr[3 * i] = palette[i].b;
        lookup.bgr[3 * i + 1] = palette[i].g;
        lookup.bgr[3 * i + 2] = palette[i].r;
    }
    const size_t before = lookup.filled;
    if (before > n) std::fill(&lookup.bgr[3 * n], &lookup.bgr[3 * before], uint8_t(0));
    lookup.filled = n;
    for (size_t i = 0; i < std::min(std::max(n, before), lookup.bgr0.size()); ++i) {
        const uint8_t* c = &lookup.bgr[3 * i];
        lookup.bgr0[i] = {c[0], c[1], c[2], 0};
    }
}

void StoreGifRow(const uint8_t* indices, int width, const GifColorLookup& lookup, uint8_t* dibRow) {
    if (width <= 0) return;
    // Each store's fourth byte is overwritten by the next pixel; the last pixel
    // is stored exactly, so nothing beyond the row is touched.
    for (int x = 0; x + 1 < width; ++x, dibRow += 3) std::memcpy(dibRow, lookup.bgr0[indices[x]].data(), 4);
    const uint8_t* c = &lookup.bgr[3 * size_t(indices[width - 1])];
    dibRow[0] = c[0];
    dibRow[1] = c[1];
    dibRow[2] = c[2];
}

void StoreGifRow(const uint16_t* indices, int width, const GifColorLookup& lookup,
                 uint8_t* dibRow) {
    for (int x = 0; x < width; ++x) {
        const uint8_t* c = &lookup.bgr[3 * size_t(indices[x] & 0xFFF)];
        dibRow[0] = c[0];
        dibRow[1] = c[1];
        dibRow[2] = c[2];
        dibRow += 3;
    }
}

}  // namespace kivo
