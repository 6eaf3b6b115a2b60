#include "tools/avi_writer.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "platform/parallel.h"
#include "tools/avi_codec.h"
#include "tools/avi_io.h"

namespace kivo {

namespace {

// Encoders of the MPEG family fall back to a low fixed bit rate unless given a
// quantizer; this one keeps pictures clean at a moderate size.
constexpr int kQuantizer = 3;

bool TakesQuantizer(AVCodecID id) {
    switch (id) {
    case AV_CODEC_ID_MJPEG:
    case AV_CODEC_ID_MPEG1VIDEO:
    case AV_CODEC_ID_MPEG2VIDEO:
    case AV_CODEC_ID_MPEG4:
    case AV_CODEC_ID_MSMPEG4V2:
    case AV_CODEC_ID_MSMPEG4V3:
    case AV_CODEC_ID_WMV1:
    case AV_CODEC_ID_WMV2:
    case AV_CODEC_ID_H263:
    case AV_CODEC_ID_H263P:
    case AV_CODEC_ID_FLV1:
        return true;
    default:
        return false;
    }
}

// FFmpeg's palettes are 0xAARRGGBB words.
void FillFfmpegPalette(const Palette& palette, uint32_t* out) {
    std::fill(out, out + 256, 0xFF000000u);
    for (size_t i = 0; i < palette.size() && i < 256; ++i)
        out[i] = 0xFF000000u | uint32_t(palette[i].r) << 16 | uint32_t(palette[i].g) << 8 | palette[i].b;
}

}  // namespace

struct AviStreamWriter::State {
    std::unique_ptr<AviSink> sink;
    AvioContextPtr io;
    AvFormatOutput format;
    AvCodecContextPtr codec;  // none for uncompressed pictures
    AvFramePtr frame;
    AvPacketPtr packet;
    SwsContextPtr scaler;     // none when the encoder takes our pictures as they are
    AvFramePtr staging;       // our picture top-down and aligned, as the scaler's fast paths want it
    AviVideoFormat video;
    uint32_t palette[256] = {};
    SafeFile* file = nullptr;
    bool paletteSent = false;

    AviOpenResult OpenEncoder(const AVCodec* codec, AVStream* st, AVRational unit);
    bool FillFrame(DibSpan picture);
    bool WritePackets();
};

AviStreamWriter::AviStreamWriter() : s_(std::make_unique<State>()) {}
AviStreamWriter::~AviStreamWriter() = default;

AviOpenResult AviStreamWriter::State::OpenEncoder(const AVCodec* c, AVStream* st, AVRational unit) {
    const AVPixelFormat pixels = EncoderPixelFormat(c, video.bits);
    if (pixels == AV_PIX_FMT_NONE) return AviOpenResult::kRefused;
    codec.reset(avcodec_alloc_context3(c));
    frame.reset(av_frame_alloc());
    if (!codec || !frame) return AviOpenResult::kFailed;
    AVCodecContext* ctx = codec.get();
    ctx->width = video.width;
    ctx->height = video.height;
    ctx->time_base = unit;
    ctx->framerate = av_inv_q(unit);
    ctx->pix_fmt = pixels;
    ctx->thread_count = int(WorkerThreadCount());
    if (TakesQuantizer(c->id)) {
        ctx->flags |= AV_CODEC_FLAG_QSCALE;
        ctx->global_quality = FF_QP2LAMBDA * kQuantizer;
    }
    if (format->oformat->flags & AVFMT_GLOBALHEADER) ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // An encoder that cannot be opened for this size and format is the
    // encoder refusing the pictures.
    if (avcodec_open2(ctx, c, nullptr) < 0) return AviOpenResult::kRefused;
    if (avcodec_parameters_from_context(st->codecpar, ctx) < 0) return AviOpenResult::kFailed;
    frame->format = pixels;
    frame->width = video.width;
    frame->height = video.height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return AviOpenResult::kFailed;
    const AVPixelFormat own = video.bits == 8 ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_BGR24;
    if (pixels != own) {
        scaler.reset(sws_getContext(video.width, video.height, own, video.width, video.height, pixels,
                                    SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!scaler) return AviOpenResult::kRefused;
        staging.reset(av_frame_alloc());
        if (!staging) return AviOpenResult::kFailed;
        staging->format = own;
        staging->width = video.width;
        staging->height = video.height;
        if (av_frame_get_buffer(staging.get(), 0) < 0) return AviOpenResult::kFailed;
    }
    return AviOpenResult::kOk;
}

AviOpenResult AviStreamWriter::Open(SafeFile& file, std::string_view encoder, const AviVideoFormat& video) {
    QuietFfmpeg();
    State& s = *s_;
    s.video = video;
    s.file = &file;
    FillFfmpegPalette(video.palette, s.palette);
    const AVCodec* c = FindAviEncoder(encoder);
    if (!c || video.width <= 0 || video.height <= 0 || (video.bits != 8 && video.bits != 24) || video.unit <= 0)
        return AviOpenResult::kFailed;

    s.sink = std::make_unique<AviSink>(file);
    s.io = MakeWriteContext(*s.sink);
    s.packet.reset(av_packet_alloc());
    AVFormatContext* out = nullptr;
    if (!s.io || !s.packet || avformat_alloc_output_context2(&out, nullptr, "avi", nullptr) < 0)
        return AviOpenResult::kFailed;
    s.format.reset(out);
    out->pb = s.io.get();
    AVStream* st = avformat_new_stream(out, nullptr);
    if (!st) return AviOpenResult::kFailed;
    // One sample lasts unit hundredths of a second: scale unit, rate 100.
    AVRational unit;
    av_reduce(&unit.num, &unit.den, video.unit, 100, INT_MAX);
    st->time_base = unit;

    AVDictionary* options = nullptr;
    if (c->id == AV_CODEC_ID_RAWVIDEO) {
        // The DIB rows as they are: bottom-up, which a positive height says.
        AVCodecParameters* par = st->codecpar;
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        par->codec_tag = 0;
        par->width = video.width;
        par->height = video.height;
        par->format = video.bits == 8 ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_BGR24;
        par->bits_per_coded_sample = video.bits;
        av_dict_set(&options, "flipped_raw_rgb", "1", 0);
    } else if (const AviOpenResult r = s.OpenEncoder(c, st, unit); r != AviOpenResult::kOk) {
        return r;
    }
    const int r = avformat_write_header(out, &options);
    av_dict_free(&options);
    if (r < 0) return file.ok() ? AviOpenResult::kRefused : AviOpenResult::kFailed;
    return AviOpenResult::kOk;
}

// Our picture into the encoder's frame, top row first as FFmpeg has it: the
// rows copied as they are, or through the scaler.
bool AviStreamWriter::State::FillFrame(DibSpan picture) {
    if (av_frame_make_writable(frame.get()) < 0) return false;
    AVFrame* rows = scaler ? staging.get() : frame.get();
    const int h = video.height;
    const size_t stride = DibRowBytes(uint32_t(video.width), uint32_t(video.bits));
    const uint8_t* top = DibPixels(picture) + size_t(h - 1) * stride;
    const size_t rowBytes = size_t(video.width) * size_t(video.bits / 8);
    for (int y = 0; y < h; ++y)
        std::memcpy(rows->data[0] + size_t(y) * size_t(rows->linesize[0]), top - size_t(y) * stride, rowBytes);
    if (video.bits == 8) std::memcpy(rows->data[1], palette, sizeof palette);
    return !scaler || sws_scale(scaler.get(), staging->data, staging->linesize, 0, h, frame->data, frame->linesize) == h;
}

bool AviStreamWriter::State::WritePackets() {
    for (;;) {
        const int r = avcodec_receive_packet(codec.get(), packet.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return false;
        av_packet_rescale_ts(packet.get(), codec->time_base, format->streams[0]->time_base);
        packet->stream_index = 0;
        if (av_interleaved_write_frame(format.get(), packet.get()) < 0) return false;
    }
}

bool AviStreamWriter::Write(DibSpan picture, int64_t position) {
    State& s = *s_;
    if (!s.format || !DibIsValid(picture) || DibWidth(picture) != s.video.width ||
        DibHeight(picture) != s.video.height || DibBitCount(picture) != s.video.bits)
        return false;
    if (s.codec) {
        if (!s.FillFrame(picture)) return false;
        s.frame->pts = position;
        return avcodec_send_frame(s.codec.get(), s.frame.get()) >= 0 && s.WritePackets();
    }
    // Uncompressed: the rows go out as they are, without a copy.
    AVPacket* p = s.packet.get();
    av_packet_unref(p);
    p->data = const_cast<uint8_t*>(DibPixels(picture));
    p->size = int(DibImageSize(picture));
    p->pts = p->dts = position;
    p->duration = 1;
    p->flags = AV_PKT_FLAG_KEY;
    p->stream_index = 0;
    if (s.video.bits == 8 && !s.paletteSent) {
        // The muxer puts the palette the first picture carries into the header.
        uint8_t* side = av_packet_new_side_data(p, AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
        if (!side) return false;
        std::memcpy(side, s.palette, AVPALETTE_SIZE);
        s.paletteSent = true;
    }
    const bool ok = av_write_frame(s.format.get(), p) >= 0;
    av_packet_unref(p);
    return ok;
}

bool AviStreamWriter::Finish() {
    State& s = *s_;
    if (!s.format) return false;
    if (s.codec && (avcodec_send_frame(s.codec.get(), nullptr) < 0 || !s.WritePackets())) return false;
    if (av_write_trailer(s.format.get()) < 0) return false;
    avio_flush(s.io.get());
    return s.io->error == 0 && s.file->ok();
}

}  // namespace kivo
