// The settings file: every key written in order and format and read back; the
// scanning rules for values; damaged files; where the file lives and what a
// location that cannot be written does.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/recording_backend.h"
#include "platform/settings_file.h"
#include "support/test_support.h"

namespace kivo {
namespace {

std::string Text(const std::string& path) {
    const auto bytes = test::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

void Write(const std::string& path, const std::string& text) {
    ASSERT_TRUE(test::WriteFile(path, std::vector<uint8_t>(text.begin(), text.end())));
}

TEST(SettingsFile, EveryKeyIsWrittenInOrderAndFormatAndReadBack) {
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    const std::string path = dir.file("kivo.ini");
    const std::vector<std::pair<const char*, std::vector<int>>> numbers = {
        {"MainWinPos", {-5, 7}},
        {"ViewWinPos", {300, 400}},
        {"BgCol", {-1, 0x80, 0xff}},
        {"CustCol1", {0xff, 0xff00, 0xff0000, 1, 2, 3, 4, 0xabcdef}},
        {"CustCol2", {8, 7, 6, 5, 4, 3, 2, 1}},
        {"GifWROpt", {64, 0, 0, 1}},
        {"MngWROpt", {1, 1, 80, 0, 0, 0, 0, 1, 1, 1}},
        {"MngWROpt2", {1, 5}},
        {"ViewMode", {1}},
        {"OPT1", {0, 1}},
        {"GifLossy", {80, 512000}},
        {"MainWinSize", {1280, 700}},
        {"MainLayout", {800, 400, 300, 250}},
    };
    // No length limit, and texts that reading would otherwise trim or unquote.
    const std::string longFolder = "/home/user/" + std::string(600, 'x') + "/フォルダ";
    const std::vector<std::pair<const char*, std::string>> texts = {
        {"SaveDir", longFolder}, {"LoadDir", " /with blanks "}, {"KLoadDir", "\"quoted\""}, {"PaintSoft", ""}};
    Settings s;
    for (const auto& [key, values] : numbers) SetSettingNumbers(s, key, values);
    for (const auto& [key, text] : texts) SetSettingText(s, key, text);
    SetSettingText(s, "LaterWindowPos", "1 2");  // a key a later version adds
    ASSERT_TRUE(WriteSettings(nullptr, path, s));
    EXPECT_TRUE(rec->errors.empty());

    EXPECT_EQ(Text(path), "[VezIreze by Pendrake]\n"
                          "MainWinPos=-5 7\n"
                          "ViewWinPos=300 400\n"
                          "SaveDir=" + longFolder + "\n"
                          "LoadDir=\" /with blanks \"\n"
                          "KLoadDir=\"\"quoted\"\"\n"
                          "BgCol=ffffffff 80 ff\n"
                          "CustCol1=ff ff00 ff0000 1 2 3 4 abcdef \n"
                          "CustCol2=8 7 6 5 4 3 2 1 \n"
                          "GifWROpt=64 0 0 1\n"
                          "MngWROpt=1 1 80 0 0 0 0 1 1 1\n"
                          "MngWROpt2=1 5\n"
                          "ViewMode=1\n"
                          "OPT1=0,1\n"
                          "GifLossy=80 512000\n"
                          "PaintSoft=\n"
                          "UndoMemory=512\n"
                          "MainWinSize=1280 700\n"
                          "MainLayout=800 400 300 250\n"
                          "CanvasView=-1 1 0\n"
                          "LaterWindowPos=1 2\n");
    const Settings back = ReadSettings(path);
    for (const auto& [key, values] : numbers) EXPECT_EQ(SettingNumbers(back, key), values) << key;
    for (const auto& [key, text] : texts) {
        ASSERT_NE(SettingText(back, key), nullptr) << key;
        EXPECT_EQ(*SettingText(back, key), text) << key;
    }
    EXPECT_EQ(*SettingText(back, "laterwindowpos"), "1 2");

    // Nothing set: every key with its default; partial values are completed.
    Settings partial;
    SetSettingText(partial, "MngWROpt", "5 0 80");
    ASSERT_TRUE(WriteSettings(nullptr, path, partial));
    const std::string text = Text(path);
    for (const char* line : {"MainWinPos=-1 -1\n", "BgCol=ffffffff 0 0\n", "CustCol1=0 0 0 0 0 0 0 0 \n",
                             "GifWROpt=256 1 1 0\n", "MngWROpt=5 0 80 1 1 1 1 0 0 0\n", "MngWROpt2=0 -1\n",
                             "OPT1=1,1\n", "GifLossy=0 0\n", "PaintSoft=\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST(SettingsFile, ValuesAreReadAsPrintfScanningWouldReadThem) {
    struct Case {
        const char* key;
        const char* text;
        std::vector<int> values;
    };
    const Case cases[] = {
        {"MngWROpt", "5 0 80", {5, 0, 80}},
        {"CustCol1", "ff ff00", {0xff, 0xff00}},
        {"BgCol", "ffffffff 0x10 -1", {-1, 16, -1}},
        {"OPT1", "1, 0", {1, 0}},
        {"OPT1", "1 ,0", {1}},  // the comma must follow the number at once
        {"ViewWinPos", "  -3\t4  ", {-3, 4}},
        {"GifWROpt", "12abc 5", {12}},
        {"GifWROpt", "abc", {}},
        {"GifWROpt", "99999999999 1", {}},  // too large for a number is no number
        {"MainWinPos", "1 2 3", {1, 2}},
        {"SaveDir", "1 2", {}},
    };
    for (const Case& c : cases) {
        Settings s;
        SetSettingText(s, c.key, c.text);
        EXPECT_EQ(SettingNumbers(s, c.key), c.values) << c.key << "=" << c.text;
    }
}

TEST(SettingsFile, DamagedFilesGiveWhatCanBeRead) {
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    const std::string path = dir.file("kivo.ini");

    EXPECT_TRUE(ReadSettings(dir.file("missing.ini")).values.empty());
    EXPECT_TRUE(ReadSettings(dir.path()).values.empty());  // a folder
    Write(path, std::string("\x00\xff[\x01=\n==\n[", 10) + std::string(100, '\0'));
    EXPECT_TRUE(ReadSettings(path).values.empty());
    Write(path, "[VezIreze by Pendrake]\nViewMode=" + std::string(2 << 20, '1') + "\n");
    EXPECT_TRUE(ReadSettings(path).values.empty());  // far larger than any settings file

    Write(path,
          "; written by hand\r\n[Other]\r\nKeep=this\r\n"
          "[ vezireze BY pendrake ]\r\n  ViewMode = 1 \r\nViewMode=0\r\nnot a setting\r\n"
          "SaveDir=\"/tmp/a b\"\r\n=orphan\r\n"
          "[Later]\r\nAlso=kept\r\n");
    Settings s = ReadSettings(path);
    EXPECT_EQ(SettingNumbers(s, "ViewMode"), std::vector<int>{1});  // the first of repeated keys
    EXPECT_EQ(*SettingText(s, "SaveDir"), "/tmp/a b");
    ASSERT_TRUE(WriteSettings(nullptr, path, s));
    const std::string text = Text(path);
    EXPECT_EQ(text.rfind("; written by hand\n[Other]\nKeep=this\n[VezIreze by Pendrake]\n", 0), 0u) << text;
    EXPECT_NE(text.find("ViewMode=1\n"), std::string::npos);
    EXPECT_NE(text.find("\n[Later]\nAlso=kept\n"), std::string::npos);
    EXPECT_TRUE(rec->errors.empty());
}

TEST(SettingsFile, LocationAndFolders) {
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    unsetenv("KIVO_INI");
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    EXPECT_EQ(SettingsPath(), dir.path() + "/kivo/kivo.ini");
    setenv("XDG_CONFIG_HOME", "relative/path", 1);  // only an absolute one counts
    setenv("HOME", dir.path().c_str(), 1);
    EXPECT_EQ(SettingsPath(), dir.path() + "/.config/kivo/kivo.ini");
    setenv("KIVO_INI", dir.file("own.ini").c_str(), 1);
    EXPECT_EQ(SettingsPath(), dir.file("own.ini"));

    // Missing folders are made on the way.
    const std::string deep = dir.path() + "/a/b/kivo.ini";
    ASSERT_TRUE(WriteSettings(nullptr, deep, Settings{}));
    EXPECT_FALSE(ReadSettings(deep).values.empty());

    // A place that cannot hold the file: one warning naming it, no file, no crash.
    Write(dir.file("plain"), "x");
    const std::string impossible = dir.file("plain") + "/kivo.ini";
    EXPECT_FALSE(WriteSettings(nullptr, impossible, Settings{}));
    ASSERT_EQ(rec->errors.size(), 1u);
    EXPECT_NE(rec->errors[0].find(impossible), std::string::npos);
    if (geteuid() != 0) {
        const std::string locked = dir.path() + "/locked";
        ASSERT_EQ(mkdir(locked.c_str(), 0500), 0);
        EXPECT_FALSE(WriteSettings(nullptr, locked + "/kivo.ini", Settings{}));
        EXPECT_EQ(rec->errors.size(), 2u);
        chmod(locked.c_str(), 0700);
    }
}

}  // namespace
}  // namespace kivo
