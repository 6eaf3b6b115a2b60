// When the tool bar shows a tip, driven by the pointer and a 50 ms tick: a tip
// appears after the pointer rests 10 ticks on a button, after 1 tick when it
// moves on from a button whose tip was up (or had just gone), and goes away
// after 40 ticks without movement; it then stays away until the pointer leaves
// that button. The widget feeds events in and shows TipShown()'s tip.
#pragma once

namespace kivo {

enum class TipState { kIdle, kWaiting, kWaitingQuick, kShown, kExpired };

class TooltipTimer {
public:
    static constexpr int kShowTicks = 10;
    static constexpr int kMoveOnTicks = 1;
    static constexpr int kHideTicks = 40;

    // The pointer entered or moved on slot (a button or a gap) of the bar.
    void PointerOnSlot(int slot);
    // The pointer left the bar, or a press landed outside it.
    void PointerOffBar();
    // One timer tick.
    void Tick();

    // The slot whose tip is up, -1 for none.
    int TipShown() const { return state_ == TipState::kShown ? tipSlot_ : -1; }
    TipState State() const { return state_; }
    int HoveredSlot() const { return hoveredSlot_; }

private:
    void Wait(TipState state, int slot);
    void PointerOnButton(int slot);
    void PointerOnGap();

    TipState state_ = TipState::kIdle;
    int hoveredSlot_ = -1;
    int tipSlot_ = -1;
    int counter_ = 0;
    int target_ = 0;
};

}  // namespace kivo
