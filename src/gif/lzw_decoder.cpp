#include "gif/lzw_decoder.h"

#include <algorithm>
#include <cstring>

namespace kivo {

namespace {
constexpr size_t kFileBufferSize = 64 * 1024;
}

GifInput::GifInput(std::FILE* file) : file_(file), buffer_(kFileBufferSize) {}

bool GifInput::Refill() {
    if (!file_) return false;
    size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    if (got == 0) return false;
    cur_ = buffer_.data();
    end_ = cur_ + got;
    return true;
}

size_t GifInput::Read(uint8_t* dest, size_t n) {
    size_t done = 0;
    while (done < n) {
        if (cur_ == end_ && !Refill()) {
            ranOut_ = true;
            break;
        }
        size_t take = std::min(n - done, size_t(end_ - cur_));
        std::memcpy(dest + done, cur_, take);
        cur_ += take;
        done += take;
    }
    return done;
}

bool GifInput::Skip(size_t n) {
    while (n > 0) {
        if (cur_ == end_ && !Refill()) {
            ranOut_ = true;
            return false;
        }
        size_t take = std::min(n, size_t(end_ - cur_));
        cur_ += take;
        n -= take;
    }
    return true;
}

bool SkipSubBlocks(GifInput& in) {
    for (;;) {
        int size = in.Byte();
        if (size < 0) return false;
        if (size == 0) return true;
        if (!in.Skip(size_t(size))) return false;
    }
}

void ReadLzwData(GifInput& in, LzwData& out) {
    out.bytes.clear();
    out.length = 0;
    out.truncated = false;
    for (;;) {
        int size = in.Byte();
        if (size < 0) {
            out.truncated = true;
            break;
        }
        if (size == 0) break;
        out.bytes.resize(out.length + size_t(size));
        if (in.Read(out.bytes.data() + out.length, size_t(size)) != size_t(size)) {
            out.truncated = true;
            break;
        }
        out.length += size_t(size);
    }
    out.bytes.resize(out.length + kLzwPadding, 0);
}

void LzwDecoder::Start(int minCodeSize, const LzwData& data) {
    data_ = data.bytes.data();
    bitLimit_ = data.length * 8;
    bitPos_ = 0;
    truncated_ = data.truncated;
    minCodeSize_ = uint32_t(std::clamp(minCodeSize, 0, kLzwMaxMinCodeSize));
    clear_ = 1u << minCodeSize_;
    end_ = clear_ + 1;
    codeSize_ = codeLimit_ = nextFree_ = oldCode_ = 0;
    firstByte_ = 0;
    fresh_ = true;
    ended_ = error_ = false;
    carryPos_ = carryEnd_ = 0;
    // Single-byte strings: the literal codes. Table entries get their length when
    // they are made, so every string length is a look-up.
    for (uint32_t c = 0; c < clear_; ++c) length_[c] = 1;
}

uint32_t LzwDecoder::ReadCode() {
    if (bitPos_ + codeSize_ > bitLimit_) {
        // Not enough bits left: the data ended here. The partial code is lost.
        if (truncated_) error_ = true;
        ended_ = true;
        return end_;
    }
    // Codes are at most 12 bits, so with the in-byte shift they fit in 3 bytes;
    // the padding after the data makes reading them safe at the very end.
    const uint8_t* p = data_ + (bitPos_ >> 3);
    uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    v = (v >> (bitPos_ & 7)) & ((1u << codeSize_) - 1);
    bitPos_ += codeSize_;
    return v;
}

uint16_t LzwDecoder::Restart() {
    codeSize_ = minCodeSize_ + 1;
    nextFree_ = clear_ + 2;
    codeLimit_ = clear_ * 2;
    carryPos_ = carryEnd_ = 0;
    uint32_t code;
    // Each read either consumes bits or ends the data, so this loop is bounded.
    do {
        code = ReadCode();
    } while (code == clear_);
    if (error_) return 0;
    if (code > clear_) code = 0;  // end code or a table code with an empty table
    oldCode_ = code;
    firstByte_ = uint16_t(code);
    return uint16_t(code);
}

// Writes the string of `code` (plus the old first byte for a code not yet in the
// table) into out when it fits in `room`, else into the carry buffer, and adds
// the table entry the code implies.
void LzwDecoder::EmitString(uint32_t code, uint16_t* out, size_t room, size_t& produced) {
    uint32_t in = code;
    bool repeatFirst = false;
    if (code >= nextFree_) {
        repeatFirst = true;
        if (code > nextFree_) in = 0;  // damaged data: counts as 0 from now on
        code = oldCode_;
    }
    // The table keeps every length within 1..4096; the clamp only makes the
    // writes below provably bounded whatever the table holds.
    const size_t len = std::clamp<size_t>(length_[code], 1, kTableSize);
    const size_t total = len + (repeatFirst ? 1 : 0);
    uint16_t* dst = total <= room ? out : carry_.data();

    // Walk the chain from the last byte back to the first; the loop count is the
    // recorded length, so the write can never leave dst.
    uint32_t c = code;
    for (size_t k = len - 1; k > 0; --k) {
        dst[k] = suffix_[c];
        c = prefix_[c];
    }
    dst[0] = uint16_t(c);
    if (repeatFirst) dst[len] = firstByte_;
    firstByte_ = uint16_t(c);

    if (nextFree_ < kTableSize) {
        prefix_[nextFree_] = uint16_t(oldCode_);
        suffix_[nextFree_] = firstByte_;
        length_[nextFree_] = uint16_t(length_[oldCode_] + 1);
        ++nextFree_;
        if (nextFree_ >= codeLimit_ && codeSize_ < 12) {
            ++codeSize_;
            codeLimit_ *= 2;
        }
    }
    oldCode_ = in;

    if (dst == out) {
        produced = total;
    } else {
        std::copy_n(carry_.data(), room, out);
        produced = room;
        carryPos_ = room;
        carryEnd_ = total;
    }
}

void LzwDecoder::Decode(uint16_t* out, size_t count) {
    size_t i = 0;
    while (i < count) {
        if (carryPos_ < carryEnd_) {
            size_t take = std::min(count - i, carryEnd_ - carryPos_);
            std::copy_n(carry_.data() + carryPos_, take, out + i);
            carryPos_ += take;
            i += take;
            continue;
        }
        if (ended_) break;
        if (fresh_) {
            fresh_ = false;
            out[i++] = Restart();
            continue;
        }
        uint32_t code = ReadCode();
        if (code == clear_) {
            out[i++] = Restart();
        } else if (code == end_) {
            // A terminator that never comes means damaged data.
            if (!ended_ && truncated_) error_ = true;
            ended_ = true;
        } else {
            size_t produced = 0;
            EmitString(code, out + i, count - i, produced);
            i += produced;
        }
    }
    std::fill(out + i, out + count, uint16_t(0));
}

void LzwDecoder::DecodeImage(uint8_t* out, size_t count) {
    if (count == 0 || minCodeSize_ > uint32_t(kImageMaxMinCodeSize)) {
        std::fill(out, out + count, uint8_t(0));
        return;
    }
    fresh_ = false;
    size_t i = 0;
    out[i++] = uint8_t(Restart());
    // The old code's string stands at out[oldAt, i) unless a damaged code made
    // the old code 0 without writing it.
    size_t oldAt = 0;
    bool oldWhole = true;
    while (i < count && !ended_) {
        uint32_t code = ReadCode();
        if (code == clear_) {
            oldAt = i;
            oldWhole = true;
            out[i++] = uint8_t(Restart());
            continue;
        }
        if (code == end_) {
            if (!ended_ && truncated_) error_ = true;
            ended_ = true;
            break;
        }
        uint32_t in = code;
        const bool repeatFirst = code >= nextFree_;
        const bool damaged = code > nextFree_;
        if (repeatFirst) {
            if (damaged) in = 0;  // counts as 0 from now on
            code = oldCode_;
        }
        const size_t len = std::clamp<size_t>(length_[code], 1, kTableSize);
        const size_t total = len + (repeatFirst ? 1 : 0);
        const size_t start = i;
        if (total > count - start) {
            // The last string runs past the picture: only its head is kept.
            std::array<uint8_t, kTableSize + 1> whole;
            uint32_t c = code;
            for (size_t k = len - 1; k > 0; --k) {
                whole[k] = uint8_t(suffix_[c]);
                c = prefix_[c];
            }
            whole[0] = uint8_t(c);
            if (repeatFirst) whole[len] = uint8_t(firstByte_);
            std::memcpy(out + start, whole.data(), count - start);
            i = count;
            break;
        }
        if (code < clear_) {
            out[start] = uint8_t(code);
        } else if (placed_[code]) {
            std::memcpy(out + start, out + place_[code], len);
        } else {
            // Written out once from the table; copied from here next time.
            uint32_t c = code;
            for (size_t k = len - 1; k > 0; --k) {
                out[start + k] = uint8_t(suffix_[c]);
                c = prefix_[c];
            }
            out[start] = uint8_t(c);
            place_[code] = start;
            placed_[code] = true;
        }
        if (repeatFirst) out[start + len] = uint8_t(firstByte_);
        firstByte_ = out[start];

        if (nextFree_ < kTableSize) {
            prefix_[nextFree_] = uint16_t(oldCode_);
            suffix_[nextFree_] = firstByte_;
            length_[nextFree_] = uint16_t(length_[oldCode_] + 1);
            // The old string and the first byte of this one stand side by side.
            place_[nextFree_] = oldAt;
            placed_[nextFree_] = oldWhole && oldAt + length_[oldCode_] == start;
            ++nextFree_;
            if (nextFree_ >= codeLimit_ && codeSize_ < 12) {
                ++codeSize_;
                codeLimit_ *= 2;
            }
        }
        // What was written is the new old code's string, unless a damaged code
        // stood in for it, or the repeated byte came from a string that was
        // not the old code's.
        oldWhole = !damaged && (!repeatFirst || oldWhole);
        oldCode_ = in;
        oldAt = start;
        i = start + total;
    }
    std::fill(out + i, out + count, uint8_t(0));
}

}  // namespace kivo
