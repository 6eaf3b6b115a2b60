// kivo: the editor. Opens the files named on the command line; the settings
// file is read at start and written at exit.
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <cstdio>
#include <cstring>

#include "app/session_settings.h"
#include "platform/platform.h"
#include "ui/qt_platform.h"
#include "ui/qt_translation.h"
#include "view/main_window.h"
#include "view/screenshots.h"

namespace {

// The system UI font, or a CJK one when the system font shows no Japanese.
void ChooseGuiFont() {
    QFont font = QApplication::font();
    if (!QFontDatabase::families(QFontDatabase::Japanese).contains(font.family())) {
        for (const QString& family : {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP")}) {
            if (QFontDatabase::hasFamily(family)) {
                font.setFamily(family);
                QApplication::setFont(font);
                break;
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kivo"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kivo.svg")));
    ChooseGuiFont();

    kivo::QtPlatformBackend backend;
    kivo::InstallPlatformBackend(&backend);
    kivo::WriteOptions options;
    const int formatMode = kivo::LoadSessionSettings(options);
    // Before the first window: every text is translated as it is made.
    kivo::InstallLanguage(kivo::StartupLanguage());

    std::vector<std::string> files;
    QString screenshotDir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshots") == 0 && i + 1 < argc) {
            screenshotDir = QString::fromLocal8Bit(argv[++i]);
        } else {
            files.emplace_back(argv[i]);
        }
    }

    int status = 0;
    {
        kivo::MainWindow window(formatMode, options);
        window.show();
        window.GetShell().OpenStartupFiles(files);
        if (!screenshotDir.isEmpty()) {
            status = kivo::TakeScreenshots(window, screenshotDir) ? 0 : 1;
        } else {
            status = QApplication::exec();
        }
        // The mode the user ended in is the next run's.
        kivo::SaveSessionSettings(&window, window.GetShell().Options(), window.GetShell().FormatMode());
    }
    kivo::InstallPlatformBackend(nullptr);
    return status;
}
