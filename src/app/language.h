// Which language the editor speaks. Japanese is the program's own (every text
// is written in it); English comes from a translation. The user's choice in
// the other options (stored as Language=auto|ja|en in kivo.ini) wins over the
// system's locale, and the KIVO_LANG environment variable (ja or en) over
// both, so that tests and scripts get the language they ask for whatever the
// machine is set to. A choice is read at start: a new one takes effect at the
// next start.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace kivo {

enum class Language { kJapanese, kEnglish };
enum class LanguageSetting { kAuto, kJapanese, kEnglish };

// The settings in the order the other options dialog offers them.
std::span<const LanguageSetting> LanguageSettings();

// The stored value: "ja" and "en" (in any case) name their language; anything
// else, a missing key included, leaves it to the system.
LanguageSetting ParseLanguageSetting(std::string_view stored);
std::string_view LanguageSettingText(LanguageSetting setting);

// KIVO_LANG's language; none when it is unset, empty or names neither.
std::optional<Language> LanguageFromEnvironment(const char* value);

// systemLocale is the locale's name as the system gives it ("ja_JP.UTF-8",
// "ja-JP", "en-US", "C"): Japanese when it names Japanese.
Language ChooseLanguage(LanguageSetting setting, std::string_view systemLocale, const char* environment);

// The manual's file for the language, beside its other language's.
std::string_view ManualFileName(Language language);

}  // namespace kivo
