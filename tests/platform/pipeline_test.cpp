#include "platform/pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kivo {
namespace {

struct Item {
    int value = 0;
};

// With the caller consuming, with one helper (in order) and with two: every
// item is consumed once; a failure, returned or thrown, stops the handing out
// and is reported by Finish; stopping in the middle drops the rest.
TEST(SlotPipeline, ConsumesEveryItemAndStopsAtTheFirstFailure) {
    struct Case {
        unsigned helpers;
        int failAt;  // -1: never
        bool throws;
    };
    const Case cases[] = {{0, -1, false}, {1, -1, false}, {2, -1, false}, {0, 5, false},
                          {1, 5, false},  {2, 5, true},   {1, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.helpers << " helpers, failing at " << c.failAt);
        std::mutex lock;
        std::vector<int> seen;
        SlotPipeline<Item> pipe(3, c.helpers, [&](Item& item, unsigned helper) {
            EXPECT_LT(helper, std::max(c.helpers, 1u));
            if (item.value == c.failAt) {
                if (c.throws) throw std::runtime_error("consume");
                return false;
            }
            std::lock_guard<std::mutex> hold(lock);
            seen.push_back(item.value);
            return true;
        });
        EXPECT_EQ(pipe.helpers(), c.helpers);
        int submitted = 0;
        for (int i = 0; i < 200; ++i) {
            Item* item = pipe.Acquire();
            if (!item) break;
            item->value = i;
            pipe.Submit(item);
            ++submitted;
        }
        EXPECT_EQ(pipe.Finish(), c.failAt < 0);
        if (c.failAt < 0) {
            EXPECT_EQ(submitted, 200);
            ASSERT_EQ(seen.size(), 200u);
            if (c.helpers <= 1) {
                for (int i = 0; i < 200; ++i) EXPECT_EQ(seen[size_t(i)], i);
            }
        } else {
            // With one consumer only the slots in flight when it failed may
            // still have been taken. With two, the other helper keeps cycling
            // the free slots until the failing one returns, which under a
            // sanitizer's slow unwinding can be dozens of items: no bound.
            if (c.helpers <= 1) {
                EXPECT_LT(submitted, c.failAt + 1 + 3 + 1);
            }
            EXPECT_LT(seen.size(), size_t(submitted));
            EXPECT_EQ(std::count(seen.begin(), seen.end(), c.failAt), 0);
        }
    }

    // Stopped with work queued: the helper finishes what it holds and ends.
    SlotPipeline<Item> slow(3, 1, [](Item&, unsigned) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return true;
    });
    for (int i = 0; i < 3; ++i) slow.Submit(slow.Acquire());
    slow.Stop();
}

}  // namespace
}  // namespace kivo
