// The quantizer's two entry forms: the one-shot reduction of one image and the
// incremental object used to give many frames one palette.
#include "color/quantizer.h"

#include <algorithm>
#include <new>

#include "color/quantizer_state.h"

namespace kivo {
namespace quant {

void InitQuantizer(ColorQuantizer& q, int width, int n) {
    q.width = width;
    q.wanted = n;
    q.actual = 0;
    q.cells.assign(kCellCount, 0);
    q.boxes.clear();
    q.map.red.assign(size_t(n), 0);
    q.map.green.assign(size_t(n), 0);
    q.map.blue.assign(size_t(n), 0);
    q.errors.assign((size_t(width) + 2) * 3, 0);
    q.rightToLeft = false;
    q.mapping = false;
}

void CountRow(ColorQuantizer& q, const uint8_t* row) {
    uint16_t* cells = q.cells.data();
    for (int x = 0; x < q.width; ++x, row += 3) {
        uint16_t& c = cells[CellIndex(row[2] >> 3, row[1] >> 2, row[0] >> 3)];
        if (c != UINT16_MAX) ++c;  // saturates instead of wrapping
    }
}

void CountRows(ColorQuantizer& q, const uint8_t* row, int count) {
    if (count <= 0 || q.width <= 0) return;
    // Each copy adds the same amount to the same counters and counters only
    // saturate, so adding count times a counter's share at once is the same.
    std::vector<uint32_t> cells(size_t(q.width));
    for (int x = 0; x < q.width; ++x, row += 3)
        cells[size_t(x)] = uint32_t(CellIndex(row[2] >> 3, row[1] >> 2, row[0] >> 3));
    std::sort(cells.begin(), cells.end());
    for (size_t i = 0; i < cells.size();) {
        size_t j = i;
        while (j < cells.size() && cells[j] == cells[i]) ++j;
        uint16_t& c = q.cells[cells[i]];
        c = uint16_t(std::min<uint64_t>(UINT16_MAX, c + uint64_t(j - i) * uint64_t(count)));
        i = j;
    }
}

}  // namespace quant

namespace {

bool ValidArguments(int width, int n) { return width >= 0 && n >= 1 && n <= 256; }

}  // namespace

std::unique_ptr<ColorMap> QuantizeImage(int width, int height, int n, const uint8_t* bits,
                                        uint8_t* out) {
    if (!ValidArguments(width, n) || height < 0) return nullptr;
    if (width > 0 && height > 0 && (!bits || !out)) return nullptr;
    try {
        quant::ColorQuantizer q;
        quant::InitQuantizer(q, width, n);
        const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
        // Bottom-up storage: the top image row is the last one in memory.
        for (int y = 0; y < height; ++y)
            quant::CountRow(q, bits + size_t(height - 1 - y) * stride);
        quant::ChooseColors(q);
        quant::PrepareMapping(q);
        for (int y = 0; y < height; ++y)
            quant::MapRow(q, bits + size_t(height - 1 - y) * stride, out + size_t(y) * size_t(width));
        return std::make_unique<ColorMap>(std::move(q.map));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void FreeColorMap(std::unique_ptr<ColorMap>& map) { map.reset(); }

Quantizer::Quantizer() = default;
Quantizer::~Quantizer() = default;

bool Quantizer::Begin(int width, int n) {
    End();
    if (!ValidArguments(width, n)) return false;
    try {
        auto q = std::make_unique<quant::ColorQuantizer>();
        quant::InitQuantizer(*q, width, n);
        state_ = std::move(q);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void Quantizer::AddRow(const uint8_t* row) {
    if (auto& q = state_; q && !q->mapping && row) quant::CountRow(*q, row);
}

void Quantizer::AddRows(const uint8_t* row, int count) {
    if (auto& q = state_; q && !q->mapping && row) quant::CountRows(*q, row, count);
}

void Quantizer::SetRowWidth(int width) {
    // The error rows hold the widest row and a dummy column at each end.
    if (auto& q = state_; q && width >= 0 && (size_t(width) + 2) * 3 <= q->errors.size()) q->width = width;
}

void Quantizer::AddBlack(uint64_t count) {
    auto& q = state_;
    if (!q || q->mapping || count == 0) return;
    // Counters only saturate, so one addition equals count single ones.
    uint16_t& c = q->cells[quant::CellIndex(0, 0, 0)];
    c = uint16_t(std::min<uint64_t>(UINT16_MAX, c + std::min<uint64_t>(count, UINT16_MAX)));
}

void Quantizer::SelectColors() {
    if (auto& q = state_; q && !q->mapping) {
        quant::ChooseColors(*q);
        quant::PrepareMapping(*q);
    }
}

void Quantizer::RestartMapping() {
    if (auto& q = state_; q && q->mapping) quant::RestartMapping(*q);
}

void Quantizer::MapRow(const uint8_t* row, uint8_t* out) {
    if (auto& q = state_; q && q->mapping && row && out) quant::MapRow(*q, row, out);
}

void Quantizer::MapRows(const uint8_t* row, uint8_t* out, int count) {
    if (auto& q = state_; q && q->mapping && row && out) quant::MapRows(*q, row, out, count);
}

const ColorMap* Quantizer::Colors() const { return state_ ? &state_->map : nullptr; }

int Quantizer::ColorCount() const { return state_ ? state_->actual : 0; }

void Quantizer::End() { state_.reset(); }

}  // namespace kivo
