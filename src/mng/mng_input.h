// The bytes of an MNG file and the chunks in them, for the MNG reader. The input
// is a file read piece by piece (an animation need not fit in memory twice) or
// bytes already in memory; either way every read is checked against the input's
// size, so a chunk that claims more than the file holds is a failure, never a
// read past the end.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kivo {

class MngInput {
public:
    virtual ~MngInput() = default;
    uint64_t size() const { return size_; }
    // `n` bytes at `offset` as a view valid until the next call; empty when the
    // input has fewer or they cannot be read. n == 0 gives an empty view.
    virtual std::span<const uint8_t> Read(uint64_t offset, size_t n) = 0;

protected:
    uint64_t size_ = 0;
};

class MngMemoryInput final : public MngInput {
public:
    explicit MngMemoryInput(std::span<const uint8_t> bytes) : bytes_(bytes) { size_ = bytes.size(); }
    std::span<const uint8_t> Read(uint64_t offset, size_t n) override;

private:
    std::span<const uint8_t> bytes_;
};

class MngFileInput final : public MngInput {
public:
    ~MngFileInput() override;
    // False when the path cannot be opened or is not a regular file.
    bool Open(const std::string& path);
    // Throws std::bad_alloc when the piece asked for does not fit in memory.
    std::span<const uint8_t> Read(uint64_t offset, size_t n) override;

private:
    std::FILE* file_ = nullptr;
    uint64_t position_ = 0;  // where the next fread starts
    std::vector<uint8_t> buffer_;
};

// PNG allows no longer chunk.
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFF;

// One chunk: where it starts (its length field), its data length and type.
struct InputChunk {
    uint64_t at = 0;
    uint32_t length = 0;
    char type[5] = {};  // four letters and a terminating zero

    uint64_t dataAt() const { return at + 8; }
    uint64_t end() const { return at + 12 + uint64_t(length); }  // just past the CRC
    bool Is(const char* name) const;
    // The first letter is upper case: a reader that does not know the chunk may
    // not pass over it.
    bool IsCritical() const { return type[0] >= 'A' && type[0] <= 'Z'; }
};

// Reads the chunk at `at` and checks it before anyone acts on it: the whole
// chunk lies inside the input, its length is one PNG allows, its type is four
// letters, and the CRC over type and data matches. False otherwise.
bool ReadChunk(MngInput& in, uint64_t at, InputChunk& chunk);

// The chunk's data (all of it) as a view valid until the next read.
std::span<const uint8_t> ChunkData(MngInput& in, const InputChunk& chunk);

// Big-endian numbers in chunk data.
inline uint32_t Be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

}  // namespace kivo
