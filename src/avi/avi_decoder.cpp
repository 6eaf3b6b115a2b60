#include "avi/avi_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "doc/dib.h"
#include "platform/parallel.h"
#include "avi/avi_io.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace kivo {

int64_t MaxAviSamples = int64_t(1) << 24;

namespace {

// Timestamps are outside data: a jump far beyond any real sample count only
// lengthens a delay, which saturates, and must not overflow the arithmetic.
constexpr int64_t kSampleCeiling = int64_t(1) << 40;
// Start times and durations beyond this are taken as this.
constexpr int64_t kTimeCeiling = int64_t(1) << 60;

bool FitsPicture(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= 0xFFFF && height <= 0xFFFF &&
           uint64_t(width) * uint64_t(height) <= MaxImagePixels;
}

bool IsYuv(int format) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(AVPixelFormat(format));
    return d && !(d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) && d->nb_components >= 3;
}

}  // namespace

struct AviDecoder::State {
    // Declared first, so destroyed last: the demuxer reads through it.
    AvioContextPtr io;
    AvFormatInput format;
    AvCodecContextPtr codec;
    AvPacketPtr packet;
    AvFramePtr frame;
    SwsContextPtr scaler;
    AvFramePtr rows;  // the scaler's output, aligned as its fast paths want it
    int stream = -1;
    int64_t claimed = 0, scale = 0, rate = 0;
    int64_t lastSample = -1, lastPicture = -1, lastDuration = 0;
    VideoStreamFacts facts;
    bool draining = false, finished = false;
    AviReadError error = AviReadError::kNone;

    bool Fail(AviReadError e) {
        error = e;
        return false;
    }
    void NoteSample(int64_t n) { lastSample = std::max(lastSample, std::min(n, kSampleCeiling)); }
    bool Feed();
    bool Convert(Dib& out);
};

AviDecoder::AviDecoder() : s_(std::make_unique<State>()) {}
AviDecoder::~AviDecoder() = default;

namespace {

// A container that names other files (playlists, concatenation lists, image
// sequences) must not reach them: only the bytes we were given are read.
int RefuseToOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

int64_t Positive(int64_t v) { return v > 0 ? v : 0; }

bool FindStreamInfo(AVFormatContext* ctx) {
    std::vector<AVDictionary*> options(ctx->nb_streams, nullptr);
    const std::string maxPixels = std::to_string(std::min<uint64_t>(MaxImagePixels, INT64_MAX));
    for (AVDictionary*& o : options) av_dict_set(&o, "max_pixels", maxPixels.c_str(), 0);
    const int r = avformat_find_stream_info(ctx, options.empty() ? nullptr : options.data());
    for (AVDictionary*& o : options) av_dict_free(&o);
    return r >= 0;
}

}  // namespace

AviReadError AviDecoder::Open(AviSource& source, bool anyContainer) {
    QuietFfmpeg();
    State& s = *s_;
    s.io = MakeReadContext(source);
    s.packet.reset(av_packet_alloc());
    s.frame.reset(av_frame_alloc());
    AVFormatContext* ctx = avformat_alloc_context();
    if (!s.io || !s.packet || !s.frame || !ctx) {
        avformat_free_context(ctx);
        s.Fail(AviReadError::kMemory);
        return s.error;
    }
    ctx->pb = s.io.get();
    ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
    ctx->io_open = RefuseToOpen;
    // An AVI import uses only the AVI demuxer: a file that merely carries the
    // name is no AVI, and no other demuxer gets to see outside data through
    // this door.
    const AVInputFormat* demuxer = anyContainer ? nullptr : av_find_input_format("avi");
    if (avformat_open_input(&ctx, "", demuxer, nullptr) < 0) {
        s.Fail(AviReadError::kOpen);  // FFmpeg freed ctx
        return s.error;
    }
    s.format.reset(ctx);
    // Containers without a header (MPEG streams) are only known once read.
    // The decoders this opens refuse pictures beyond our limit, as ours do.
    if (anyContainer && !FindStreamInfo(ctx)) {
        s.Fail(AviReadError::kOpen);
        return s.error;
    }

    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        if (s.stream < 0 && ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            s.stream = int(i);
        else
            ctx->streams[i]->discard = AVDISCARD_ALL;
    }
    if (s.stream < 0) {
        s.Fail(AviReadError::kOpen);
        return s.error;
    }
    const AVStream* st = ctx->streams[s.stream];
    const AVCodecParameters* par = st->codecpar;
    // A header may leave the size to the decoder (0), but never claim more
    // than a picture may have.
    const bool sized = par->width != 0 || par->height != 0;
    // An AVI's duration counts samples; elsewhere it is a time, no count.
    s.claimed = st->nb_frames > 0 ? st->nb_frames : anyContainer ? 0 : std::max<int64_t>(st->duration, 0);
    if ((sized && !FitsPicture(par->width, par->height)) || s.claimed > MaxAviSamples) {
        s.Fail(AviReadError::kTooLarge);
        return s.error;
    }
    if (st->time_base.num > 0 && st->time_base.den > 0) {
        s.scale = st->time_base.num;
        s.rate = st->time_base.den;
    }

    VideoStreamFacts& f = s.facts;
    f.width = sized ? par->width : 0;
    f.height = sized ? par->height : 0;
    f.timeBaseNum = s.scale;
    f.timeBaseDen = s.scale ? s.rate : 1;
    // Times are outside data: kept where sums of a few of them cannot overflow.
    f.startTime = st->start_time != AV_NOPTS_VALUE ? std::clamp(st->start_time, -kTimeCeiling, kTimeCeiling) : 0;
    f.duration = std::min(Positive(st->duration == AV_NOPTS_VALUE ? 0 : st->duration), kTimeCeiling);
    if (!f.duration && ctx->duration > 0 && s.scale)
        f.duration = std::clamp<int64_t>(av_rescale_q(ctx->duration, AV_TIME_BASE_Q, st->time_base), 0, kTimeCeiling);
    const AVRational fps = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
    if (fps.num > 0 && fps.den > 0) {
        f.frameRateNum = fps.num;
        f.frameRateDen = fps.den;
    }
    f.claimedFrames = Positive(st->nb_frames);

    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    if (!decoder) {
        s.Fail(AviReadError::kNoDecoder);
        return s.error;
    }
    s.codec.reset(avcodec_alloc_context3(decoder));
    if (!s.codec || avcodec_parameters_to_context(s.codec.get(), par) < 0) {
        s.Fail(AviReadError::kMemory);
        return s.error;
    }
    AVCodecContext* c = s.codec.get();
    c->pkt_timebase = st->time_base;
    // The decoder checks the size each picture really has against this before
    // allocating it, also when the bitstream contradicts the header.
    c->max_pixels = int64_t(std::min<uint64_t>(MaxImagePixels, uint64_t(INT64_MAX)));
    c->thread_count = int(WorkerThreadCount());
    if (avcodec_open2(c, decoder, nullptr) < 0) {
        s.Fail(AviReadError::kOpen);
        return s.error;
    }
    return AviReadError::kNone;
}

int64_t AviDecoder::ClaimedSamples() const { return s_->claimed; }
VideoStreamFacts AviDecoder::Facts() const { return s_->facts; }
int64_t AviDecoder::LastDuration() const { return s_->lastDuration; }

bool AviDecoder::SeekTo(int64_t timestamp) {
    State& s = *s_;
    if (s.error != AviReadError::kNone || !s.codec) return false;
    if (av_seek_frame(s.format.get(), s.stream, timestamp, AVSEEK_FLAG_BACKWARD) < 0) return false;
    avcodec_flush_buffers(s.codec.get());
    s.draining = s.finished = false;
    s.lastPicture = s.lastSample = -1;
    return true;
}
int64_t AviDecoder::Scale() const { return s_->scale; }
int64_t AviDecoder::Rate() const { return s_->rate; }
AviReadError AviDecoder::Error() const { return s_->error; }
int64_t AviDecoder::LastSample() const { return s_->lastSample; }

// Hands the decoder the next packet of our stream, or the end of the stream.
// Empty samples carry no picture: they repeat the one before, which only
// their place in the stream tells.
bool AviDecoder::State::Feed() {
    for (;;) {
        if (av_read_frame(format.get(), packet.get()) < 0) {
            // The end, or a rest that cannot be read: what came before stands.
            draining = true;
            return avcodec_send_packet(codec.get(), nullptr) >= 0 || Fail(AviReadError::kDecode);
        }
        if (packet->stream_index != stream) {
            av_packet_unref(packet.get());
            continue;
        }
        const int64_t at = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
        if (at != AV_NOPTS_VALUE) NoteSample(at);
        if (packet->size == 0) {
            av_packet_unref(packet.get());
            continue;
        }
        const int r = avcodec_send_packet(codec.get(), packet.get());
        av_packet_unref(packet.get());
        return r >= 0 || r == AVERROR(EAGAIN) || Fail(AviReadError::kDecode);
    }
}

bool AviDecoder::State::Convert(Dib& out) {
    const AVFrame* f = frame.get();
    const int w = f->width, h = f->height;
    if (!FitsPicture(w, h)) return Fail(AviReadError::kTooLarge);
    if (out.empty() || DibWidth(out) != w || DibHeight(out) != h) {
        out = MakeDib24(uint32_t(w), uint32_t(h));
        if (out.empty()) return Fail(AviReadError::kMemory);
    }
    scaler.reset(sws_getCachedContext(scaler.release(), w, h, AVPixelFormat(f->format), w, h,
                                      AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler) return Fail(AviReadError::kDecode);
    if (IsYuv(f->format)) {
        const int space = f->colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : int(f->colorspace);
        sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(space), f->color_range == AVCOL_RANGE_JPEG,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    }
    if (!rows || rows->width != w || rows->height != h) {
        rows.reset(av_frame_alloc());
        if (!rows) return Fail(AviReadError::kMemory);
        rows->format = AV_PIX_FMT_BGR24;
        rows->width = w;
        rows->height = h;
        if (av_frame_get_buffer(rows.get(), 0) < 0) return Fail(AviReadError::kMemory);
    }
    if (sws_scale(scaler.get(), f->data, f->linesize, 0, h, rows->data, rows->linesize) != h)
        return Fail(AviReadError::kDecode);
    // DIB rows run bottom-up.
    const size_t stride = DibRowBytes(uint32_t(w), 24);
    uint8_t* bottom = DibPixels(out);
    for (int y = 0; y < h; ++y)
        std::memcpy(bottom + size_t(h - 1 - y) * stride, rows->data[0] + size_t(y) * size_t(rows->linesize[0]),
                    size_t(w) * 3);
    return true;
}

bool AviDecoder::Next(Dib& out, int64_t& sample) {
    State& s = *s_;
    if (s.error != AviReadError::kNone || s.finished || !s.codec) return false;
    for (;;) {
        const int r = avcodec_receive_frame(s.codec.get(), s.frame.get());
        if (r == 0) {
            const bool ok = s.Convert(out);
            // The picture's own time places it; without one, or with one that
            // does not move forward, it follows the one before.
            int64_t n = s.lastPicture + 1;
            const int64_t ts = s.frame->best_effort_timestamp;
            s.lastDuration = std::min(Positive(s.frame->pkt_duration), kTimeCeiling);
            if (ts != AV_NOPTS_VALUE && ts > n) n = std::min(ts, kSampleCeiling);
            av_frame_unref(s.frame.get());
            if (!ok) return false;
            s.lastPicture = n;
            s.NoteSample(n);
            sample = n;
            return true;
        }
        if (r == AVERROR_EOF || (r == AVERROR(EAGAIN) && s.draining)) {
            s.finished = true;
            return false;
        }
        if (r != AVERROR(EAGAIN)) return s.Fail(AviReadError::kDecode);
        if (!s.Feed()) return false;
    }
}

const char* AviReadMessage(AviReadError error) {
    switch (error) {
    case AviReadError::kMemory: return "メモリが足りません。";
    case AviReadError::kTooLarge: return "AVI が大きすぎて、読み込めません。";
    case AviReadError::kNoDecoder: return "この AVI の圧縮形式は読めません。";
    case AviReadError::kOpen:
    case AviReadError::kDecode:
    case AviReadError::kCancelled:
    case AviReadError::kNone: break;
    }
    return "";
}

}  // namespace kivo
