#include "avi/avi_writer.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/parallel.h"
#include "avi/avi_codec.h"
#include "avi/avi_io.h"
#include "avi/avi_yuv.h"

extern "C" {
#include <libavutil/opt.h>
}

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
    bool ownYuv = false;      // full colour into Motion JPEG's pictures: converted here
    AvFramePtr staging;       // our picture top-down and aligned, as the scaler's fast paths want it
    std::vector<uint8_t> rawRows;  // uncompressed full colour: the screen as DIB rows
    AviVideoFormat video;
    uint32_t palette[256] = {};
    SafeFile* file = nullptr;
    bool paletteSent = false;

    AviOpenResult OpenEncoder(const AVCodec* codec, AVStream* st, AVRational unit);
    bool FillFrame(const uint8_t* top, ptrdiff_t rowStep);
    bool Encode(const uint8_t* top, ptrdiff_t rowStep, int64_t position);
    bool WriteRaw(const uint8_t* rows, size_t bytes, int64_t position);
    bool WritePackets();
};

namespace {

// Our pictures as FFmpeg names them: DIB indices, or the compositor's pixels,
// which are blue, green, red, unused in memory order.
AVPixelFormat OwnPixels(int bits) { return bits == 8 ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_BGR0; }

// A scaler that only converts pixels, its rows spread over the cores.
SwsContext* MakeScaler(int width, int height, AVPixelFormat from, AVPixelFormat to) {
    SwsContext* c = sws_alloc_context();
    if (!c) return nullptr;
    av_opt_set_int(c, "srcw", width, 0);
    av_opt_set_int(c, "srch", height, 0);
    av_opt_set_pixel_fmt(c, "src_format", from, 0);
    av_opt_set_int(c, "dstw", width, 0);
    av_opt_set_int(c, "dsth", height, 0);
    av_opt_set_pixel_fmt(c, "dst_format", to, 0);
    av_opt_set_int(c, "sws_flags", SWS_BICUBIC, 0);
    av_opt_set_int(c, "threads", int(WorkerThreadCount()), 0);
    if (sws_init_context(c, nullptr, nullptr) < 0) {
        sws_freeContext(c);
        return nullptr;
    }
    return c;
}

// A frame of our own to fill: the encoder may still hold the last one, and
// making that writable would copy pictures we are about to overwrite.
bool FreshFrame(AVFrame* frame) {
    if (av_frame_is_writable(frame)) return true;
    const int format = frame->format, width = frame->width, height = frame->height;
    av_frame_unref(frame);
    frame->format = format;
    frame->width = width;
    frame->height = height;
    return av_frame_get_buffer(frame, 0) >= 0;
}

}  // namespace

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
    const AVPixelFormat own = OwnPixels(video.bits);
    ownYuv = video.bits == 24 && pixels == AV_PIX_FMT_YUVJ444P;
    if (pixels != own && !ownYuv) {
        scaler.reset(MakeScaler(video.width, video.height, own, pixels));
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
        if (video.bits == 24) s.rawRows.resize(DibRowBytes(uint32_t(video.width), 24) * size_t(video.height));
    } else if (const AviOpenResult r = s.OpenEncoder(c, st, unit); r != AviOpenResult::kOk) {
        return r;
    }
    const int r = avformat_write_header(out, &options);
    av_dict_free(&options);
    if (r < 0) return file.ok() ? AviOpenResult::kRefused : AviOpenResult::kFailed;
    return AviOpenResult::kOk;
}

// Our picture, rows from the top at rowStep bytes from each other, into the
// encoder's frame: copied as they are, or through the scaler, which reads
// rows that are top-down and aligned as they stand and the others from a copy
// that is, since only such rows take its fast paths.
bool AviStreamWriter::State::FillFrame(const uint8_t* top, ptrdiff_t rowStep) {
    if (!FreshFrame(frame.get())) return false;
    const int h = video.height;
    if (ownYuv) {
        if (rowStep != ptrdiff_t(video.width) * 4) return false;  // screens are whole rows of words
        ScreenToFullRangeYuv444(reinterpret_cast<const uint32_t*>(top), video.width, h, frame->data,
                                frame->linesize);
        return true;
    }
    const size_t rowBytes = size_t(video.width) * (video.bits == 8 ? 1 : 4);
    if (scaler && video.bits == 24 && rowStep == ptrdiff_t(rowBytes) && rowBytes % 16 == 0 &&
        reinterpret_cast<uintptr_t>(top) % 16 == 0) {
        AvFramePtr src(av_frame_alloc());
        if (!src) return false;
        // The rows as a buffer FFmpeg counts references to but never frees,
        // so that the scaler takes them as they stand instead of copying them
        // first; it lets go of them before returning.
        src->buf[0] = av_buffer_create(const_cast<uint8_t*>(top), size_t(rowStep) * size_t(h),
                                       [](void*, uint8_t*) {}, nullptr, AV_BUFFER_FLAG_READONLY);
        if (!src->buf[0]) return false;
        src->format = OwnPixels(24);
        src->width = video.width;
        src->height = h;
        src->data[0] = const_cast<uint8_t*>(top);
        src->linesize[0] = int(rowStep);
        return sws_scale_frame(scaler.get(), frame.get(), src.get()) >= 0;
    }
    AVFrame* rows = scaler ? staging.get() : frame.get();
    for (int y = 0; y < h; ++y)
        std::memcpy(rows->data[0] + size_t(y) * size_t(rows->linesize[0]), top + ptrdiff_t(y) * rowStep, rowBytes);
    if (video.bits == 8) std::memcpy(rows->data[1], palette, sizeof palette);
    return !scaler || sws_scale(scaler.get(), staging->data, staging->linesize, 0, h, frame->data, frame->linesize) == h;
}

bool AviStreamWriter::State::Encode(const uint8_t* top, ptrdiff_t rowStep, int64_t position) {
    if (!FillFrame(top, rowStep)) return false;
    frame->pts = position;
    // With a fixed quantizer the encoders take it from each picture: one
    // without it is encoded at the smallest quantizer allowed instead, larger
    // and slower than asked for.
    frame->quality = codec->global_quality;
    return avcodec_send_frame(codec.get(), frame.get()) >= 0 && WritePackets();
}

// Uncompressed: the rows go out as they are, without a copy.
bool AviStreamWriter::State::WriteRaw(const uint8_t* rows, size_t bytes, int64_t position) {
    AVPacket* p = packet.get();
    av_packet_unref(p);
    p->data = const_cast<uint8_t*>(rows);
    p->size = int(bytes);
    p->pts = p->dts = position;
    p->duration = 1;
    p->flags = AV_PKT_FLAG_KEY;
    p->stream_index = 0;
    if (video.bits == 8 && !paletteSent) {
        // The muxer puts the palette the first picture carries into the header.
        uint8_t* side = av_packet_new_side_data(p, AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
        if (!side) return false;
        std::memcpy(side, palette, AVPALETTE_SIZE);
        paletteSent = true;
    }
    const bool ok = av_write_frame(format.get(), p) >= 0;
    av_packet_unref(p);
    return ok;
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
    if (!s.format || s.video.bits != 8 || !DibIsValid(picture) || DibWidth(picture) != s.video.width ||
        DibHeight(picture) != s.video.height || DibBitCount(picture) != 8)
        return false;
    const size_t stride = DibRowBytes(uint32_t(s.video.width), 8);
    if (s.codec) {
        const uint8_t* top = DibPixels(picture) + size_t(s.video.height - 1) * stride;
        return s.Encode(top, -ptrdiff_t(stride), position);
    }
    return s.WriteRaw(DibPixels(picture), DibImageSize(picture), position);
}

bool AviStreamWriter::WriteScreen(std::span<const uint32_t> screen, int64_t position) {
    State& s = *s_;
    const size_t width = size_t(s.video.width), height = size_t(s.video.height);
    if (!s.format || s.video.bits != 24 || screen.size() != width * height) return false;
    if (s.codec) {
        return s.Encode(reinterpret_cast<const uint8_t*>(screen.data()), ptrdiff_t(width * 4), position);
    }
    // Uncompressed full colour is stored as 24-bit DIB rows.
    const size_t stride = DibRowBytes(uint32_t(width), 24);
    for (size_t y = 0; y < height; ++y) {
        const uint32_t* in = screen.data() + y * width;
        uint8_t* out = s.rawRows.data() + (height - 1 - y) * stride;
        for (size_t x = 0; x < width; ++x, out += 3) {
            out[0] = uint8_t(in[x]);
            out[1] = uint8_t(in[x] >> 8);
            out[2] = uint8_t(in[x] >> 16);
        }
    }
    return s.WriteRaw(s.rawRows.data(), s.rawRows.size(), position);
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
