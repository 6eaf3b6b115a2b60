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

std::vector<int*> StoredOptions(WriteOptions& o, int& formatMode) {
    return {&o.MaxColors,         &o.UnifyPalette, &o.ShowOptionsOnSave, &o.Interlace,       &o.NoColorReduction,
            &o.JngOver256Only,    &o.JngQuality,   &o.MhdrStrictProfile, &o.TermAlways,      &o.FramMayOmit,
            &o.DefiMayOmit,       &o.JngAllFrames, &o.NoGlobalPalette,   &formatMode,      &o.KeepPngPalette,
            &o.TransparentIndex,  &o.UseStandardPaint, &o.OptimizeWithTransparency, &o.Lossiness, &o.TargetSize};
}

TEST(OptionSettings, EveryStoredOptionSurvivesTheFile) {
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    const std::vector<int> chosen = {32, 0, 0, 1, 1, 1, 85, 0, 0, 0, 0, 1, 1, 1, 1, 7, 0, 0, 60, 2097152};
    WriteOptions written;
    int writtenMode = 0;
    std::vector<int*> options = StoredOptions(written, writtenMode);
    for (size_t i = 0; i < options.size(); ++i) *options[i] = chosen[i];
    written.PaintProgramPath = "/opt/paint program/bin/paint";
    Settings out;
    StoreOptionSettings(out, written, writtenMode);
    ASSERT_TRUE(WriteSettings(nullptr, dir.file("kivo.ini"), out));

    WriteOptions read;
    int readMode = 0;
    LoadOptionSettings(ReadSettings(dir.file("kivo.ini")), read, &readMode);
    options = StoredOptions(read, readMode);
    for (size_t i = 0; i < options.size(); ++i) EXPECT_EQ(*options[i], chosen[i]) << "option " << i;
    EXPECT_EQ(read.PaintProgramPath, "/opt/paint program/bin/paint");
}

TEST(OptionSettings, ValuesOutOfRangeAreBroughtIntoRange) {
    WriteOptions o;
    int mode = 0;
    struct Case {
        const char* key;
        const char* text;
        std::vector<std::pair<int*, int>> expect;
    };
    const Case cases[] = {
        {"GifWROpt", "9999 5 -3 2", {{&o.MaxColors, 256}, {&o.UnifyPalette, 1}, {&o.ShowOptionsOnSave, 1}, {&o.Interlace, 1}}},
        {"GifWROpt", "100", {{&o.MaxColors, 64}, {&o.UnifyPalette, 1}}},
        {"GifWROpt", "-4 0", {{&o.MaxColors, 8}, {&o.UnifyPalette, 0}}},
        // Three values set three options and leave the other seven alone.
        {"MngWROpt", "5 0 80",
         {{&o.NoColorReduction, 1}, {&o.JngOver256Only, 0}, {&o.JngQuality, 80}, {&o.MhdrStrictProfile, 1}, {&mode, 0}}},
        {"MngWROpt", "0 0 0 0 0 0 0 0 0 7", {{&o.JngQuality, 1}, {&o.MhdrStrictProfile, 0}, {&mode, 0}}},
        {"MngWROpt", "0 0 500 1 1 1 1 0 0 1", {{&o.JngQuality, 100}, {&mode, 1}}},
        {"MngWROpt2", "3 300", {{&o.KeepPngPalette, 1}, {&o.TransparentIndex, -1}}},
        {"OPT1", "0,5", {{&o.UseStandardPaint, 0}, {&o.OptimizeWithTransparency, 1}}},
        {"GifLossy", "80 512000", {{&o.Lossiness, 80}, {&o.TargetSize, 512000}}},
        {"GifLossy", "999 -5", {{&o.Lossiness, 200}, {&o.TargetSize, 0}}},
        {"GifLossy", "-1", {{&o.Lossiness, 0}, {&o.TargetSize, 0}}},
    };
    for (const Case& c : cases) {
        o = WriteOptions();
        mode = 0;
        Settings s;
        SetSettingText(s, c.key, c.text);
        LoadOptionSettings(s, o, &mode);
        for (const auto& [option, value] : c.expect) EXPECT_EQ(*option, value) << c.key << "=" << c.text;
    }
}

}  // namespace
}  // namespace kivo
