#include "mng/mng_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace kivo {

std::span<const uint8_t> MngMemoryInput::Read(uint64_t offset, size_t n) {
    if (offset > size_ || n > size_ - offset) return {};
    return bytes_.subspan(size_t(offset), n);
}

MngFileInput::~MngFileInput() {
    if (file_) std::fclose(file_);
}

bool MngFileInput::Open(const std::string& path) {
    // A pipe or a device has no size to check chunks against and may never end;
    // opening without blocking lets a FIFO be turned away instead of waiting for
    // a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !(file_ = fdopen(fd, "rb"))) {
        ::close(fd);
        return false;
    }
    size_ = uint64_t(st.st_size);
    return true;
}

std::span<const uint8_t> MngFileInput::Read(uint64_t offset, size_t n) {
    if (!file_ || offset > size_ || n > size_ - offset) return {};
    if (n == 0) return {};
    if (offset != position_) {
        if (fseeko(file_, off_t(offset), SEEK_SET) != 0) {
            position_ = UINT64_MAX;  // unknown: the next read seeks again
            return {};
        }
        position_ = offset;
    }
    if (buffer_.size() < n) buffer_.resize(n);
    const size_t got = std::fread(buffer_.data(), 1, n, file_);
    position_ += got;
    if (got != n) return {};  // the file shrank while we read it
    return {buffer_.data(), n};
}

bool InputChunk::Is(const char* name) const { return std::memcmp(type, name, 4) == 0; }

bool ReadChunk(MngInput& in, uint64_t at, InputChunk& chunk) {
    std::span<const uint8_t> head = in.Read(at, 8);
    if (head.size() != 8) return false;
    chunk.at = at;
    chunk.length = Be32(head.data());
    std::memcpy(chunk.type, head.data() + 4, 4);
    chunk.type[4] = 0;
    if (chunk.length > kMaxChunkLength || in.size() - at < 12 + uint64_t(chunk.length)) return false;
    for (int i = 0; i < 4; ++i) {
        const char letter = char(chunk.type[i] | 0x20);
        if (letter < 'a' || letter > 'z') return false;  // not a chunk name at all
    }

    // The CRC covers the type and the data; the data is read in pieces, so a long
    // chunk costs no more memory than a short one.
    constexpr size_t kPiece = 64 * 1024;
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.type), 4);
    for (uint64_t done = 0; done < chunk.length;) {
        const size_t n = size_t(std::min<uint64_t>(chunk.length - done, kPiece));
        std::span<const uint8_t> piece = in.Read(chunk.dataAt() + done, n);
        if (piece.size() != n) return false;
        crc = crc32(crc, piece.data(), uInt(n));
        done += n;
    }
    std::span<const uint8_t> stored = in.Read(chunk.dataAt() + chunk.length, 4);
    return stored.size() == 4 && Be32(stored.data()) == uint32_t(crc);
}

std::span<const uint8_t> ChunkData(MngInput& in, const InputChunk& chunk) {
    if (chunk.length == 0) return {};
    return in.Read(chunk.dataAt(), chunk.length);
}

}  // namespace kivo
