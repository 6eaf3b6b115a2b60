#include "avi/avi_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

namespace kivo {

namespace {

constexpr int kIoBufferSize = 64 * 1024;

// The position whence and offset name, or -1 when it lies outside 0 … limit.
int64_t Resolve(int64_t offset, int whence, uint64_t position, uint64_t size) {
    int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = int64_t(position); break;
    case SEEK_END: base = int64_t(size); break;
    default: return -1;
    }
    if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) return -1;
    return base + offset;
}

AvioContextPtr MakeContext(void* opaque, bool write, int (*read)(void*, uint8_t*, int),
                           int (*put)(void*, uint8_t*, int), int64_t (*seek)(void*, int64_t, int)) {
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer) return nullptr;
    AVIOContext* io = avio_alloc_context(buffer, kIoBufferSize, write ? 1 : 0, opaque, read, put, seek);
    if (!io) av_free(buffer);
    return AvioContextPtr(io);
}

}  // namespace

void QuietFfmpeg() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

void AvioContextDeleter::operator()(AVIOContext* io) const {
    if (!io) return;
    av_freep(&io->buffer);  // FFmpeg may have replaced the buffer it was given
    avio_context_free(&io);
}

std::unique_ptr<AviSource> AviSource::OpenFile(const std::string& path) {
    // Without blocking, so that a FIFO is turned away instead of waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    std::FILE* file = nullptr;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !(file = fdopen(fd, "rb"))) {
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<AviSource> source(new (std::nothrow) AviSource);
    if (!source) {
        std::fclose(file);
        return nullptr;
    }
    source->file_ = file;
    source->size_ = uint64_t(st.st_size);
    return source;
}

std::unique_ptr<AviSource> AviSource::FromBytes(std::span<const uint8_t> bytes) {
    std::unique_ptr<AviSource> source(new (std::nothrow) AviSource);
    if (!source) return nullptr;
    source->bytes_ = bytes;
    source->size_ = bytes.size();
    return source;
}

AviSource::~AviSource() {
    if (file_) std::fclose(file_);
}

int AviSource::Read(uint8_t* buffer, int size) {
    if (size <= 0) return 0;
    if (position_ >= size_) return AVERROR_EOF;
    const size_t n = size_t(std::min<uint64_t>(uint64_t(size), size_ - position_));
    size_t got = n;
    if (file_) {
        if (filePosition_ != position_) {
            if (fseeko(file_, off_t(position_), SEEK_SET) != 0) {
                filePosition_ = UINT64_MAX;  // unknown: the next read seeks again
                return AVERROR(EIO);
            }
            filePosition_ = position_;
        }
        got = std::fread(buffer, 1, n, file_);
        filePosition_ += got;
        if (got == 0) return AVERROR_EOF;  // the file shrank while we read it
    } else {
        std::memcpy(buffer, bytes_.data() + position_, n);
    }
    position_ += got;
    return int(got);
}

int64_t AviSource::Seek(int64_t offset, int whence) {
    if (whence & AVSEEK_SIZE) return int64_t(size_);
    const int64_t to = Resolve(offset, whence, position_, size_);
    if (to < 0) return AVERROR(EINVAL);
    position_ = uint64_t(to);
    return to;
}

int AviSink::Write(const uint8_t* data, int size) {
    if (size < 0 || !file_.Write(data, size_t(size))) return AVERROR(EIO);
    position_ += uint64_t(size);
    size_ = std::max(size_, position_);
    return size;
}

int64_t AviSink::Seek(int64_t offset, int whence) {
    if (whence & AVSEEK_SIZE) return int64_t(size_);
    const int64_t to = Resolve(offset, whence, position_, size_);
    if (to < 0 || !file_.Seek(uint64_t(to))) return AVERROR(EIO);
    position_ = uint64_t(to);
    return to;
}

AvioContextPtr MakeReadContext(AviSource& source) {
    return MakeContext(
        &source, false,
        [](void* s, uint8_t* b, int n) { return static_cast<AviSource*>(s)->Read(b, n); }, nullptr,
        [](void* s, int64_t o, int w) { return static_cast<AviSource*>(s)->Seek(o, w); });
}

AvioContextPtr MakeWriteContext(AviSink& sink) {
    return MakeContext(
        &sink, true, nullptr,
        [](void* s, uint8_t* b, int n) { return static_cast<AviSink*>(s)->Write(b, n); },
        [](void* s, int64_t o, int w) { return static_cast<AviSink*>(s)->Seek(o, w); });
}

}  // namespace kivo
