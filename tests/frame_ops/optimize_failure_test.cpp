// Frame size optimisation stopped half-way, by the user or by memory running
// out at any allocation: the document stays exactly as it was.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/recording_backend.h"
#include "support/animation_builder.h"
#include "frame_ops/optimize_frames.h"

namespace {
// When 0 or more: the number of allocations that still succeed before one fails.
std::atomic<long> allocationsBeforeFailure{-1};

void* Allocate(std::size_t n) {
    if (allocationsBeforeFailure.load(std::memory_order_relaxed) >= 0 && allocationsBeforeFailure.fetch_sub(1) == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

// Every form that pairs with the plain delete, so that what one allocates the
// other frees.
void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return Allocate(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace kivo {
namespace {

// A sprite moving over a still background, a repeat, and a frame restoring the
// screen: every step of the optimisation has work to do.
std::unique_ptr<AnimDoc> Recording() {
    std::vector<test::FrameSpec> frames;
    for (int i = 0; i < 5; ++i) {
        const int bx = 4 + 3 * i;
        frames.emplace_back(0, 0, 32, 24, [=](int x, int y) {
            const bool sprite = x >= bx && x < bx + 5 && y >= 8 && y < 13;
            return sprite ? Rgb{250, 20, 20} : Rgb{uint8_t(x * 8), uint8_t(y * 10), 40};
        });
    }
    frames.push_back(frames.back());
    frames.back().disposal = 3;
    frames.push_back(frames[2]);
    return test::MakeAnimation(32, 24, frames);
}

TEST(FrameSizesStopped, ACancelAtAnyPumpLeavesTheDocumentAsItWas) {
    int cancelled = 0;
    for (int pump = 1; pump < 1000; ++pump) {
        SCOPED_TRACE(testing::Message() << "cancel at pump " << pump);
        ScopedRecordingBackend rec;
        rec->cancelAtPump = pump;
        auto doc = Recording();
        WriteOptions options;
        const std::string before = test::Fingerprint(*doc);
        OptimizeOutcome outcome;
        const bool changed = OptimizeFrameSizes(nullptr, *doc, options, &outcome);
        EXPECT_TRUE(rec->errors.empty());
        if (outcome != OptimizeOutcome::kCancelled) {
            EXPECT_TRUE(changed);
            break;
        }
        EXPECT_FALSE(changed);
        EXPECT_EQ(test::Fingerprint(*doc), before);
        ++cancelled;
    }
    EXPECT_GT(cancelled, 2);
}

TEST(FrameSizesStopped, RunningOutOfMemoryAnywhereLeavesTheDocumentAsItWas) {
    const auto original = Recording();
    const std::vector<test::Shown> shown = test::Playback(*original);
    int failed = 0;
    for (long n = 0; n < 100000; ++n) {
        SCOPED_TRACE(testing::Message() << "allocation " << n << " fails");
        ScopedRecordingBackend rec;
        auto doc = Recording();
        WriteOptions options;
        const std::string before = test::Fingerprint(*doc);
        OptimizeOutcome outcome;
        allocationsBeforeFailure = n;
        const bool changed = OptimizeFrameSizes(nullptr, *doc, options, &outcome);
        const bool reached = allocationsBeforeFailure.exchange(-1) < 0;
        if (outcome == OptimizeOutcome::kFailed) {
            ++failed;
            EXPECT_FALSE(changed);
            EXPECT_EQ(test::Fingerprint(*doc), before);
            EXPECT_EQ(rec->errors, std::vector<std::string>{"メモリが足りません。"});
        } else {
            // A pass that finds no memory is left out; the crops still count.
            ASSERT_EQ(outcome, OptimizeOutcome::kChanged);
            EXPECT_TRUE(rec->errors.empty());
            EXPECT_EQ(test::Playback(*doc), shown);
        }
        if (!reached) break;
    }
    EXPECT_GT(failed, 5);
}

}  // namespace
}  // namespace kivo
