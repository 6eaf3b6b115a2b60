// Bounds-checked reading of untrusted bytes. Every reader of outside data goes
// through this: a read past the end fails, and the failure is sticky, so a
// parser can read a whole header and test ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kivo {

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t size() const { return data_.size(); }
    size_t remaining() const { return ok_ ? data_.size() - pos_ : 0; }
    bool atEnd() const { return remaining() == 0; }

    // True when n more bytes are there; otherwise the reader fails.
    bool need(size_t n) {
        if (!ok_ || n > data_.size() - pos_) ok_ = false;
        return ok_;
    }
    uint8_t u8() { return need(1) ? data_[pos_++] : 0; }
    uint16_t u16le() {
        if (!need(2)) return 0;
        uint16_t v = uint16_t(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    uint32_t u32le() {
        if (!need(4)) return 0;
        uint32_t v = uint32_t(data_[pos_]) | uint32_t(data_[pos_ + 1]) << 8 |
                     uint32_t(data_[pos_ + 2]) << 16 | uint32_t(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return v;
    }
    uint16_t u16be() {
        if (!need(2)) return 0;
        uint16_t v = uint16_t(data_[pos_] << 8 | data_[pos_ + 1]);
        pos_ += 2;
        return v;
    }
    uint32_t u32be() {
        if (!need(4)) return 0;
        uint32_t v = uint32_t(data_[pos_]) << 24 | uint32_t(data_[pos_ + 1]) << 16 |
                     uint32_t(data_[pos_ + 2]) << 8 | uint32_t(data_[pos_ + 3]);
        pos_ += 4;
        return v;
    }
    // The next n bytes, or an empty span (and failure) when there are fewer.
    std::span<const uint8_t> bytes(size_t n) {
        if (!need(n)) return {};
        auto s = data_.subspan(pos_, n);
        pos_ += n;
        return s;
    }
    void skip(size_t n) { bytes(n); }
    bool seek(size_t p) {
        if (!ok_ || p > data_.size()) ok_ = false;
        else pos_ = p;
        return ok_;
    }
    // A reader limited to the next n bytes; this one moves past them.
    ByteReader sub(size_t n) {
        auto s = bytes(n);
        ByteReader r(s);
        if (!ok_) r.ok_ = false;
        return r;
    }

private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// a * b, false on overflow of size_t.
inline bool CheckedMul(size_t a, size_t b, size_t& out) {
    return !__builtin_mul_overflow(a, b, &out);
}
inline bool CheckedAdd(size_t a, size_t b, size_t& out) {
    return !__builtin_add_overflow(a, b, &out);
}

}  // namespace kivo
