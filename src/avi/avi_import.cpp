#include "avi/avi_import.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <new>

#include "doc/dib.h"
#include "platform/progress.h"
#include "avi/avi_decoder.h"
#include "avi/avi_io.h"

namespace kivo {

uint64_t MaxAviImportBytes = 0;

namespace {

constexpr char kNoMemory[] = "メモリが足りません。";
constexpr char kTooLarge[] = "AVI が大きすぎて、読み込めません。";
constexpr char kNoDecoder[] = "この AVI の圧縮形式は読めません。";

enum class Outcome { kDone, kFail, kCancel };

const char* MessageFor(AviReadError e) {
    switch (e) {
    case AviReadError::kMemory: return kNoMemory;
    case AviReadError::kTooLarge: return kTooLarge;
    case AviReadError::kNoDecoder: return kNoDecoder;
    case AviReadError::kOpen:
    case AviReadError::kDecode:
    case AviReadError::kNone: break;
    }
    return nullptr;
}

uint64_t ImportBudget() {
    if (MaxAviImportBytes) return MaxAviImportBytes;
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return uint64_t(2) << 30;
    return uint64_t(pages) * uint64_t(pageSize) / 2;
}

// How long one sample shows. The exact duration, not 100 divided by a
// whole number of frames per second, so that 7.5 or 10/3 samples a second
// keep their time. Under one sample a second the frames get no delay.
struct SampleTime {
    int32_t hasDelay = 0;
    int64_t delay = 10;
};

SampleTime SampleTimeOf(int64_t scale, int64_t rate) {
    if (scale <= 0 || rate < scale) return {};
    return {1, 100 * scale / rate};
}

// A frame that stays on screen for more samples.
void Lengthen(Frame& frame, int64_t samples, const SampleTime& t) {
    if (samples <= 0) return;
    const int64_t grown = frame.delay + std::min<int64_t>(samples, INT32_MAX) * t.delay;
    frame.delay = int32_t(std::min<int64_t>(grown, INT32_MAX));
}

int ProgressNumber(int64_t n) { return int(std::min<int64_t>(n, INT_MAX)); }

Outcome ReadFrames(AviSource& source, AnimDoc& doc, const char*& message) {
    AviDecoder decoder;
    if (const AviReadError e = decoder.Open(source); e != AviReadError::kNone) {
        message = MessageFor(e);
        return Outcome::kFail;
    }
    const SampleTime t = SampleTimeOf(decoder.Scale(), decoder.Rate());
    const int64_t claimed = decoder.ClaimedSamples();
    ProgressSetRange(0, ProgressNumber(claimed));
    ProgressSetCancel("中止");

    const uint64_t budget = ImportBudget();
    uint64_t used = 0;
    Dib picture;
    Frame* last = nullptr;
    int64_t lastSample = -1, sample = 0;
    while (decoder.Next(picture, sample)) {
        ProgressPrintf("AVI 読み取り中...\r %4d / %4d コマ", ProgressNumber(sample + 1),
                       ProgressNumber(std::max(claimed, sample + 1)));
        ProgressSetPos(ProgressNumber(sample + 1));
        if (ProgressPump()) return Outcome::kCancel;
        if (last) {
            // Samples between two pictures were empty: the last picture went on.
            Lengthen(*last, sample - lastSample - 1, t);
            if (last->dib == picture) {
                Lengthen(*last, 1, t);
                lastSample = sample;
                continue;
            }
        }
        used += picture.size();
        if (used > budget) {
            message = kTooLarge;
            return Outcome::kFail;
        }
        if (!AppendFrame(doc)) throw std::bad_alloc();
        last = doc.currentFrame;
        last->width = DibWidth(picture);
        last->height = DibHeight(picture);
        last->dib = std::move(picture);
        picture = Dib();
        last->hasDelay = t.hasDelay;
        last->delay = int32_t(t.delay);
        lastSample = sample;
    }
    if (decoder.Error() != AviReadError::kNone) {
        message = MessageFor(decoder.Error());
        return Outcome::kFail;
    }
    if (!last) return Outcome::kFail;
    // Empty samples at the end keep the last picture on as well, up to the
    // length the header gives the stream.
    Lengthen(*last, std::max(decoder.LastSample(), claimed - 1) - lastSample, t);
    doc.currentFrame = doc.firstFrame.get();
    doc.currentIndex = 0;
    UpdateExtent(doc);
    return Outcome::kDone;
}

std::unique_ptr<AnimDoc> Import(OwnerWindow owner, std::unique_ptr<AviSource> source,
                                const std::string& path) {
    std::unique_ptr<AnimDoc> doc;
    try {
        doc = NewDocument();
    } catch (const std::bad_alloc&) {
    }
    if (!doc) {
        ShowError(owner, kNoMemory);
        return nullptr;
    }
    doc->path = path;
    ProgressOpenForReading(owner, "AVI 読み取り中...");
    Outcome outcome = Outcome::kFail;
    const char* message = nullptr;
    try {
        if (source) outcome = ReadFrames(*source, *doc, message);
    } catch (const std::bad_alloc&) {
        outcome = Outcome::kFail;
        message = kNoMemory;
    }
    if (outcome == Outcome::kDone) {
        ProgressClose(owner);
        return doc;
    }
    doc.reset();
    if (outcome == Outcome::kFail && message) ShowError(owner, message);
    ProgressClose(owner);
    return nullptr;
}

bool ReadFirst(std::unique_ptr<AviSource> source, Frame* frame) {
    if (!source) return false;
    try {
        AviDecoder decoder;
        if (decoder.Open(*source) != AviReadError::kNone) return false;
        if (!frame) return true;
        Dib picture;
        int64_t sample = 0;
        if (!decoder.Next(picture, sample)) return false;
        frame->width = DibWidth(picture);
        frame->height = DibHeight(picture);
        frame->dib = std::move(picture);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

std::unique_ptr<AnimDoc> ImportAviFrames(OwnerWindow owner, const std::string& path) {
    return Import(owner, AviSource::OpenFile(path), path);
}

std::unique_ptr<AnimDoc> ImportAviBytes(OwnerWindow owner, std::span<const uint8_t> bytes,
                                        const std::string& path) {
    return Import(owner, AviSource::FromBytes(bytes), path);
}

bool ReadAviFirstFrame(const std::string& path, Frame* frame) {
    return ReadFirst(AviSource::OpenFile(path), frame);
}

bool ReadAviFirstFrameBytes(std::span<const uint8_t> bytes, Frame* frame) {
    return ReadFirst(AviSource::FromBytes(bytes), frame);
}

}  // namespace kivo
