#include "platform/ui_thread.h"

#include <atomic>
#include <cassert>
#include <thread>

namespace kivo {
namespace {

std::atomic<std::thread::id> owner{};
std::atomic<int> foreignCalls{0};

}  // namespace

void CheckUserInterfaceThread(bool opening, bool dialogOpen) {
    const std::thread::id me = std::this_thread::get_id();
    std::thread::id expected{};
    // The first call, or an operation opening with no dialog up, takes the
    // user interface for its thread.
    if (owner.compare_exchange_strong(expected, me) || expected == me) return;
    if (opening && !dialogOpen) {
        owner.store(me);
        return;
    }
    ++foreignCalls;
    assert(!"ShowError or a progress call from a thread that does not own the user interface");
}

int ForeignThreadCalls() { return foreignCalls.load(); }

void ResetUserInterfaceThread() {
    owner.store(std::thread::id{});
    foreignCalls.store(0);
}

}  // namespace kivo
