#include "platform/messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kivo {
namespace {

// Texts as the engine shows them, values filled in, to the English shown beside.
TEST(Messages, EngineTextsFindTheirEnglishWithTheValuesCarriedOver) {
    char undefined[64];
    std::snprintf(undefined, sizeof undefined, "OX%02X %s", 0x3F, "は、未定義コードです。");
    char writing[128];
    std::snprintf(writing, sizeof writing, "GIF 書き込み中...\r %4d / %4d コマ", 7, 1200);
    const struct {
        std::string shown, english;
    } cases[] = {
        {"書き込みに失敗しました。", "Writing failed."},
        {"ファイルオープンに失敗しました。", "The file could not be opened."},
        {undefined, "0x3F is an undefined block code."},
        {writing, "Writing GIF...\r    7 / 1200 frames"},
        {"GIF 読み取り中...\r   12 コマ", "Reading GIF...\r   12 frames"},
        {"gimp\rソフトが見つかりません。", "gimp\rThis program was not found."},
        {"中止", "Cancel"},
        // Messages put together from lines of the table, line by line.
        {"「a.gif」は 3 コマ目の途中で切れています。\r読み込めた 2 コマだけを開きますか?",
         "\"a.gif\" is cut off in the middle of frame 3.\rOpen only the frames that were read whole (2)?"},
        {"次のファイルを開けないため、何も開きませんでした。\r/x/a b（ファイルがありません）\r/x（フォルダです）",
         "Nothing was opened, because these files cannot be opened:\r/x/a b (no such file)\r/x (a folder)"},
        {"中止\r\rTrailer Error!", ""},  // one line without a row: no English at all
        // Not in the table: the engine's English texts, and near misses.
        {"Trailer Error!", ""},
        {"書き込みに失敗しました", ""},
        {"GIF 書き込み中...\r  x / 3 コマ", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(EnglishFor(c.shown), c.english) << c.shown;
}

// The editor puts Qt's translation of a row into the text, and a new
// document's name in its language into the values.
TEST(Messages, AnotherLanguageGetsTheRowsTranslationWithTheValues) {
    const RowTranslation tagged = [](const MessageText& row) {
        return row.id == "NoMemory" ? std::string() : "<" + std::string(row.id) + " %2 %1>";
    };
    const ValueTranslation upper = [](std::string_view v) {
        return v == "新規.gif" ? std::string("NEW") : std::string(v);
    };
    const struct {
        std::string shown, translated;
    } cases[] = {
        {"書き込みに失敗しました。", "<WriteFailed  >"},
        {"「a.gif」は 3 コマ目の途中で切れています。", "<GifCutInFrame 3 a.gif>"},
        {"新規.gif は、変更されています。\r上書き保管をしますか?", "<AskSaveChanges  NEW>"},
        {"「a.gif」は最初のコマより前で切れています。\r読み込めた 0 コマだけを開きますか?",
         "<GifCutBeforeFrames  a.gif>\r<OpenCompleteFrames  0>"},
        // A row without a translation gives none, alone or as one line of several.
        {"メモリが足りません。", ""},
        {"中止\rメモリが足りません。", ""},
        {"Trailer Error!", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(TranslateShown(c.shown, tagged, upper), c.translated) << c.shown;
}

// What snprintf wrote with a pattern gives back the values it wrote.
TEST(Messages, APatternMatchesWhatItFormatted) {
    char text[128];
    std::snprintf(text, sizeof text, "%3dコマ %3d x %3d 個%zu", 7, 120, 5, size_t(12));
    std::vector<std::string_view> values;
    ASSERT_TRUE(MatchPattern("%3dコマ %3d x %3d 個%zu", text, values));
    EXPECT_EQ(values, (std::vector<std::string_view>{"  7", "120", "  5", "12"}));
    EXPECT_FALSE(MatchPattern("%d / %d コマ", "1 / x コマ", values));
    EXPECT_FALSE(MatchPattern("%d / %d コマ", "1 / 2 コマ ", values));
}

// The string literals of C++ source, escapes resolved as far as messages use
// them; comments and character literals skipped.
std::vector<std::string> StringLiterals(const std::string& code) {
    std::vector<std::string> found;
    for (size_t i = 0; i < code.size(); ++i) {
        if (code.compare(i, 2, "//") == 0) {
            i = code.find('\n', i);
            if (i == std::string::npos) break;
        } else if (code.compare(i, 2, "/*") == 0) {
            i = code.find("*/", i + 2);
            if (i == std::string::npos) break;
            ++i;
        } else if (code[i] == '\'' || code[i] == '"') {
            const char quote = code[i];
            std::string text;
            for (++i; i < code.size() && code[i] != quote; ++i) {
                if (code[i] == '\\' && i + 1 < code.size()) {
                    const char e = code[++i];
                    text += e == 'r' ? '\r' : e == 'n' ? '\n' : e;
                } else {
                    text += code[i];
                }
            }
            if (quote == '"') found.push_back(text);
        }
    }
    return found;
}

// The program's sources (src/).
std::filesystem::path SourceFolder() {
#ifdef KIVO_SOURCE_DIR
    return KIVO_SOURCE_DIR;
#else
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "src";
#endif
}

// The texts marked with KIVO_TR_NOOP(context, "text"), adjacent literals joined.
std::vector<std::string> MarkedTexts(const std::string& code) {
    std::vector<std::string> found;
    const std::string mark = "KIVO_TR_NOOP(";
    for (size_t at = code.find(mark); at != std::string::npos; at = code.find(mark, at + 1)) {
        size_t i = code.find(',', at);  // a context has no comma
        std::string text;
        while (i != std::string::npos && i < code.size() && code[i] != ')') {
            if (code[i++] != '"') continue;
            for (; i < code.size() && code[i] != '"'; ++i) {
                if (code[i] == '\\' && i + 1 < code.size()) {
                    const char e = code[++i];
                    text += e == 'r' ? '\r' : e == 'n' ? '\n' : e;
                } else {
                    text += code[i];
                }
            }
            ++i;
        }
        found.push_back(text);
    }
    return found;
}

// A Japanese text added to the engine without a row here would reach an
// English-reading user untranslated. Every Japanese string literal in the
// engine's sources must be (part of) a row's text; parts occur where the engine
// assembles a message at run time.
TEST(Messages, EveryJapaneseTextOfTheEngineHasARow) {
    namespace fs = std::filesystem;
    const fs::path src = SourceFolder();
    if (!fs::is_directory(src / "platform")) GTEST_SKIP() << "engine sources not found at " << src;
    int checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const fs::path& path = entry.path();
        const std::string relative = fs::relative(path, src).string();
        // The front ends' own labels are not engine messages.
        const bool frontEnd = relative.rfind("cli/", 0) == 0 || relative.rfind("app/", 0) == 0 ||
                              relative.rfind("ui/", 0) == 0 || relative.rfind("view/", 0) == 0;
        if (frontEnd || relative == "platform/messages.cpp") continue;
        if (path.extension() != ".cpp" && path.extension() != ".h") continue;
        std::ifstream in(path);
        const std::string code((std::istreambuf_iterator<char>(in)), {});
        for (const std::string& text : StringLiterals(code)) {
            if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
                continue;
            const bool found = std::any_of(MessageTable().begin(), MessageTable().end(), [&](const MessageText& row) {
                return row.japanese.find(text) != std::string_view::npos;
            });
            EXPECT_TRUE(found) << relative << ": \"" << text << "\" has no English";
            ++checked;
        }
    }
    EXPECT_GT(checked, 10);
}

// The editor's command layer shows texts of its own (menu labels, panel texts,
// undo steps) besides messages. Each must be marked for translation or, being a
// message, be (part of) a row; otherwise an English interface would show it in
// Japanese. panel_layout.cpp is left out: its texts are keys naming the panel's
// controls, never shown.
TEST(Messages, EveryJapaneseTextOfTheCommandLayerIsTranslatable) {
    namespace fs = std::filesystem;
    const fs::path app = SourceFolder() / "app";
    if (!fs::is_directory(app)) GTEST_SKIP() << "sources not found at " << app;
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(app)) {
        const fs::path& path = entry.path();
        if (path.filename() == "panel_layout.cpp" || (path.extension() != ".cpp" && path.extension() != ".h")) continue;
        std::ifstream in(path);
        const std::string code((std::istreambuf_iterator<char>(in)), {});
        const std::vector<std::string> marked = MarkedTexts(code);
        for (const std::string& text : StringLiterals(code)) {
            if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
                continue;
            const bool found =
                std::find(marked.begin(), marked.end(), text) != marked.end() ||
                std::any_of(MessageTable().begin(), MessageTable().end(),
                            [&](const MessageText& row) { return row.japanese.find(text) != std::string_view::npos; });
            EXPECT_TRUE(found) << path.filename() << ": \"" << text << "\" is neither marked nor a message";
            ++checked;
        }
    }
    EXPECT_GT(checked, 50);
}

}  // namespace
}  // namespace kivo
