// The interface in English and in Japanese on real widgets: the menus, the
// panel and the messages speak the language installed, every text the main
// window and the dialogs show has its English, and the English labels fit the
// panel's fixed places.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include "app/command_table.h"
#include "app/language.h"
#include "app/panel_edits.h"
#include "app/session_settings.h"
#include "doc/selection.h"
#include "platform/messages.h"
#include "platform/progress.h"
#include "ui/avi_encoder_dialog.h"
#include "ui/blank_frame_dialog.h"
#include "ui/colour_dropper.h"
#include "ui/file_dialogs.h"
#include "ui/gui_test_support.h"
#include "ui/help_window.h"
#include "ui/options_dialog.h"
#include "ui/other_options_dialog.h"
#include "ui/paint_editing.h"
#include "ui/progress_dialog.h"
#include "ui/qt_platform.h"
#include "ui/qt_translation.h"
#include "ui/save_selected_dialog.h"
#include "ui/text_key_editor.h"
#include "view/frame_list_window.h"
#include "view/main_window.h"
#include "view/panel.h"
#include "view/preview_window.h"

Q_DECLARE_METATYPE(kivo::Language)

namespace kivo {

namespace {

// Kana, kanji, Japanese punctuation and the full- and half-width forms: none
// of them belongs in an English text.
bool HasJapanese(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF)) return true;
    }
    return false;
}

struct ShownText {
    QString where;  // the class and object name of what shows it
    QString text;
};
using ShownTextList = QList<ShownText>;

// Every text a widget and its children show: titles, labels, buttons, group
// titles, tips, list and drop-down items, field contents and the texts of
// their actions (menus). The language choice names Japanese in Japanese,
// whatever the interface speaks.
ShownTextList ShownTexts(QWidget* root) {
    ShownTextList texts;
    auto add = [&texts](const QObject* where, const QString& text) {
        if (!text.isEmpty())
            texts << ShownText{where->metaObject()->className() + QStringLiteral(" ") + where->objectName(), text};
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        if (w->isWindow()) add(w, w->windowTitle());
        add(w, w->toolTip());
        add(w, w->accessibleName());
        if (auto* label = qobject_cast<QLabel*>(w)) add(w, label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(w)) add(w, button->text());
        if (auto* group = qobject_cast<QGroupBox*>(w)) add(w, group->title());
        if (auto* edit = qobject_cast<QLineEdit*>(w)) add(w, edit->text() + edit->placeholderText());
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            for (int i = 0; i < combo->count(); ++i)
                if (!(w->objectName() == QStringLiteral("language") && combo->itemText(i) == QStringLiteral("日本語")))
                    add(w, combo->itemText(i));
        }
        if (auto* list = qobject_cast<QListWidget*>(w))
            for (int i = 0; i < list->count(); ++i) add(w, list->item(i)->text());
        for (QAction* action : w->actions()) {
            add(action, action->text());
            add(action, action->toolTip());
        }
    }
    return texts;
}

QStringList Japanese(const ShownTextList& texts) {
    QStringList found;
    for (const ShownText& t : texts)
        if (HasJapanese(t.text)) found << t.where + QStringLiteral(": ") + t.text;
    return found;
}

// The labels, check boxes, radios and buttons below root whose text is wider
// than the room their place leaves it.
QStringList Clipped(QWidget* root) {
    QStringList clipped;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->objectName().startsWith(QStringLiteral("toolSlot"))) continue;
        int room = 0;
        QString text;
        QStyle* style = w->style();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            room = label->contentsRect().width() - 2 * label->margin() - std::max(label->indent(), 0);
            text = label->text();
        } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
            const bool radio = qobject_cast<QRadioButton*>(w);
            room = w->width() - style->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth, nullptr, w) -
                   style->pixelMetric(radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
            text = static_cast<QAbstractButton*>(w)->text();
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            room = w->width() - 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w);
            text = button->text();
        }
        const int needed = w->fontMetrics().horizontalAdvance(text);
        if (needed > room) clipped << QStringLiteral("\"%1\" needs %2 pixels, has %3").arg(text).arg(needed).arg(room);
    }
    return clipped;
}

QString MenuTitles(MainWindow& window) {
    QStringList titles;
    for (QAction* top : window.menuBar()->actions()) titles << top->text();
    return titles.join(QLatin1Char('|'));
}

}  // namespace

class LanguageTest : public QObject {
    Q_OBJECT

private:
    QtPlatformBackend backend_;
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        qputenv("KIVO_INI", dir_.filePath("kivo.ini").toUtf8());
        InstallPlatformBackend(&backend_);
    }
    void cleanupTestCase() { InstallPlatformBackend(nullptr); }
    void cleanup() { InstallLanguage(Language::kJapanese); }

    void theInstalledLanguageSpeaks_data() {
        QTest::addColumn<Language>("language");
        QTest::addColumn<QString>("menus");
        QTest::addColumn<QString>("undo");
        QTest::addColumn<QString>("screenWidth");
        QTest::addColumn<QString>("loopCheck");
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QString>("listItem");
        QTest::addColumn<QString>("disposal");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("manual");
        // The Japanese is the program's own text, byte for byte.
        QTest::newRow("Japanese") << Language::kJapanese
                                  << "ファイル(&F)|編集(&E)|表示(&V)|オプション(&O)|ヘルプ(&H)"
                                  << "元に戻す(&U): 繰り返しセット" << "全体の幅" << "繰り返しセット" << "2 / 3 コマ"
                                  << "  2コマ  20 x  10  " << "何もしない" << "Kivo - 新規.gif *"
                                  << "/opt/x y/paint\nを起動できませんでした。" << "/help/kivo.html";
        QTest::newRow("English") << Language::kEnglish << "&File|&Edit|&View|&Options|&Help"
                                 << "&Undo: Loop" << "Screen width" << "Loop" << "Frame 2 of 3"
                                 << "  2:   20 x  10  " << "None" << "Kivo - New.gif *"
                                 << "/opt/x y/paint\ncould not be started." << "/help/kivo_en.html";
    }
    void theInstalledLanguageSpeaks() {
        QFETCH(Language, language);
        QVERIFY(InstallLanguage(language) || language == Language::kJapanese);  // Qt's Japanese may be missing
        auto window = ShownWindow(3);
        Panel& panel = *window->FindPart<Panel>();
        SelectFrame(window->GetShell().Doc(), window->GetShell().Selected(), 1);
        window->RefreshPanel();
        static_cast<QAbstractButton*>(panel.Control("105"))->click();  // an edit to take back
        window->UpdateCommands();
        QTEST(MenuTitles(*window), "menus");
        QTEST(window->Action(kCmdUndo)->text(), "undo");
        QTEST(static_cast<QLabel*>(panel.Control("全体の幅"))->text(), "screenWidth");
        QTEST(static_cast<QAbstractButton*>(panel.Control("105"))->text(), "loopCheck");
        QTEST(static_cast<QLabel*>(panel.Control("counter"))->text(), "counter");
        QTEST(static_cast<QListWidget*>(panel.Control("121"))->item(1)->text(), "listItem");
        QTEST(static_cast<QComboBox*>(panel.Control("115"))->itemText(0), "disposal");
        QTEST(window->windowTitle(), "caption");

        // A message with a file name in it, as the engine shows it.
        QString shown;
        WhenShown<QMessageBox>([&shown](QMessageBox* box) {
            shown = box->text();
            box->accept();
        });
        ShowError(OwnerOf(window.get()), "/opt/x y/paint\rを起動できませんでした。");
        QTEST(shown, "message");

        // The manual in the language, the Japanese one, which is always there, after it.
        const std::vector<std::string> manuals = ManualCandidates();
        QFETCH(QString, manual);
        QVERIFY(QString::fromStdString(manuals.front()).endsWith(manual));
        QVERIFY(QString::fromStdString(manuals.back()).endsWith(QStringLiteral("/kivo.html")));
    }

    // The strongest check against a text left out: after the English is
    // installed, nothing the main window, its menus, its tool bar, its panel in
    // either mode and every dialog show may hold a Japanese character.
    void everyShownTextHasItsEnglish() {
        QVERIFY(InstallLanguage(Language::kEnglish));
        auto window = ShownWindow(3);
        ShownTextList texts;
        for (int mode : {0, 1}) {
            window->GetShell().SetFormatMode(mode);
            texts << ShownTexts(window.get());
            for (QAction* top : window->menuBar()->actions())
                if (top->menu()) texts << ShownTexts(top->menu());
        }
        window->GetShell().SetFormatMode(0);
        // The undo and redo items name their step.
        static_cast<QAbstractButton*>(window->FindPart<Panel>()->Control("105"))->click();
        window->GetShell().Undo();
        window->UpdateCommands();
        for (int id : {kCmdUndo, kCmdRedo}) texts << ShownText{QStringLiteral("undo/redo"), window->Action(id)->text()};

        WriteOptions& options = window->GetShell().Options();
        AnimDoc& doc = window->GetShell().Doc();
        for (bool mng : {false, true}) {
            OptionsDialog dialog(window.get(), mng, options);
            texts << ShownTexts(&dialog);
        }
        OtherOptionsDialog other(window.get(), options);
        texts << ShownTexts(&other);
        SaveSelectedDialog saveSelected(window.get(), doc, window->GetShell().Selected(), 0, options);
        texts << ShownTexts(&saveSelected);
        BlankFrameDialog blank(window.get(), 20, 10);
        texts << ShownTexts(&blank);
        TextKeyList keys;
        AddKey(keys, "Title", "");
        for (int frame : {0, 2}) {
            TextKeyEditor keyEditor(window.get(), keys, frame);
            texts << ShownTexts(&keyEditor);
        }
        PaintWaitDialog paintWait(window.get());
        texts << ShownTexts(&paintWait);
        FrameListWindow frameList(window.get(), doc, {});
        texts << ShownTexts(&frameList);
        ColourDropper dropper(window.get(), *doc.firstFrame);
        texts << ShownTexts(&dropper);
        texts << ShownTexts(MakeAboutBox(window.get()).get());
        for (FileChooser chooser : {FileChooser::kOpenAnimation, FileChooser::kOpenFrames, FileChooser::kSaveAnimation,
                                    FileChooser::kSaveAvi}) {
            std::unique_ptr<QFileDialog> dialog = MakeFileDialog(window.get(), chooser);
            texts << ShownText{QStringLiteral("file dialog"), dialog->windowTitle()};
            for (const QString& filter : dialog->nameFilters()) texts << ShownText{QStringLiteral("file filter"), filter};
            dialog->setDirectory(dir_.path());  // nothing in it to list
            texts << ShownTexts(dialog.get());
        }
        WhenShown<QDialog>([&texts](QDialog* encoders) { texts << ShownTexts(encoders); });
        ChooseAviEncoder(window.get());

        // The preview in both modes.
        window->RunCommand(kCmdView);
        PreviewWindow* preview = window->FindPart<PreviewPart>()->Window();
        QVERIFY(preview);
        for (int mode : {1, 0}) {
            window->GetShell().SetFormatMode(mode);
            texts << ShownTexts(preview);
        }
        window->RunCommand(kCmdView);

        // The progress dialog with the engine's title, line and button.
        ProgressOpen(window.get());
        ProgressSetTitle("Kivo 保存中...");
        ProgressSetText("GIF 書き込み中...\r   5 /   10 コマ");
        ProgressSetCancel("中止");
        QVERIFY(backend_.Dialog());
        texts << ShownTexts(backend_.Dialog());
        ProgressClose(window.get());

        const QStringList untranslated = Japanese(texts);
        QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QLatin1Char('\n'))));
        QVERIFY(texts.size() > 200);
    }

    // The choice in the other options is stored for the next start (written to
    // kivo.ini at exit and read back) and shown when the dialog opens again.
    void theLanguageChoiceIsStored() {
        auto window = ShownWindow(0);
        const LanguageSetting chosen[] = {LanguageSetting::kEnglish, LanguageSetting::kJapanese, LanguageSetting::kAuto};
        for (int index : {2, 1, 0}) {
            OtherOptionsDialog dialog(window.get(), window->GetShell().Options());
            emit dialog.findChild<QComboBox*>(QStringLiteral("language"))->activated(index);
            QVERIFY(SaveSessionSettings(nullptr, window->GetShell().Options(), 0));
            LoadSessionSettings(window->GetShell().Options());
            QCOMPARE(StoredLanguageSetting(), chosen[2 - index]);
            OtherOptionsDialog reopened(window.get(), window->GetShell().Options());
            QCOMPARE(reopened.findChild<QComboBox*>(QStringLiteral("language"))->currentIndex(), index);
        }
        // KIVO_LANG has the last word, as scripts and these tests need.
        SetStoredLanguageSetting(LanguageSetting::kEnglish);
        const bool wasSet = qEnvironmentVariableIsSet("KIVO_LANG");
        const QByteArray environment = qgetenv("KIVO_LANG");
        for (const char* forced : {"ja", "en"}) {
            qputenv("KIVO_LANG", forced);
            QCOMPARE(StartupLanguage(), *forced == 'j' ? Language::kJapanese : Language::kEnglish);
        }
        if (wasSet) qputenv("KIVO_LANG", environment);
        else qunsetenv("KIVO_LANG");
    }

    // The message table's English is the command line's; the editor's comes
    // from the translation, and the two must say the same.
    void everyMessageHasTheTablesEnglish() {
        QVERIFY(InstallLanguage(Language::kEnglish));
        for (const MessageText& row : MessageTable())
            QCOMPARE(Translated("Messages", row.japanese), QString::fromUtf8(row.english.data(), row.english.size()));
        QCOMPARE(ShownMessage("GIF 書き込み中...\r   5 /   10 コマ"), QStringLiteral("Writing GIF...\n   5 /   10 frames"));
        QCOMPARE(ShownMessage("Trailer Error!"), QStringLiteral("Trailer Error!"));  // the engine's own English
        // Lines put together from rows, a new document's name among the values.
        QCOMPARE(ShownMessage("新規.gif は、変更されています。\r上書き保管をしますか?"),
                 QStringLiteral("New.gif has been changed.\nDo you want to save it?"));
    }

    // The panel and the preview place their controls at fixed widths made for
    // the Japanese labels: the English ones must fit them too.
    void englishLabelsFitTheirPlaces() {
        QVERIFY(InstallLanguage(Language::kEnglish));
        auto window = ShownWindow(1);
        window->RunCommand(kCmdView);
        PreviewWindow* preview = window->FindPart<PreviewPart>()->Window();
        QVERIFY(preview);
        QStringList clipped;
        for (int mode : {0, 1}) {
            window->GetShell().SetFormatMode(mode);
            clipped << Clipped(window->PanelWidget()) << Clipped(preview);
        }
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    }
};

}  // namespace kivo

QTEST_MAIN(kivo::LanguageTest)
#include "language_test.moc"
