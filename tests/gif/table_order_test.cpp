// The order the GIF writer lays the global colour table out in.
#include <gtest/gtest.h>

#include "gif/table_order.h"

namespace kivo {
namespace {

TEST(TableOrder, MostUsedFirstAndTheFirstEntryOfAColourStaysFirst) {
    const Rgb a{1, 0, 0}, b{2, 0, 0}, c{3, 0, 0}, black{0, 0, 0};
    struct Case {
        const char* name;
        Palette table;
        std::vector<uint64_t> uses;
        std::vector<uint8_t> order;
    };
    const Case cases[] = {
        {"most used first", {a, b, c}, {1, 5, 3}, {2, 0, 1}},
        {"equal uses keep the table's order", {a, b, c, black}, {2, 2, 2, 0}, {0, 1, 2, 3}},
        {"missing weights count as unused", {a, b, c}, {0, 4}, {1, 0, 2}},
        // The padding black at 3 is used more than the black at 1, yet the
        // black at 1 must stay the first black: a frame's transparent black is
        // looked up as the first entry of that colour.
        {"one colour keeps its entries' order", {a, black, b, black}, {1, 2, 0, 9}, {2, 0, 3, 1}},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.name);
        const std::vector<uint8_t> order = OrderTableByUse(t.table, t.uses);
        EXPECT_EQ(order, t.order);
        const Palette written = ReorderTable(t.table, order);
        ASSERT_EQ(written.size(), t.table.size());
        for (size_t i = 0; i < t.table.size(); ++i) EXPECT_EQ(written[order[i]], t.table[i]);
    }
}

}  // namespace
}  // namespace kivo
