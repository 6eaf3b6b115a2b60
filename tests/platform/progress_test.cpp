#include "platform/progress.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/recording_backend.h"

namespace kivo {
namespace {

TEST(Progress, BarPercentFollowsTheRange) {
    ScopedRecordingBackend rec;
    ProgressOpen(nullptr);
    ProgressSetRange(0, 0);
    EXPECT_FALSE(rec->barVisible);
    ProgressSetRange(0, 10);
    EXPECT_TRUE(rec->barVisible);
    ProgressSetPos(5);
    EXPECT_EQ(rec->percents.back(), 50);
    ProgressSetRange(10, 13);
    ProgressSetPos(12);
    EXPECT_EQ(rec->percents.back(), 66);  // integer division
    ProgressClose(nullptr);
}

TEST(Progress, CancelOnlyWhileTheButtonIsEnabled) {
    ScopedRecordingBackend rec;
    ProgressOpen(nullptr);
    ProgressSetCancel(nullptr);
    rec->cancelAtPump = 1;
    EXPECT_EQ(ProgressPump(), 0);  // click on a disabled button does nothing
    ProgressSetCancel("中止");
    EXPECT_TRUE(rec->cancelEnabled);
    EXPECT_EQ(rec->cancelLabel, "中止");
    rec->cancelAtPump = 3;
    EXPECT_EQ(ProgressPump(), 0);
    EXPECT_EQ(ProgressPump(), 1);
    EXPECT_EQ(ProgressCancelled, 1);
    EXPECT_EQ(ProgressPump(), 1);  // stays cancelled without pumping again
    EXPECT_EQ(rec->pumps, 3);
    ProgressClose(nullptr);
}

TEST(Progress, ClosedDialogStateMachine) {
    ScopedRecordingBackend rec;
    // Before the first open the pump runs and reports no cancel.
    EXPECT_EQ(ProgressPump(), 0);
    ProgressOpen(nullptr);
    EXPECT_EQ(ProgressCancelled, 0);
    ProgressPrintf("GIF 書き込み中...\r %4d / %4d コマ", 3, 12);
    EXPECT_EQ(rec->texts.back(), "GIF 書き込み中...\r    3 /   12 コマ");
    // A text longer than any fixed buffer (a deep path) arrives whole.
    const std::string path(3000, 'p');
    ProgressPrintf("%s を書き込み中", path.c_str());
    EXPECT_EQ(rec->texts.back(), path + " を書き込み中");
    ProgressSetTitle("Kivo 読み込み中...");
    EXPECT_EQ(rec->titles.back(), "Kivo 読み込み中...");
    ProgressClose(nullptr);
    EXPECT_EQ(ProgressCancelled, 1);
    EXPECT_EQ(rec->closes, 1);

    // Closed: pump says 1 without touching the queue; text ops address nothing;
    // the range is still stored and applies once a dialog opens.
    int pumps = rec->pumps;
    EXPECT_EQ(ProgressPump(), 1);
    EXPECT_EQ(rec->pumps, pumps);
    size_t texts = rec->texts.size();
    ProgressSetText("ignored");
    EXPECT_EQ(rec->texts.size(), texts);
    ProgressSetRange(0, 4);
    ProgressOpen(nullptr);
    EXPECT_EQ(ProgressPump(), 0);
    ProgressSetPos(1);
    EXPECT_EQ(rec->percents.back(), 25);
    ProgressClose(nullptr);
}

TEST(Progress, ErrorsGoThroughTheBackendWithABeep) {
    ScopedRecordingBackend rec;
    ShowError(nullptr, "ファイルオープンに失敗しました。");
    ASSERT_EQ(rec->errors.size(), 1u);
    EXPECT_EQ(rec->errors[0], "ファイルオープンに失敗しました。");
    EXPECT_EQ(rec->beeps, 1);
}

}  // namespace
}  // namespace kivo
