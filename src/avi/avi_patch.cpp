#include "avi/avi_patch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

namespace kivo {

namespace {

constexpr size_t kScanBlock = 64 * 1024;  // a multiple of the 4-byte scan step

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

class AviFile {
public:
    ~AviFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Open(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        struct stat st;
        if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return false;
        size_ = uint64_t(st.st_size);
        return true;
    }
    uint64_t size() const { return size_; }
    bool ReadAt(uint64_t at, void* out, size_t n) const {
        return at <= size_ && n <= size_ - at && pread(fd_, out, n, off_t(at)) == ssize_t(n);
    }
    bool WriteAt(uint64_t at, const void* data, size_t n) const {
        return pwrite(fd_, data, n, off_t(at)) == ssize_t(n);
    }
    // The first position at or after from, in steps of 4, where the four bytes
    // read tag; 0 when the file ends first.
    uint64_t Find(uint64_t from, const char* tag) const {
        std::vector<uint8_t> block(kScanBlock);
        for (uint64_t at = from; at < size_ && size_ - at >= 4; at += kScanBlock) {
            const size_t n = size_t(std::min<uint64_t>(kScanBlock, size_ - at)) & ~size_t(3);
            if (!ReadAt(at, block.data(), n)) return 0;
            for (size_t i = 0; i < n; i += 4)
                if (std::memcmp(block.data() + i, tag, 4) == 0) return at + i;
        }
        return 0;
    }

private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

// The file's layout, and the repair with every check made before any write.
bool Repair(AviFile& file) {
    uint8_t head[24];
    if (!file.ReadAt(0, head, sizeof head) || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "AVI ", 4) != 0 || std::memcmp(head + 12, "LIST", 4) != 0 ||
        std::memcmp(head + 20, "hdrl", 4) != 0)
        return false;
    const uint64_t a = 12 + 8 + uint64_t(Le32(head + 16));  // right after the header list

    uint8_t junk[16];
    if (!file.ReadAt(a, junk, sizeof junk) || std::memcmp(junk, "JUNK", 4) != 0 ||
        std::memcmp(junk + 8, "LIST", 4) != 0)
        return true;  // the movie list is where it belongs
    const uint64_t b = Le32(junk + 12);  // the movie list's size

    const uint64_t c = file.Find(a + 20, "00db");
    if (c == 0) return false;
    const uint64_t j = c - a - 20;  // padding that becomes the JUNK chunk
    // The first chunk must lie inside the movie list, which keeps its end.
    if (j > UINT32_MAX || b < j + 4) return false;
    const uint64_t indexAt = a + 16 + b;  // right after the movie list
    uint8_t indexHead[8];
    if (!file.ReadAt(indexAt, indexHead, sizeof indexHead) || std::memcmp(indexHead, "idx1", 4) != 0)
        return false;
    // The index's own size, as far as the file holds it: bytes after it are
    // not index entries.
    const uint64_t stored = std::min<uint64_t>(Le32(indexHead + 4), file.size() - indexAt - 8);
    std::vector<uint8_t> entries;
    try {
        entries.resize(size_t(stored / 16 * 16));
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!file.ReadAt(indexAt + 8, entries.data(), entries.size())) return false;
    // Offsets count from the movie list's start, which moves j bytes on.
    for (size_t e = 0; e < entries.size(); e += 16) {
        const uint32_t offset = Le32(&entries[e + 8]);
        if (offset < j) return false;
        Put32(&entries[e + 8], offset - uint32_t(j));
    }

    uint8_t junkHead[12] = {'J', 'U', 'N', 'K', 0, 0, 0, 0, 0, 0, 0, 0};
    Put32(junkHead + 4, uint32_t(j));
    uint8_t listHead[12] = {'L', 'I', 'S', 'T', 0, 0, 0, 0, 'm', 'o', 'v', 'i'};
    Put32(listHead + 4, uint32_t(b - j));
    return file.WriteAt(a, junkHead, sizeof junkHead) && file.WriteAt(c - 12, listHead, sizeof listHead) &&
           file.WriteAt(indexAt + 8, entries.data(), entries.size());
}

}  // namespace

bool PatchAviMoviList(const std::string& path) {
    AviFile file;
    return file.Open(path) && Repair(file);
}

}  // namespace kivo
