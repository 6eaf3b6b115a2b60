#include "mng/mng_reader.h"

#include <climits>
#include <cstring>
#include <new>

#include "options/write_options.h"
#include "mng/mng_reader_internal.h"
#include "platform/progress.h"

namespace kivo {

namespace {

constexpr uint8_t kSignature[8] = {0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint8_t kJngSignature[8] = {0x8B, 'J', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

enum class Step { kNext, kEnd, kFail };

// What the first eight bytes announce: an MNG file, a stand-alone JNG image
// (read as an MNG that holds just that image), or neither.
enum class Stream { kNone, kMng, kJng };

Stream StreamOf(MngInput& in) {
    std::span<const uint8_t> head = in.Read(0, 8);
    if (head.size() != 8) return Stream::kNone;
    if (std::memcmp(head.data(), kSignature, 8) == 0) return Stream::kMng;
    if (std::memcmp(head.data(), kJngSignature, 8) == 0) return Stream::kJng;
    return Stream::kNone;
}

bool HasMngSignature(MngInput& in) { return StreamOf(in) != Stream::kNone; }

// Reads and handles the chunk at r.position and moves past it (past a whole
// datastream for IHDR and JHDR).
Step ReadOneChunk(MngReader& r) {
    InputChunk c;
    if (!ReadChunk(r.in, r.position, c)) return Step::kFail;
    r.position = c.end();
    if (c.Is("MEND")) return Step::kEnd;
    bool ok = true;
    if (c.Is("IHDR")) ok = ReadPngDatastream(r, c);
    else if (c.Is("JHDR")) ok = ReadJngDatastream(r, c);
    else if (c.Is("PLTE")) ok = HandleGlobal(r, c, r.globalPlte);
    else if (c.Is("tRNS")) ok = HandleGlobal(r, c, r.globalTrns);
    else if (!IsKnownChunk(c)) ok = false;
    else if (r.firstImageOnly) ok = true;  // timing, placement and texts are not wanted
    else if (c.Is("MHDR")) ok = HandleMhdr(r, c);
    else if (c.Is("TERM")) ok = HandleTerm(r, c);
    else if (c.Is("DEFI")) ok = HandleDefi(r, c);
    else if (c.Is("FRAM")) ok = HandleFram(r, c);
    else if (c.Is("tEXt") || c.Is("zTXt")) ok = HandleText(r, c, r.doc.textKeys);
    return ok ? Step::kNext : Step::kFail;
}

// MEND: a frame that FRAM or DEFI began without an image after it goes; the last
// frame takes the framing mode given before the first one and the TERM delay.
void FinishFrames(MngReader& r) {
    AnimDoc& d = r.doc;
    if (r.pendingFrame) {
        if (r.beforePending) r.beforePending->next.reset();
        else d.firstFrame.reset();
        --d.frameCount;
        r.lastFrame = r.beforePending;
        r.pendingFrame = nullptr;
    }
    if (Frame* last = r.lastFrame) {
        if (r.preFirstFrameModeSet) last->disposal = DisposalForFramingMode(r.preFirstFrameMode);
        if (d.termDelay != 0) {
            last->delay = d.termDelay;
            last->hasDelay = 1;
        }
    }
    d.currentFrame = d.firstFrame.get();
    d.currentIndex = 0;
}

// Delays into hundredths of a second. Without a time base (0 ticks a second)
// nothing waits; a delay that rounds to nothing still waits the shortest time.
void ConvertDelays(MngReader& r) {
    const uint32_t ticks = r.ticksPerSecond;
    r.doc.ticksPerSecond = 100;
    if (ticks == 100) return;
    for (Frame* f = r.doc.firstFrame.get(); f; f = f->next.get()) {
        if (ticks == 0) {
            f->hasDelay = 0;
            f->delay = 0;
        } else if (f->hasDelay && f->delay != 0) {
            const double v = double(f->delay) / ticks * 100 + 0.5;
            f->delay = v >= double(INT32_MAX) ? INT32_MAX : v < 1 ? 1 : int32_t(v);
        }
    }
}

// "key : text\r\n" for every entry; an empty list leaves the comment alone.
void CommentFromKeys(const TextKeyList& keys, std::string& comment) {
    if (keys.empty()) return;
    comment.clear();
    for (const TextKey& k : keys) {
        comment += k.key;
        comment += " : ";
        comment += k.text;
        comment += "\r\n";
    }
}

void BuildComments(AnimDoc& d) {
    CommentFromKeys(d.textKeys, d.trailingComment);
    for (Frame* f = d.firstFrame.get(); f; f = f->next.get()) CommentFromKeys(f->textKeys, f->comment);
}

// A stand-alone JNG file: its one datastream, from JHDR to IEND, becomes the
// only frame, on a screen of its size, shown without a delay.
bool ReadLoneJng(MngReader& r) {
    r.framingMode = 1;
    InputChunk c;
    if (!ReadChunk(r.in, r.position, c) || !c.Is("JHDR")) return false;
    r.position = c.end();
    if (!ReadJngDatastream(r, c)) return false;
    r.pendingFrame = nullptr;
    AnimDoc& d = r.doc;
    d.currentFrame = d.firstFrame.get();
    d.currentIndex = 0;
    d.ticksPerSecond = 100;
    if (Frame* f = d.firstFrame.get()) {
        d.screenWidth = f->width;
        d.screenHeight = f->height;
        f->hasDelay = 0;
        f->delay = 0;
    }
    BuildComments(d);
    return d.firstFrame != nullptr;
}

// Everything after the signature, up to and including MEND. False on failure or
// cancel.
bool ReadChunks(MngReader& r) {
    AnimDoc& d = r.doc;
    r.framingMode = 1;
    r.defaultDelay = 1;
    ProgressSetCancel("中止");
    ProgressPump();
    int shown = -1;
    for (;;) {
        if (d.frameCount != shown) {
            shown = d.frameCount;
            ProgressPrintf("MNG 読み取り中...\r %4d コマ", d.frameCount + 1);
            if (ProgressPump()) return false;
        }
        switch (ReadOneChunk(r)) {
        case Step::kNext: break;
        case Step::kFail: return false;
        case Step::kEnd:
            FinishFrames(r);
            ConvertDelays(r);
            BuildComments(d);
            return true;
        }
    }
}

// The common driver; `in` is null when the file could not be opened.
std::unique_ptr<AnimDoc> ReadMngFrom(OwnerWindow owner, MngInput* in, const std::string& path,
                                     const ReadOptions& options, MngReadError& error) {
    error = {};
    std::unique_ptr<AnimDoc> doc;
    try {
        doc = std::make_unique<AnimDoc>();
    } catch (const std::bad_alloc&) {
        error.kind = MngReadError::Kind::kNoMemory;
        return nullptr;
    }
    ProgressOpenForReading(owner, "MNG 読み取り中...");

    bool ok = false;
    try {
        const Stream stream = in ? StreamOf(*in) : Stream::kNone;
        if (stream != Stream::kNone) {
            doc->path = path;
            MngReader r(*in, *doc, error);
            r.keepPngPalette = options.keepPngPalette;
            r.position = 8;
            ok = stream == Stream::kJng ? ReadLoneJng(r) : ReadChunks(r);
        }
    } catch (const std::bad_alloc&) {
        error.kind = MngReadError::Kind::kNoMemory;
        ok = false;
    }
    if (ok) {
        ProgressClose(owner);
        return doc;
    }
    if (!error) error.kind = MngReadError::Kind::kNotRead;
    doc.reset();
    ProgressPump();
    ProgressClose(owner);
    return nullptr;
}

MngReadError ReadFirstImageFrom(MngInput& in, Frame& frame, const ReadOptions& options) {
    MngReadError error;
    try {
        if (!HasMngSignature(in)) return MngReadError::Kind::kNotRead;
        // The reader's framing mode, delay and place stay 0: none of them is used.
        AnimDoc doc;
        MngReader r(in, doc, error);
        r.firstImageOnly = true;
        r.keepPngPalette = options.keepPngPalette;
        r.position = 8;
        while (!doc.firstFrame || r.pendingFrame) {
            if (ReadOneChunk(r) != Step::kNext) {
                if (!error) error.kind = MngReadError::Kind::kNotRead;
                return error;
            }
        }
        Frame& image = *doc.firstFrame;
        frame.textKeys.reserve(frame.textKeys.size() + image.textKeys.size());
        frame.dib = std::move(image.dib);
        frame.width = image.width;
        frame.height = image.height;
        frame.hasTransparency = image.hasTransparency;
        frame.transparentRgb = image.transparentRgb;
        frame.pngPalette = std::move(image.pngPalette);
        frame.pngIndexPixels = std::move(image.pngIndexPixels);
        for (TextKey& key : image.textKeys) frame.textKeys.push_back(std::move(key));
        return error;
    } catch (const std::bad_alloc&) {
        // The preview has always failed quietly when memory ran out.
        error.kind = MngReadError::Kind::kNotRead;
        return error;
    }
}

void Show(OwnerWindow owner, const MngReadError& error) {
    for (const std::string& message : MngReadMessages(error)) ShowError(owner, message);
}

}  // namespace

bool HasJngSignature(std::span<const uint8_t> head) {
    return head.size() >= 8 && std::memcmp(head.data(), kJngSignature, 8) == 0;
}

std::vector<std::string> MngReadMessages(const MngReadError& error) {
    std::vector<std::string> messages = error.warnings;
    switch (error.kind) {
    case MngReadError::Kind::kNoMemory: messages.emplace_back("メモリが足りません。"); break;
    case MngReadError::Kind::kPng:
        if (std::string text = PngReadMessage(error.png); !text.empty()) messages.push_back(std::move(text));
        break;
    case MngReadError::Kind::kJpeg:
        if (!error.jpeg.warning.empty()) messages.push_back(error.jpeg.warning);
        if (std::string text = JpegReadMessage(error.jpeg); !text.empty()) messages.push_back(std::move(text));
        break;
    case MngReadError::Kind::kNotRead:
    case MngReadError::Kind::kNone: break;
    }
    return messages;
}

std::unique_ptr<AnimDoc> LoadMng(OwnerWindow owner, const std::string& path, MngReadError& error,
                                 const ReadOptions& options) {
    MngFileInput file;
    const bool opened = file.Open(path);
    return ReadMngFrom(owner, opened ? &file : nullptr, path, options, error);
}

std::unique_ptr<AnimDoc> LoadMngBytes(OwnerWindow owner, std::span<const uint8_t> bytes,
                                      const std::string& path, MngReadError& error, const ReadOptions& options) {
    MngMemoryInput memory(bytes);
    return ReadMngFrom(owner, &memory, path, options, error);
}

MngReadError ReadMngFirstImage(const std::string& path, Frame& frame, const ReadOptions& options) {
    MngFileInput file;
    if (!file.Open(path)) return MngReadError::Kind::kNotRead;
    return ReadFirstImageFrom(file, frame, options);
}

MngReadError ReadMngFirstImageBytes(std::span<const uint8_t> bytes, Frame& frame, const ReadOptions& options) {
    MngMemoryInput memory(bytes);
    return ReadFirstImageFrom(memory, frame, options);
}

std::unique_ptr<AnimDoc> ReadMng(OwnerWindow owner, const std::string& path, const ReadOptions& options) {
    MngReadError error;
    std::unique_ptr<AnimDoc> doc = LoadMng(owner, path, error, options);
    Show(owner, error);
    return doc;
}

std::unique_ptr<AnimDoc> ReadMngBytes(OwnerWindow owner, std::span<const uint8_t> bytes,
                                      const std::string& path, const ReadOptions& options) {
    MngReadError error;
    std::unique_ptr<AnimDoc> doc = LoadMngBytes(owner, bytes, path, error, options);
    Show(owner, error);
    return doc;
}

bool ReadMngFirstImage(OwnerWindow owner, const std::string& path, Frame& frame, const ReadOptions& options) {
    const MngReadError error = ReadMngFirstImage(path, frame, options);
    Show(owner, error);
    return !error;
}

bool ReadMngFirstImageBytes(OwnerWindow owner, std::span<const uint8_t> bytes, Frame& frame,
                            const ReadOptions& options) {
    const MngReadError error = ReadMngFirstImageBytes(bytes, frame, options);
    Show(owner, error);
    return !error;
}

}  // namespace kivo
