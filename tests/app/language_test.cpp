// Which language the editor starts in: the environment's override, the user's
// stored choice, the system's locale, in that order. (The stored choice's way
// through kivo.ini and the dialog is tested with the widgets.)
#include <gtest/gtest.h>

#include "app/language.h"

namespace kivo {
namespace {

constexpr Language ja = Language::kJapanese;
constexpr Language en = Language::kEnglish;

TEST(Language, EnvironmentThenSettingThenLocaleChoose) {
    using S = LanguageSetting;
    const struct {
        LanguageSetting setting;
        const char* locale;
        const char* environment;  // KIVO_LANG; nullptr: not set
        Language expected;
    } cases[] = {
        // Left to the system: the locale decides, in the forms systems spell it.
        {S::kAuto, "ja_JP.UTF-8", nullptr, ja},
        {S::kAuto, "ja-JP", nullptr, ja},
        {S::kAuto, "ja", nullptr, ja},
        {S::kAuto, "JA_jp", nullptr, ja},
        {S::kAuto, "en-US", nullptr, en},
        {S::kAuto, "de_DE.UTF-8", nullptr, en},
        {S::kAuto, "C", nullptr, en},
        {S::kAuto, "", nullptr, en},
        {S::kAuto, "jav_ID", nullptr, en},  // Javanese is not Japanese
        // The user's choice wins over the locale.
        {S::kEnglish, "ja_JP.UTF-8", nullptr, en},
        {S::kJapanese, "en-US", nullptr, ja},
        {S::kJapanese, "C", nullptr, ja},
        // The environment wins over both; what it does not name is no override.
        {S::kEnglish, "ja_JP", "ja", ja},
        {S::kJapanese, "ja_JP", "en", en},
        {S::kAuto, "C", "ja_JP.UTF-8", ja},
        {S::kAuto, "ja_JP", "EN", en},
        {S::kJapanese, "C", "", ja},
        {S::kEnglish, "ja_JP", "fr", en},
        {S::kAuto, "ja_JP", "auto", ja},
        {S::kAuto, "en_GB", "japanese", en},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseLanguage(c.setting, c.locale, c.environment), c.expected)
            << "setting " << LanguageSettingText(c.setting) << ", locale \"" << c.locale << "\", KIVO_LANG "
            << (c.environment ? c.environment : "unset");
    }
}

TEST(Language, StoredValuesReadAndWriteBack) {
    const struct {
        const char* stored;
        LanguageSetting setting;
    } cases[] = {
        {"ja", LanguageSetting::kJapanese}, {"en", LanguageSetting::kEnglish}, {"auto", LanguageSetting::kAuto},
        {" EN ", LanguageSetting::kEnglish}, {"", LanguageSetting::kAuto},    {"english", LanguageSetting::kAuto},
        {"en_US", LanguageSetting::kAuto},   {"jp", LanguageSetting::kAuto},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseLanguageSetting(c.stored), c.setting) << '"' << c.stored << '"';
    for (LanguageSetting s : LanguageSettings()) EXPECT_EQ(ParseLanguageSetting(LanguageSettingText(s)), s);
    EXPECT_EQ(LanguageSettings().front(), LanguageSetting::kAuto);  // the dialog's first choice
}

}  // namespace
}  // namespace kivo
