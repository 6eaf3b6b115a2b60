// Qt's own texts (file dialogs, standard buttons, context menus of fields) in
// the language of the rest of the interface.
#pragma once

class QCoreApplication;

namespace kivo {

// Installs Qt's Japanese translation (Debian's qt6-translations-l10n) while the
// interface is Japanese. False when the translation is not installed: Qt's
// texts then stay English and nothing else changes.
bool InstallQtTranslation(QCoreApplication& app);

}  // namespace kivo
