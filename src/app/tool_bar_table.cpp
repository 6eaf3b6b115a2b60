#include "app/tool_bar_table.h"

#include <array>

#include "app/command_table.h"

namespace kivo {

namespace {

constexpr int kFirstX = 14, kTop = 3, kButtonWidth = 28, kGapWidth = 9, kHeight = 28;

using Slots = std::array<ToolBarSlot, kToolBarSlotCount>;

// Every slot starts as a gap; each command with a button claims its own.
Slots GatherSlots() {
    Slots slots{};
    for (const CommandInfo& c : Commands()) {
        const ToolBarButton& b = c.tool;
        if (b.slot >= 0 && b.slot < kToolBarSlotCount) slots[size_t(b.slot)] = {b.icon, c.id, b.tooltip};
    }
    return slots;
}

int SlotWidth(int slot) { return IsGapSlot(slot) ? kGapWidth : kButtonWidth; }

}  // namespace

std::span<const ToolBarSlot> ToolBarSlots() {
    static const Slots slots = GatherSlots();
    return slots;
}

bool IsGapSlot(int slot) { return CommandForSlot(slot) == 0; }

SlotRect ToolBarSlotRect(int slot) {
    int x = kFirstX;
    for (int s = 0; s < slot; ++s) x += SlotWidth(s);
    return {x, kTop, SlotWidth(slot), kHeight};
}

int CommandForSlot(int slot) {
    if (slot < 0 || slot >= kToolBarSlotCount) return 0;
    return ToolBarSlots()[size_t(slot)].command;
}

}  // namespace kivo
