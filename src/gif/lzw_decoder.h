// GIF image data: the buffered input both GIF readers share, the gathering of an
// image's data sub-blocks, and the one LZW decoder both readers run.
//
// The decoder works on the image's data sub-blocks joined into one buffer. The
// code stream is a plain bit stream across sub-block boundaries, so joining them
// changes no code; it also tells us the data's length before a picture is
// allocated, which bounds what a hostile file can make us allocate.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kivo {

// Bytes of a GIF file, from memory or from an open file (not owned) read through
// one buffer. Every read reports how much it really got.
class GifInput {
public:
    explicit GifInput(std::span<const uint8_t> bytes)
        : cur_(bytes.data()), end_(bytes.data() + bytes.size()) {}
    explicit GifInput(std::FILE* file);

    // The next byte, or -1 at the end of the input.
    int Byte() {
        if (cur_ == end_ && !Refill()) {
            ranOut_ = true;
            return -1;
        }
        return *cur_++;
    }
    // Copies up to n bytes; returns how many there were.
    size_t Read(uint8_t* dest, size_t n);
    // False when the input ends first.
    bool Skip(size_t n);
    // A read wanted more than the input held: a block that failed then was cut
    // off by the end of the file rather than malformed.
    bool RanOut() const { return ranOut_; }

private:
    bool Refill();

    const uint8_t* cur_ = nullptr;
    const uint8_t* end_ = nullptr;
    std::FILE* file_ = nullptr;
    std::vector<uint8_t> buffer_;
    bool ranOut_ = false;
};

// A file opened for reading, closed however the reading ends.
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using ReadFileHandle = std::unique_ptr<std::FILE, FileCloser>;
inline ReadFileHandle OpenForReading(const std::string& path) {
    return ReadFileHandle(std::fopen(path.c_str(), "rb"));
}

// Skips data sub-blocks up to and including the zero-size terminator; false
// when the input ends first.
bool SkipSubBlocks(GifInput& in);

// One image's LZW data: its sub-blocks joined.
struct LzwData {
    std::vector<uint8_t> bytes;  // data, then kLzwPadding zero bytes
    size_t length = 0;           // data bytes without the padding
    bool truncated = false;      // the input ended before the terminator
};
constexpr size_t kLzwPadding = 4;

// Reads sub-blocks up to the terminator. A sub-block cut short by the end of the
// input is dropped whole, as a reader fed block by block would lose it.
// Throws std::bad_alloc like any allocation.
void ReadLzwData(GifInput& in, LzwData& out);

// The most pixels LZW data of `bytes` bytes can produce. A code of n bits can
// stand for at most 2^n pixels, so no stream yields more than 4096 pixels per
// byte; a picture larger than this is mostly made up, not decoded.
inline size_t LzwPixelLimit(size_t bytes) {
    return bytes > SIZE_MAX / 4096 ? SIZE_MAX : bytes * 4096;
}
// Pixels a reader may make up beyond LzwPixelLimit (in all its images together)
// for images whose data ends early: enough for any damaged real file, small
// against memory, so a tiny file cannot claim gigabytes.
constexpr size_t kUnbackedPixelAllowance = size_t(1) << 24;

constexpr int kLzwMaxMinCodeSize = 11;  // larger sizes give codes beyond the tables

// The GIF variant of LZW decoding, pixel for pixel as readers have always done
// it: the table is never reset when full (it stops growing and codes stay 12
// bits wide until a clear code), a code above the next free code repeats the old
// string plus its first byte and then counts as 0, and after the end code every
// pixel is 0. Decoded strings are written straight into the caller's output;
// only a string that runs past the end of the requested pixels waits in a
// carry buffer for the next call.
class LzwDecoder {
public:
    LzwDecoder() = default;
    // Start(minCodeSize, data) at once.
    LzwDecoder(int minCodeSize, const LzwData& data) { Start(minCodeSize, data); }
    LzwDecoder(int minCodeSize, LzwData&& data) = delete;  // would dangle

    // Begins an image. minCodeSize must be 0..kLzwMaxMinCodeSize; data must
    // outlive the decoding. One decoder can serve image after image: its tables
    // are only read where this image has written them, so nothing is cleared.
    void Start(int minCodeSize, const LzwData& data);

    // Decodes the next `count` pixel indices (each below 2^minCodeSize, or 0).
    void Decode(uint16_t* out, size_t count);

    // Decodes a whole image of `count` pixels at once, right after Start, for
    // a minimum code size of at most 8; the same pixels as Decode. A string
    // already decoded is copied from where it stands in out instead of walking
    // its chain of table entries, pixel by pixel.
    void DecodeImage(uint8_t* out, size_t count);
    static constexpr int kImageMaxMinCodeSize = 8;

    // The input ended inside the data, where a pixel needed it: the data is
    // damaged. Pixels from then on are 0.
    bool error() const { return error_; }

private:
    uint32_t ReadCode();
    uint16_t Restart();  // clear code: empty table, first pixel after it
    void EmitString(uint32_t code, uint16_t* out, size_t room, size_t& produced);

    static constexpr uint32_t kTableSize = 4096;

    const uint8_t* data_ = nullptr;
    size_t bitLimit_ = 0;
    size_t bitPos_ = 0;
    bool truncated_ = false;

    uint32_t minCodeSize_ = 0;
    uint32_t clear_ = 1, end_ = 2;
    uint32_t codeSize_ = 0, codeLimit_ = 0, nextFree_ = 0;
    uint32_t oldCode_ = 0;
    uint16_t firstByte_ = 0;
    bool fresh_ = true;
    bool ended_ = false;  // end code seen or data used up: only zeros follow
    bool error_ = false;

    std::array<uint16_t, kTableSize> prefix_{};
    std::array<uint16_t, kTableSize> suffix_{};
    std::array<uint16_t, kTableSize> length_{};  // string length of each code
    // DecodeImage: where each code's string stands in the output, when it does
    // (a string made after a damaged code was never written out whole).
    std::array<size_t, kTableSize> place_{};
    std::array<bool, kTableSize> placed_{};

    // The part of the last string that did not fit into the caller's output.
    std::array<uint16_t, kTableSize + 1> carry_{};
    size_t carryPos_ = 0, carryEnd_ = 0;
};

}  // namespace kivo
