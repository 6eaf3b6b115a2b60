#include "gif/gif_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "color/global_palette.h"
#include "save/document_save.h"
#include "color/palette_prep.h"
#include "options/write_options.h"
#include "gif/lzw_encoder.h"
#include "gif/lzw_lossy.h"
#include "gif/table_order.h"
#include "platform/parallel.h"
#include "platform/progress.h"
#include "platform/safe_save.h"

namespace kivo {

namespace {


using Bytes = std::vector<uint8_t>;

void PutU16(Bytes& b, int v) {
    b.push_back(uint8_t(v & 0xFF));
    b.push_back(uint8_t((v >> 8) & 0xFF));
}

// Size exponent of a colour table: the smallest bits >= 1 with 2^bits >= count.
int TableBits(size_t count) {
    int bits = 1;
    while ((size_t(1) << bits) < count) ++bits;
    return bits;
}

// A table is always written with 2^bits entries; a palette shorter than that is
// padded with black so the table length matches what the packed byte announces.
void PutColorTable(Bytes& b, const Palette& palette, int bits) {
    const size_t n = size_t(1) << bits;
    for (size_t i = 0; i < n; ++i) {
        Rgb c = i < palette.size() ? palette[i] : Rgb{};
        b.push_back(c.r);
        b.push_back(c.g);
        b.push_back(c.b);
    }
}

// "GIF89a" and the logical screen descriptor; answers the packed byte and the
// table size exponent. The global table itself follows separately.
uint8_t PutHeader(Bytes& b, int width, int height, size_t colorCount, bool hasGlobal, int& bits) {
    static constexpr std::string_view kSignature = "GIF89a";
    b.insert(b.end(), kSignature.begin(), kSignature.end());
    bits = TableBits(colorCount);
    PutU16(b, std::clamp(width, 0, 0xFFFF));
    PutU16(b, std::clamp(height, 0, 0xFFFF));
    uint8_t packed = uint8_t((bits - 1) | (hasGlobal ? 0x80 : 0));
    b.push_back(packed);
    b.push_back(0);  // background index
    b.push_back(0);  // aspect ratio
    return packed;
}

void PutLoopBlock(Bytes& b, const AnimDoc& doc) {
    static constexpr std::string_view kApp = "NETSCAPE2.0";
    b.push_back(0x21);
    b.push_back(0xFF);
    b.push_back(11);
    b.insert(b.end(), kApp.begin(), kApp.end());
    b.push_back(3);
    if (doc.loopEnabled == 1) {
        b.push_back(1);
        PutU16(b, doc.loopCount);
    } else {
        b.push_back(0);
        PutU16(b, 0);
    }
    b.push_back(0);
}

void PutComment(Bytes& b, std::string_view text) {
    b.push_back(0x21);
    b.push_back(0xFE);
    while (!text.empty()) {
        size_t n = std::min<size_t>(text.size(), 255);
        b.push_back(uint8_t(n));
        b.insert(b.end(), text.begin(), text.begin() + ptrdiff_t(n));
        text.remove_prefix(n);
    }
    b.push_back(0);
}

// The part of a frame a GIF can hold. A descriptor places images at 0..65535
// only, and nothing left of or above the screen's corner ever shows (an MNG
// may place frames there), so that part is left out of the file; the frame in
// the document keeps its place and size.
struct WrittenArea {
    int32_t skipX = 0, skipY = 0;  // columns and rows of the frame left out
    int32_t left = 0, top = 0, width = 0, height = 0;
};

WrittenArea AreaOf(const Frame& frame) {
    WrittenArea a;
    // In 64 bits: a place read from an MNG may be any 32-bit value.
    a.skipX = int32_t(std::clamp<int64_t>(-int64_t(frame.left), 0, std::max(frame.width, 0)));
    a.skipY = int32_t(std::clamp<int64_t>(-int64_t(frame.top), 0, std::max(frame.height, 0)));
    a.left = std::max(frame.left, 0);
    a.top = std::max(frame.top, 0);
    a.width = frame.width - a.skipX;
    a.height = frame.height - a.skipY;
    return a;
}

// A frame without pixels (a side of 0, as some files hold) is valid GIF, yet
// giflib and most other decoders refuse the whole file for it. It is written as
// one transparent pixel instead: that shows nothing either, so the animation
// looks and runs the same, and the frame in the document stays as it was. A
// frame wholly left of or above the screen is written the same way.
bool IsEmptyFrame(const Frame& frame) {
    const WrittenArea a = AreaOf(frame);
    return a.width <= 0 || a.height <= 0;
}
int32_t WrittenSide(int32_t side, const Frame& frame) { return IsEmptyFrame(frame) ? 1 : side; }

// The entry of that one pixel: the frame's own transparent colour when the
// palette holds it, else entry 0, which the control block then marks transparent.
uint8_t StandInIndex(const Frame& frame, const Palette& palette) {
    if (!frame.hasTransparency) return 0;
    auto it = std::find(palette.begin(), palette.end(), frame.transparentRgb);
    return it == palette.end() ? 0 : uint8_t(it - palette.begin());
}

// Transparency is kept as a colour; the index written is the first entry of the
// palette that holds it. A colour the palette lacks switches transparency off for
// this frame (the caller restores the flag after the save).
void PutControlBlock(Bytes& b, Frame& frame, const Palette& palette) {
    int index = 0;
    int disposal = frame.disposal & 7;
    bool transparent = false;
    if (IsEmptyFrame(frame)) {
        index = StandInIndex(frame, palette);
        transparent = true;
        // Clearing an empty area to the background clears nothing; clearing the
        // stand-in pixel would clear what earlier frames drew there.
        if (disposal == 2) disposal = 1;
    } else if (frame.hasTransparency) {
        auto it = std::find(palette.begin(), palette.end(), frame.transparentRgb);
        if (it == palette.end()) frame.hasTransparency = 0;
        else index = int(it - palette.begin());
        transparent = frame.hasTransparency != 0;
    }
    uint8_t packed = uint8_t(disposal << 2);
    if (frame.hasDelay == 0) packed |= 2;
    if (transparent) packed |= 1;
    frame.gcePacked = packed;
    b.push_back(0x21);
    b.push_back(0xF9);
    b.push_back(4);
    b.push_back(packed);
    PutU16(b, frame.delay & 0xFFFF);
    b.push_back(uint8_t(transparent ? index : 0));
    b.push_back(0);
}

// Image descriptor and local table. A frame on the global table repeats its
// size bits, globalBits, which only the header written for this save knows.
void PutDescriptor(Bytes& b, const Frame& frame, int globalBits) {
    const WrittenArea a = AreaOf(frame);
    b.push_back(0x2C);
    PutU16(b, a.left);
    PutU16(b, a.top);
    PutU16(b, WrittenSide(a.width, frame));
    PutU16(b, WrittenSide(a.height, frame));
    const uint8_t interlace = frame.imageFlags & kInterlacedFlag;
    if (!frame.localPalette.empty()) {
        int bits = TableBits(frame.localPalette.size());
        b.push_back(uint8_t((bits - 1) | 0x80 | interlace));
        PutColorTable(b, frame.localPalette, bits);
    } else {
        b.push_back(uint8_t(((globalBits - 1) & 7) | interlace));
    }
}

// The palette a frame's indices refer to: its own, else the document's.
const Palette* FramePalette(const Frame& frame, const AnimDoc& doc) {
    if (!frame.localPalette.empty()) return &frame.localPalette;
    if (!doc.globalPalette.empty()) return &doc.globalPalette;
    return nullptr;
}

// LZW minimum code size of a frame: just wide enough for the highest index its
// pixels use, and never below 2, which GIF requires. Decoders size the codes
// from this byte alone, so a frame drawn from the first few entries of a large
// table sends short codes. The transparent entry the control block names may lie
// above that: it picks a table entry, not a code, and no pixel sends it.
int FrameCodeSize(const Frame& frame, const AnimDoc& doc) {
    int highest = 0;
    if (IsEmptyFrame(frame)) highest = StandInIndex(frame, *FramePalette(frame, doc));
    else if (!frame.indexPixels.empty())
        highest = *std::max_element(frame.indexPixels.begin(), frame.indexPixels.end());
    return std::max(TableBits(size_t(highest) + 1), 2);
}

bool FitsU16(int32_t v) { return v >= 0 && v <= 0xFFFF; }

// What preparation must have left before a frame can be written: a full index
// plane and a palette of at most 256 entries that covers every index, and a place
// and size the descriptor's 16-bit fields hold. Anything else would make a file
// that decoders misread or that shows the frame elsewhere, so the save fails.
bool FrameReadyToWrite(const Frame& frame, const AnimDoc& doc) {
    const Palette* palette = FramePalette(frame, doc);
    if (!palette || palette->size() > 256) return false;
    if (frame.left > 0xFFFF || frame.top > 0xFFFF || !FitsU16(frame.width) || !FitsU16(frame.height))
        return false;
    if (frame.indexPixels.size() != size_t(frame.width) * size_t(frame.height)) return false;
    const size_t tableSize = size_t(1) << TableBits(palette->size());
    return frame.indexPixels.empty() ||
           *std::max_element(frame.indexPixels.begin(), frame.indexPixels.end()) < tableSize;
}

// The blocks in front of a frame's image data: comment, control block,
// descriptor and local table.
Bytes FrameBlocks(Frame& frame, const AnimDoc& doc, int globalBits) {
    Bytes b;
    if (!frame.comment.empty()) PutComment(b, frame.comment);
    PutControlBlock(b, frame, *FramePalette(frame, doc));
    PutDescriptor(b, frame, globalBits);
    return b;
}

// The entry the control block will name transparent, or -1: the first entry
// holding the frame's transparent colour.
int TransparentEntry(const Frame& frame, const Palette& palette) {
    if (!frame.hasTransparency) return -1;
    auto it = std::find(palette.begin(), palette.end(), frame.transparentRgb);
    return it == palette.end() ? -1 : int(it - palette.begin());
}

// The frame's image data, its code size worked out from the index plane as it
// is now (after any renumbering for the written table order). A lossy coding
// works on a copy: the document keeps its pixels.
Bytes CompressedImage(const Frame& frame, const AnimDoc& doc, int lossiness) {
    Bytes data;
    const bool interlaced = (frame.imageFlags & kInterlacedFlag) != 0;
    const int codeSize = FrameCodeSize(frame, doc);
    const Palette& palette = *FramePalette(frame, doc);
    auto encode = [&](uint8_t* pixels, int width, int height) {
        if (lossiness > 0)
            LzwEncodeImageLossy(pixels, width, height, codeSize, interlaced, palette,
                                TransparentEntry(frame, palette), lossiness, data);
        else
            LzwEncodeImage(pixels, width, height, codeSize, interlaced, data);
    };
    if (IsEmptyFrame(frame)) {
        uint8_t pixel = StandInIndex(frame, palette);
        LzwEncodeImage(&pixel, 1, 1, codeSize, interlaced, data);
    } else if (const WrittenArea a = AreaOf(frame); a.skipX || a.skipY) {
        std::vector<uint8_t> shown(size_t(a.width) * size_t(a.height));
        for (int32_t y = 0; y < a.height; ++y) {
            const uint8_t* row = frame.indexPixels.data() + size_t(y + a.skipY) * size_t(frame.width) + size_t(a.skipX);
            std::copy_n(row, a.width, shown.data() + size_t(y) * size_t(a.width));
        }
        encode(shown.data(), a.width, a.height);
    } else if (lossiness > 0) {
        std::vector<uint8_t> pixels = frame.indexPixels;
        encode(pixels.data(), frame.width, frame.height);
    } else {
        LzwEncodeImage(frame.indexPixels.data(), frame.width, frame.height, codeSize, interlaced, data);
    }
    return data;
}

// The frame of a single-image file, which has no global table: the frame
// brings its own.
bool WriteFrame(SafeFile& file, Frame& frame, const AnimDoc& doc, int lossiness) {
    if (!FrameReadyToWrite(frame, doc) || frame.localPalette.empty()) return false;
    const Bytes blocks = FrameBlocks(frame, doc, /*globalBits=*/1);
    return file.Write(blocks) && file.Write(CompressedImage(frame, doc, lossiness));
}

// How much each global table entry is drawn with: the number of frames on the
// global table whose pixels use it. Frames whose index planes are yet to be
// built answer from their censuses.
std::vector<uint64_t> GlobalTableUses(const AnimDoc& doc) {
    std::vector<const Frame*> onGlobal;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get())
        if (f->localPalette.empty()) onGlobal.push_back(f);
    std::vector<std::array<bool, 256>> used(onGlobal.size());
    ParallelFor(onGlobal.size(),
                [&](size_t i) { used[i] = EntriesPlaneUses(*onGlobal[i], doc.globalPalette); });
    std::vector<uint64_t> uses(256, 0);
    for (const auto& frameUses : used)
        for (size_t v = 0; v < 256; ++v) uses[v] += frameUses[v];
    return uses;
}

// The global table rearranged for writing (see OrderTableByUse) while the
// document is written; the document gets its own order back afterwards. The
// frames' index planes are built in the document's order and renumbered as
// each is written.
class WrittenTableOrder {
public:
    explicit WrittenTableOrder(AnimDoc& doc) : doc_(doc), original_(doc.globalPalette) {
        if (doc.globalPalette.empty() || doc.globalPalette.size() > 256) return;
        order_ = OrderTableByUse(doc.globalPalette, GlobalTableUses(doc));
        doc.globalPalette = ReorderTable(original_, order_);
    }
    ~WrittenTableOrder() { doc_.globalPalette = std::move(original_); }
    WrittenTableOrder(const WrittenTableOrder&) = delete;
    WrittenTableOrder& operator=(const WrittenTableOrder&) = delete;

    // The global palette as preparation left it, which the planes refer to.
    const Palette& DocumentOrder() const { return original_; }

    void Renumber(Frame& frame) const {
        if (order_.empty() || !frame.localPalette.empty()) return;
        // An index into the padding behind the last entry stays where it is: it
        // names black padding in either order.
        for (uint8_t& v : frame.indexPixels)
            if (v < order_.size()) v = order_[v];
    }

private:
    AnimDoc& doc_;
    Palette original_;
    std::vector<uint8_t> order_;  // old index -> written index; empty: as it is
};

// Compresses frames a few at a time on every core; each frame's compressed
// data is kept only until it has been written.
constexpr size_t kFramesPerBatch = 8;

// One frame's image data, into data. A plane that preparation left out is
// built here, in room, and taken back once compressed: only the frames of the
// batch hold a plane, never all of them. False when the frame cannot be written.
bool CompressFrame(Frame& frame, const AnimDoc& doc, const WrittenTableOrder& order, int lossiness,
                   Bytes& room, Bytes& data) {
    const bool ownPlane = frame.indexPixels.empty();
    if (ownPlane) {
        room.clear();
        frame.indexPixels.swap(room);
    }
    const bool ok = BuildFrameIndexPlane(frame, order.DocumentOrder()) && FrameReadyToWrite(frame, doc);
    if (ok) {
        order.Renumber(frame);
        data = CompressedImage(frame, doc, lossiness);
    }
    if (ownPlane) {
        frame.indexPixels.swap(room);
        frame.indexPixels = {};
    }
    return ok;
}

// Writes everything after palette preparation. False on a write failure or a
// cancel; cancelled tells which.
bool StreamDocument(SafeFile& file, AnimDoc& doc, const WriteOptions& options, bool& cancelled) {
    Bytes b;
    int bits = 1;
    const WrittenTableOrder order(doc);
    const bool hasGlobal = !doc.globalPalette.empty();
    if (doc.globalPalette.size() > 256) return false;
    doc.screenFlags = PutHeader(b, doc.screenWidth, doc.screenHeight, doc.globalPalette.size(),
                                hasGlobal, bits);
    if (hasGlobal) PutColorTable(b, doc.globalPalette, bits);
    if (doc.loopEnabled != 0) PutLoopBlock(b, doc);
    if (!file.Write(b)) return false;

    if (options.Interlace == 1 && doc.firstFrame) doc.firstFrame->imageFlags |= kInterlacedFlag;

    ProgressSetText("GIF 書き込み中...");
    ProgressSetRange(0, doc.frameCount);
    ProgressSetCancel("中止");
    ProgressPump();

    int number = 0;
    Frame* f = doc.firstFrame.get();
    std::vector<Frame*> batch;
    std::vector<Bytes> imageData, planeRoom(kFramesPerBatch);
    std::vector<char> ready;
    while (f) {
        batch.clear();
        for (; f && batch.size() < kFramesPerBatch; f = f->next.get()) batch.push_back(f);
        imageData.assign(batch.size(), Bytes{});
        ready.assign(batch.size(), 0);
        ParallelFor(batch.size(), [&](size_t i) {
            ready[i] = CompressFrame(*batch[i], doc, order, options.Lossiness, planeRoom[i], imageData[i]);
        });
        for (size_t i = 0; i < batch.size(); ++i) {
            Frame& g = *batch[i];
            if (!ready[i]) return false;
            ++number;
            if (ProgressFrameWritten(number, doc.frameCount)) {
                cancelled = true;
                return false;
            }
            if (!file.Write(FrameBlocks(g, doc, bits)) || !file.Write(imageData[i])) return false;
            imageData[i] = {};
            ReleaseFrameSaveState(g);
        }
    }

    b.clear();
    if (!doc.trailingComment.empty()) PutComment(b, doc.trailingComment);
    b.push_back(0x3B);
    return file.Write(b) && file.Commit();
}

}  // namespace

DocumentSaveError SaveGif(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options) {
    return SaveDocument(owner, path, doc, options, [&](SafeFile& file, bool& cancelled) {
        return PreparePalettes(owner, doc, options, false, IndexPlanes::kDeferExact) &&
               (!doc.globalPalette.empty() || BuildGlobalPalette(doc, options, false)) &&
               StreamDocument(file, doc, options, cancelled);
    });
}

namespace {

bool Shown(OwnerWindow owner, DocumentSaveError error) {
    if (const char* message = DocumentSaveMessage(error); *message) ShowError(owner, message);
    return error == DocumentSaveError::kNone;
}

}  // namespace

bool WriteGif(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options) {
    return Shown(owner, SaveGif(owner, path, doc, options));
}

DocumentSaveError WriteSingleFrameGif(const std::string& path, AnimDoc& doc, Frame& frame, bool overwrite,
                                      WriteOptions& options) {
    if (!overwrite && FileExists(path)) return DocumentSaveError::kNone;
    SafeFile file;
    if (!file.Open(path)) return DocumentSaveError::kOpenFailed;
    const SavedTransparency saved{frame.hasTransparency, frame.transparentRgb};

    bool ok = false;
    try {
        if (PrepareSingleFramePalette(&doc, frame, options, false) && !frame.localPalette.empty() &&
            frame.localPalette.size() <= 256) {
            Bytes b;
            int bits = 1;
            // The screen must hold the image even when the document's screen was
            // never widened to it.
            const WrittenArea area = AreaOf(frame);
            const int width = std::max(doc.screenWidth, area.left + WrittenSide(area.width, frame));
            const int height = std::max(doc.screenHeight, area.top + WrittenSide(area.height, frame));
            PutHeader(b, width, height, frame.localPalette.size(), false, bits);
            if (options.Interlace == 1) frame.imageFlags |= kInterlacedFlag;
            else frame.imageFlags &= uint8_t(~kInterlacedFlag);
            ok = file.Write(b) && WriteFrame(file, frame, doc, options.Lossiness);
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }

    ReleaseFrameSaveState(frame);
    if (ok) ok = file.WriteByte(0x3B) && file.Commit();
    if (options.Interlace == 1) frame.imageFlags &= uint8_t(~kInterlacedFlag);
    frame.hasTransparency = saved.has;
    frame.transparentRgb = saved.rgb;
    if (!ok) {
        file.Abandon();
        return DocumentSaveError::kWriteFailed;
    }
    options.AlwaysDither = 0;
    return DocumentSaveError::kNone;
}

bool WriteSingleFrameGif(OwnerWindow owner, const std::string& path, AnimDoc& doc, Frame& frame,
                         bool overwrite, WriteOptions& options) {
    return Shown(owner, WriteSingleFrameGif(path, doc, frame, overwrite, options));
}

}  // namespace kivo
