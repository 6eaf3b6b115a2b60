#include "gif/lzw_encoder.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <utility>

namespace kivo {

namespace {

constexpr int kTableCodes = 4096;  // 12-bit codes
constexpr int kMaxWidth = 12;
// A row counts as the place where the picture changed when it costs this many
// times the bits per pixel of the rows above it.
constexpr double kChangeFactor = 4;
constexpr size_t kRowsCompared = 8;

// The string table: (prefix code, pixel) -> code, open addressing with linear
// probing at no more than half load. A slot holds the key and the code in one
// word, so a probe touches one cache line and the table fits the L1 cache.
struct StringTable {
    static constexpr int kSlotBits = 13;
    static constexpr size_t kSlots = size_t(1) << kSlotBits;
    // prefix << 20 | pixel << 12 | code; 0 = empty, as codes start above the clear code
    std::array<uint32_t, kSlots> slots;
    int next = 0;

    void Reset(int clearCode) {
        slots.fill(0);
        next = clearCode + 2;
    }
    bool Full() const { return next >= kTableCodes; }
    static uint32_t Key(int prefix, int pixel) { return uint32_t(prefix) << 8 | uint32_t(pixel); }
    static size_t Slot(uint32_t key) { return (key * 0x9E3779B1u) >> (32 - kSlotBits); }

    int Find(int prefix, int pixel) const {
        const uint32_t key = Key(prefix, pixel);
        for (size_t i = Slot(key);; i = (i + 1) & (kSlots - 1)) {
            const uint32_t slot = slots[i];
            if (slot == 0) return -1;
            if (slot >> 12 == key) return int(slot & 0xFFF);
        }
    }
    // The decoder numbers every entry, also one whose string the table holds
    // already (a match cut short at the end of a trial makes one); the encoder
    // goes on using the older code for that string.
    void Add(int prefix, int pixel) {
        if (Full()) return;
        const uint32_t key = Key(prefix, pixel);
        size_t i = Slot(key);
        for (; slots[i] != 0; i = (i + 1) & (kSlots - 1)) {
            if (slots[i] >> 12 == key) {
                ++next;
                return;
            }
        }
        slots[i] = key << 12 | uint32_t(next++);
    }
};

// Codes packed least significant bit first. A trial stream begins at a bit of the
// image's stream: its first byte carries the bits in front of that point, so the
// chosen trial replaces the rest of the image's stream byte by byte.
struct BitStream {
    std::vector<uint8_t> bytes;  // zero beyond bitLength
    size_t firstByte = 0;        // place of bytes[0] in the image's stream
    uint64_t bitLength = 0;      // counted from the start of the image's stream

    void Put(int code, int width) {
        const uint64_t local = bitLength - uint64_t(firstByte) * 8;
        const size_t at = size_t(local >> 3);
        if (bytes.size() < at + 3) bytes.resize(std::max(at + 3, bytes.size() * 2), 0);
        const uint32_t v = uint32_t(code) << (local & 7);  // at most 19 bits
        bytes[at] |= uint8_t(v);
        bytes[at + 1] |= uint8_t(v >> 8);
        bytes[at + 2] |= uint8_t(v >> 16);
        bitLength += uint64_t(width);
    }

    // A stream that continues this one from bit `from` (at most bitLength).
    BitStream From(uint64_t from) const {
        BitStream s;
        s.firstByte = size_t(from >> 3);
        s.bitLength = from;
        if (const int kept = int(from & 7)) {
            const uint8_t head = bytes[s.firstByte - firstByte];
            s.bytes.push_back(uint8_t(head & ((1u << kept) - 1)));
        }
        return s;
    }

    void Adopt(const BitStream& trial) {
        bytes.resize(trial.firstByte - firstByte);
        bytes.insert(bytes.end(), trial.bytes.begin(), trial.bytes.end());
        bitLength = trial.bitLength;
    }
};

// One way of coding the image: its table, its stream and where it stands.
struct Coder {
    StringTable* table = nullptr;
    BitStream bits;
    int width = 0;
    int prev = -1;  // code sent last; -1 right after a clear code
    size_t pos = 0;
};

class ImageCoder {
public:
    ImageCoder(const uint8_t* pixels, size_t count, size_t rowLength, int minCodeSize)
        : px_(pixels), count_(count), rowLength_(std::max<size_t>(rowLength, 1)),
          clear_(1 << minCodeSize), minWidth_(minCodeSize + 1) {
        tables_[0] = std::make_unique<StringTable>();
        main_.table = tables_[0].get();
        main_.width = minWidth_;
        SendClear(main_);
    }

    // The whole stream, end code included, as bytes.
    std::vector<uint8_t> Run() {
        while (main_.pos < count_) {
            if (main_.table->Full()) {
                Decide();
                continue;
            }
            if (main_.pos >= nextRow_) {
                marks_.push_back({main_.pos, main_.bits.bitLength, main_.width});
                nextRow_ = (main_.pos / rowLength_ + 1) * rowLength_;
            }
            Step(main_, count_);
        }
        main_.bits.Put(clear_ + 1, main_.width);
        main_.bits.bytes.resize(size_t((main_.bits.bitLength + 7) / 8));
        return std::move(main_.bits.bytes);
    }

private:
    // The first code boundary in a row, where a clear code could go.
    struct Mark {
        size_t pos;
        uint64_t bit;
        int width;
    };

    void SendClear(Coder& c) {
        c.bits.Put(clear_, c.width);
        c.table->Reset(clear_);
        c.width = minWidth_;
        c.prev = -1;
    }

    // One greedy code from c.pos, matching no further than limit.
    void Step(Coder& c, size_t limit) const {
        if (c.prev >= 0) c.table->Add(c.prev, px_[c.pos]);
        int code = px_[c.pos];
        size_t q = c.pos + 1;
        for (; q < limit; ++q) {
            const int longer = c.table->Find(code, px_[q]);
            if (longer < 0) break;
            code = longer;
        }
        c.bits.Put(code, c.width);
        c.prev = code;
        c.pos = q;
        // The decoder widens its codes once its next entry no longer fits.
        if (c.table->next >= (1 << c.width) && c.width < kMaxWidth) ++c.width;
    }

    StringTable* SpareTable(int slot) {
        if (!tables_[slot]) tables_[slot] = std::make_unique<StringTable>();
        return tables_[slot].get();
    }

    // The row since the last decision whose bits per pixel jumped furthest above
    // those of the rows before it, when the jump is large enough to matter.
    std::optional<Mark> ChangedRow() const {
        std::optional<Mark> found;
        double bestRatio = kChangeFactor;
        for (size_t k = 2; k < marks_.size(); ++k) {
            const Mark& here = marks_[k];
            const Mark& back = marks_[k >= kRowsCompared ? k - kRowsCompared : 0];
            const Mark end = k + 1 < marks_.size() ? marks_[k + 1]
                                                   : Mark{main_.pos, main_.bits.bitLength, 0};
            if (end.pos <= here.pos) continue;
            const double row = double(end.bit - here.bit) / double(end.pos - here.pos);
            const double above = double(here.bit - back.bit + 1) / double(here.pos - back.pos);
            if (row >= bestRatio * above) {
                bestRatio = row / above;
                found = here;
            }
        }
        return found;
    }

    // The table is full at main_.pos. Codes the stretch up to where a fresh table
    // would be full again in each of three ways and keeps the shortest: going on
    // with the full table, a clear code here, or a clear code at the row where
    // the picture changed.
    void Decide() {
        Coder fresh;
        fresh.table = SpareTable(1);
        fresh.bits = main_.bits.From(main_.bits.bitLength);
        fresh.width = main_.width;
        fresh.pos = main_.pos;
        SendClear(fresh);
        while (fresh.pos < count_ && !fresh.table->Full()) Step(fresh, count_);
        const size_t horizon = fresh.pos;

        Coder keep;
        keep.table = main_.table;  // full, so stepping leaves it as it is
        keep.bits = main_.bits.From(main_.bits.bitLength);
        keep.width = main_.width;
        keep.prev = main_.prev;
        keep.pos = main_.pos;
        while (keep.pos < horizon) Step(keep, horizon);

        Coder* best = &keep;
        if (fresh.bits.bitLength < best->bits.bitLength) best = &fresh;

        Coder back;
        if (const std::optional<Mark> row = ChangedRow()) {
            back.table = SpareTable(2);
            back.bits = main_.bits.From(row->bit);
            back.width = row->width;
            back.pos = row->pos;
            SendClear(back);
            while (back.pos < horizon) {
                if (back.table->Full()) SendClear(back);
                Step(back, horizon);
            }
            if (back.bits.bitLength < best->bits.bitLength) best = &back;
        }

        main_.bits.Adopt(best->bits);
        main_.width = best->width;
        main_.prev = best->prev;
        main_.pos = best->pos;
        if (best->table != main_.table) {
            const int slot = best == &fresh ? 1 : 2;
            std::swap(tables_[0], tables_[size_t(slot)]);
            main_.table = tables_[0].get();
        }
        marks_.clear();
        nextRow_ = (main_.pos + rowLength_ - 1) / rowLength_ * rowLength_;
    }

    const uint8_t* px_;
    size_t count_;
    size_t rowLength_;
    int clear_;
    int minWidth_;
    std::array<std::unique_ptr<StringTable>, 3> tables_;
    Coder main_;
    std::vector<Mark> marks_;
    size_t nextRow_ = 0;
};

}  // namespace

void PutSubBlocks(const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
    out.reserve(out.size() + data.size() + data.size() / 255 + 2);
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t n = std::min<size_t>(255, data.size() - at);
        out.push_back(uint8_t(n));
        out.insert(out.end(), data.begin() + ptrdiff_t(at), data.begin() + ptrdiff_t(at + n));
    }
    out.push_back(0);
}

std::vector<int> GifRowOrder(int height, bool interlaced) {
    std::vector<int> rows;
    rows.reserve(size_t(std::max(height, 0)));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) rows.push_back(y);
        return rows;
    }
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
    return rows;
}

void LzwEncodeImage(const uint8_t* indices, int width, int height, int minCodeSize,
                    bool interlaced, std::vector<uint8_t>& out) {
    minCodeSize = std::clamp(minCodeSize, 2, 8);
    out.push_back(uint8_t(minCodeSize));
    const size_t rowLength = size_t(std::max(width, 0));
    const size_t count = rowLength * size_t(std::max(height, 0));
    // The coder looks back and ahead in the pixels, so interlaced rows are laid
    // out in the order they are sent.
    std::vector<uint8_t> passes;
    const uint8_t* pixels = indices;
    if (interlaced && count > 0) {
        passes.reserve(count);
        for (int y : GifRowOrder(height, true))
            passes.insert(passes.end(), indices + size_t(y) * rowLength, indices + size_t(y + 1) * rowLength);
        pixels = passes.data();
    }
    ImageCoder coder(pixels, count, rowLength, minCodeSize);
    PutSubBlocks(coder.Run(), out);
}

}  // namespace kivo
