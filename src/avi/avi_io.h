// Where FFmpeg's libraries meet our files. FFmpeg never opens a path itself: it
// reads a file we opened (so a name with a colon is never taken for a protocol
// and a FIFO is turned away) or bytes in memory, and writes into a SafeFile, so
// an export replaces the target only when complete. Also the owning handles of
// FFmpeg's objects.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "platform/safe_save.h"

namespace kivo {

// FFmpeg's own messages would reach the terminal past ShowError; they are
// silenced once, before the first use.
void QuietFfmpeg();

struct AvFormatInputDeleter {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct AvFormatOutputDeleter {
    void operator()(AVFormatContext* c) const { avformat_free_context(c); }
};
struct AvCodecContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct AvFrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct AvPacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsContextDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct AvioContextDeleter {
    void operator()(AVIOContext* io) const;
};
using AvFormatInput = std::unique_ptr<AVFormatContext, AvFormatInputDeleter>;
using AvFormatOutput = std::unique_ptr<AVFormatContext, AvFormatOutputDeleter>;
using AvCodecContextPtr = std::unique_ptr<AVCodecContext, AvCodecContextDeleter>;
using AvFramePtr = std::unique_ptr<AVFrame, AvFrameDeleter>;
using AvPacketPtr = std::unique_ptr<AVPacket, AvPacketDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using AvioContextPtr = std::unique_ptr<AVIOContext, AvioContextDeleter>;

// The bytes of an AVI file: an open regular file or a span in memory.
class AviSource {
public:
    // nullptr when the path does not name a regular file we may read.
    static std::unique_ptr<AviSource> OpenFile(const std::string& path);
    static std::unique_ptr<AviSource> FromBytes(std::span<const uint8_t> bytes);
    ~AviSource();
    AviSource(const AviSource&) = delete;
    AviSource& operator=(const AviSource&) = delete;

    // FFmpeg's read and seek callbacks: bytes read (AVERROR_EOF at the end),
    // the new position, or the size for AVSEEK_SIZE.
    int Read(uint8_t* buffer, int size);
    int64_t Seek(int64_t offset, int whence);

private:
    AviSource() = default;
    std::FILE* file_ = nullptr;
    std::span<const uint8_t> bytes_;
    uint64_t size_ = 0, position_ = 0;
    uint64_t filePosition_ = 0;  // where the FILE stands, to seek only when needed
};

// A SafeFile as FFmpeg's output, which seeks back to complete the headers.
class AviSink {
public:
    explicit AviSink(SafeFile& file) : file_(file) {}
    // FFmpeg's write and seek callbacks.
    int Write(const uint8_t* data, int size);
    int64_t Seek(int64_t offset, int whence);

private:
    SafeFile& file_;
    uint64_t size_ = 0, position_ = 0;
};

// Contexts for FFmpeg over a source or a sink; nullptr when memory runs out.
// The source or sink must outlive the context.
AvioContextPtr MakeReadContext(AviSource& source);
AvioContextPtr MakeWriteContext(AviSink& sink);

}  // namespace kivo
