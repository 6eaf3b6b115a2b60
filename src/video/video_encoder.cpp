#include "video/video_encoder.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <new>

#include "avi/avi_io.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

namespace kivo {

namespace {

// The animation's clock: hundredths of a second.
constexpr AVRational kTicks = {1, 100};
constexpr int kIoBufferSize = 64 * 1024;

// A growing file in memory that FFmpeg writes, seeks in and, for the MP4's
// second pass, reads back through a cursor of its own.
struct MemoryFile {
    std::vector<uint8_t> bytes;
};
struct MemoryCursor {
    MemoryFile* file = nullptr;
    size_t position = 0;
};

int WriteMemory(void* opaque, uint8_t* data, int size) {
    auto* c = static_cast<MemoryCursor*>(opaque);
    if (size < 0) return AVERROR(EINVAL);
    std::vector<uint8_t>& b = c->file->bytes;
    try {
        if (c->position + size_t(size) > b.size()) b.resize(c->position + size_t(size));
    } catch (const std::bad_alloc&) {
        return AVERROR(ENOMEM);
    }
    std::memcpy(b.data() + c->position, data, size_t(size));
    c->position += size_t(size);
    return size;
}

int ReadMemory(void* opaque, uint8_t* data, int size) {
    auto* c = static_cast<MemoryCursor*>(opaque);
    const std::vector<uint8_t>& b = c->file->bytes;
    if (c->position >= b.size()) return AVERROR_EOF;
    const size_t n = std::min(size_t(std::max(size, 0)), b.size() - c->position);
    std::memcpy(data, b.data() + c->position, n);
    c->position += n;
    return int(n);
}

int64_t SeekMemory(void* opaque, int64_t offset, int whence) {
    auto* c = static_cast<MemoryCursor*>(opaque);
    const int64_t size = int64_t(c->file->bytes.size());
    if (whence & AVSEEK_SIZE) return size;
    int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET: break;
    case SEEK_CUR: base = int64_t(c->position); break;
    case SEEK_END: base = size; break;
    default: return AVERROR(EINVAL);
    }
    if (offset < -base || (offset > 0 && base > INT64_MAX - offset)) return AVERROR(EINVAL);
    c->position = size_t(base + offset);
    return base + offset;
}

AVIOContext* MakeMemoryContext(MemoryCursor* cursor, bool write) {
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer) return nullptr;
    AVIOContext* io = avio_alloc_context(buffer, kIoBufferSize, write ? 1 : 0, cursor, write ? nullptr : ReadMemory,
                                         write ? WriteMemory : nullptr, SeekMemory);
    if (!io) av_free(buffer);
    return io;
}

void FreeMemoryContext(AVIOContext* io) {
    if (!io) return;
    delete static_cast<MemoryCursor*>(io->opaque);
    av_freep(&io->buffer);
    avio_context_free(&io);
}

// The MP4 muxer's "faststart" opens its own output again to read it while
// moving the index ahead of the data; it gets a cursor over the same memory.
int OpenAgain(AVFormatContext* s, AVIOContext** pb, const char*, int flags, AVDictionary**) {
    if (flags & AVIO_FLAG_WRITE) return AVERROR(EPERM);
    auto* mine = static_cast<MemoryCursor*>(s->opaque);
    auto* cursor = new (std::nothrow) MemoryCursor{mine->file, 0};
    if (!cursor) return AVERROR(ENOMEM);
    *pb = MakeMemoryContext(cursor, false);
    if (!*pb) {
        delete cursor;
        return AVERROR(ENOMEM);
    }
    return 0;
}

int CloseAgain(AVFormatContext*, AVIOContext* pb) {
    FreeMemoryContext(pb);
    return 0;
}

int Even(int n) { return n + (n & 1); }

}  // namespace

struct VideoStreamWriter::State {
    MemoryFile file;
    MemoryCursor cursor{&file, 0};
    AVIOContext* io = nullptr;  // freed by hand: its cursor is ours, not allocated
    AvFormatOutput format;
    AvCodecContextPtr codec;
    AvFramePtr frame;
    AvPacketPtr packet;
    SwsContextPtr scaler;
    std::vector<uint32_t> padded;  // an odd-sized screen with its black edge
    std::map<int64_t, int64_t> durations;  // by start: encoders reorder pictures
    VideoStreamFormat video;
    int width = 0, height = 0;
    bool headerWritten = false;

    ~State() {
        if (format && headerWritten) format->pb = nullptr;
        format.reset();
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }
    VideoOpenResult OpenEncoder();
    bool WritePackets();
};

VideoStreamWriter::VideoStreamWriter() : s_(std::make_unique<State>()) {}
VideoStreamWriter::~VideoStreamWriter() = default;
const std::vector<uint8_t>& VideoStreamWriter::bytes() const { return s_->file.bytes; }

VideoOpenResult VideoStreamWriter::State::OpenEncoder() {
    const bool mp4 = video.kind == VideoKind::kMp4;
    const AVCodec* encoder = avcodec_find_encoder_by_name(mp4 ? "libx264" : "libvpx-vp9");
    if (!encoder) return VideoOpenResult::kNoEncoder;
    codec.reset(avcodec_alloc_context3(encoder));
    if (!codec) return VideoOpenResult::kFailed;
    AVCodecContext* c = codec.get();
    // H.264 in 4:2:0 needs even sizes; VP9 takes any.
    width = mp4 ? Even(video.width) : video.width;
    height = mp4 ? Even(video.height) : video.height;
    c->width = width;
    c->height = height;
    c->pix_fmt = video.alpha && !mp4 ? AV_PIX_FMT_YUVA420P : AV_PIX_FMT_YUV420P;
    c->time_base = kTicks;
    c->colorspace = AVCOL_SPC_SMPTE170M;
    c->color_range = AVCOL_RANGE_MPEG;
    // The encoders pick their own thread count from the machine (x264 runs
    // frames in parallel with its look-ahead), as FFmpeg leaves them to.
    c->thread_count = 0;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (mp4) {
        // Sharp-edged drawings need a little more than the video default.
        av_dict_set(&options, "crf", "20", 0);
        av_dict_set(&options, "preset", "medium", 0);
    } else {
        av_dict_set(&options, "crf", "30", 0);
        av_dict_set(&options, "b", "0", 0);
        av_dict_set(&options, "deadline", "good", 0);
        av_dict_set(&options, "cpu-used", "4", 0);
        av_dict_set(&options, "row-mt", "1", 0);
    }
    const int r = avcodec_open2(c, encoder, &options);
    av_dict_free(&options);
    return r < 0 ? VideoOpenResult::kFailed : VideoOpenResult::kOk;
}

VideoOpenResult VideoStreamWriter::Open(const VideoStreamFormat& format) {
    QuietFfmpeg();
    State& s = *s_;
    s.video = format;
    if (format.width <= 0 || format.height <= 0 || format.width > 0x7FFE || format.height > 0x7FFE)
        return VideoOpenResult::kFailed;
    AVFormatContext* out = nullptr;
    const char* muxer = format.kind == VideoKind::kMp4 ? "mp4" : "webm";
    if (avformat_alloc_output_context2(&out, nullptr, muxer, nullptr) < 0 || !out) return VideoOpenResult::kFailed;
    s.format.reset(out);
    s.io = MakeMemoryContext(&s.cursor, true);
    s.packet.reset(av_packet_alloc());
    s.frame.reset(av_frame_alloc());
    if (!s.io || !s.packet || !s.frame) return VideoOpenResult::kFailed;
    out->pb = s.io;
    out->flags |= AVFMT_FLAG_CUSTOM_IO;
    out->opaque = &s.cursor;
    out->io_open = OpenAgain;
    out->io_close2 = CloseAgain;
    if (const VideoOpenResult r = s.OpenEncoder(); r != VideoOpenResult::kOk) return r;
    AVStream* st = avformat_new_stream(out, nullptr);
    if (!st || avcodec_parameters_from_context(st->codecpar, s.codec.get()) < 0) return VideoOpenResult::kFailed;
    st->time_base = kTicks;
    AVDictionary* options = nullptr;
    if (format.kind == VideoKind::kMp4) av_dict_set(&options, "movflags", "+faststart", 0);
    const int r = avformat_write_header(out, &options);
    av_dict_free(&options);
    if (r < 0) return VideoOpenResult::kFailed;
    s.headerWritten = true;

    AVFrame* f = s.frame.get();
    f->format = s.codec->pix_fmt;
    f->width = s.width;
    f->height = s.height;
    if (av_frame_get_buffer(f, 0) < 0) return VideoOpenResult::kFailed;
    s.scaler.reset(sws_getContext(s.width, s.height, AV_PIX_FMT_RGB32, s.width, s.height, AVPixelFormat(f->format),
                                  SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!s.scaler) return VideoOpenResult::kFailed;
    if (s.width != format.width || s.height != format.height)
        s.padded.assign(size_t(s.width) * size_t(s.height), 0xFF000000u);
    return VideoOpenResult::kOk;
}

bool VideoStreamWriter::State::WritePackets() {
    for (;;) {
        const int r = avcodec_receive_packet(codec.get(), packet.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return false;
        // Each picture lasts its frame's delay, the last one included.
        if (const auto d = durations.find(packet->pts); d != durations.end()) packet->duration = d->second;
        av_packet_rescale_ts(packet.get(), codec->time_base, format->streams[0]->time_base);
        packet->stream_index = 0;
        if (av_interleaved_write_frame(format.get(), packet.get()) < 0) return false;
    }
}

bool VideoStreamWriter::Write(std::span<const uint32_t> screen, int64_t start, int64_t ticks) {
    State& s = *s_;
    const size_t w = size_t(s.video.width), h = size_t(s.video.height);
    if (!s.codec || screen.size() != w * h) return false;
    const uint32_t* pixels = screen.data();
    if (!s.padded.empty()) {
        for (size_t y = 0; y < h; ++y)
            std::memcpy(s.padded.data() + y * size_t(s.width), screen.data() + y * w, w * 4);
        pixels = s.padded.data();
    }
    if (av_frame_make_writable(s.frame.get()) < 0) return false;
    const uint8_t* in[4] = {reinterpret_cast<const uint8_t*>(pixels), nullptr, nullptr, nullptr};
    const int inStride[4] = {s.width * 4, 0, 0, 0};
    if (sws_scale(s.scaler.get(), in, inStride, 0, s.height, s.frame->data, s.frame->linesize) != s.height)
        return false;
    s.frame->pts = start;
    s.durations[start] = ticks;
    if (avcodec_send_frame(s.codec.get(), s.frame.get()) < 0) return false;
    return s.WritePackets();
}

bool VideoStreamWriter::Finish() {
    State& s = *s_;
    if (!s.codec || avcodec_send_frame(s.codec.get(), nullptr) < 0 || !s.WritePackets()) return false;
    if (av_write_trailer(s.format.get()) < 0) return false;
    avio_flush(s.io);
    return s.io->error == 0;
}

}  // namespace kivo
