// Spreading independent per-frame work over the machine's cores. The calling
// thread works too and is the only one that runs `onMainThread`, so progress
// pumping and everything else that touches the user interface stays on it.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace kivo {

// Number of threads ParallelFor uses (1 = everything on the calling thread).
unsigned WorkerThreadCount();

// Runs work(i) for every i below count, in any order and on any thread; after
// each item the calling thread finishes, it runs onMainThread(). The first
// exception thrown by work (or by onMainThread) stops handing out items and is
// rethrown here once every thread has stopped. work must not touch shared
// state unguarded.
template <typename Work, typename MainThreadHook>
void ParallelFor(size_t count, Work&& work, MainThreadHook&& onMainThread) {
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex errorLock;
    auto runItems = [&](bool mainThread) {
        for (;;) {
            const size_t i = next.fetch_add(1);
            if (i >= count || failed.load()) return;
            try {
                work(i);
                if (mainThread) onMainThread();
            } catch (...) {
                std::lock_guard<std::mutex> hold(errorLock);
                if (!error) error = std::current_exception();
                failed.store(true);
                return;
            }
        }
    };
    const unsigned threads = unsigned(std::clamp<size_t>(count, 1, WorkerThreadCount()));
    // Room for every helper before the first starts: a vector that had to grow
    // (and failed to) with threads running would end the program.
    std::vector<std::thread> helpers;
    helpers.reserve(threads - 1);
    for (unsigned t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(runItems, false);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the others do the work
        } catch (const std::bad_alloc&) {
            // Nor memory for one more: leaving here would destroy the helpers
            // already running, which ends the program.
            break;
        }
    }
    runItems(true);
    for (std::thread& t : helpers) t.join();
    if (error) std::rethrow_exception(error);
}

template <typename Work>
void ParallelFor(size_t count, Work&& work) {
    ParallelFor(count, std::forward<Work>(work), [] {});
}

}  // namespace kivo
