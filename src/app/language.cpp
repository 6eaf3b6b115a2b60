#include "app/language.h"

namespace kivo {

namespace {

constexpr LanguageSetting kSettings[] = {LanguageSetting::kAuto, LanguageSetting::kJapanese,
                                         LanguageSetting::kEnglish};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// "ja", "JA", "ja_JP.UTF-8" and "ja-JP" all start with the language's code;
// "jav" (Javanese) does not name Japanese.
bool NamesLanguage(std::string_view name, std::string_view code) {
    if (name.size() < code.size()) return false;
    for (size_t i = 0; i < code.size(); ++i)
        if (Lower(name[i]) != code[i]) return false;
    if (name.size() == code.size()) return true;
    const char next = name[code.size()];
    return next == '_' || next == '-' || next == '.' || next == '@';
}

}  // namespace

std::span<const LanguageSetting> LanguageSettings() { return kSettings; }

LanguageSetting ParseLanguageSetting(std::string_view stored) {
    while (!stored.empty() && stored.front() == ' ') stored.remove_prefix(1);
    while (!stored.empty() && stored.back() == ' ') stored.remove_suffix(1);
    if (stored.size() == 2 && NamesLanguage(stored, "ja")) return LanguageSetting::kJapanese;
    if (stored.size() == 2 && NamesLanguage(stored, "en")) return LanguageSetting::kEnglish;
    return LanguageSetting::kAuto;
}

std::string_view LanguageSettingText(LanguageSetting setting) {
    switch (setting) {
        case LanguageSetting::kJapanese: return "ja";
        case LanguageSetting::kEnglish: return "en";
        case LanguageSetting::kAuto: break;
    }
    return "auto";
}

std::optional<Language> LanguageFromEnvironment(const char* value) {
    if (!value) return std::nullopt;
    const std::string_view name(value);
    if (NamesLanguage(name, "ja")) return Language::kJapanese;
    if (NamesLanguage(name, "en")) return Language::kEnglish;
    return std::nullopt;
}

Language ChooseLanguage(LanguageSetting setting, std::string_view systemLocale, const char* environment) {
    if (std::optional<Language> forced = LanguageFromEnvironment(environment)) return *forced;
    switch (setting) {
        case LanguageSetting::kJapanese: return Language::kJapanese;
        case LanguageSetting::kEnglish: return Language::kEnglish;
        case LanguageSetting::kAuto: break;
    }
    return NamesLanguage(systemLocale, "ja") ? Language::kJapanese : Language::kEnglish;
}

std::string_view ManualFileName(Language language) {
    return language == Language::kEnglish ? "kivo_en.html" : "kivo.html";
}

}  // namespace kivo
