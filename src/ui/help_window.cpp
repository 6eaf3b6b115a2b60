#include "ui/help_window.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/platform.h"
#include "ui/layout_units.h"
#include "ui/qt_platform.h"
#include "ui/qt_translation.h"

namespace kivo {

std::vector<std::string> ManualCandidates() {
    const std::string dir = AppDir();
    std::vector<std::string> candidates;
    // The manual in the interface's language first; the Japanese one, which
    // every installation has, after it.
    for (Language language : {InterfaceLanguage(), Language::kJapanese}) {
        const std::string name(ManualFileName(language));
        for (const std::string& folder : {dir + "/help/", dir + "/../share/kivo/help/"}) {
            if (std::find(candidates.begin(), candidates.end(), folder + name) == candidates.end())
                candidates.push_back(folder + name);
        }
    }
    return candidates;
}

QWidget* ShowHelp(QWidget* owner) {
    static QPointer<QTextBrowser> window;
    if (window) {
        window->show();
        window->raise();
        window->activateWindow();
        return window;
    }
    for (const std::string& candidate : ManualCandidates()) {
        QFileInfo file(FromNativePath(candidate));
        if (!file.isFile()) continue;
        // A top-level window of its own: the manual stays open beside the editor.
        window = new QTextBrowser;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(QCoreApplication::translate("HelpWindow", "Kivo のヘルプ"));
        window->setOpenExternalLinks(true);
        window->setSource(QUrl::fromLocalFile(file.canonicalFilePath()));
        QFontMetrics fm = window->fontMetrics();
        window->resize(CharWidthOf(fm) * 100, fm.height() * 40);
        // Esc closes it, as it closes every other window of the editor.
        auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), window);
        QObject::connect(close, &QShortcut::activated, window, &QWidget::close);
        window->show();
        return window;
    }
    ShowError(OwnerOf(owner), "ヘルプファイルが見つかりません。");
    return nullptr;
}

std::unique_ptr<QDialog> MakeAboutBox(QWidget* owner) {
    auto dialog = std::make_unique<QDialog>(owner);
    QDialog& box = *dialog;
    box.setWindowTitle(QCoreApplication::translate("HelpWindow", "Kivo について"));
    auto* text = new QLabel(QCoreApplication::translate("HelpWindow",
                                                        "Kivo %1\n\n"
                                                        "GIF と MNG のアニメーションを作り、編集するためのエディタです。\n"
                                                        "An editor for GIF and MNG frame animations.")
                                .arg(QStringLiteral(KIVO_VERSION)),
                            &box);
    text->setAlignment(Qt::AlignCenter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(text);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return dialog;
}

void ShowAbout(QWidget* owner) { MakeAboutBox(owner)->exec(); }

}  // namespace kivo
