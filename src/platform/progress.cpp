#include "platform/progress.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/ui_thread.h"

namespace kivo {

int ProgressCancelled = 0;

namespace {

struct ProgressState {
    bool open = false;
    bool cancelEnabled = false;
    int low = 0, high = 0;
};
ProgressState state;

void ShowBar() {
    PlatformBackend& b = CurrentPlatformBackend();
    if (state.low != state.high) b.ProgressDialogSetBar(true, 0);
    else b.ProgressDialogSetBar(false, 0);
}

}  // namespace

void ProgressOpen(OwnerWindow owner) {
    CheckUserInterfaceThread(true, state.open);
    state.open = true;
    state.cancelEnabled = true;  // a new dialog's button is enabled with its default label
    ProgressCancelled = 0;
    CurrentPlatformBackend().ProgressDialogOpen(owner);
}

void ProgressClose(OwnerWindow owner) {
    CheckUserInterfaceThread();
    if (state.open) CurrentPlatformBackend().ProgressDialogClose(owner);
    state.open = false;
    ProgressCancelled = 1;
}

int ProgressPump() {
    CheckUserInterfaceThread();
    if (ProgressCancelled) return 1;
    bool pressed = CurrentPlatformBackend().ProgressDialogPump();
    // The button only acts while it exists and is enabled.
    if (pressed && state.open && state.cancelEnabled) ProgressCancelled = 1;
    return ProgressCancelled ? 1 : 0;
}

void ProgressSetText(std::string_view text) {
    CheckUserInterfaceThread();
    if (state.open) CurrentPlatformBackend().ProgressDialogSetText(text);
}

void ProgressPrintf(const char* format, ...) {
    // Measured first, so a long file name in the text is never cut off.
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(length > 0 ? size_t(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    ProgressSetText(text);
}

void ProgressSetCancel(const char* label) {
    CheckUserInterfaceThread();
    if (!state.open) return;
    state.cancelEnabled = label != nullptr;
    CurrentPlatformBackend().ProgressDialogSetCancel(label ? label : "", label != nullptr);
}

void ProgressSetTitle(std::string_view text) {
    CheckUserInterfaceThread();
    if (state.open) CurrentPlatformBackend().ProgressDialogSetTitle(text);
}

void ProgressSetRange(int low, int high) {
    CheckUserInterfaceThread();
    state.low = low;
    state.high = high;
    if (state.open) ShowBar();
}

void ProgressSetPos(int value) {
    CheckUserInterfaceThread();
    if (!state.open || state.low == state.high) return;
    long long percent = (static_cast<long long>(value) - state.low) * 100 /
                        (static_cast<long long>(state.high) - state.low);
    // Backends are promised 0..100; a position outside the range shows as its end.
    CurrentPlatformBackend().ProgressDialogSetBar(true, int(std::clamp(percent, 0LL, 100LL)));
}

bool ProgressIsOpen() { return state.open; }

void ProgressOpenForReading(OwnerWindow owner, std::string_view text) {
    ProgressOpen(owner);
    ProgressSetTitle("Kivo 読み込み中...");
    ProgressSetText(text);
    ProgressSetCancel(nullptr);
    ProgressSetRange(0, 0);
    ProgressPump();
}

bool ProgressFrameWritten(int number, int total) {
    ProgressPrintf("GIF 書き込み中...\r %4d / %4d コマ", number, total);
    ProgressSetPos(number);
    return ProgressPump() != 0;
}

void ProgressResetForTesting() {
    state = ProgressState{};
    ResetUserInterfaceThread();
    ProgressCancelled = 0;
}

}  // namespace kivo
