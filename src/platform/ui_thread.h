// ShowError and the progress calls reach the user interface, which belongs to
// one thread: the one that started the operation. Helpers of ParallelFor must
// never call them. Every such call is checked here; in a debug build a call from
// another thread stops the program at once, in any build it is counted.
#pragma once

namespace kivo {

// Called by the progress calls and ShowError. opening: ProgressOpen, which may
// hand the user interface to another thread while no dialog is open.
void CheckUserInterfaceThread(bool opening = false, bool dialogOpen = false);
// Calls made from a thread that did not own the user interface (tests).
int ForeignThreadCalls();
// Forgets the owning thread, as in a fresh process (tests).
void ResetUserInterfaceThread();

}  // namespace kivo
