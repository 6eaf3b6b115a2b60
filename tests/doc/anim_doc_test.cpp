#include "doc/anim_doc.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

// Checks the list invariants after every operation.
void ExpectConsistent(const AnimDoc& doc) {
    int n = 0;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) ++n;
    EXPECT_EQ(n, doc.frameCount);
    if (doc.frameCount == 0) {
        EXPECT_EQ(doc.currentFrame, nullptr);
    } else {
        ASSERT_NE(doc.currentFrame, nullptr);
        EXPECT_EQ(NthFrame(doc, doc.currentIndex), doc.currentFrame);
    }
}

// Builds a document of n frames tagged by delay = 100 + position.
std::unique_ptr<AnimDoc> DocWithFrames(int n) {
    auto doc = NewDocument();
    for (int i = 0; i < n; ++i) {
        EXPECT_TRUE(AppendFrame(*doc));
        doc->currentFrame->delay = 100 + i;
    }
    return doc;
}

std::vector<int> Tags(const AnimDoc& doc) {
    std::vector<int> tags;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) tags.push_back(f->delay);
    return tags;
}

TEST(AnimDoc, NewDocumentIsNamedByTheWorkingMode) {
    auto gif = NewDocument(0);
    EXPECT_EQ(gif->displayName, "新規.gif");
    EXPECT_EQ(gif->ticksPerSecond, 100);
    EXPECT_EQ(gif->loopEnabled, 1);
    EXPECT_EQ(gif->loopCount, 0);
    EXPECT_TRUE(gif->path.empty());
    EXPECT_EQ(gif->modified, 0);
    EXPECT_EQ(NewDocument(1)->displayName, "新規.mng");
    EXPECT_EQ(NewDocument()->displayName, "新規.gif");
    ExpectConsistent(*gif);
}

TEST(AnimDoc, AppendMakesTheNewFrameCurrentWithDefaults) {
    auto doc = NewDocument();
    ASSERT_TRUE(AppendFrame(*doc));
    EXPECT_EQ(doc->firstFrame.get(), doc->currentFrame);
    EXPECT_EQ(doc->currentIndex, 0);
    EXPECT_EQ(doc->frameCount, 1);
    EXPECT_EQ(doc->currentFrame->hasDelay, 1);
    EXPECT_EQ(doc->currentFrame->delay, 10);
    ASSERT_TRUE(AppendFrame(*doc));
    EXPECT_EQ(doc->currentIndex, 1);
    ExpectConsistent(*doc);
}

TEST(AnimDoc, AppendAfterMovingCurrentBackStillAddsAtTheEnd) {
    auto doc = DocWithFrames(4);
    doc->currentIndex = 1;
    doc->currentFrame = NthFrame(*doc, 1);
    ASSERT_TRUE(AppendFrame(*doc));
    EXPECT_EQ(doc->currentIndex, 4);
    EXPECT_EQ(NthFrame(*doc, 4), doc->currentFrame);
    ExpectConsistent(*doc);
}

TEST(AnimDoc, InsertGoesBeforeCurrentAndKeepsIndex) {
    auto doc = DocWithFrames(5);
    doc->currentIndex = 3;
    doc->currentFrame = NthFrame(*doc, 3);
    Frame* old = doc->currentFrame;
    ASSERT_TRUE(InsertFrame(*doc));
    EXPECT_EQ(doc->frameCount, 6);
    EXPECT_EQ(doc->currentIndex, 3);
    EXPECT_EQ(NthFrame(*doc, 4), old);
    EXPECT_EQ(doc->currentFrame->delay, 10);
    ExpectConsistent(*doc);

    // At the head the new frame becomes the first; on an empty list insert appends.
    doc->currentIndex = 0;
    doc->currentFrame = doc->firstFrame.get();
    ASSERT_TRUE(InsertFrame(*doc));
    EXPECT_EQ(doc->firstFrame.get(), doc->currentFrame);
    auto empty = NewDocument();
    ASSERT_TRUE(InsertFrame(*empty));
    EXPECT_EQ(empty->frameCount, 1);
    ExpectConsistent(*empty);
}

TEST(AnimDoc, RemoveFollowsTheNextOrTheNewLastFrame) {
    auto doc = DocWithFrames(5);  // current = last (index 4)
    ASSERT_TRUE(RemoveFrame(*doc));
    EXPECT_EQ(doc->currentIndex, 3);
    EXPECT_EQ(doc->currentFrame->delay, 103);
    ExpectConsistent(*doc);

    doc->currentIndex = 1;
    doc->currentFrame = NthFrame(*doc, 1);
    ASSERT_TRUE(RemoveFrame(*doc));
    EXPECT_EQ(doc->currentIndex, 1);
    EXPECT_EQ(doc->currentFrame->delay, 102);
    EXPECT_EQ(Tags(*doc), (std::vector<int>{100, 102, 103}));
    ExpectConsistent(*doc);

    auto one = DocWithFrames(1);
    ASSERT_TRUE(RemoveFrame(*one));
    EXPECT_EQ(one->frameCount, 0);
    EXPECT_EQ(one->firstFrame, nullptr);
    EXPECT_FALSE(RemoveFrame(*one));
    ExpectConsistent(*one);
}

TEST(AnimDoc, NthFrameStopsAtTheEnd) {
    auto doc = DocWithFrames(3);
    EXPECT_EQ(NthFrame(*doc, 2)->delay, 102);
    EXPECT_EQ(NthFrame(*doc, 3), nullptr);
    EXPECT_EQ(NthFrame(*doc, -1), nullptr);
    EXPECT_EQ(NthFrame(*NewDocument(), 0), nullptr);
}

TEST(AnimDoc, SpliceInsertsBeforeCurrentOrAppends) {
    auto doc = DocWithFrames(3);
    doc->currentIndex = 1;
    doc->currentFrame = NthFrame(*doc, 1);
    auto loaded = NewDocument();
    for (int i = 0; i < 2; ++i) {
        AppendFrame(*loaded);
        loaded->currentFrame->delay = 200 + i;
    }
    SpliceFrames(*doc, *loaded, true);
    EXPECT_EQ(Tags(*doc), (std::vector<int>{100, 200, 201, 101, 102}));
    EXPECT_EQ(doc->currentIndex, 1);
    EXPECT_EQ(doc->currentFrame->delay, 200);
    EXPECT_EQ(loaded->frameCount, 0);
    EXPECT_EQ(loaded->currentFrame, nullptr);
    ExpectConsistent(*doc);

    auto more = DocWithFrames(1);
    SpliceFrames(*doc, *more, false);
    EXPECT_EQ(doc->currentIndex, 5);
    EXPECT_EQ(doc->frameCount, 6);
    ExpectConsistent(*doc);
}

TEST(AnimDoc, UpdateExtentOnlyGrowsTheScreen) {
    auto doc = DocWithFrames(2);
    doc->screenWidth = 120;
    doc->screenHeight = 500;
    Frame* f = doc->firstFrame.get();
    f->left = 100;
    f->width = 50;
    f->height = 10;
    UpdateExtent(*doc);
    EXPECT_EQ(doc->extentRight, 150);
    EXPECT_EQ(doc->extentBottom, 10);
    EXPECT_EQ(doc->screenWidth, 150);
    EXPECT_EQ(doc->screenHeight, 500);

    // GIF places frames up to 65535 and sizes them up to 65535: the extent is exact.
    Frame* g = f->next.get();
    g->left = 40000;
    g->width = 30000;
    g->top = 65535;
    g->height = 65535;
    UpdateExtent(*doc);
    EXPECT_EQ(doc->extentRight, 70000);
    EXPECT_EQ(doc->extentBottom, 131070);
    EXPECT_EQ(doc->screenWidth, 70000);
    EXPECT_EQ(doc->screenHeight, 131070);
}

TEST(AnimDoc, KeyListsAddRemoveAndComments) {
    TextKeyList keys;
    AddKey(keys, "a", "1");
    AddKey(keys, "b", "2");
    AddKey(keys, "c", "3");
    RemoveKey(keys, 0);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].key, "b");
    EXPECT_EQ(keys[1].text, "3");
    RemoveKey(keys, 7);  // out of range: nothing happens
    EXPECT_EQ(keys.size(), 2u);
    RemoveKey(keys, 1);
    RemoveKey(keys, 0);
    EXPECT_TRUE(keys.empty());
    EXPECT_EQ(keys.capacity(), 0u);

    auto doc = DocWithFrames(2);
    doc->trailingComment = "end";
    doc->firstFrame->comment = std::string("bin\0ary", 7);
    CommentsToKeys(*doc);
    ASSERT_EQ(doc->textKeys.size(), 1u);
    EXPECT_EQ(doc->textKeys[0].key, "Comment");
    ASSERT_EQ(doc->firstFrame->textKeys.size(), 1u);
    EXPECT_EQ(doc->firstFrame->textKeys[0].text.size(), 7u);
    EXPECT_TRUE(NthFrame(*doc, 1)->textKeys.empty());
}

TEST(AnimDoc, FreeFrameContentsKeepsTheListIntact) {
    auto doc = DocWithFrames(3);
    Frame* first = doc->firstFrame.get();
    first->comment = "x";
    first->localPalette.resize(4);
    first->dib.resize(100);
    FreeFrameContents(*first);
    EXPECT_TRUE(first->comment.empty());
    EXPECT_TRUE(first->localPalette.empty());
    EXPECT_TRUE(first->dib.empty());
    EXPECT_EQ(first->delay, 0);
    ExpectConsistent(*doc);
}

TEST(AnimDoc, HundredThousandFramesAreBuiltAndFreedWithoutDeepRecursion) {
    auto doc = NewDocument();
    for (int i = 0; i < 100000; ++i) ASSERT_TRUE(AppendFrame(*doc));
    EXPECT_EQ(doc->frameCount, 100000);
    EXPECT_EQ(doc->currentIndex, 99999);
    FreeDocument(doc);
    EXPECT_EQ(doc, nullptr);
}

}  // namespace
}  // namespace kivo
