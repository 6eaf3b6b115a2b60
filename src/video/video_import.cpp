#include "video/video_import.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <new>

#include "avi/avi_import.h"
#include "avi/avi_io.h"
#include "doc/dib.h"
#include "platform/progress.h"
#include "video/video_timing.h"

namespace kivo {

namespace {

int Saturated(int64_t n) { return int(std::clamp<int64_t>(n, 0, INT_MAX)); }
int Megabytes(uint64_t bytes) { return Saturated(int64_t(std::min<uint64_t>(bytes, INT64_MAX) >> 20)); }

// Seconds as a count of stream units, rounded; at most `ceiling`.
int64_t ToStream(double seconds, const VideoStreamFacts& f, int64_t ceiling = INT64_MAX / 4) {
    if (seconds <= 0 || f.timeBaseNum <= 0) return 0;
    const double units = std::round(seconds * double(f.timeBaseDen) / double(f.timeBaseNum));
    return units >= double(ceiling) ? ceiling : int64_t(units);
}

double Seconds(int64_t units, const VideoStreamFacts& f) {
    return f.timeBaseNum > 0 ? double(units) * double(f.timeBaseNum) / double(f.timeBaseDen) : 0;
}

// The options' fps as thousandths, 0 when the clip's own times stand.
int64_t FpsMilli(double fps) { return fps > 0 && fps <= 1000 ? int64_t(std::llround(fps * 1000)) : 0; }

VideoProbe ProbeOf(const VideoStreamFacts& f, const ReadOptions& options) {
    VideoProbe p;
    p.width = f.width;
    p.height = f.height;
    p.seconds = Seconds(f.duration, f);
    if (f.frameRateNum > 0) p.picturesPerSecond = double(f.frameRateNum) / double(f.frameRateDen);
    double seconds = std::max(0.0, p.seconds - std::max(0.0, options.videoStart));
    if (options.videoDuration > 0) seconds = p.seconds > 0 ? std::min(seconds, options.videoDuration) : options.videoDuration;
    const double rate = FpsMilli(options.videoFps) ? options.videoFps : p.picturesPerSecond;
    // A part of the clip, or another rate, makes the claimed count meaningless.
    const bool whole = options.videoStart <= 0 && options.videoDuration <= 0 && options.videoFps <= 0;
    const VideoEstimate e = EstimateVideo(f.width, f.height, seconds, rate, whole ? f.claimedFrames : 0);
    p.frames = e.frames;
    p.bytes = e.bytes;
    p.budget = AviImportBudget();
    return p;
}

std::string TooLongMessage(const VideoProbe& p) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "動画のコマがメモリに入りきりません。\r%d コマ × %d×%d ピクセルで %d MB、読み込めるのは %d MB までです。"
                  "\rフレームレートを下げるか、範囲を短くしてください。",
                  Saturated(p.frames), p.width, p.height, Megabytes(p.bytes), Megabytes(p.budget));
    return text;
}

const char* VideoReadMessage(AviReadError error) {
    switch (error) {
    case AviReadError::kMemory: return "メモリが足りません。";
    case AviReadError::kTooLarge: return "動画が大きすぎて、読み込めません。";
    case AviReadError::kNoDecoder: return "この動画の圧縮形式は読めません。";
    default: return "";
    }
}

// One frame more, or the last one lasting longer when the picture repeats it.
class FrameCollector {
public:
    FrameCollector(AnimDoc& doc, uint64_t budget) : doc_(doc), budget_(budget) {}

    AviReadError Add(Dib& picture, int64_t ticks) {
        if (last_ && last_->dib == picture) {
            Lengthen(ticks);
            return AviReadError::kNone;
        }
        used_ += picture.size();
        if (used_ > budget_) return AviReadError::kTooLarge;
        if (!AppendFrame(doc_)) throw std::bad_alloc();
        last_ = doc_.currentFrame;
        last_->width = DibWidth(picture);
        last_->height = DibHeight(picture);
        last_->dib = std::move(picture);
        picture = Dib();
        last_->hasDelay = 1;
        last_->delay = 0;
        Lengthen(ticks);
        return AviReadError::kNone;
    }
    bool empty() const { return !last_; }

private:
    void Lengthen(int64_t ticks) {
        last_->delay = int32_t(std::min<int64_t>(int64_t(last_->delay) + std::max<int64_t>(ticks, 1), INT32_MAX));
    }
    AnimDoc& doc_;
    uint64_t budget_;
    uint64_t used_ = 0;
    Frame* last_ = nullptr;
};

AviReadError ReadFrames(AviSource& source, const ReadOptions& options, AnimDoc& doc, std::string& message) {
    AviDecoder decoder;
    if (const AviReadError e = decoder.Open(source, true); e != AviReadError::kNone) return e;
    const VideoStreamFacts f = decoder.Facts();
    const VideoProbe probe = ProbeOf(f, options);
    if (probe.bytes > probe.budget) {
        message = TooLongMessage(probe);
        return AviReadError::kTooLarge;
    }
    VideoClock clock{f.timeBaseNum, f.timeBaseDen, f.startTime + ToStream(options.videoStart, f),
                     FpsMilli(options.videoFps)};
    const int64_t end = options.videoDuration > 0 ? clock.origin + std::max<int64_t>(ToStream(options.videoDuration, f), 1)
                                                  : INT64_MAX;
    // A picture the samples place at the end or later is not shown.
    const int64_t endTick = end == INT64_MAX ? INT64_MAX : VideoTick(clock, end);
    if (clock.origin > f.startTime) decoder.SeekTo(clock.origin);

    ProgressSetRange(0, Saturated(probe.frames));
    ProgressSetCancel("中止");
    FrameCollector frames(doc, probe.budget);
    Dib picture, pending;
    int64_t pendingTick = -1, pendingTs = 0, pendingDuration = 0, ts = 0, count = 0;
    bool pastEnd = false;
    while (decoder.Next(picture, ts)) {
        if (ts >= end) {
            pastEnd = true;
            break;
        }
        ++count;
        ProgressPrintf("動画読み取り中...\r %4d / %4d コマ", Saturated(count), Saturated(std::max(probe.frames, count)));
        ProgressSetPos(Saturated(count));
        if (ProgressPump()) return AviReadError::kCancelled;
        const int64_t tick = VideoTick(clock, ts);
        if (tick >= endTick) {
            pastEnd = true;
            break;
        }
        // A picture that starts on the same tick hides the one before it.
        if (pendingTick >= 0 && tick > pendingTick)
            if (const AviReadError e = frames.Add(pending, tick - pendingTick); e != AviReadError::kNone) return e;
        std::swap(pending, picture);
        pendingTick = tick;
        // Without a duration of its own, a picture lasts as long as the one before.
        const int64_t own = decoder.LastDuration();
        pendingDuration = own > 0 ? own : pendingDuration > 0 ? pendingDuration : std::max<int64_t>(ts - pendingTs, 0);
        pendingTs = ts;
    }
    if (decoder.Error() != AviReadError::kNone) return decoder.Error();
    if (pendingTick < 0) return AviReadError::kOpen;  // no picture at all
    // The last picture lasts to the end the container gives the stream: its
    // own duration is unreliable where pictures are reordered (a packet's
    // duration then belongs to another picture) or repeated by empty packets.
    const int64_t streamEnd = f.duration > 0 ? f.startTime + f.duration : -1;
    const int64_t until = pastEnd                     ? end
                          : streamEnd > pendingTs     ? streamEnd
                          : pendingDuration > 0       ? pendingTs + pendingDuration
                                                      : -1;
    const int64_t last = until > pendingTs ? VideoTick(clock, until) - pendingTick : 10;
    // A picture the samples place at the very end is never shown, unless it is
    // the only one.
    if (last > 0 || frames.empty())
        if (const AviReadError e = frames.Add(pending, last); e != AviReadError::kNone) return e;
    doc.currentFrame = doc.firstFrame.get();
    doc.currentIndex = 0;
    UpdateExtent(doc);
    return AviReadError::kNone;
}

std::unique_ptr<AnimDoc> Load(OwnerWindow owner, std::unique_ptr<AviSource> source, const std::string& path,
                              const ReadOptions& options, VideoReadResult& result) {
    result = {};
    std::unique_ptr<AnimDoc> doc;
    try {
        doc = NewDocument();
    } catch (const std::bad_alloc&) {
    }
    if (!doc) {
        result.error = AviReadError::kMemory;
        result.message = VideoReadMessage(result.error);
        return nullptr;
    }
    doc->path = path;
    ProgressOpenForReading(owner, "動画読み取り中...");
    result.error = AviReadError::kOpen;
    try {
        if (source) result.error = ReadFrames(*source, options, *doc, result.message);
    } catch (const std::bad_alloc&) {
        result.error = AviReadError::kMemory;
    }
    ProgressClose(owner);
    if (result.error == AviReadError::kNone) return doc;
    if (result.message.empty()) result.message = VideoReadMessage(result.error);
    return nullptr;
}

}  // namespace

bool ProbeVideo(const std::string& path, const ReadOptions& options, VideoProbe& probe) {
    std::unique_ptr<AviSource> source = AviSource::OpenFile(path);
    if (!source) return false;
    try {
        AviDecoder decoder;
        if (decoder.Open(*source, true) != AviReadError::kNone) return false;
        probe = ProbeOf(decoder.Facts(), options);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::unique_ptr<AnimDoc> LoadVideo(OwnerWindow owner, const std::string& path, const ReadOptions& options,
                                   VideoReadResult& result) {
    return Load(owner, AviSource::OpenFile(path), path, options, result);
}

std::unique_ptr<AnimDoc> LoadVideoBytes(OwnerWindow owner, std::span<const uint8_t> bytes,
                                        const ReadOptions& options, VideoReadResult& result) {
    return Load(owner, AviSource::FromBytes(bytes), {}, options, result);
}

std::unique_ptr<AnimDoc> ReadVideo(OwnerWindow owner, const std::string& path, const ReadOptions& options) {
    VideoReadResult result;
    std::unique_ptr<AnimDoc> doc = LoadVideo(owner, path, options, result);
    if (!result.message.empty()) ShowError(owner, result.message);
    return doc;
}

bool ReadVideoFirstFrame(const std::string& path, Frame& frame) {
    std::unique_ptr<AviSource> source = AviSource::OpenFile(path);
    if (!source) return false;
    try {
        AviDecoder decoder;
        if (decoder.Open(*source, true) != AviReadError::kNone) return false;
        Dib picture;
        int64_t ts = 0;
        if (!decoder.Next(picture, ts)) return false;
        frame.width = DibWidth(picture);
        frame.height = DibHeight(picture);
        frame.dib = std::move(picture);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace kivo
