// The write options in the settings file: a round trip of every option, and
// values the program cannot work with brought into range.
#include "options/option_settings.h"

#include <gtest/gtest.h>

#include "options/write_options.h"
#include "doc/anim_doc.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

struct OptionsReset {
    ~OptionsReset() {
        ResetWriteOptions();
        FormatMode = 0;
    }
};

std::vector<int*> StoredOptions() {
    return {&MaxColors,         &UnifyPalette, &ShowOptionsOnSave, &Interlace,       &NoColorReduction,
            &JngOver256Only,    &JngQuality,   &MhdrStrictProfile, &TermAlways,      &FramMayOmit,
            &DefiMayOmit,       &JngAllFrames, &NoGlobalPalette,   &FormatMode,      &KeepPngPalette,
            &TransparentIndex,  &UseStandardPaint, &OptimizeWithTransparency};
}

TEST(OptionSettings, EveryStoredOptionSurvivesTheFile) {
    OptionsReset reset;
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    const std::vector<int> chosen = {32, 0, 0, 1, 1, 1, 85, 0, 0, 0, 0, 1, 1, 1, 1, 7, 0, 0};
    std::vector<int*> options = StoredOptions();
    for (size_t i = 0; i < options.size(); ++i) *options[i] = chosen[i];
    PaintProgramPath = "/opt/paint program/bin/paint";
    Settings out;
    StoreOptionSettings(out);
    ASSERT_TRUE(WriteSettings(nullptr, dir.file("kivo.ini"), out));

    ResetWriteOptions();
    FormatMode = 0;
    LoadOptionSettings(ReadSettings(dir.file("kivo.ini")));
    for (size_t i = 0; i < options.size(); ++i) EXPECT_EQ(*options[i], chosen[i]) << "option " << i;
    EXPECT_EQ(PaintProgramPath, "/opt/paint program/bin/paint");
}

TEST(OptionSettings, ValuesOutOfRangeAreBroughtIntoRange) {
    OptionsReset reset;
    struct Case {
        const char* key;
        const char* text;
        std::vector<std::pair<int*, int>> expect;
    };
    const Case cases[] = {
        {"GifWROpt", "9999 5 -3 2", {{&MaxColors, 256}, {&UnifyPalette, 1}, {&ShowOptionsOnSave, 1}, {&Interlace, 1}}},
        {"GifWROpt", "100", {{&MaxColors, 64}, {&UnifyPalette, 1}}},
        {"GifWROpt", "-4 0", {{&MaxColors, 8}, {&UnifyPalette, 0}}},
        // Three values set three options and leave the other seven alone.
        {"MngWROpt", "5 0 80",
         {{&NoColorReduction, 1}, {&JngOver256Only, 0}, {&JngQuality, 80}, {&MhdrStrictProfile, 1}, {&FormatMode, 0}}},
        {"MngWROpt", "0 0 0 0 0 0 0 0 0 7", {{&JngQuality, 1}, {&MhdrStrictProfile, 0}, {&FormatMode, 0}}},
        {"MngWROpt", "0 0 500 1 1 1 1 0 0 1", {{&JngQuality, 100}, {&FormatMode, 1}}},
        {"MngWROpt2", "3 300", {{&KeepPngPalette, 1}, {&TransparentIndex, -1}}},
        {"OPT1", "0,5", {{&UseStandardPaint, 0}, {&OptimizeWithTransparency, 1}}},
    };
    for (const Case& c : cases) {
        ResetWriteOptions();
        FormatMode = 0;
        Settings s;
        SetSettingText(s, c.key, c.text);
        LoadOptionSettings(s);
        for (const auto& [option, value] : c.expect) EXPECT_EQ(*option, value) << c.key << "=" << c.text;
    }
}

}  // namespace
}  // namespace kivo
