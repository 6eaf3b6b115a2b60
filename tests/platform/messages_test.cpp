#include "platform/messages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

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
        // Not in the table: the engine's English texts, and near misses.
        {"Trailer Error!", ""},
        {"書き込みに失敗しました", ""},
        {"GIF 書き込み中...\r  x / 3 コマ", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(EnglishFor(c.shown), c.english) << c.shown;
}

TEST(Messages, EveryRowIsCompleteAndUnique) {
    std::set<std::string_view> ids, texts;
    for (const MessageText& m : MessageTable()) {
        EXPECT_FALSE(m.english.empty()) << m.id;
        EXPECT_TRUE(ids.insert(m.id).second) << "id twice: " << m.id;
        EXPECT_TRUE(texts.insert(m.japanese).second) << "text twice: " << m.japanese;
        EXPECT_EQ(FindMessageById(m.id), &m);
        // A row without values must find itself.
        if (m.japanese.find('%') == std::string_view::npos) {
            EXPECT_EQ(EnglishFor(m.japanese), m.english) << m.id;
        }
    }
    EXPECT_EQ(FindMessageById("NoSuchMessage"), nullptr);
}

TEST(Messages, JapaneseLocaleFollowsThePosixOrderOfVariables) {
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::string saved[3];
    bool had[3];
    for (int i = 0; i < 3; ++i) {
        const char* v = std::getenv(names[i]);
        had[i] = v != nullptr;
        if (v) saved[i] = v;
    }
    const struct {
        const char *all, *messages, *lang;
        bool japanese;
    } cases[] = {
        {"", "", "ja_JP.UTF-8", true},
        {"", "", "en_US.UTF-8", false},
        {"", "", "", false},
        {"", "ja_JP.UTF-8", "en_US.UTF-8", true},
        {"C", "ja_JP.UTF-8", "ja_JP.UTF-8", false},  // LC_ALL wins
        {"ja", "", "C", true},
    };
    for (const auto& c : cases) {
        setenv("LC_ALL", c.all, 1);
        setenv("LC_MESSAGES", c.messages, 1);
        setenv("LANG", c.lang, 1);
        EXPECT_EQ(UserReadsJapanese(), c.japanese) << c.all << "|" << c.messages << "|" << c.lang;
    }
    for (int i = 0; i < 3; ++i) {
        if (had[i]) setenv(names[i], saved[i].c_str(), 1);
        else unsetenv(names[i]);
    }
}

}  // namespace
}  // namespace kivo
