// The rules behind the option dialogs, the file choosers and the window's
// position, apart from their widgets.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "app/command_state.h"
#include "app/command_table.h"
#include "app/file_choice.h"
#include "app/option_rules.h"
#include "app/window_position.h"
#include "options/write_options.h"

namespace kivo {
namespace {

TEST(OptionRules, ColourBudgetsAndJngChoicesFollowTheDialogsRules) {
    WriteOptions o;
    OptionSnapshot opened(o);
    ChooseNoColorReduction(o, true);
    ChooseJng(o, JngChoice::kOver256Only);
    EXPECT_EQ(o.MaxColors, 256);
    EXPECT_TRUE(JngRadiosEnabled(o));
    EXPECT_TRUE(JngQualityEnabled(o));
    // A budget in the MNG dialog ends "no reduction" and JNG with it.
    ChooseMaxColors(o, 16, true);
    EXPECT_EQ(o.NoColorReduction, 0);
    EXPECT_EQ(CurrentJngChoice(o), JngChoice::kNone);
    EXPECT_FALSE(JngRadiosEnabled(o));
    EXPECT_FALSE(JngQualityEnabled(o));
    // Cancel restores everything, also what the original dialog let slip.
    ChooseNoColorReduction(o, true);
    ChooseJng(o, JngChoice::kAllFrames);
    o.JngQuality = ParseJngQuality("5");
    opened.Restore(o);
    EXPECT_EQ(o.MaxColors, 256);
    EXPECT_EQ(o.NoColorReduction, 0);
    EXPECT_EQ(o.JngAllFrames, 0);
    EXPECT_EQ(o.JngOver256Only, 0);
    EXPECT_EQ(o.JngQuality, 60);
}

// Cancel puts back only what the two write dialogs edit: the other options
// dialog's choices, changed meanwhile, stay.
TEST(OptionRules, CancelLeavesTheOtherDialogsOptionsAlone) {
    WriteOptions o;
    OptionSnapshot opened(o);
    o.Interlace = o.KeepPngPalette = 1;
    o.TransparentIndex = 7;
    o.UseStandardPaint = o.OptimizeWithTransparency = 0;
    o.PaintProgramPath = "/usr/bin/paint";
    opened.Restore(o);
    EXPECT_EQ(std::tie(o.Interlace, o.KeepPngPalette, o.TransparentIndex), std::make_tuple(0, 0, -1));
    EXPECT_EQ(std::tie(o.UseStandardPaint, o.OptimizeWithTransparency), std::make_tuple(0, 0));
    EXPECT_EQ(o.PaintProgramPath, "/usr/bin/paint");
}

TEST(OptionRules, TypedNumbersAreBroughtIntoRange) {
    struct Case {
        const char* text;
        int quality, index;
    };
    const Case cases[] = {
        {"0", 1, 0}, {"250", 100, 250}, {"256", 100, -1}, {"75", 75, 75}, {"", 1, -1}, {"255", 100, 255},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseJngQuality(c.text), c.quality) << c.text;
        EXPECT_EQ(ParseTransparentIndex(c.text), c.index) << c.text;
    }
}

TEST(FileChoice, SavedNamesGetTheirExtensionAndTheTypeSwitchChangesIt) {
    EXPECT_EQ(WithDefaultExtension("/d/anim", FileChooser::kSaveAnimation, 1), "/d/anim.mng");
    EXPECT_EQ(WithDefaultExtension("/d/anim", FileChooser::kSaveAnimation, 0), "/d/anim.gif");
    EXPECT_EQ(WithDefaultExtension("/d/anim.v2", FileChooser::kSaveAnimation, 0), "/d/anim.v2");
    EXPECT_EQ(WithDefaultExtension("/d.x/anim", FileChooser::kSaveAvi, 0), "/d.x/anim.avi");
    EXPECT_EQ(NameForFilter("walk.mng", FileChooser::kSaveAnimation, 1), "walk.gif");
    EXPECT_EQ(NameForFilter("walk", FileChooser::kSaveAnimation, 2), "walk.mng");
    EXPECT_EQ(NameForFilter("walk.mng", FileChooser::kSaveAnimation, 3), "walk.png");
    EXPECT_EQ(NameForFilter("walk.gif", FileChooser::kSaveAnimation, 4), "walk.webp");
    EXPECT_EQ(NameForFilter("walk.mng", FileChooser::kSaveAnimation, 5), "walk.mng");
    EXPECT_EQ(NameForFilter(".mng", FileChooser::kSaveAnimation, 1), ".mng");
    EXPECT_EQ(FolderOf("/home/u/pics/a.gif"), "/home/u/pics/");
    EXPECT_EQ(QtFilterText(FiltersOf(FileChooser::kOpenAnimation)[0]),
              "ﾃﾞﾌｫﾙﾄ(*.GIF;*.MNG;*.WEBP) (*.[gG][iI][fF] *.[mM][nN][gG] *.[wW][eE][bB][pP])");
    EXPECT_EQ(QtFilterText(FiltersOf(FileChooser::kOpenFrames).back()), "すべてのﾌｧｲﾙ(*.*) (*)");
}

// The add-frames dialog is built from the format table: every extension the
// import reads is in its first filter, and the formats keep their order.
TEST(FileChoice, TheFramesDialogOffersWhatTheFormatTableReads) {
    const auto filters = FiltersOf(FileChooser::kOpenFrames);
    std::vector<std::string_view> labels;
    for (const FileFilter& f : filters) labels.push_back(f.label);
    EXPECT_EQ(labels, (std::vector<std::string_view>{"ﾃﾞﾌｫﾙﾄ(全画像)", "JPG(*.JPEG;*.JPG)", "BMP(*.BMP;*.DIB)",
                                                     "GIF(*.GIF)", "PNG(*.PNG)", "MNG(*.MNG)", "Targa(*.TGA)",
                                                     "AVI(*.AVI)", "APNG(*.APNG)", "WebP(*.WEBP)", "MP4(*.MP4;*.M4V)", "WebM(*.WEBM)",
                                                     "MOV/MKV(*.MOV;*.MKV;*.OGV;*.FLV;*.TS;*.MTS;*.M2TS;*.MPG;*.MPEG;*.WMV;*.3GP)",
                                                     "JNG(*.JNG)", "すべてのﾌｧｲﾙ(*.*)"}));
    EXPECT_EQ(filters[1].extensions, "jpg;jpeg;jpe;jfif");
    const std::string all = ";" + std::string(filters[0].extensions) + ";";
    for (const char* ext : {"gif", "mng", "png", "jpg", "jpeg", "jpe", "jfif", "bmp", "dib", "tga", "avi", "apng", "mp4", "webm", "mkv", "jng", "webp"})
        EXPECT_NE(all.find(std::string(";") + ext + ";"), std::string::npos) << ext;
}

TEST(FileChoice, PreviewPicturesFitTheirAreaKeepingProportions) {
    struct Case {
        int w, h, areaW, areaH;
        FitRect fit;
    };
    const Case cases[] = {
        {320, 100, 87, 112, {0, 42, 87, 27}},    // wide picture, tall area: full width
        {100, 320, 87, 112, {26, 0, 35, 112}},   // tall picture: full height, centred
        {50, 50, 100, 100, {0, 0, 100, 100}},
        {0, 50, 100, 100, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        FitRect r = FitPicture(c.w, c.h, c.areaW, c.areaH);
        EXPECT_EQ(std::tie(r.x, r.y, r.width, r.height), std::tie(c.fit.x, c.fit.y, c.fit.width, c.fit.height))
            << c.w << "x" << c.h;
    }
}

TEST(WindowPosition, PositionsOffTheDisplayComeBackAt100) {
    struct Case {
        WindowPoint stored, restored;
    };
    const Case cases[] = {
        {{300, 200}, {300, 200}}, {{1900, 200}, {100, 200}}, {{-1, -1}, {100, 100}}, {{1880, 1040}, {1880, 1040}},
        {{1881, 1041}, {100, 100}},
    };
    for (const Case& c : cases) {
        WindowPoint p = RestoredWindowPosition(c.stored, 1920, 1080);
        EXPECT_EQ(p.x, c.restored.x);
        EXPECT_EQ(p.y, c.restored.y);
    }
}

TEST(WindowPosition, WindowsAreMovedFullyOntoTheScreen) {
    const WindowRect screen{0, 30, 1600, 1170};  // a panel above
    struct Case {
        WindowRect window;
        int x, y;
    };
    const Case cases[] = {
        {{100, 100, 800, 600}, 100, 100},   // fits: stays
        {{1000, 800, 800, 600}, 800, 600},  // past the far edges: moved in, size kept
        {{-50, 0, 300, 200}, 0, 30},        // past the near edges
        {{500, 500, 2000, 1300}, 0, 30},    // larger than the screen: its corner on it
    };
    for (const Case& c : cases) {
        const WindowRect placed = PlacedOnScreen(c.window, screen);
        EXPECT_EQ(placed.x, c.x);
        EXPECT_EQ(placed.y, c.y);
        EXPECT_EQ(placed.width, c.window.width);
    }
}

// A size stored on a larger display, or at a smaller scale, must still open
// whole; a size never stored is the designed one.
TEST(WindowPosition, RestoredSizesFitTheScreen) {
    const WindowSize designed{960, 600}, minimum{400, 300};
    struct Case {
        WindowSize stored, screen, expected;
    } cases[] = {
        {{0, 0}, {1920, 1040}, {960, 600}},       // nothing stored
        {{1500, 900}, {1920, 1040}, {1500, 900}}, // stored and fits
        {{2500, 1400}, {1280, 680}, {1280, 680}}, // from a larger display
        {{100, 50}, {1920, 1040}, {400, 300}},    // never below the minimum …
        {{0, 0}, {640, 320}, {640, 320}},         // … unless the screen is smaller (2x scaling)
        {{-5, 700}, {1920, 1040}, {960, 600}},    // a damaged entry counts as none
    };
    for (const Case& c : cases) {
        const WindowSize got = RestoredWindowSize(c.stored, designed, minimum, c.screen);
        EXPECT_EQ(got.width, c.expected.width) << c.stored.width << "x" << c.stored.height;
        EXPECT_EQ(got.height, c.expected.height) << c.stored.width << "x" << c.stored.height;
    }
}

TEST(WindowPosition, StoredPanesKeepTheirProportion) {
    struct Case {
        int first, second, total, least;
        std::vector<int> expected;
    } cases[] = {
        {600, 300, 900, 100, {600, 300}},
        {600, 300, 450, 100, {300, 150}},        // a smaller window: same proportion
        {890, 10, 900, 100, {800, 100}},         // each pane keeps its least
        {0, 300, 900, 100, {}},                  // nothing usable stored
        {2000000000, 2000000000, 900, 100, {450, 450}},  // no overflow on hostile values
        {600, 300, 150, 100, {}},                // no room for both
    };
    for (const Case& c : cases)
        EXPECT_EQ(RestoredSplit(c.first, c.second, c.total, c.least), c.expected) << c.first << " " << c.second;
}

TEST(CommandState, FrameCommandsNeedFramesAndPasteNeedsAPicture) {
    AnimDoc doc;
    CommandContext context{&doc, false};
    EXPECT_TRUE(CommandEnabled(kCmdNew, context));
    EXPECT_FALSE(CommandEnabled(kCmdDelete, context));
    EXPECT_FALSE(CommandEnabled(kCmdSaveAs, context));
    doc.frameCount = 1;
    EXPECT_TRUE(CommandEnabled(kCmdDelete, context));
    EXPECT_FALSE(CommandEnabled(kCmdOptimize, context));
    doc.frameCount = 2;
    EXPECT_TRUE(CommandEnabled(kCmdOptimize, context));
    // Every command has a row, and each id only one.
    for (const CommandInfo& c : Commands()) EXPECT_EQ(FindCommand(c.id), &c);
}

// Every row against the rule it should have: a command that wrongly needs, or
// wrongly ignores, frames, the clipboard or the history shows here.
TEST(CommandState, EveryCommandIsOfferedByItsRule) {
    const std::set<int> needFrames = {kCmdSave,          kCmdSaveAs,    kCmdSaveSelected, kCmdSaveAvi,  kCmdSaveVideo,
                                      kCmdCut,           kCmdCopy,      kCmdDelete,       kCmdSelectAll,
                                      kCmdPreviousFrame, kCmdNextFrame, kCmdFirstFrame,   kCmdLastFrame};
    struct State {
        int frames;
        bool clipboard, undo, redo;
    };
    for (const State s : {State{0, false, false, false}, State{1, false, false, false}, State{2, false, false, false},
                          State{0, true, false, false}, State{0, false, true, false}, State{0, false, false, true}}) {
        AnimDoc doc;
        doc.frameCount = s.frames;
        const CommandContext context{&doc, s.clipboard, s.undo, s.redo};
        for (const CommandInfo& c : Commands()) {
            bool expected = true;
            if (needFrames.count(c.id)) expected = s.frames > 0;
            if (c.id == kCmdOptimize || c.id == kCmdPlayPause) expected = s.frames > 1;
            if (c.id == kCmdPasteAppend || c.id == kCmdPasteInsert) expected = s.clipboard;
            if (c.id == kCmdUndo) expected = s.undo;
            if (c.id == kCmdRedo) expected = s.redo;
            EXPECT_EQ(CommandEnabled(c.id, context), expected) << c.id << " with " << s.frames << " frames";
        }
    }
}

// The two mode rows are the only radio items, and exactly one of them is
// checked for either working mode of the session; the canvas's view choices
// are on/off items checked by their own state.
TEST(CommandState, CheckMarksFollowTheModeAndTheCanvasChoices) {
    AnimDoc doc;
    for (int mode : {0, 1}) {
        CommandContext context{&doc};
        context.formatMode = mode;
        std::set<int> checked;
        for (const CommandInfo& c : Commands())
            if (c.checked && !c.toggle && c.checked(context)) checked.insert(c.id);
        EXPECT_EQ(checked, (std::set<int>{mode == 1 ? kCmdMngMode : kCmdGifMode})) << mode;
    }
    for (auto [composed, onion] : {std::pair{true, false}, {false, true}, {true, true}}) {
        CommandContext context{&doc};
        context.composedView = composed;
        context.onionSkin = onion;
        std::set<int> on, expected;
        for (const CommandInfo& c : Commands())
            if (c.toggle && c.checked(context)) on.insert(c.id);
        if (composed) expected.insert(kCmdComposedView);
        if (onion) expected.insert(kCmdOnionSkin);
        EXPECT_EQ(on, expected);
    }
}

}  // namespace
}  // namespace kivo
