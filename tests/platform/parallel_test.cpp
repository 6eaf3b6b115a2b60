#include "platform/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace kivo {
namespace {

// Whatever throws, work or the main-thread hook, comes back to the caller once
// every helper has stopped, instead of ending the program with helpers running.
TEST(ParallelFor, ExceptionsReachTheCallerAfterEveryThreadStopped) {
    std::atomic<int> ran{0};
    auto slowWork = [&](size_t) {
        ++ran;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    };
    EXPECT_THROW(ParallelFor(64, slowWork, [] { throw std::runtime_error("pump"); }),
                 std::runtime_error);
    EXPECT_GE(ran.load(), 1);
    EXPECT_LT(ran.load(), 64);  // items stop being handed out

    ran = 0;
    EXPECT_THROW(ParallelFor(64, [&](size_t i) {
        slowWork(i);
        if (i == 3) throw std::runtime_error("work");
    }), std::runtime_error);
    EXPECT_LT(ran.load(), 64);

    ran = 0;
    ParallelFor(64, slowWork);
    EXPECT_EQ(ran.load(), 64);
}

}  // namespace
}  // namespace kivo
