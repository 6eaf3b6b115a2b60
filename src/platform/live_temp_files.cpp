#include "platform/live_temp_files.h"

#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>

namespace kivo {
namespace {

// Fixed storage: a signal handler may neither allocate nor take a lock. A few
// slots are plenty, since saves run one at a time on the user-interface thread.
constexpr int kSlots = 8;
enum : int { kFree = 0, kFilling = 1, kLive = 2 };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
Slot slots[kSlots];

static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free atomics");

}  // namespace

int RememberLiveTempFile(const char* path) {
    const size_t length = std::strlen(path);
    if (length >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(slots[i].path, path, length + 1);
        slots[i].state.store(kLive);  // the handler sees a complete path or none
        return i;
    }
    return -1;
}

void ForgetLiveTempFile(int slot) {
    if (slot >= 0 && slot < kSlots) slots[slot].state.store(kFree);
}

void UnlinkLiveTempFiles() {
    for (Slot& s : slots)
        if (s.state.load() == kLive) unlink(s.path);
}

int LiveTempFileCount() {
    int n = 0;
    for (const Slot& s : slots) n += s.state.load() == kLive;
    return n;
}

}  // namespace kivo
