#include "app/tooltip_timer.h"

#include "app/tool_bar_table.h"

namespace kivo {

void TooltipTimer::Wait(TipState state, int slot) {
    state_ = state;
    tipSlot_ = slot;
    counter_ = 0;
    target_ = state == TipState::kWaiting ? kShowTicks : kMoveOnTicks;
}

void TooltipTimer::PointerOnSlot(int slot) {
    if (IsGapSlot(slot))
        PointerOnGap();
    else
        PointerOnButton(slot);
    hoveredSlot_ = slot;
}

void TooltipTimer::PointerOnButton(int slot) {
    switch (state_) {
        case TipState::kIdle: Wait(TipState::kWaiting, slot); break;
        // Movement on the same button restarts the wait, so the tip comes only
        // once the pointer rests. A quick wait stays quick on the next button:
        // sweeping over several buttons within one tick must not fall back to
        // the long wait.
        case TipState::kWaiting:
        case TipState::kWaitingQuick: Wait(state_, slot); break;
        case TipState::kShown:
            if (slot == tipSlot_) {
                counter_ = 0;
                target_ = kHideTicks;
            } else {
                Wait(TipState::kWaitingQuick, slot);
            }
            break;
        case TipState::kExpired:
            if (slot != tipSlot_) Wait(TipState::kWaitingQuick, slot);
            break;
    }
}

// A gap belongs to no button, so no button's tip may stay up or come up over
// it; but the pointer is still on the bar, and a tip that was up keeps the next
// button quick.
void TooltipTimer::PointerOnGap() {
    switch (state_) {
        case TipState::kIdle: break;
        case TipState::kWaiting:
            state_ = TipState::kIdle;
            tipSlot_ = -1;
            target_ = 0;
            break;
        case TipState::kWaitingQuick:
        case TipState::kShown:
        case TipState::kExpired:
            state_ = TipState::kExpired;
            tipSlot_ = -1;
            break;
    }
}

void TooltipTimer::PointerOffBar() {
    state_ = TipState::kIdle;
    hoveredSlot_ = -1;
    tipSlot_ = -1;
    counter_ = 0;
    target_ = 0;
}

void TooltipTimer::Tick() {
    switch (state_) {
        case TipState::kWaiting:
        case TipState::kWaitingQuick:
            if (++counter_ >= target_) {
                state_ = TipState::kShown;
                counter_ = 0;
                target_ = kHideTicks;
            }
            break;
        case TipState::kShown:
            if (++counter_ >= target_) state_ = TipState::kExpired;
            break;
        // Nothing is pending: the counter stays put, so a window left open for
        // years cannot overflow it.
        case TipState::kIdle:
        case TipState::kExpired: break;
    }
}

}  // namespace kivo
