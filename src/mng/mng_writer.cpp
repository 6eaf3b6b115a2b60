#include "mng/mng_writer.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <optional>
#include <vector>

#include "color/global_palette.h"
#include "save/document_save.h"
#include "color/palette_prep.h"
#include "options/write_options.h"
#include "png/chunk_writer.h"
#include "mng/mng_frame_stream.h"
#include "mng/mng_shown_frames.h"
#include "platform/ordered_pipeline.h"
#include "platform/parallel.h"
#include "platform/progress.h"
#include "platform/safe_save.h"

namespace kivo {

namespace {

// Delays are kept in hundredths of a second, so that is the file's time base,
// whatever time base the document was read with.
constexpr uint32_t kTicksPerSecond = 100;
constexpr uint32_t kForever = 0x7FFFFFFF;

using Bytes = std::vector<uint8_t>;

// What the FRAM and DEFI chunks written so far have set, so that values that
// stay the same need not be written again. Placement is 32-bit, like frames.
struct WriterState {
    uint8_t framingMode = 1;
    int32_t defaultDelay = 1;
    int32_t defiX = 0, defiY = 0;
};

const Frame* LastFrame(const AnimDoc& doc) {
    const Frame* last = doc.firstFrame.get();
    while (last && last->next) last = last->next.get();
    return last;
}

uint32_t NonNegative(int32_t v) { return v < 0 ? 0 : uint32_t(v); }

// Bit 0 says the profile is valid and bit 1 that simple MNG features may be
// used; transparency (8) and JNG (16) are claimed when some frame needs them.
// A reader may trust a cleared bit, so every JNG frame counts, also one after
// the first transparent frame.
uint32_t SimplicityProfile(const AnimDoc& doc, const WriteOptions& options) {
    if (!options.MhdrStrictProfile) return 0;
    uint32_t profile = 3;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        if (f->hasTransparency || IsEmptyFrame(*f)) profile |= 8;
        if (WrittenAsJng(*f, options) && !IsEmptyFrame(*f)) profile |= 16;
    }
    return profile;
}

// TERM is needed to loop; with TermAlways it is also written for a single run.
// Only a repeating TERM has room for a delay: with TermAlways it carries the
// last frame's, the time that frame stays up before the next pass.
bool TermCarriesDelay(const AnimDoc& doc, const WriteOptions& options) {
    return options.TermAlways && doc.loopEnabled;
}

std::optional<TermValues> TermFor(const AnimDoc& doc, const WriteOptions& options) {
    if (!options.TermAlways && !doc.loopEnabled) return std::nullopt;
    TermValues term;
    if (!doc.loopEnabled) return term;  // action 0: the last frame stays
    term.action = 3;
    term.maximum = doc.loopCount <= 0 ? kForever
                                      : uint32_t(std::min<int64_t>(int64_t(doc.loopCount) + 1, kForever));
    const Frame* last = LastFrame(doc);
    if (TermCarriesDelay(doc, options) && last && last->hasDelay) term.delay = NonNegative(last->delay);
    return term;
}

// The global tRNS applies to every frame on the global palette, so it is
// written only when all of them are transparent with one colour the palette
// holds; the answer is that colour's first entry.
std::optional<size_t> GlobalTransparentIndex(const AnimDoc& doc, const WriteOptions& options) {
    std::optional<Rgb> colour;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        if (!UsesGlobalPalette(doc, *f, options)) continue;
        if (!f->hasTransparency || (colour && *colour != f->transparentRgb)) return std::nullopt;
        colour = f->transparentRgb;
    }
    if (!colour) return std::nullopt;
    const auto it = std::find(doc.globalPalette.begin(), doc.globalPalette.end(), *colour);
    if (it == doc.globalPalette.end()) return std::nullopt;
    return size_t(it - doc.globalPalette.begin());
}

// MHDR, TERM and the global palette after the signature; globalTrns tells
// whether a global tRNS went with it. False for a global palette no PLTE can hold.
bool PutHeader(Bytes& b, const AnimDoc& doc, const WriteOptions& options, bool& globalTrns) {
    PutMhdr(b, NonNegative(doc.screenWidth), NonNegative(doc.screenHeight), kTicksPerSecond,
            SimplicityProfile(doc, options));
    if (const auto term = TermFor(doc, options)) PutTerm(b, *term);
    globalTrns = false;
    if (options.NoGlobalPalette || options.JngAllFrames || doc.globalPalette.empty()) return true;
    if (doc.globalPalette.size() > 256) return false;
    Bytes plte;
    for (const Rgb& c : doc.globalPalette) plte.insert(plte.end(), {c.r, c.g, c.b});
    PutChunk(b, "PLTE", plte);
    if (const auto index = GlobalTransparentIndex(doc, options)) {
        Bytes alpha(*index + 1, 255);
        alpha.back() = 0;
        PutChunk(b, "tRNS", alpha);
        globalTrns = true;
    }
    return true;
}

// The mode says how the frame meets the picture before it: drawn over it (1)
// or over a cleared screen (3).
void PutFraming(Bytes& b, WriterState& state, const WriteOptions& options, const Frame& frame, uint8_t mode,
                bool lastInTerm) {
    const uint32_t delay = NonNegative(frame.delay);
    if (!options.FramMayOmit) {
        PutFramDelay(b, mode, delay);
        return;
    }
    if (frame.delay != state.defaultDelay) {
        // The last frame's time is TERM's delay when TERM carries one.
        PutFramDelay(b, mode, lastInTerm ? 0 : delay);
        state.framingMode = mode;
        state.defaultDelay = frame.delay;
    } else if (mode != state.framingMode) {
        PutFramMode(b, mode);
        state.framingMode = mode;
    }
}

void PutPlacement(Bytes& b, WriterState& state, const WriteOptions& options, const Frame& frame) {
    if (options.DefiMayOmit && frame.left == state.defiX && frame.top == state.defiY) return;
    state.defiX = frame.left;
    state.defiY = frame.top;
    PutDefi(b, frame.left, frame.top);
}

// Frames are compressed side by side, a few ahead of the one being written;
// each datastream is kept only until it has been written.
size_t FramesAhead() { return 2 * size_t(WorkerThreadCount()); }

// How often the dialog is pumped while a large frame is still being compressed.
constexpr std::chrono::milliseconds kPumpEvery{50};

struct EncodedFrame {
    Bytes stream;
    bool ok = false;
    MngFrameError error;  // found on a helper, passed on by this thread
    Bytes planeRoom;      // reused for the planes of the frames in this slot
};

// The frame's datastream. Its index plane, when preparation left it out, is
// built here and taken back at once, so only the frames in progress hold one.
void EncodeFrame(const AnimDoc& doc, Frame& frame, const WriteOptions& options, bool globalTrns,
                 EncodedFrame& out) {
    out.stream.clear();
    // JNG frames are written from their pictures, with or without preparation.
    const bool ownPlane = frame.indexPixels.empty() && !WrittenAsJng(frame, options);
    if (ownPlane) {
        out.planeRoom.clear();
        frame.indexPixels.swap(out.planeRoom);
    }
    out.error = {};
    if (ownPlane && !BuildFrameIndexPlane(frame, doc)) out.error.kind = MngFrameError::Kind::kUnfit;
    else out.error = EncodeMngFrame(doc, frame, options, globalTrns, out.stream);
    out.ok = !out.error;
    if (ownPlane) {
        frame.indexPixels.swap(out.planeRoom);
        frame.indexPixels = {};
    }
}

// False on a write failure, a frame that could not be encoded (its error in
// failedFrame) or a cancel.
bool StreamFrames(SafeFile& file, AnimDoc& doc, const WriteOptions& options, bool globalTrns,
                  const std::vector<uint8_t>& framingModes, bool& cancelled, MngFrameError& failedFrame) {
    ProgressSetText("GIF 書き込み中...");
    ProgressSetRange(0, doc.frameCount);
    ProgressSetCancel("中止");
    ProgressPump();

    WriterState state;
    std::vector<Frame*> frames;
    for (Frame* f = doc.firstFrame.get(); f; f = f->next.get()) frames.push_back(f);
    const size_t ahead = FramesAhead();
    std::vector<EncodedFrame> slots(ahead);  // frame i in slot i % ahead
    auto writeFrame = [&](size_t i) {
        Frame& frame = *frames[i];
        EncodedFrame& encoded = slots[i % ahead];
        if (ProgressFrameWritten(int(i + 1), doc.frameCount)) {
            cancelled = true;
            return false;
        }
        if (!encoded.ok) {
            failedFrame = std::move(encoded.error);
            return false;
        }
        Bytes chunks;
        PutFraming(chunks, state, options, frame, framingModes[i], !frame.next && TermCarriesDelay(doc, options));
        PutPlacement(chunks, state, options, frame);
        if (!file.Write(chunks) || !file.Write(encoded.stream)) return false;
        encoded.stream = Bytes{};
        ReleaseFrameSaveState(frame);
        return true;
    };
    return RunInOrder(
        frames.size(), ahead, WorkerThreadCount(), kPumpEvery,
        [&](size_t i) { EncodeFrame(doc, *frames[i], options, globalTrns, slots[i % ahead]); },
        writeFrame,
        [&] {
            if (ProgressPump() == 0) return true;
            cancelled = true;
            return false;
        });
}

// Everything after palette preparation. False on a write failure or a cancel;
// cancelled tells which.
bool StreamDocument(SafeFile& file, AnimDoc& doc, const WriteOptions& options,
                    const std::vector<uint8_t>& framingModes, bool& cancelled, MngFrameError& failedFrame) {
    Bytes b(std::begin(kMngSignature), std::end(kMngSignature));
    bool globalTrns = false;
    if (!PutHeader(b, doc, options, globalTrns) || !file.Write(b)) return false;
    if (!StreamFrames(file, doc, options, globalTrns, framingModes, cancelled, failedFrame)) return false;
    b.clear();
    for (const TextKey& key : doc.textKeys)
        if (!PutText(b, key)) return false;
    PutChunk(b, "MEND", {});
    return file.Write(b) && file.Commit();
}

bool PrepareForMng(OwnerWindow owner, AnimDoc& doc, const WriteOptions& options) {
    // JNG frames are written from their 24-bit pictures: nothing to reduce.
    if (options.JngAllFrames) return true;
    return PreparePalettes(owner, doc, options, true, IndexPlanes::kDeferExact) &&
           (!doc.globalPalette.empty() || BuildGlobalPalette(doc, options, true));
}

}  // namespace

MngWriteError SaveMng(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options) {
    // Frames written in another form than the document's get their own back
    // when shown goes, after the save has released what it prepared.
    ShownFrames shown;
    MngWriteError error;
    error.save = SaveDocument(owner, path, doc, options, [&](SafeFile& file, bool& cancelled) {
        return PlanShownFrames(doc, shown, options.JngAllFrames != 0) && PrepareForMng(owner, doc, options) &&
               StreamDocument(file, doc, options, shown.framingModes, cancelled, error.frame);
    });
    return error;
}

std::vector<std::string> MngWriteMessages(const MngWriteError& error) {
    std::vector<std::string> messages = MngFrameMessages(error.frame);
    if (const char* text = DocumentSaveMessage(error.save); *text) messages.emplace_back(text);
    return messages;
}

bool WriteMng(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options) {
    const MngWriteError error = SaveMng(owner, path, doc, options);
    for (const std::string& message : MngWriteMessages(error)) ShowError(owner, message);
    return !error;
}

}  // namespace kivo
