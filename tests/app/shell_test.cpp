// The editor's command logic without a window: start-up files, the
// save-or-discard question, saving, deleting a selection.
#include "app/shell.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "app/fake_shell_ui.h"
#include "options/write_options.h"
#include "doc/selection.h"
#include "io/open_save.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "frame_ops/blank_frame.h"

namespace kivo {
namespace {

using test::FakeShellUi;
using test::TempFolder;

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        options.ShowOptionsOnSave = 0;
        options.MngShowOptionsOnSave = 0;
    }

    // A file of `frames` blank frames whose delays are 10, 11, 12 …
    std::string MakeAnimation(const std::string& name, int frames) {
        std::unique_ptr<AnimDoc> doc = NewDocument();
        Selection selection;
        for (int i = 0; i < frames; ++i) {
            EXPECT_TRUE(AddBlankFrame(*doc, selection, 0, 8, 6));
            doc->currentFrame->delay = 10 + i;
            doc->currentFrame->hasDelay = 1;
        }
        std::string path = dir.file(name);
        EXPECT_TRUE(SaveDocument(nullptr, path, *doc, options));
        return path;
    }

    // Unsaved edits: frames added to the shell's own document.
    void AddUnsavedFrames(Shell& shell, int frames) {
        for (int i = 0; i < frames; ++i) {
            ASSERT_TRUE(AddBlankFrame(shell.Doc(), shell.Selected(), 0, 8, 6));
            shell.Doc().currentFrame->delay = 10 + i;
        }
        shell.MarkModified();
    }

    TempFolder dir;
    ScopedRecordingBackend errors;
    FakeShellUi ui;
    WriteOptions options;  // the sessions' write options; no option dialogs unless a case asks
};

TEST_F(ShellTest, StartupFilesOpenOneAnimationOrAppendEverythingElse) {
    std::string gif = MakeAnimation("one.GIF", 2);
    std::string mng = MakeAnimation("two.mng", 3);
    std::string png = MakeAnimation("pic.png", 1);
    // Without read permission; root reads it all the same, so that row then
    // only runs where the permission holds.
    std::string locked = MakeAnimation("locked.gif", 1);
    chmod(locked.c_str(), 0);
    const bool lockHolds = access(locked.c_str(), R_OK) != 0;
    const std::string missing = dir.file("missing.gif");
    const std::string skipped = "次のファイルを開けないため、何も開きませんでした。\r";
    struct Case {
        std::vector<std::string> files;
        int frames, modified, formatMode;
        bool becomesTheFile;
        std::string message;  // the one message, if any
    };
    const Case cases[] = {
        {{gif}, 2, 0, 0, true, ""},              // any case of the extension
        {{mng}, 3, 0, 1, true, ""},              // MNG mode after an MNG
        {{png}, 1, 1, 0, false, ""},             // a picture is appended
        {{gif, gif}, 4, 1, 0, false, ""},        // two animations are appended
        // A name that cannot be read opens nothing, and the user learns why.
        {{dir.path()}, 0, 0, 0, false, skipped + dir.path() + "（フォルダです）"},
        {{gif, missing}, 0, 0, 0, false, skipped + missing + "（ファイルがありません）"},
        {{missing, png, dir.path()}, 0, 0, 0, false,
         skipped + missing + "（ファイルがありません）\r" + dir.path() + "（フォルダです）"},
        {{locked, gif}, 0, 0, 0, false, skipped + locked + "（読み取りの権限がありません）"},
    };
    for (const Case& c : cases) {
        if (c.files.front() == locked && !lockHolds) continue;
        SCOPED_TRACE(c.files.front());
        errors->errors.clear();
        Shell shell(ui, 0, options);
        shell.OpenStartupFiles(c.files);
        EXPECT_EQ(shell.Doc().frameCount, c.frames);
        EXPECT_EQ(shell.Doc().modified, c.modified);
        EXPECT_EQ(shell.FormatMode(), c.formatMode);
        EXPECT_EQ(shell.Doc().path, c.becomesTheFile ? c.files[0] : "");
        if (c.frames) {
            EXPECT_EQ(shell.Doc().currentIndex, 0);
        }
        EXPECT_EQ(errors->errors, c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    }
}

TEST_F(ShellTest, ConfirmSaveKeepsTheDocumentUnlessItIsSafelyOnDisk) {
    struct Case {
        const char* what;
        SaveAnswer answer;
        bool hasPath;              // the document was saved before
        bool pathWritable;
        bool dialogChoosesPath;    // the save dialog for a never-saved document
        bool optionsOk;
        bool mayDiscard;
    };
    const Case cases[] = {
        {"cancel", SaveAnswer::kCancel, true, true, true, true, false},
        {"discard", SaveAnswer::kNo, true, true, true, true, true},
        {"save to its file", SaveAnswer::kYes, true, true, true, true, true},
        {"save fails", SaveAnswer::kYes, true, false, true, true, false},
        {"new file chosen", SaveAnswer::kYes, false, true, true, true, true},
        {"save dialog cancelled", SaveAnswer::kYes, false, true, false, true, false},
        {"options cancelled", SaveAnswer::kYes, false, true, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        options.ShowOptionsOnSave = 1;
        Shell shell(ui, 0, options);
        AddUnsavedFrames(shell, 2);
        std::string target = c.pathWritable ? dir.file(std::string(c.what) + ".gif")
                                            : dir.file("no-such-folder/x.gif");
        if (c.hasPath) shell.Doc().path = target;
        ui.answer = c.answer;
        ui.savePath = c.dialogChoosesPath ? std::optional(target) : std::nullopt;
        ui.optionsOk = c.optionsOk;
        EXPECT_EQ(shell.ConfirmSave(), c.mayDiscard);
        bool saved = c.answer == SaveAnswer::kYes && c.mayDiscard;
        EXPECT_EQ(shell.Doc().modified, saved ? 0 : 1);
        if (saved) {
            EXPECT_EQ(shell.Doc().path, target);
            EXPECT_EQ(ReadAsDocument(nullptr, target)->frameCount, 2);
            EXPECT_EQ(shell.Caption().back(), ' ');  // no modified mark
        }
    }
    // An unmodified document is not asked about.
    Shell shell(ui, 0, options);
    int asked = ui.questions;
    EXPECT_TRUE(shell.ConfirmSave());
    EXPECT_EQ(ui.questions, asked);
}

TEST_F(ShellTest, SaveOfANeverSavedDocumentAsksForANameAndTheOptionsByItsExtension) {
    options.MngShowOptionsOnSave = 1;
    Shell shell(ui, 0, options);
    AddUnsavedFrames(shell, 1);
    EXPECT_EQ(shell.Caption(), "Kivo - 新規.gif *");
    ui.savePath = dir.file("out.mng");
    ASSERT_TRUE(shell.Save());
    EXPECT_EQ(ui.saveDialogs, 1);
    EXPECT_EQ(ui.optionDialogs, 1);  // the MNG dialog, since the name says MNG
    EXPECT_EQ(shell.FormatMode(), 1);
    EXPECT_EQ(shell.Doc().displayName, "out.mng");
    // From now on Save writes to the file without a dialog.
    shell.MarkModified();
    shell.Options().MngShowOptionsOnSave = 0;
    ASSERT_TRUE(shell.Save());
    EXPECT_EQ(ui.saveDialogs, 1);
}

TEST_F(ShellTest, SaveAsWritesTheAnimationWhateverTheNamesExtension) {
    struct Case {
        const char* name;
        bool asked;       // the user is told a GIF animation goes into this name
        bool accept;
        const char* magic;  // what the file starts with, empty when nothing is written
    };
    const Case cases[] = {
        {"a.jpg", true, true, "GIF89a"},  {"b.png", false, true, "\x89PNG"}, {"c.BMP", true, true, "GIF89a"},
        {"d.avi", true, true, "GIF89a"},  {"e.jpeg", true, false, ""},      {"f.gif", false, true, "GIF89a"},
        {"g.mng", false, true, "\x8AMNG"}, {"h", false, true, "GIF89a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeShellUi asking;
        asking.okCancelAnswer = c.accept;
        Shell shell(asking, 0, options);
        AddUnsavedFrames(shell, 1);  // one frame: a picture writer would have taken it
        shell.Doc().currentFrame->comment = "kept";
        const std::string path = dir.file(c.name);
        asking.savePath = path;
        EXPECT_EQ(shell.SaveAs(), c.accept);
        EXPECT_EQ(asking.okCancelQuestions.size(), c.asked ? 1u : 0u);
        const std::vector<uint8_t> bytes = test::ReadFile(path);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 6)).substr(0, std::strlen(c.magic)), c.magic);
        EXPECT_EQ(shell.Doc().modified, c.accept ? 0 : 1);
        if (!c.accept) continue;
        // What was saved opens again as the document, delay and comment included.
        std::unique_ptr<AnimDoc> back = OpenDocument(nullptr, path);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->firstFrame->delay, 10);
        if (std::string(c.magic) == "GIF89a") EXPECT_EQ(back->firstFrame->comment, "kept");
    }
}

TEST_F(ShellTest, DeleteRemovesTheSelectionFromTheTopIndexDown) {
    Shell shell(ui, 0, options);
    AddUnsavedFrames(shell, 5);  // delays 10 … 14
    shell.Doc().modified = 0;
    SetSelection(shell.Doc(), shell.Selected(), {1, 2, 4});
    shell.Delete();
    ASSERT_EQ(shell.Doc().frameCount, 2);
    EXPECT_EQ(NthFrame(shell.Doc(), 0)->delay, 10);
    EXPECT_EQ(NthFrame(shell.Doc(), 1)->delay, 13);
    EXPECT_EQ(shell.Doc().modified, 1);
    EXPECT_EQ(shell.Selected().size(), 1u);

    // With no frames there is nothing to delete, and the document stays unmarked.
    Shell empty(ui, 0, options);
    empty.Delete();
    EXPECT_EQ(empty.Doc().modified, 0);
}

// The working mode is the shell's own: it names the first and every new
// document, and another shell keeps its mode when this one changes.
TEST_F(ShellTest, EachShellKeepsItsOwnFormatModeAndNamesNewDocumentsByIt) {
    Shell mng(ui, 1, options), gif(ui, 0, options);
    EXPECT_EQ(mng.FormatMode(), 1);
    EXPECT_EQ(mng.Doc().displayName, "新規.mng");
    EXPECT_EQ(gif.FormatMode(), 0);
    EXPECT_EQ(gif.Doc().displayName, "新規.gif");
    const int changes = ui.modeChanges;
    gif.SetFormatMode(1);
    EXPECT_EQ(ui.modeChanges, changes + 1);
    gif.New();
    EXPECT_EQ(gif.Doc().displayName, "新規.mng");
    mng.SetFormatMode(0);
    EXPECT_EQ(gif.FormatMode(), 1);
    EXPECT_EQ(Shell(ui, 7).FormatMode(), 0);  // anything but MNG is GIF
}

// The selection belongs to its shell: selecting in one leaves another's alone.
// Optimising changes the frame list under the selection, so only the current
// frame stays selected even where the old indices would still be in range.
TEST_F(ShellTest, EachShellKeepsItsOwnSelectionAndOptimizingResetsIt) {
    Shell first(ui, 0, options), second(ui, 0, options);
    AddUnsavedFrames(first, 4);
    AddUnsavedFrames(second, 4);
    for (int i = 0; i < 4; ++i) test::SetPixel(NthFrame(first.Doc(), i)->dib, i, 1, Rgb{uint8_t(i), 0, 0});
    first.SelectAll();
    EXPECT_EQ(first.Selected(), (Selection{0, 1, 2, 3}));
    EXPECT_EQ(second.Selected(), (Selection{3}));

    first.Optimize();
    ASSERT_EQ(first.Doc().frameCount, 4);
    EXPECT_LT(NthFrame(first.Doc(), 1)->width, 8);  // cropped, so it did change
    EXPECT_EQ(first.Selected(), (Selection{first.Doc().currentIndex}));
    EXPECT_EQ(second.Selected(), (Selection{3}));
}

// A GIF cut off in the middle (an interrupted download): one message naming
// the file and where it ends. When frames were read whole, the user may open
// them; they are then a modified document without a path, so Save asks for a
// name and the damaged file stays as it is.
TEST_F(ShellTest, ACutOffGifOffersItsCompleteFramesWithoutTakingTheFilesPlace) {
    const std::string whole = MakeAnimation("whole.gif", 3);
    const std::vector<uint8_t> bytes = test::ReadFile(whole);
    const std::string cutMessage = "「cut.gif」は 3 コマ目の途中で切れています。";
    const std::string offer = cutMessage + "\r読み込めた 2 コマだけを開きますか?\r"
                              "(元のファイルには上書きしません。保存するときに名前を付けます。)";
    const struct {
        const char* what;
        size_t length;
        bool accept;
        std::vector<std::string> questions, errors;
        int frames;  // in the document afterwards
    } cases[] = {
        {"accepted", bytes.size() - 4, true, {offer}, {}, 2},
        {"declined", bytes.size() - 4, false, {offer}, {}, 1},
        {"nothing complete", 40, true, {}, {"「cut.gif」は 1 コマ目の途中で切れています。"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("cut.gif");
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(c.length));
        ASSERT_TRUE(test::WriteFile(path, cut));
        errors->errors.clear();
        FakeShellUi asking;
        asking.okCancelAnswer = c.accept;
        Shell shell(asking, 0, options);
        AddUnsavedFrames(shell, 1);
        shell.Doc().displayName = "mine.gif";
        shell.SetFormatMode(1);
        EXPECT_EQ(shell.OpenPath(path), c.accept && !c.questions.empty());
        EXPECT_EQ(asking.okCancelQuestions, c.questions);
        EXPECT_EQ(errors->errors, c.errors);
        EXPECT_EQ(shell.Doc().frameCount, c.frames);
        if (!(c.accept && !c.questions.empty())) {
            EXPECT_EQ(shell.Doc().displayName, "mine.gif");  // the old document stays
            continue;
        }
        EXPECT_EQ(shell.Doc().path, "");
        EXPECT_EQ(shell.Doc().displayName, "cut.gif");
        EXPECT_EQ(shell.Doc().modified, 1);
        EXPECT_EQ(asking.caption, "Kivo - cut.gif *");
        EXPECT_EQ(shell.FormatMode(), 0);
        EXPECT_EQ(shell.Doc().firstFrame->next->delay, 11);
        // Save asks for a name; declining it leaves the cut file as it was.
        asking.savePath.reset();
        EXPECT_FALSE(shell.Save());
        EXPECT_EQ(asking.saveDialogs, 1);
        EXPECT_EQ(test::ReadFile(path), cut);
    }
}

TEST_F(ShellTest, AFailedOpenKeepsTheDocument) {
    Shell shell(ui, 0, options);
    AddUnsavedFrames(shell, 1);
    test::WriteFile(dir.file("bad.gif"), {'G', 'I', 'F'});
    EXPECT_FALSE(shell.OpenPath(dir.file("bad.gif")));
    EXPECT_EQ(shell.Doc().frameCount, 1);
    ASSERT_FALSE(errors->errors.empty());
    EXPECT_EQ(errors->errors.back(), "オープンに失敗しました。");
}

}  // namespace
}  // namespace kivo

namespace kivo {
namespace {

TEST_F(ShellTest, AviExportProposesTheDocumentsNameAndWritesTheFile) {
    EXPECT_EQ(AviNameFor("/d/walk.gif"), "/d/walk.avi");
    EXPECT_EQ(AviNameFor("/d.v2/walk"), "/d.v2/walk");
    EXPECT_EQ(AviNameFor(""), "");
    Shell shell(ui, 0, options);
    EXPECT_FALSE(shell.SaveAvi());  // no frames, nothing to write
    AddUnsavedFrames(shell, 2);
    ui.savePath = dir.file("walk.avi");
    ASSERT_TRUE(shell.SaveAvi());
    EXPECT_FALSE(test::ReadFile(dir.file("walk.avi")).empty());
    EXPECT_EQ(shell.Doc().modified, 1);  // an export is not a save of the document
}

}  // namespace
}  // namespace kivo
