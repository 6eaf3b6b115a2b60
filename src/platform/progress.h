// The progress protocol every long operation follows: open, phases with text and
// an optional bar, pump between items (a result of 1 means the user cancelled),
// close. One dialog at a time, in process-wide state.
#pragma once

#include "platform/platform.h"

namespace kivo {

// 0 at start, cleared when the dialog opens, set by the cancel button and by
// ProgressClose.
extern int ProgressCancelled;

void ProgressOpen(OwnerWindow owner);
void ProgressClose(OwnerWindow owner);
// 1 when the user asked to cancel (or the dialog was closed), else 0.
int ProgressPump();
void ProgressSetText(std::string_view text);
void ProgressPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// nullptr disables the cancel button; a label enables it with that text.
void ProgressSetCancel(const char* label);
void ProgressSetTitle(std::string_view text);
void ProgressSetRange(int low, int high);
void ProgressSetPos(int value);

bool ProgressIsOpen();

// How every file reader starts: the dialog titled "Kivo 読み込み中..." with text,
// no cancel button yet and no bar, pumped once so it shows.
void ProgressOpenForReading(OwnerWindow owner, std::string_view text);
// One frame written: "GIF 書き込み中...\r n / total コマ", the bar moved, a pump.
// True when the user cancelled.
bool ProgressFrameWritten(int number, int total);

// Restores the state of a fresh process (tests only).
void ProgressResetForTesting();

}  // namespace kivo
