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

uint64_t AviImportBudget() {
    if (MaxAviImportBytes) return MaxAviImportBytes;
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return uint64_t(2) << 30;
    return uint64_t(pages) * uint64_t(pageSize) / 2;
}

namespace {

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

// Fills doc from the source; kNone when it holds the video.
AviReadError ReadFrames(AviSource& source, AnimDoc& doc) {
    AviDecoder decoder;
    if (const AviReadError e = decoder.Open(source); e != AviReadError::kNone) return e;
    const SampleTime t = SampleTimeOf(decoder.Scale(), decoder.Rate());
    const int64_t claimed = decoder.ClaimedSamples();
    ProgressSetRange(0, ProgressNumber(claimed));
    ProgressSetCancel("中止");

    const uint64_t budget = AviImportBudget();
    uint64_t used = 0;
    Dib picture;
    Frame* last = nullptr;
    int64_t lastSample = -1, sample = 0;
    while (decoder.Next(picture, sample)) {
        ProgressPrintf("AVI 読み取り中...\r %4d / %4d コマ", ProgressNumber(sample + 1),
                       ProgressNumber(std::max(claimed, sample + 1)));
        ProgressSetPos(ProgressNumber(sample + 1));
        if (ProgressPump()) return AviReadError::kCancelled;
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
        if (used > budget) return AviReadError::kTooLarge;
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
    if (decoder.Error() != AviReadError::kNone) return decoder.Error();
    if (!last) return AviReadError::kOpen;  // no picture at all
    // Empty samples at the end keep the last picture on as well, up to the
    // length the header gives the stream.
    Lengthen(*last, std::max(decoder.LastSample(), claimed - 1) - lastSample, t);
    doc.currentFrame = doc.firstFrame.get();
    doc.currentIndex = 0;
    UpdateExtent(doc);
    return AviReadError::kNone;
}

std::unique_ptr<AnimDoc> Import(OwnerWindow owner, std::unique_ptr<AviSource> source, const std::string& path,
                                AviReadError& error) {
    std::unique_ptr<AnimDoc> doc;
    try {
        doc = NewDocument();
    } catch (const std::bad_alloc&) {
    }
    if (!doc) {
        error = AviReadError::kMemory;
        return nullptr;
    }
    doc->path = path;
    ProgressOpenForReading(owner, "AVI 読み取り中...");
    error = AviReadError::kOpen;
    try {
        if (source) error = ReadFrames(*source, *doc);
    } catch (const std::bad_alloc&) {
        error = AviReadError::kMemory;
    }
    if (error == AviReadError::kNone) {
        ProgressClose(owner);
        return doc;
    }
    doc.reset();
    ProgressClose(owner);
    return nullptr;
}

std::unique_ptr<AnimDoc> Shown(OwnerWindow owner, std::unique_ptr<AnimDoc> doc, AviReadError error) {
    if (const char* message = AviReadMessage(error); *message) ShowError(owner, message);
    return doc;
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

std::unique_ptr<AnimDoc> LoadAviFrames(OwnerWindow owner, const std::string& path, AviReadError& error) {
    return Import(owner, AviSource::OpenFile(path), path, error);
}

std::unique_ptr<AnimDoc> LoadAviBytes(OwnerWindow owner, std::span<const uint8_t> bytes, const std::string& path,
                                      AviReadError& error) {
    return Import(owner, AviSource::FromBytes(bytes), path, error);
}

std::unique_ptr<AnimDoc> ImportAviFrames(OwnerWindow owner, const std::string& path) {
    AviReadError error = AviReadError::kNone;
    std::unique_ptr<AnimDoc> doc = LoadAviFrames(owner, path, error);
    return Shown(owner, std::move(doc), error);
}

std::unique_ptr<AnimDoc> ImportAviBytes(OwnerWindow owner, std::span<const uint8_t> bytes,
                                        const std::string& path) {
    AviReadError error = AviReadError::kNone;
    std::unique_ptr<AnimDoc> doc = LoadAviBytes(owner, bytes, path, error);
    return Shown(owner, std::move(doc), error);
}

bool ReadAviFirstFrame(const std::string& path, Frame* frame) {
    return ReadFirst(AviSource::OpenFile(path), frame);
}

bool ReadAviFirstFrameBytes(std::span<const uint8_t> bytes, Frame* frame) {
    return ReadFirst(AviSource::FromBytes(bytes), frame);
}

}  // namespace kivo
