// The order of the global colour table as the GIF writer lays it out in the
// file. Codes are as wide as the highest index an image uses needs, so entries
// that many frames draw with go first; a frame drawn from a few common colours
// then gets by with short codes. The document's palette keeps its own order.
#pragma once

#include <cstdint>
#include <vector>

#include "doc/types.h"

namespace kivo {

// Where each entry of table goes (old index -> new index), most used first;
// uses[i] weighs entry i. Entries of one colour keep their relative order, so
// the first entry holding a colour (the one transparency is looked up by) stays
// the first. Equal weights keep the table's order.
std::vector<uint8_t> OrderTableByUse(const Palette& table, const std::vector<uint64_t>& uses);

// The table rearranged by order.
Palette ReorderTable(const Palette& table, const std::vector<uint8_t>& order);

}  // namespace kivo
