// Frames dragged to another place and files dropped between frames, through the
// shell: each drop is one step of the history, the selection follows what
// landed, and undo brings back exactly the order, selection and current frame
// from before.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/fake_shell_ui.h"
#include "app/shell.h"
#include "doc/selection.h"
#include "frame_ops/blank_frame.h"
#include "io/open_save.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using test::FakeShellUi;

// The shell's document as letters: frame comments "A", "B", … set when made.
std::string Order(const AnimDoc& doc) {
    std::string order;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) order += f->comment.empty() ? "?" : f->comment;
    return order;
}

std::vector<const Frame*> Frames(const AnimDoc& doc) {
    std::vector<const Frame*> frames;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) frames.push_back(f);
    return frames;
}

class FrameMovesTest : public testing::Test {
protected:
    void MakeFrames(int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(AddBlankFrame(shell.Doc(), shell.Selected(), 0, 4 + i, 3));
            shell.Doc().currentFrame->comment = std::string(1, char('A' + i));
        }
        shell.EditHistory().Reset(true);
    }
    void Select(std::vector<int32_t> indices, int32_t current) {
        SetSelection(shell.Doc(), shell.Selected(), std::move(indices));
        shell.Doc().currentIndex = current;
        shell.Doc().currentFrame = NthFrame(shell.Doc(), current);
    }

    ScopedRecordingBackend errors;
    FakeShellUi ui;
    Shell shell{ui};
};

TEST_F(FrameMovesTest, ADropIsOneStepThatUndoTakesBackExactly) {
    struct Case {
        const char* name;
        std::vector<int32_t> selected;
        int32_t current;
        int32_t before;
        const char* order;
        std::vector<int32_t> selection;  // after the drop
        int32_t currentAfter;
    };
    const Case cases[] = {
        {"two together up", {4, 5}, 5, 1, "AEFBCDG", {1, 2}, 2},
        {"two together down", {1, 2}, 1, 6, "ADEFBCG", {4, 5}, 4},
        {"apart, to the start", {2, 6}, 6, 0, "CGABDEF", {0, 1}, 1},
        {"apart, to the end", {0, 3}, 0, 7, "BCEFGAD", {5, 6}, 5},
        {"apart, between them", {0, 4, 6}, 4, 2, "BAEGCDF", {1, 2, 3}, 2},
        // The current frame was not among those dragged: the last one landed is.
        {"current left behind", {3}, 0, 1, "ADBCEFG", {1}, 1},
    };
    ui.answer = SaveAnswer::kNo;  // each case starts on a new document
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shell.New();
        MakeFrames(7);
        Select(c.selected, c.current);
        const std::vector<const Frame*> before = Frames(shell.Doc());
        const Frame* current = shell.Doc().currentFrame;
        const int refreshes = ui.refreshes;

        ASSERT_TRUE(shell.MoveFramesTo(shell.Selected(), c.before));
        EXPECT_EQ(Order(shell.Doc()), c.order);
        EXPECT_EQ(shell.Selected(), c.selection);
        EXPECT_EQ(shell.Doc().currentIndex, c.currentAfter);
        EXPECT_EQ(shell.Doc().currentFrame, NthFrame(shell.Doc(), c.currentAfter));
        EXPECT_GT(ui.refreshes, refreshes);
        EXPECT_EQ(shell.EditHistory().StepCount(), 1u);
        EXPECT_EQ(shell.EditHistory().UndoLabel(), Shell::kMoveLabel);
        EXPECT_EQ(shell.Doc().modified, 1);
        const std::vector<const Frame*> after = Frames(shell.Doc());

        shell.Undo();
        EXPECT_EQ(Frames(shell.Doc()), before);
        EXPECT_EQ(shell.Selected(), c.selected);
        EXPECT_EQ(shell.Doc().currentFrame, current);
        EXPECT_EQ(shell.Doc().modified, 0);

        shell.Redo();
        EXPECT_EQ(Frames(shell.Doc()), after);
        EXPECT_EQ(shell.Selected(), c.selection);
        EXPECT_EQ(shell.Doc().currentIndex, c.currentAfter);
    }
}

TEST_F(FrameMovesTest, DropsThatMoveNothingLeaveNoStep) {
    MakeFrames(5);
    for (auto [selected, before] : {std::pair{std::vector<int32_t>{2}, 2}, {{2}, 3}, {{1, 2, 3}, 2},
                                    {{0, 1, 2, 3, 4}, 5}, {{1}, 9}, {{}, 0}}) {
        Select({1, 2}, 2);
        EXPECT_FALSE(shell.MoveFramesTo(selected, before));
        EXPECT_EQ(Order(shell.Doc()), "ABCDE");
        EXPECT_EQ(shell.Selected(), (std::vector<int32_t>{1, 2}));
        EXPECT_FALSE(shell.EditHistory().CanUndo());
        EXPECT_EQ(shell.Doc().modified, 0);
    }
}

TEST_F(FrameMovesTest, FilesDroppedBetweenFramesAreOneStepAndBecomeTheSelection) {
    test::TempFolder dir;
    // A two-frame animation to drop, made of frames "x", "y".
    auto dropped = NewDocument();
    Selection selection;
    for (const char* name : {"x", "y"}) {
        ASSERT_TRUE(AddBlankFrame(*dropped, selection, 0, 4, 3));
        dropped->currentFrame->comment = name;
    }
    const std::string gif = dir.file("two.gif");
    WriteOptions options;
    ASSERT_TRUE(SaveDocument(nullptr, gif, *dropped, options));

    MakeFrames(4);
    Select({0}, 0);
    shell.InsertFramesFrom({gif}, 2);
    EXPECT_EQ(Order(shell.Doc()), "ABxyCD");
    EXPECT_EQ(shell.Selected(), (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(shell.Doc().currentIndex, 2);
    EXPECT_EQ(shell.EditHistory().StepCount(), 1u);
    shell.Undo();
    EXPECT_EQ(Order(shell.Doc()), "ABCD");
    EXPECT_EQ(shell.Selected(), (std::vector<int32_t>{0}));

    shell.InsertFramesFrom({gif}, 4);  // after the last frame
    EXPECT_EQ(Order(shell.Doc()), "ABCDxy");
    EXPECT_EQ(shell.Selected(), (std::vector<int32_t>{4, 5}));

    // A file that cannot be read adds nothing and leaves no step.
    const size_t steps = shell.EditHistory().StepCount();
    shell.InsertFramesFrom({dir.file("missing.gif")}, 1);
    EXPECT_EQ(Order(shell.Doc()), "ABCDxy");
    EXPECT_EQ(shell.EditHistory().StepCount(), steps);
    EXPECT_FALSE(errors->errors.empty());
}

}  // namespace
}  // namespace kivo
