// Frames compressed ahead on helper threads and written in order: every item
// produced once and consumed in order, never more than the window ahead of the
// writer, and a stop, a failure or a cancel while waiting ends the run with
// every helper gone.
#include "platform/ordered_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kivo {
namespace {

using namespace std::chrono_literals;

struct Case {
    size_t count, ahead;
    unsigned helpers;
    size_t stopAt;     // consume returns false for this item (count = never)
    size_t throwAt;    // produce throws for this item (count = never)
};

struct Seen {
    std::mutex lock;
    std::vector<int> produced;          // times each item was produced
    std::vector<size_t> consumed;       // in the order consume saw them
    std::atomic<size_t> consumedCount{0};
    std::atomic<bool> beyondWindow{false};
    std::atomic<bool> consumedEarly{false};
    std::vector<std::atomic<bool>> finished;
    explicit Seen(size_t n) : produced(n, 0), finished(n) {}
};

TEST(OrderedPipeline, ConsumesInOrderWithinTheWindowAndStopsCleanly) {
    const Case runs[] = {
        {0, 4, 2, 0, 0},      {1, 4, 2, 1, 1},       {50, 1, 2, 50, 50}, {50, 4, 2, 50, 50},
        {50, 4, 0, 50, 50},   {50, 3, 7, 50, 50},    {40, 4, 2, 9, 40},  {40, 4, 2, 40, 13},
        {40, 2, 0, 40, 5},    {40, 4, 3, 0, 40},
    };
    for (const Case& r : runs) {
        SCOPED_TRACE(testing::Message() << "count " << r.count << " ahead " << r.ahead << " helpers "
                                        << r.helpers << " stop " << r.stopAt << " throw " << r.throwAt);
        Seen seen(r.count);
        bool threw = false, result = false;
        try {
            result = RunInOrder(
                r.count, r.ahead, r.helpers, 1ms,
                [&](size_t i) {
                    if (i >= seen.consumedCount.load() + r.ahead) seen.beyondWindow = true;
                    {
                        std::lock_guard<std::mutex> hold(seen.lock);
                        ++seen.produced[i];
                    }
                    if (i == r.throwAt) throw std::runtime_error("frame failed");
                    std::this_thread::sleep_for(std::chrono::microseconds((i * 37) % 300));
                    seen.finished[i] = true;
                },
                [&](size_t i) {
                    if (!seen.finished[i]) seen.consumedEarly = true;
                    seen.consumed.push_back(i);
                    seen.consumedCount = i + 1;
                    return i != r.stopAt;
                },
                [] { return true; });
        } catch (const std::runtime_error&) {
            threw = true;
        }
        // A failure stops the run at once: items before it that are still
        // being produced when it comes are not consumed.
        const size_t end = std::min({r.count, r.stopAt + 1, r.throwAt});
        EXPECT_EQ(threw, r.throwAt < r.count && r.throwAt <= r.stopAt);
        if (!threw) {
            EXPECT_EQ(result, r.stopAt >= r.count);
        }
        if (threw) {
            ASSERT_LE(seen.consumed.size(), end);
        } else {
            ASSERT_EQ(seen.consumed.size(), end);
        }
        for (size_t i = 0; i < seen.consumed.size(); ++i) EXPECT_EQ(seen.consumed[i], i);
        for (size_t i = 0; i < r.count; ++i) {
            EXPECT_LE(seen.produced[i], 1) << "item " << i;
            if (i < seen.consumed.size()) {
                EXPECT_EQ(seen.produced[i], 1) << "item " << i;
            }
        }
        EXPECT_FALSE(seen.beyondWindow);
        EXPECT_FALSE(seen.consumedEarly);
    }
}

// A long item keeps the calling thread waiting: idle runs meanwhile, and its
// false (the user's cancel) ends the run before the item is consumed.
TEST(OrderedPipeline, IdleRunsWhileWaitingAndCanStopTheRun) {
    for (const bool cancel : {false, true}) {
        int idles = 0, consumed = 0;
        const bool done = RunInOrder(
            3, 2, 1, 1ms,
            [](size_t i) {
                if (i == 1) std::this_thread::sleep_for(200ms);
            },
            [&](size_t) {
                ++consumed;
                return true;
            },
            [&] {
                ++idles;
                return !(cancel && consumed == 1);
            });
        EXPECT_EQ(done, !cancel);
        EXPECT_GT(idles, 0);
        EXPECT_EQ(consumed, cancel ? 1 : 3);
    }
}

}  // namespace
}  // namespace kivo
