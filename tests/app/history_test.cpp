// Undo and redo through the shell: random runs of every kind of edit on
// generated documents come back to every earlier state, field by field and
// pixel by pixel; the modified mark follows the save point; typing merges;
// the memory budget drops the oldest steps; edits that break the rules of the
// history make it forget rather than restore something wrong.
#include "app/history.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "app/clip_list.h"
#include "app/fake_shell_ui.h"
#include "app/panel_edits.h"
#include "app/paint_file.h"
#include "app/shell.h"
#include "options/write_options.h"
#include "doc/bmp.h"
#include "doc/selection.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "frame_ops/blank_frame.h"

namespace kivo {
namespace {

using test::FakeShellUi;
using test::MakeImage;
using test::TempFolder;

// Every field of the document and its frames as text, buffers by size and a
// hash; written out here independently of the history's own field lists.
uint64_t Hash(const void* data, size_t size) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < size; ++i) h = (h ^ static_cast<const uint8_t*>(data)[i]) * 1099511628211ull;
    return h;
}
template <typename V>
std::string Buffer(const V& v) {
    return std::to_string(v.size()) + "#" + std::to_string(Hash(v.data(), v.size() * sizeof(v[0])));
}
std::string Keys(const TextKeyList& keys) {
    std::string s;
    for (const TextKey& k : keys) s += k.key + "=" + k.text + ";";
    return s;
}
std::string Colour(Rgb c) { return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b); }

std::vector<std::string> Contents(const AnimDoc& d) {
    std::ostringstream o;
    o << d.screenWidth << ' ' << d.screenHeight << ' ' << int(d.screenFlags) << ' ' << int(d.aspectRatio) << ' '
      << int(d.backgroundIndex) << ' ' << d.colorResolution << ' ' << Buffer(d.globalPalette) << ' ' << d.loopEnabled
      << ' ' << d.loopCount << ' ' << d.trailingComment << ' ' << d.frameCount << ' ' << d.extentRight << ' '
      << d.extentBottom << ' ' << d.mhdrProfile << ' ' << d.ticksPerSecond << ' ' << int(d.termAction) << ' '
      << int(d.termAfterAction) << ' ' << d.termDelay << ' ' << Keys(d.textKeys) << ' ' << d.selectedTextKey;
    std::vector<std::string> out{o.str()};
    for (const Frame* f = d.firstFrame.get(); f; f = f->next.get()) {
        std::ostringstream p;
        p << int(f->gcePacked) << ' ' << f->disposal << ' ' << f->hasDelay << ' ' << f->delay << ' '
          << f->hasTransparency << ' ' << f->transparentIndex << ' ' << Colour(f->transparentRgb) << ' ' << f->left
          << ' ' << f->top << ' ' << f->width << ' ' << f->height << ' ' << int(f->imageFlags) << ' '
          << Buffer(f->localPalette) << ' ' << f->comment << ' ' << f->transparentChosen << ' ' << f->tempPalette
          << ' ' << f->colorCount << ' ' << Buffer(f->dib) << ' ' << Buffer(f->indexPixels) << ' '
          << Buffer(f->census) << ' ' << Buffer(f->censusIndices) << ' ' << Keys(f->textKeys) << ' '
          << f->selectedTextKey << ' ' << f->saveKind << ' ' << Buffer(f->pngIndexPixels) << ' '
          << Buffer(f->pngPalette);
        out.push_back(p.str());
    }
    return out;
}

std::vector<const uint8_t*> Pictures(const AnimDoc& d) {
    std::vector<const uint8_t*> out;
    for (const Frame* f = d.firstFrame.get(); f; f = f->next.get()) out.push_back(f->dib.data());
    return out;
}

class HistoryTest : public ::testing::Test {
protected:
    // Saves go ahead without the option dialog.
    static WriteOptions Quiet() {
        WriteOptions options;
        options.ShowOptionsOnSave = 0;
        return options;
    }

    // Frames on a shared background with a small square moving on it, some of
    // them repeating the one before, so optimisation crops and removes frames;
    // every other field set to something of its own.
    void Generate(std::mt19937& rng, int frames, int side) {
        AnimDoc& doc = shell.Doc();
        for (int i = 0; i < frames; ++i) {
            const int at = (i / 2) * 3 % (side - 4);
            ASSERT_TRUE(AddBlankFrame(doc, shell.Selected(), 0, side, side));
            Frame& f = *doc.currentFrame;
            f.dib = MakeImage(side, side, [&](int x, int y) {
                const bool square = x >= at && x < at + 4 && y >= at && y < at + 4;
                return square ? Rgb{200, uint8_t(i * 9), 40} : Rgb{uint8_t(x * 7), uint8_t(y * 5), 90};
            });
            f.delay = int32_t(rng() % 50);
            f.disposal = int16_t(rng() % 2);
            f.comment = i % 3 ? "" : "frame " + std::to_string(i);
            if (i % 4 == 1) AddKey(f.textKeys, "Title", "t" + std::to_string(i));
            f.localPalette.assign(rng() % 4, Rgb{uint8_t(i), 2, 3});
            f.pngIndexPixels.assign(rng() % 3 ? 0 : size_t(side * side), uint8_t(i));
        }
        doc.trailingComment = "end";
        AddKey(doc.textKeys, "Author", "someone");
        doc.loopEnabled = 1;
        shell.EditHistory().Reset(true);
        doc.modified = 0;
    }

    void RandomSelection(std::mt19937& rng) {
        const AnimDoc& doc = shell.Doc();
        if (doc.frameCount == 0) return;
        std::vector<int32_t> picked;
        for (int i = 0; i < doc.frameCount; ++i)
            if (rng() % 3 == 0) picked.push_back(i);
        if (picked.empty()) picked.push_back(int32_t(rng() % uint32_t(doc.frameCount)));
        SelectFrame(shell.Doc(), shell.Selected(), picked.back());
        SetSelection(doc, shell.Selected(), picked);
    }

    // A new picture for the current frame, the way the paint program's file comes back.
    void Paint(std::mt19937& rng) {
        Frame* frame = shell.Doc().currentFrame;
        if (!frame) return;
        const int w = 3 + int(rng() % 9), h = 3 + int(rng() % 9);
        PaintFile file{dir.path(), dir.file("painted.bmp"), {}, {}};
        ASSERT_TRUE(WriteBmp(file.path, MakeImage(w, h, [&](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), 7}; }),
                             true));
        shell.EditKeeping("paint", [&](AnimDoc& doc, FrameKeeper& keeper) {
            return ReloadPaintedFrame(nullptr, doc, *frame, file, &keeper) == PaintReload::kReplaced;
        });
    }

    // One random edit, as the commands make it.
    void RandomEdit(std::mt19937& rng) {
        const int value = int(rng() % 40);
        switch (rng() % 12) {
            case 0: shell.Edit("delay", [&](AnimDoc& d) { return SetDelay(d, shell.Selected(), value); }, "delay"); break;
            case 1: shell.Edit("disposal", [&](AnimDoc& d) { return SetDisposal(d, shell.Selected(), value % 4); }); break;
            case 2: shell.Edit("left", [&](AnimDoc& d) { return SetLeft(d, shell.Selected(), value); }); break;
            case 3: shell.Edit("transparency", [&](AnimDoc& d) { return SetTransparency(d, shell.Selected(), value % 2); }); break;
            case 4:
                shell.Edit("comment", [&](AnimDoc& d) { return SetFrameComment(d, std::string(size_t(value % 5), 'c')); }, "comment");
                break;
            case 5:
                shell.Edit("screen", [&](AnimDoc& d) { return SetScreenWidth(d, CorrectScreenSide(value * 4, d.extentRight)); });
                break;
            case 6: shell.Edit("loop", [&](AnimDoc& d) { return SetLoopCount(d, value); }, "loop"); break;
            case 7: shell.Delete(); break;
            case 8: shell.Edit("move", [&](AnimDoc& d) { return MoveSelectedFrames(d, shell.Selected(), value % 2); }); break;
            case 9:
                shell.Edit("blank", [&](AnimDoc& d) { return AddBlankFrame(d, shell.Selected(), value % 2, 1 + value, 2 + value % 7); });
                break;
            case 10: {
                ClipList clips;
                if (!CopyFrames(shell.Doc(), FramesToCopy(shell.Doc(), shell.Selected()), clips)) break;
                shell.Edit("paste", [&](AnimDoc& d) { return PasteFrames(d, shell.Selected(), clips, value % 2); });
                break;
            }
            case 11: value % 2 ? shell.Optimize() : Paint(rng); break;
        }
    }

    TempFolder dir;
    ScopedRecordingBackend errors;
    FakeShellUi ui;
    Shell shell{ui, 0, Quiet()};
};

TEST_F(HistoryTest, UndoingEverythingGivesBackTheStartAndRedoingTheEnd) {
    for (uint32_t seed = 1; seed <= 25; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        shell.New();
        Generate(rng, 3 + int(rng() % 6), 24);
        const std::vector<const uint8_t*> pictures = Pictures(shell.Doc());
        std::vector<std::vector<std::string>> states{Contents(shell.Doc())};
        std::vector<int32_t> startSelection, endSelection;
        int32_t startIndex = 0, endIndex = 0;
        for (int i = 0; i < 30; ++i) {
            RandomSelection(rng);
            if (states.size() == 1) {
                startSelection = shell.Selected();
                startIndex = shell.Doc().currentIndex;
            }
            RandomEdit(rng);
            // One step per edit that changed something; typing joins the step before.
            // Redoing ends with the selection of the last edit that made a step:
            // one that changed nothing (an optimisation with nothing left to
            // gain) records none, and the selection picked before it is not kept.
            const bool pushed = shell.EditHistory().StepCount() == states.size();
            if (pushed || Contents(shell.Doc()) != states.back()) {
                endSelection = shell.Selected();
                endIndex = shell.Doc().currentIndex;
            }
            if (pushed) states.push_back(Contents(shell.Doc()));
            else states.back() = Contents(shell.Doc());
            ASSERT_EQ(shell.EditHistory().StepCount() + 1, states.size());
        }
        if (states.size() == 1) {
            endSelection = shell.Selected();
            endIndex = shell.Doc().currentIndex;
        }

        for (size_t k = states.size() - 1; k > 0; --k) {
            shell.Undo();
            ASSERT_EQ(Contents(shell.Doc()), states[k - 1]) << "undoing step " << k;
        }
        EXPECT_FALSE(shell.EditHistory().CanUndo());
        EXPECT_EQ(Pictures(shell.Doc()), pictures);  // the very same buffers: nothing was copied
        EXPECT_EQ(shell.Selected(), startSelection);
        EXPECT_EQ(shell.Doc().currentIndex, startIndex);
        EXPECT_EQ(shell.Doc().modified, 0);

        for (size_t k = 1; k < states.size(); ++k) {
            shell.Redo();
            ASSERT_EQ(Contents(shell.Doc()), states[k]) << "redoing step " << k;
        }
        EXPECT_FALSE(shell.EditHistory().CanRedo());
        EXPECT_EQ(shell.Selected(), endSelection);
        EXPECT_EQ(shell.Doc().currentIndex, endIndex);
        EXPECT_EQ(shell.Doc().modified, states.size() > 1 && shell.Doc().frameCount > 0 ? 1 : 0);
    }
    EXPECT_TRUE(errors->errors.empty());
}

TEST_F(HistoryTest, TheModifiedMarkFollowsTheSavePoint) {
    std::mt19937 rng(7);
    Generate(rng, 3, 8);
    ui.savePath = dir.file("saved.gif");
    auto delay = [&](int v) { shell.Edit("delay", [this, v](AnimDoc& d) { return SetDelay(d, shell.Selected(), v); }); };
    // Each action, then the mark expected and whether closing would ask.
    struct Action {
        char what;  // e edit, u undo, r redo, s save
        int modified;
    };
    const Action actions[] = {{'e', 1}, {'u', 0}, {'r', 1}, {'s', 0}, {'u', 1}, {'r', 0}, {'e', 1}, {'e', 1},
                              {'u', 1}, {'u', 0}, {'u', 1}, {'e', 1}, {'r', 1}, {'u', 1}, {'u', 1}};
    int value = 100;
    for (const Action& a : actions) {
        SCOPED_TRACE(std::string(1, a.what) + " #" + std::to_string(&a - actions));
        switch (a.what) {
            case 'e': delay(value++); break;
            case 'u': shell.Undo(); break;
            case 'r': shell.Redo(); break;
            case 's':
                ASSERT_TRUE(shell.SaveAs());
                EXPECT_TRUE(shell.EditHistory().CanUndo());  // saving keeps the history
                break;
        }
        EXPECT_EQ(shell.Doc().modified, a.modified);
        EXPECT_EQ(shell.Caption().back(), a.modified ? '*' : ' ');
        const int asked = ui.questions;
        ui.answer = SaveAnswer::kCancel;
        EXPECT_EQ(shell.ConfirmSave(), !a.modified);
        EXPECT_EQ(ui.questions, asked + a.modified);
    }
    // A new document starts a history of its own.
    shell.Redo();
    ui.answer = SaveAnswer::kNo;
    shell.New();
    EXPECT_FALSE(shell.EditHistory().CanUndo() || shell.EditHistory().CanRedo());
}

TEST_F(HistoryTest, TypingIntoOneFieldIsOneStep) {
    std::mt19937 rng(3);
    Generate(rng, 3, 8);
    auto delays = [&] {
        std::vector<int32_t> out;
        for (const Frame* f = shell.Doc().firstFrame.get(); f; f = f->next.get()) out.push_back(f->delay);
        return out;
    };
    const std::vector<int32_t> start = delays();
    auto type = [&](std::string_view key, int v) {
        shell.Edit("delay", [this, v](AnimDoc& d) { return SetDelay(d, shell.Selected(), v); }, key);
    };
    SelectFrame(shell.Doc(), shell.Selected(), 0);
    for (int v : {1, 12, 123}) type("delay", v);
    EXPECT_EQ(shell.EditHistory().StepCount(), 1u);
    EXPECT_EQ(shell.EditHistory().UndoLabel(), "delay");
    // Another frame, or a save between, starts a new step.
    SelectFrame(shell.Doc(), shell.Selected(), 1);
    type("delay", 5);
    ui.savePath = dir.file("typed.gif");
    ASSERT_TRUE(shell.SaveAs());
    type("delay", 55);
    type("other", 7);
    EXPECT_EQ(shell.EditHistory().StepCount(), 4u);
    for (int i = 0; i < 4; ++i) shell.Undo();
    EXPECT_EQ(delays(), start);
}

TEST_F(HistoryTest, TheBudgetDropsTheOldestStepsButNeverAnEdit) {
    std::mt19937 rng(5);
    Generate(rng, 6, 100);  // 30 KB a frame
    for (Frame* f = shell.Doc().firstFrame.get(); f; f = f->next.get()) std::vector<uint8_t>().swap(f->pngIndexPixels);
    History& history = shell.EditHistory();
    history.SetBudget(100 * 1024);
    for (int i = 0; i < 5; ++i) {
        shell.Delete();
        EXPECT_LE(history.Bytes(), size_t(100 * 1024)) << history.StepCount();
        EXPECT_EQ(shell.Doc().frameCount, 5 - i);
    }
    EXPECT_EQ(history.StepCount(), 3u);  // three frames fit
    while (history.CanUndo()) shell.Undo();
    EXPECT_EQ(shell.Doc().frameCount, 4);
    EXPECT_EQ(shell.Doc().modified, 1);  // the saved state went with the oldest steps

    // A step larger than the whole budget: the edit stands, it cannot be undone.
    SelectAllFrames(shell.Doc(), shell.Selected());
    shell.Delete();
    EXPECT_EQ(shell.Doc().frameCount, 0);
    EXPECT_FALSE(history.CanUndo());
    EXPECT_EQ(history.Bytes(), 0u);
}

TEST_F(HistoryTest, AnEditThatReleasesWhatItShouldHandOverMakesTheHistoryForget) {
    std::mt19937 rng(9);
    Generate(rng, 4, 8);
    shell.Edit("delay", [this](AnimDoc& d) { return SetDelay(d, shell.Selected(), 77); });
    ASSERT_TRUE(shell.EditHistory().CanUndo());
    struct Case {
        const char* name;
        std::function<bool(AnimDoc&)> edit;
    };
    const Case cases[] = {
        {"frame released", [](AnimDoc& d) { return RemoveFrame(d); }},
        {"picture replaced", [](AnimDoc& d) {
             d.currentFrame->dib = MakeWhiteDib24(3, 3);
             return true;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shell.Edit("delay", [this](AnimDoc& d) { return SetDelay(d, shell.Selected(), 78); });
        shell.Edit(c.name, c.edit);
        EXPECT_FALSE(shell.EditHistory().CanUndo());
        EXPECT_EQ(shell.Doc().modified, 1);
    }
    // So does a change made outside the shell's edits, reported or found by undo.
    shell.Edit("delay", [this](AnimDoc& d) { return SetDelay(d, shell.Selected(), 79); });
    shell.MarkModified();
    EXPECT_FALSE(shell.EditHistory().CanUndo());
    shell.Edit("delay", [this](AnimDoc& d) { return SetDelay(d, shell.Selected(), 80); });
    const int frames = shell.Doc().frameCount;
    RemoveFrame(shell.Doc());  // the frame that step changed
    shell.Undo();
    EXPECT_FALSE(shell.EditHistory().CanUndo());
    EXPECT_EQ(shell.Doc().frameCount, frames - 1);
}

}  // namespace
}  // namespace kivo
