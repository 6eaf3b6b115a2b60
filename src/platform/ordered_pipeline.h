// Work whose results must be used in order, such as frames that are compressed
// independently but written one after another. Helper threads produce items
// ahead of the calling thread, which consumes them strictly in order, with no
// pause between groups of items: a core is idle only when the window is full.
// At most `ahead` items are produced but not yet consumed, so what waits to be
// consumed stays bounded however far the helpers could run ahead.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace kivo {

// Runs produce(i) for every i below count on up to `helpers` helper threads (on
// the calling thread itself when no helper can be started); consume(i) runs on
// the calling thread in the order of i, once produce(i) has returned. Item i + ahead starts only after consume(i).
// While the calling thread waits for an item, idle() runs on it every
// `idleEvery`. consume or idle returning false stops the run: no further item
// starts and false is returned once the helpers have stopped. The first
// exception thrown by produce (on any thread), consume or idle stops the run
// likewise and is rethrown here. The same item index is never produced twice.
template <typename Produce, typename Consume, typename Idle>
bool RunInOrder(size_t count, size_t ahead, unsigned helpers, std::chrono::milliseconds idleEvery,
                Produce&& produce, Consume&& consume, Idle&& idle) {
    if (ahead == 0) ahead = 1;
    struct Shared {
        std::mutex lock;
        std::condition_variable itemDone;  // a produced item, or a failure
        std::condition_variable roomMade;  // an item consumed, or the run stopped
        size_t next = 0;                   // first item not yet started
        size_t consumed = 0;               // items consumed so far
        std::vector<char> done;
        bool stop = false;
        std::exception_ptr error;
    } s;
    s.done.assign(count, 0);

    auto helper = [&] {
        std::unique_lock<std::mutex> hold(s.lock);
        for (;;) {
            s.roomMade.wait(hold, [&] { return s.stop || s.next >= count || s.next < s.consumed + ahead; });
            if (s.stop || s.next >= count) return;
            const size_t i = s.next++;
            hold.unlock();
            try {
                produce(i);
            } catch (...) {
                hold.lock();
                if (!s.error) s.error = std::current_exception();
                s.stop = true;
                s.itemDone.notify_all();
                s.roomMade.notify_all();
                return;
            }
            hold.lock();
            s.done[i] = 1;
            s.itemDone.notify_all();
        }
    };

    // Whatever way the calling thread leaves, no helper outlives the run.
    struct Helpers {
        Shared& s;
        std::vector<std::thread> threads;
        ~Helpers() {
            {
                std::lock_guard<std::mutex> hold(s.lock);
                s.stop = true;
            }
            s.roomMade.notify_all();
            for (std::thread& t : threads) t.join();
        }
    } pool{s, {}};
    const size_t wanted = std::min<size_t>(helpers, count);
    // Room for every helper before the first starts: a vector that had to grow
    // (and failed to) with threads running would end the program.
    pool.threads.reserve(wanted);
    for (size_t t = 0; t < wanted; ++t) {
        try {
            pool.threads.emplace_back(helper);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the calling thread does the work
        } catch (const std::bad_alloc&) {
            break;
        }
    }

    for (size_t i = 0; i < count; ++i) {
        std::unique_lock<std::mutex> hold(s.lock);
        while (!s.done[i]) {
            if (s.error) std::rethrow_exception(s.error);
            if (pool.threads.empty()) {  // nobody else to do it
                s.next = i + 1;
                hold.unlock();
                produce(i);
                hold.lock();
                s.done[i] = 1;
                break;
            }
            if (s.itemDone.wait_for(hold, idleEvery) == std::cv_status::timeout && !s.done[i]) {
                hold.unlock();
                if (!idle()) return false;
                hold.lock();
            }
        }
        hold.unlock();
        if (!consume(i)) return false;
        hold.lock();
        s.consumed = i + 1;
        s.roomMade.notify_all();
    }
    return true;
}

}  // namespace kivo
