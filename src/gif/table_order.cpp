#include "gif/table_order.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace kivo {

std::vector<uint8_t> OrderTableByUse(const Palette& table, const std::vector<uint64_t>& uses) {
    const size_t n = std::min<size_t>(table.size(), 256);
    std::vector<size_t> byUse(n);
    std::iota(byUse.begin(), byUse.end(), size_t(0));
    auto weight = [&](size_t i) { return i < uses.size() ? uses[i] : 0; };
    std::stable_sort(byUse.begin(), byUse.end(), [&](size_t a, size_t b) { return weight(a) > weight(b); });
    std::vector<uint8_t> order(n);
    for (size_t place = 0; place < n; ++place) order[byUse[place]] = uint8_t(place);
    // Entries of one colour take the places their group got, in their old order.
    std::map<uint32_t, std::vector<size_t>> groups;
    for (size_t i = 0; i < n; ++i) groups[uint32_t(table[i].r) << 16 | table[i].g << 8 | table[i].b].push_back(i);
    for (auto& [colour, members] : groups) {
        if (members.size() < 2) continue;
        std::vector<uint8_t> places;
        for (size_t i : members) places.push_back(order[i]);
        std::sort(places.begin(), places.end());
        for (size_t k = 0; k < members.size(); ++k) order[members[k]] = places[k];
    }
    return order;
}

Palette ReorderTable(const Palette& table, const std::vector<uint8_t>& order) {
    Palette out(order.size());
    for (size_t i = 0; i < order.size(); ++i) out[order[i]] = table[i];
    return out;
}

}  // namespace kivo
