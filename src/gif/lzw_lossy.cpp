#include "gif/lzw_lossy.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>

#include "gif/lzw_encoder.h"

namespace kivo {

namespace {

constexpr int kTableCodes = 4096;
constexpr int kMaxWidth = 12;
// Pixels coded on a full table before it is cleared: on a dithered video
// 8192 gave files 3% smaller than clearing at once and than 6000 or 12000.
constexpr size_t kFullTableStretch = 8192;

// The string table as a tree: a lossy match walks all continuations of a
// string, not only the exact one, so every code keeps its children in a list.
struct StringTree {
    std::array<int16_t, kTableCodes> firstChild;
    std::array<int16_t, kTableCodes> nextSibling;
    std::array<int16_t, kTableCodes> parent;
    std::array<uint8_t, kTableCodes> pixel;
    int next = 0;

    void Reset(int clearCode) {
        for (int i = 0; i < clearCode; ++i) {
            firstChild[size_t(i)] = -1;
            pixel[size_t(i)] = uint8_t(i);
        }
        next = clearCode + 2;
    }
    bool Full() const { return next >= kTableCodes; }

    int Child(int code, int px) const {
        for (int c = firstChild[size_t(code)]; c >= 0; c = nextSibling[size_t(c)])
            if (pixel[size_t(c)] == px) return c;
        return -1;
    }
    // The decoder numbers every entry; one whose string exists already only
    // takes up its number.
    void Add(int prefix, int px) {
        if (Full()) return;
        const int code = next++;
        if (Child(prefix, px) >= 0) return;
        pixel[size_t(code)] = uint8_t(px);
        parent[size_t(code)] = int16_t(prefix);
        firstChild[size_t(code)] = -1;
        nextSibling[size_t(code)] = firstChild[size_t(prefix)];
        firstChild[size_t(prefix)] = int16_t(code);
    }
};

// Codes packed least significant bit first.
struct BitWriter {
    std::vector<uint8_t> bytes;
    uint32_t acc = 0;
    int bits = 0;

    void Put(int code, int width) {
        acc |= uint32_t(code) << bits;
        bits += width;
        while (bits >= 8) {
            bytes.push_back(uint8_t(acc));
            acc >>= 8;
            bits -= 8;
        }
    }
    void Flush() {
        if (bits > 0) bytes.push_back(uint8_t(acc));
        acc = 0;
        bits = 0;
    }
};

// Errors are kept in sixteenths, the unit of the diffusion weights.
constexpr int kScale = 16;

class LossyCoder {
public:
    LossyCoder(uint8_t* pixels, size_t count, size_t rowLength, int minCodeSize, const Palette& palette,
               int transparentIndex, double bound)
        : px_(pixels), count_(count), rowLength_(std::max<size_t>(rowLength, 1)), clear_(1 << minCodeSize),
          minWidth_(minCodeSize + 1), transparent_(transparentIndex), tree_(std::make_unique<StringTree>()) {
        for (size_t i = 0; i < colours_.size(); ++i) colours_[i] = i < palette.size() ? palette[i] : Rgb{};
        // Which entry may stand in for which: within the bound, and never the
        // transparent entry for an opaque pixel or the other way round.
        const double limit = bound * bound;
        for (int a = 0; a < 256; ++a) {
            for (int b = 0; b < 256; ++b) {
                const bool eitherTransparent = a == transparent_ || b == transparent_;
                near_[size_t(a) * 256 + size_t(b)] =
                    a == b || (!eitherTransparent && double(Distance2(colours_[size_t(a)], colours_[size_t(b)])) <= limit);
            }
        }
        errorCap_ = int(std::lround(bound * kScale));
        rows_[0].assign((rowLength_ + 2) * 3, 0);
        rows_[1].assign((rowLength_ + 2) * 3, 0);
    }

    std::vector<uint8_t> Run() {
        int width = minWidth_;
        int prev = -1;
        SendClear(width, prev);
        size_t pos = 0;
        while (pos < count_) {
            if (tree_->Full()) {
                // A full table still matches well for a while, loosely matched
                // strings above all; it is cleared once it has served a stretch.
                if (fullSince_ == kNotFull) fullSince_ = pos;
                else if (pos - fullSince_ >= kFullTableStretch) {
                    SendClear(width, prev);
                    fullSince_ = kNotFull;
                }
            }
            // A string begins with the pixel as it is: the table always holds it.
            // Its entry goes in first, so that a run can use the code that
            // ends in its own first pixel, as an exact coder does.
            const int root = px_[pos];
            if (prev >= 0) tree_->Add(prev, root);
            Settle(pos, root);
            const Match match = LongestMatch(root, pos);
            // The string's further pixels, read back from the tree, are what
            // the pixels after it show.
            for (int c = match.code; c >= clear_; c = tree_->parent[size_t(c)]) path_.push_back(tree_->pixel[size_t(c)]);
            size_t q = pos + 1;
            for (auto it = path_.rbegin(); it != path_.rend(); ++it) Settle(q++, *it);
            path_.clear();
            const int code = match.code;
            bits_.Put(code, width);
            prev = code;
            pos = q;
            if (tree_->next >= (1 << width) && width < kMaxWidth) ++width;
        }
        bits_.Put(clear_ + 1, width);
        bits_.Flush();
        return std::move(bits_.bytes);
    }

private:
    static int Distance2(Rgb a, Rgb b) {
        const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
        return dr * dr + dg * dg + db * db;
    }

    void SendClear(int& width, int& prev) {
        bits_.Put(clear_, width);
        tree_->Reset(clear_);
        width = minWidth_;
        prev = -1;
    }

    // The error carried to pixel q, per channel in sixteenths.
    int* ErrorAt(size_t q) {
        const size_t row = q / rowLength_;
        if (row != row_) {
            // Rows are visited in order: the next row's buffer becomes the
            // current one and the one after starts empty.
            std::swap(rows_[0], rows_[1]);
            std::fill(rows_[1].begin(), rows_[1].end(), 0);
            if (row != row_ + 1) std::fill(rows_[0].begin(), rows_[0].end(), 0);
            row_ = row;
        }
        return &rows_[0][(q % rowLength_ + 1) * 3];
    }

    struct Match {
        int code;
        size_t end;     // the pixel after the string
        int64_t error;  // squared error along it, in sixteenths
    };

    // The longest string from the root code (pixel pos, settled) whose every
    // further pixel may stand in for the picture's, fewest errors first among
    // equals. Each code of the tree is visited at most once, so a search costs
    // no more than the string's subtree. Errors from pixels of this string are
    // followed along the row; those they pass to the next row are settled
    // afterwards.
    Match LongestMatch(int root, size_t pos) {
        Match best{root, pos + 1, 0};
        const int carry[3] = {0, 0, 0};
        Explore(root, pos + 1, carry, 0, best);
        return best;
    }

    void Explore(int code, size_t q, const int carry[3], int64_t error, Match& best) {
        if (q > best.end || (q == best.end && error < best.error)) best = {code, q, error};
        if (q >= count_ || tree_->firstChild[size_t(code)] < 0) return;
        const int own = px_[q];
        const size_t x = q % rowLength_;
        const int* fixed = FixedErrorAt(q);
        const Rgb c = colours_[size_t(own)];
        int target[3] = {c.r * kScale, c.g * kScale, c.b * kScale};
        if (own != transparent_) {
            for (int ch = 0; ch < 3; ++ch) target[ch] += fixed[ch] + (x > 0 ? carry[ch] : 0);
        }
        const uint8_t* allowed = &near_[size_t(own) * 256];
        for (int child = tree_->firstChild[size_t(code)]; child >= 0; child = tree_->nextSibling[size_t(child)]) {
            const int p = tree_->pixel[size_t(child)];
            if (!allowed[p]) continue;
            const Rgb k = colours_[size_t(p)];
            int next[3] = {0, 0, 0};
            int64_t e2 = 0;
            if (own != transparent_) {
                const int shown[3] = {k.r * kScale, k.g * kScale, k.b * kScale};
                for (int ch = 0; ch < 3; ++ch) {
                    const int e = std::clamp(target[ch] - shown[ch], -errorCap_, errorCap_);
                    next[ch] = e * 7 / 16;
                    e2 += int64_t(e) * e;
                }
            }
            Explore(child, q + 1, next, error + e2, best);
        }
    }

    // What settled pixels have passed on to pixel q so far.
    const int* FixedErrorAt(size_t q) {
        static constexpr int kNone[3] = {0, 0, 0};
        const size_t row = q / rowLength_;
        if (row == row_) return &rows_[0][(q % rowLength_ + 1) * 3];
        if (row == row_ + 1) return &rows_[1][(q % rowLength_ + 1) * 3];
        return kNone;
    }

    // Pixel q shows entry shown; what it owed and did not show goes on to its
    // neighbours to the right and below.
    void Settle(size_t q, int shown) {
        const int own = px_[q];
        int* error = ErrorAt(q);
        px_[q] = uint8_t(shown);
        if (own == transparent_) {
            error[0] = error[1] = error[2] = 0;
            return;
        }
        const Rgb c = colours_[size_t(own)], k = colours_[size_t(shown)];
        const int owed[3] = {c.r * kScale + error[0] - k.r * kScale, c.g * kScale + error[1] - k.g * kScale,
                             c.b * kScale + error[2] - k.b * kScale};
        const size_t x = q % rowLength_;
        int* below = &rows_[1][(x + 1) * 3];
        const bool hasRight = x + 1 < rowLength_;
        for (int ch = 0; ch < 3; ++ch) {
            const int e = std::clamp(owed[ch], -errorCap_, errorCap_);
            if (hasRight) error[3 + ch] += e * 7 / 16;
            below[ch - 3] += e * 3 / 16;
            below[ch] += e * 5 / 16;
            below[ch + 3] += e / 16;
        }
    }

    uint8_t* px_;
    size_t count_;
    size_t rowLength_;
    int clear_;
    int minWidth_;
    int transparent_;
    std::unique_ptr<StringTree> tree_;
    std::array<Rgb, 256> colours_{};
    std::array<uint8_t, 256 * 256> near_{};
    int errorCap_ = 0;
    // Errors owed to the current row and the next one, with a spare cell at
    // either end so the weights need no edge tests.
    std::array<std::vector<int>, 2> rows_;
    size_t row_ = 0;
    BitWriter bits_;
    std::vector<uint8_t> path_;
    static constexpr size_t kNotFull = SIZE_MAX;
    size_t fullSince_ = kNotFull;  // where the table filled
};

}  // namespace

double LossyColourBound(int lossiness) {
    return std::clamp(lossiness, 0, kMaxLossiness) * 0.35;
}

void LzwEncodeImageLossy(uint8_t* indices, int width, int height, int minCodeSize, bool interlaced,
                         const Palette& palette, int transparentIndex, int lossiness, std::vector<uint8_t>& out) {
    if (lossiness <= 0) {
        LzwEncodeImage(indices, width, height, minCodeSize, interlaced, out);
        return;
    }
    minCodeSize = std::clamp(minCodeSize, 2, 8);
    const size_t rowLength = size_t(std::max(width, 0));
    const size_t count = rowLength * size_t(std::max(height, 0));
    // Interlaced rows are coded, and their errors diffused, in the order they are sent.
    std::vector<int> order;
    std::vector<uint8_t> sent;
    uint8_t* pixels = indices;
    if (interlaced && count > 0) {
        order = GifRowOrder(height, true);
        sent.reserve(count);
        for (int y : order)
            sent.insert(sent.end(), indices + size_t(y) * rowLength, indices + size_t(y + 1) * rowLength);
        pixels = sent.data();
    }
    // The exact coder weighs where to clear its table, which the lossy one does
    // not: where the loss bought too little, the exact coding is the smaller.
    std::vector<uint8_t> exact;
    LzwEncodeImage(indices, width, height, minCodeSize, interlaced, exact);
    const std::vector<uint8_t> original(pixels, pixels + count);
    LossyCoder coder(pixels, count, rowLength, minCodeSize, palette, transparentIndex, LossyColourBound(lossiness));
    std::vector<uint8_t> lossy;
    lossy.push_back(uint8_t(minCodeSize));
    PutSubBlocks(coder.Run(), lossy);
    if (exact.size() <= lossy.size()) {
        out.insert(out.end(), exact.begin(), exact.end());
        std::copy(original.begin(), original.end(), pixels);
    } else {
        out.insert(out.end(), lossy.begin(), lossy.end());
    }
    for (size_t i = 0; i < order.size(); ++i)
        std::copy_n(sent.data() + i * rowLength, rowLength, indices + size_t(order[i]) * rowLength);
}

}  // namespace kivo
