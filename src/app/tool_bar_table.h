// The tool bar's slots, left to right, gathered from the command table's
// buttons: which icon each shows, which command it runs and the tip shown over
// it. Gaps are slots too: they keep the buttons in groups and take part in the
// pointer tracking, but show and run nothing.
#pragma once

#include <span>
#include <string_view>

namespace kivo {

struct ToolBarSlot {
    std::string_view icon;     // base name of assets/toolbar/NAME.svg; empty = gap
    int command;               // the command it runs; 0 = gap
    std::string_view tooltip;  // shown as " %s "
};

// The slots' place in the panel: from x = 14 along y = 3, buttons 28 wide and
// gaps 9 wide, all 28 high.
struct SlotRect {
    int x, y, width, height;
};

constexpr int kToolBarSlotCount = 21;

std::span<const ToolBarSlot> ToolBarSlots();
bool IsGapSlot(int slot);  // also true for slots outside the bar
SlotRect ToolBarSlotRect(int slot);
// The command the slot's button runs; 0 for a gap or a slot outside the bar.
int CommandForSlot(int slot);

}  // namespace kivo
