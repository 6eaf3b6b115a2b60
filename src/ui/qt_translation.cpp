#include "ui/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>
#include <vector>

#include "app/session_settings.h"
#include "platform/messages.h"

namespace kivo {

namespace {

Language current = Language::kJapanese;

QTranslator& OwnTranslator() {
    static QTranslator translator;
    return translator;
}

QTranslator& QtTranslator() {
    static QTranslator translator;
    return translator;
}

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// A marked text's translation as UTF-8; empty when it has none (its source
// comes back, which is how Qt says so).
std::string TranslationOf(const char* context, const std::string& source) {
    const QString translated = QCoreApplication::translate(context, source.c_str());
    const QByteArray utf8 = translated.toUtf8();
    if (utf8.size() == qsizetype(source.size()) && source == utf8.constData()) return {};
    return utf8.toStdString();
}

}  // namespace

Language StartupLanguage() {
    const QStringList languages = QLocale::system().uiLanguages();
    const QByteArray locale = (languages.isEmpty() ? QLocale::system().name() : languages.first()).toUtf8();
    return ChooseLanguage(StoredLanguageSetting(), std::string_view(locale.constData(), size_t(locale.size())),
                          std::getenv("KIVO_LANG"));
}

bool InstallLanguage(Language language) {
    QCoreApplication::removeTranslator(&OwnTranslator());
    QCoreApplication::removeTranslator(&QtTranslator());
    current = language;
    if (language == Language::kEnglish) {
        // Qt's own texts are English already; only ours need a translation.
        return OwnTranslator().load(QStringLiteral(":/i18n/kivo_en.qm")) &&
               QCoreApplication::installTranslator(&OwnTranslator());
    }
    return QtTranslator().load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                               QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
           QCoreApplication::installTranslator(&QtTranslator());
}

Language InterfaceLanguage() { return current; }

bool InstallQtTranslation(QCoreApplication&) { return InstallLanguage(Language::kJapanese); }

QString Translated(const char* context, std::string_view text) {
    const std::string source(text);
    return QCoreApplication::translate(context, source.c_str());
}

std::string TranslatedUtf8(const char* context, std::string_view text) {
    return Translated(context, text).toStdString();
}

QString TranslatedPattern(const char* context, const char* pattern, std::string_view shown) {
    const std::string translated = TranslationOf(context, pattern);
    std::vector<std::string_view> values;
    if (translated.empty() || !MatchPattern(pattern, shown, values)) return FromUtf8(shown);
    return QString::fromStdString(FillPattern(translated, std::vector<std::string>(values.begin(), values.end())));
}

QString TranslatedMessage(std::string_view text) {
    if (current == Language::kJapanese) return FromUtf8(text);
    const std::string translated = TranslateShown(
        text, [](const MessageText& row) { return TranslationOf("Messages", std::string(row.japanese)); },
        [](std::string_view value) { return ShownDocumentName(std::string(value)); });
    // A row without a translation gives an empty line; then the text as it came
    // says more than half of it.
    return translated.empty() ? FromUtf8(text) : QString::fromStdString(translated);
}

std::string ShownDocumentName(const std::string& name) {
    for (const char* id : {"NewGif", "NewMng"}) {
        const MessageText* row = FindMessageById(id);
        if (row && row->japanese == name) return TranslatedUtf8("Messages", name);
    }
    return name;
}

}  // namespace kivo
