// The tool bar without a window: its slots run existing menu commands, and the
// tip timing replayed with explicit ticks.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "app/command_table.h"
#include "app/tool_bar_table.h"
#include "app/tooltip_timer.h"

namespace kivo {
namespace {

TEST(ToolBarTable, EveryButtonRunsItsOwnMenuCommand) {
    ASSERT_EQ(ToolBarSlots().size(), size_t(kToolBarSlotCount));
    std::set<int> commands;
    std::set<std::string_view> icons;
    for (int slot = 0; slot < kToolBarSlotCount; ++slot) {
        const ToolBarSlot& row = ToolBarSlots()[size_t(slot)];
        SCOPED_TRACE(slot);
        if (IsGapSlot(slot)) {
            EXPECT_TRUE(row.icon.empty() && row.tooltip.empty());
            continue;
        }
        int command = row.command;
        const CommandInfo* info = FindCommand(command);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->tool.slot, slot);
        EXPECT_FALSE(row.tooltip.empty());
        commands.insert(command);
        icons.insert(row.icon);
    }
    EXPECT_EQ(commands.size(), size_t(16));
    EXPECT_EQ(icons.size(), size_t(16));
    EXPECT_EQ(CommandForSlot(20), kCmdView);
    EXPECT_EQ(CommandForSlot(16), kCmdOptimize);
    EXPECT_EQ(CommandForSlot(18), kCmdFrameList);
    EXPECT_EQ(CommandForSlot(6), 0);
    EXPECT_EQ(CommandForSlot(13), kCmdUndo);
    EXPECT_EQ(CommandForSlot(14), kCmdRedo);
    EXPECT_EQ(CommandForSlot(kToolBarSlotCount), 0);
}

TEST(ToolBarTable, SlotsAdjoinFromTheLeftEdge) {
    std::vector<int> gaps;
    int x = 14;
    for (int slot = 0; slot < kToolBarSlotCount; ++slot) {
        SlotRect r = ToolBarSlotRect(slot);
        EXPECT_EQ(r.x, x) << slot;
        EXPECT_EQ(r.width, IsGapSlot(slot) ? 9 : 28) << slot;
        EXPECT_EQ(r.y, 3);
        EXPECT_EQ(r.height, 28);
        if (IsGapSlot(slot)) gaps.push_back(slot);
        x += r.width;
    }
    EXPECT_EQ(gaps, (std::vector<int>{6, 12, 15, 17, 19}));
    EXPECT_EQ(x, 14 + 16 * 28 + 5 * 9);
    EXPECT_TRUE(IsGapSlot(-1) && IsGapSlot(kToolBarSlotCount));
}

// One event, then the tip expected to be up (-1 = none).
struct Step {
    enum Kind { kOn, kOff, kTicks } kind;
    int arg;
    int tip;
};
Step On(int slot, int tip = -1) { return {Step::kOn, slot, tip}; }
Step Off() { return {Step::kOff, 0, -1}; }
Step Ticks(int n, int tip = -1) { return {Step::kTicks, n, tip}; }

struct TipCase {
    const char* name;
    std::vector<Step> steps;
};
void PrintTo(const TipCase& c, std::ostream* out) { *out << c.name; }

class TipTiming : public ::testing::TestWithParam<TipCase> {};

TEST_P(TipTiming, ShowsTheExpectedTip) {
    TooltipTimer timing;
    int index = 0;
    for (const Step& step : GetParam().steps) {
        switch (step.kind) {
            case Step::kOn: timing.PointerOnSlot(step.arg); break;
            case Step::kOff: timing.PointerOffBar(); break;
            case Step::kTicks:
                for (int i = 0; i < step.arg; ++i) timing.Tick();
                break;
        }
        EXPECT_EQ(timing.TipShown(), step.tip) << "after step " << index;
        ++index;
    }
}

const TipCase kTipCases[] = {
    {"RestingShowsAfterTenTicksAndHidesAfterForty",
     {On(0), Ticks(9), Ticks(1, 0), Ticks(39, 0), Ticks(1), On(0), Ticks(200)}},
    {"MovingOnTheButtonRestartsTheWait", {On(1), Ticks(9), On(1), Ticks(9), Ticks(1, 1)}},
    {"MovingOnTheButtonKeepsItsTipUp", {On(2), Ticks(10, 2), Ticks(30, 2), On(2, 2), Ticks(39, 2), Ticks(1)}},
    {"NextButtonAfterAShownTipTakesOneTick", {On(0), Ticks(10, 0), On(1), Ticks(1, 1)}},
    {"NextButtonAfterAnExpiredTipTakesOneTick", {On(0), Ticks(50), On(1), Ticks(1, 1)}},
    {"NextButtonBeforeAnyTipWaitsTenTicks", {On(0), Ticks(5), On(1), Ticks(9), Ticks(1, 1)}},
    {"SweepingOverButtonsStaysQuick", {On(0), Ticks(10, 0), On(1), On(2), On(3), Ticks(1, 3)}},
    {"LeavingHidesAndTheNextVisitWaitsAgain",
     {On(3), Ticks(10, 3), Off(), Ticks(100), On(3), Ticks(9), Ticks(1, 3)}},
    {"LeavingAnExpiredButtonAllowsItsTipAgain", {On(4), Ticks(50), Off(), On(4), Ticks(10, 4)}},
    {"AGapNeverShowsATip", {On(6), Ticks(100), On(17), Ticks(100)}},
    {"AGapHidesATipAndKeepsTheNextButtonQuick", {On(5), Ticks(10, 5), On(6), Ticks(50), On(7), Ticks(1, 7)}},
    {"AGapCancelsAPendingWait", {On(5), Ticks(5), On(6), Ticks(20), On(7), Ticks(9), Ticks(1, 7)}},
    {"BackFromAGapToAnExpiredButtonShowsItAgain", {On(11), Ticks(50), On(12), On(11), Ticks(1, 11)}},
};

INSTANTIATE_TEST_SUITE_P(ToolBar, TipTiming, ::testing::ValuesIn(kTipCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kivo
