// Moving frames by relinking the list: where the dragged frames land, what
// happens to the frames between, which frame stays current, and the drops that
// change nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "doc/selection.h"
#include "frame_ops/blank_frame.h"
#include "frame_ops/move_frames.h"

namespace kivo {
namespace {

// A document whose frames are told apart by their comments "A", "B", …
std::unique_ptr<AnimDoc> Lettered(int count) {
    auto doc = NewDocument();
    Selection selection;
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(AddBlankFrame(*doc, selection, 0, 2 + i, 2));
        doc->currentFrame->comment = std::string(1, char('A' + i));
    }
    return doc;
}

std::string Order(const AnimDoc& doc) {
    std::string order;
    int count = 0;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get(), ++count) order += f->comment;
    EXPECT_EQ(count, doc.frameCount);
    return order;
}

struct MoveCase {
    const char* name;
    int frames;
    std::vector<int32_t> indices;
    int32_t before;
    const char* order;  // expected; the old order when nothing moves
    int32_t start;      // where the moved frames start afterwards
};

const MoveCase kMoves[] = {
    {"one frame up", 6, {4}, 1, "AEBCDF", 1},
    {"one frame down", 6, {1}, 5, "ACDEBF", 4},
    {"to the start", 6, {3, 4}, 0, "DEABCF", 0},
    {"to the end", 6, {0, 1}, 6, "CDEFAB", 4},
    {"last to first", 6, {5}, 0, "FABCDE", 0},
    {"first to last", 6, {0}, 6, "BCDEFA", 5},
    {"apart, gathered between them", 7, {1, 5}, 3, "ACBFDEG", 2},
    {"apart, gathered at the start", 7, {2, 4, 6}, 0, "CEGABDF", 0},
    {"apart, gathered at the end", 7, {0, 3}, 7, "BCEFGAD", 5},
    {"apart, dropped before one of them", 6, {1, 4}, 4, "ACDBEF", 3},
    {"apart, dropped after the last of them", 6, {0, 2}, 3, "BACDEF", 1},
    {"all but one", 4, {0, 1, 2}, 4, "DABC", 1},
    {"a block one place down", 6, {1, 2}, 4, "ADBCEF", 2},
    {"from the end of a long list", 40, {39}, 4, nullptr, 4},
};

TEST(MoveFrames, MovedFramesLandTogetherInTheirOrder) {
    for (const MoveCase& c : kMoves) {
        SCOPED_TRACE(c.name);
        auto doc = Lettered(c.frames);
        std::vector<const uint8_t*> pictures;
        for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get()) pictures.push_back(f->dib.data());
        const std::string old = Order(*doc);
        const Frame* firstMoved = NthFrame(*doc, c.indices.front());

        ASSERT_TRUE(MoveFrames(*doc, c.indices, c.before));
        if (c.order) {
            EXPECT_EQ(Order(*doc), c.order);
        }
        EXPECT_EQ(MovedFramesStart(c.indices, c.before), c.start);
        EXPECT_EQ(NthFrame(*doc, c.start), firstMoved);
        // The same frames with the same pictures, only in another order.
        std::string sorted = Order(*doc);
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, old);
        for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get())
            EXPECT_EQ(f->dib.data(), pictures[size_t(f->comment[0] - 'A')]);
    }
}

TEST(MoveFrames, TheCurrentFrameStaysCurrentWhereverItGoes) {
    struct Case {
        int32_t current;
        std::vector<int32_t> indices;
        int32_t before;
        int32_t index;  // of the same frame afterwards
    };
    for (const Case& c : {Case{4, {4}, 0, 0}, Case{0, {4}, 0, 1}, Case{2, {0, 1}, 6, 0}, Case{5, {0, 1}, 6, 3},
                          Case{3, {1, 5}, 3, 4}}) {
        auto doc = Lettered(6);
        doc->currentIndex = c.current;
        doc->currentFrame = NthFrame(*doc, c.current);
        const Frame* current = doc->currentFrame;
        ASSERT_TRUE(MoveFrames(*doc, c.indices, c.before));
        EXPECT_EQ(doc->currentFrame, current);
        EXPECT_EQ(doc->currentIndex, c.index) << c.current;
        EXPECT_EQ(NthFrame(*doc, doc->currentIndex), current);
    }
}

TEST(MoveFrames, DropsThatChangeNothingOrMakeNoSenseAreRefused) {
    struct Case {
        const char* name;
        std::vector<int32_t> indices;
        int32_t before;
    };
    const Case cases[] = {
        {"onto itself", {2}, 2},
        {"just after itself", {2}, 3},
        {"a block into its own middle", {1, 2, 3}, 2},
        {"a block just after itself", {1, 2, 3}, 4},
        {"everything to the start", {0, 1, 2, 3, 4}, 0},
        {"nothing dragged", {}, 1},
        {"past the end", {1}, 6},
        {"before the start", {1}, -1},
        {"an index past the last frame", {1, 5}, 0},
        {"a negative index", {-1, 2}, 0},
        {"not ascending", {3, 1}, 0},
        {"a repeated index", {1, 1}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = Lettered(5);
        doc->currentIndex = 3;
        doc->currentFrame = NthFrame(*doc, 3);
        EXPECT_FALSE(MoveFrames(*doc, c.indices, c.before));
        EXPECT_EQ(Order(*doc), "ABCDE");
        EXPECT_EQ(doc->currentIndex, 3);
        EXPECT_EQ(doc->currentFrame, NthFrame(*doc, 3));
    }
}

}  // namespace
}  // namespace kivo
