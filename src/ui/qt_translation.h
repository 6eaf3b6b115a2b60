// The interface's language. Japanese is the source text of every label and
// message; English is Qt's translation of it (translations/kivo_en.ts, built
// into the program), and Qt's own texts (file dialogs, standard buttons, the
// context menus of fields) follow the same language.
//
// Texts of the Qt-free layers reach the widgets as the Japanese they were
// written in and are translated here, by the context they were marked with
// (platform/translatable.h). A text with values in it (a frame number, a file
// name) was composed from a marked printf pattern: it is recognised by that
// pattern, the pattern is translated as a whole and the values are put into
// the translation. Engine messages go the same way through the message table
// (platform/messages.h). Where no translation applies (Japanese, or a text the
// table does not know) the text is shown exactly as it came.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "app/language.h"

class QCoreApplication;

namespace kivo {

// The language to start in: KIVO_LANG, else the choice stored in the settings
// (read before this is asked), else the system's locale.
Language StartupLanguage();

// Installs the translations of language in place of those installed before;
// windows made afterwards speak it. False when one could not be loaded (Qt's
// Japanese comes from qt6-translations-l10n): that part stays untranslated.
bool InstallLanguage(Language language);
Language InterfaceLanguage();

// Installs Qt's Japanese translation with the rest of the interface Japanese.
// False when the translation is not installed: Qt's texts then stay English.
bool InstallQtTranslation(QCoreApplication& app);

// A marked text of the Qt-free layers, in the interface's language.
QString Translated(const char* context, std::string_view text);
std::string TranslatedUtf8(const char* context, std::string_view text);

// A text composed from the marked printf pattern (context, pattern), in the
// interface's language with its values carried over; unchanged when it does
// not match the pattern or the pattern has no translation.
QString TranslatedPattern(const char* context, const char* pattern, std::string_view shown);

// An engine message in the interface's language ("\r" still breaking lines).
QString TranslatedMessage(std::string_view text);

// A document's name as shown: a new document's ("新規.gif") in the interface's
// language, any other as it is.
std::string ShownDocumentName(const std::string& name);

}  // namespace kivo
