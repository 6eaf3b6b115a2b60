#include "app/tool_bar_table.h"

#include <array>

#include "app/command_table.h"

namespace kivo {

namespace {

constexpr ToolBarSlot kGap{"", 0, ""};

constexpr std::array<ToolBarSlot, kToolBarSlotCount> kSlots = {{
    {"new", 407, "新規作成"},
    {"open", 408, "開く"},
    {"save", 409, "上書き保存"},
    {"save_as", 410, "名前を付けて保存"},
    {"append_file", 401, "ﾌｧｲﾙからｺﾏの付足し"},
    {"insert_file", 405, "ﾌｧｲﾙからｺﾏの挿入"},
    kGap,
    {"copy", 402, "ｺﾏのコピー"},
    {"cut", 406, "ｺﾏの切り取り"},
    {"append_paste", 400, "ｺﾏの付足し貼り付け"},
    {"insert_paste", 404, "ｺﾏの挿入貼り付け"},
    {"delete", 403, "選択ｺﾏの削除"},
    kGap,
    {"undo", 413, "元に戻す"},
    {"redo", 414, "やり直し"},
    kGap,
    {"optimize", 412, "各コマサイズの最適化"},
    kGap,
    {"frame_list", 40022, "コマのリスト表示"},
    kGap,
    {"view", 411, "VIEW"},
}};

constexpr int kFirstX = 14, kTop = 3, kButtonWidth = 28, kGapWidth = 9, kHeight = 28;

int SlotWidth(int slot) { return IsGapSlot(slot) ? kGapWidth : kButtonWidth; }

}  // namespace

std::span<const ToolBarSlot> ToolBarSlots() { return kSlots; }

bool IsGapSlot(int slot) {
    return slot < 0 || slot >= kToolBarSlotCount || kSlots[size_t(slot)].button == 0;
}

SlotRect ToolBarSlotRect(int slot) {
    int x = kFirstX;
    for (int s = 0; s < slot; ++s) x += SlotWidth(s);
    return {x, kTop, SlotWidth(slot), kHeight};
}

int MenuCommandForButton(int button) {
    if (button == 0) return 0;
    for (const CommandInfo& c : Commands())
        if (c.button == button) return c.id;
    return 0;
}

}  // namespace kivo
