// Work handed from the calling thread to helper threads through a fixed set of
// slots: the caller fills a slot and submits it, a helper consumes it, and the
// slot comes back for the caller to fill again. The calling thread stays free to
// read, compose and pump progress (it is the only one that touches the user
// interface), and the fixed slots bound what is in flight. With one helper the
// slots are consumed in the order they were submitted; without helpers (one
// core, or no thread to be had) the caller consumes each slot as it submits it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace kivo {

template <typename Slot>
class SlotPipeline {
public:
    // consume(slot, helper) runs on helper number `helper` (0 when the caller
    // consumes); false or an exception fails the pipeline, after which nothing
    // more is consumed.
    using Consume = std::function<bool(Slot&, unsigned)>;

    // Throws std::bad_alloc like any allocation.
    SlotPipeline(size_t slots, unsigned helpers, Consume consume)
        : slots_(slots < 1 ? 1 : slots), consume_(std::move(consume)) {
        // Both lists have room for every slot now: no allocation later, when a
        // helper could not report it.
        free_.reserve(slots_.size());
        queue_.reserve(slots_.size());
        for (Slot& s : slots_) free_.push_back(&s);
        helpers_.reserve(helpers);
        for (unsigned h = 0; h < helpers; ++h) {
            try {
                helpers_.emplace_back([this, h] { Run(h); });
            } catch (const std::system_error&) {
                break;  // fewer helpers, or the caller does the work
            }
        }
    }
    ~SlotPipeline() { Stop(); }
    SlotPipeline(const SlotPipeline&) = delete;
    SlotPipeline& operator=(const SlotPipeline&) = delete;

    // How many helper threads really run.
    size_t helpers() const { return helpers_.size(); }

    // A free slot, waiting while every slot is in flight; nullptr once the
    // pipeline failed.
    Slot* Acquire() {
        std::unique_lock<std::mutex> hold(lock_);
        slotFreed_.wait(hold, [&] { return failed_ || !free_.empty(); });
        if (failed_) return nullptr;
        Slot* s = free_.back();
        free_.pop_back();
        return s;
    }

    // Hands an acquired slot on for consuming.
    void Submit(Slot* s) {
        if (helpers_.empty()) {
            const bool ok = Guarded(*s, 0);
            std::lock_guard<std::mutex> hold(lock_);
            if (!ok) failed_ = true;
            free_.push_back(s);
            return;
        }
        {
            std::lock_guard<std::mutex> hold(lock_);
            queue_.push_back(s);
            ++inFlight_;
        }
        work_.notify_one();
    }

    // Waits until every submitted slot is consumed. False when one failed.
    // Not after Stop, which drops what was queued.
    bool Finish() {
        std::unique_lock<std::mutex> hold(lock_);
        slotFreed_.wait(hold, [&] { return inFlight_ == 0; });
        return !failed_;
    }

    // Ends the helpers at once: slots not yet consumed are dropped, a slot being
    // consumed is finished first.
    void Stop() {
        {
            std::lock_guard<std::mutex> hold(lock_);
            stopping_ = true;
        }
        work_.notify_all();
        for (std::thread& t : helpers_) t.join();
        helpers_.clear();
    }

private:
    bool Guarded(Slot& s, unsigned helper) {
        try {
            return consume_(s, helper);
        } catch (...) {
            return false;
        }
    }

    void Run(unsigned helper) {
        std::unique_lock<std::mutex> hold(lock_);
        for (;;) {
            work_.wait(hold, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            Slot* s = queue_.front();
            queue_.erase(queue_.begin());  // a handful of slots: cheap
            const bool skip = failed_;
            hold.unlock();
            const bool ok = skip || Guarded(*s, helper);
            hold.lock();
            if (!ok) failed_ = true;
            free_.push_back(s);
            --inFlight_;
            slotFreed_.notify_all();
        }
    }

    std::vector<Slot> slots_;
    Consume consume_;
    std::mutex lock_;
    std::condition_variable work_, slotFreed_;
    std::vector<Slot*> free_, queue_;  // queue_ in submission order
    size_t inFlight_ = 0;
    bool failed_ = false, stopping_ = false;
    std::vector<std::thread> helpers_;
};

}  // namespace kivo
