// The temporary files of saves in progress, kept where a signal handler can
// reach them: a process that has to end at once (a second Ctrl-C, SIGTERM) still
// removes them instead of leaving hidden half-written files beside the targets.
#pragma once

namespace kivo {

// Remembers path; returns a slot for ForgetLiveTempFile, or -1 when every slot
// is taken or the path is too long (the file is then simply not covered).
int RememberLiveTempFile(const char* path);
void ForgetLiveTempFile(int slot);
// Unlinks every remembered file. Async-signal-safe: only atomics and unlink().
void UnlinkLiveTempFiles();
// How many files are remembered now (tests).
int LiveTempFileCount();

}  // namespace kivo
