// The editor's widgets driven by real events on the offscreen platform: menu
// commands reach the command logic, the progress dialog's cancel reaches the
// pump, the option dialogs apply their rules, and the save question's answers.
#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QPointer>
#include <QScreen>
#include <QLineEdit>
#include <QSpinBox>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <map>

#include "app/command_table.h"
#include "options/write_options.h"
#include "doc/selection.h"
#include "platform/progress.h"
#include "frame_ops/blank_frame.h"
#include "platform/platform.h"
#include "ui/help_window.h"
#include "ui/options_dialog.h"
#include "ui/progress_dialog.h"
#include "ui/qt_platform.h"
#include "ui/qt_translation.h"
#include "view/main_window.h"
#include "view/preview_window.h"

namespace kivo {

class GuiTest : public QObject {
    Q_OBJECT

private:
    QtPlatformBackend backend_;
    QTemporaryDir dir_;

    static void AddFrames(MainWindow& window, int count) {
        for (int i = 0; i < count; ++i) AddBlankFrame(window.GetShell().Doc(), window.GetShell().Selected(), 0, 8, 8);
        window.GetShell().MarkModified();
        window.RefreshPanel();
    }

    // Answers the next message box with the given button, once it is up.
    static void AnswerNextBox(QMessageBox::StandardButton button) {
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [poll, button] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (!box || !box->isVisible() || !box->button(button)) continue;
                poll->stop();
                poll->deleteLater();
                box->button(button)->click();
                return;
            }
        });
        poll->start(10);
    }

    static QAbstractButton* Control(QWidget& dialog, int id) {
        return dialog.findChild<QAbstractButton*>(QStringLiteral("id%1").arg(id));
    }

    // Saves go ahead without the option dialog.
    static WriteOptions Quiet() {
        WriteOptions options;
        options.ShowOptionsOnSave = 0;
        return options;
    }

private slots:
    void initTestCase() {
        qputenv("KIVO_INI", dir_.filePath("kivo.ini").toUtf8());
        InstallPlatformBackend(&backend_);
    }
    void cleanupTestCase() { InstallPlatformBackend(nullptr); }

    void menuCommandsReachTheCommandLogic() {
        MainWindow window(0, Quiet());
        AddFrames(window, 3);
        QVERIFY(window.windowTitle().endsWith(QStringLiteral("*")));
        window.Action(40015)->trigger();  // select all
        QCOMPARE(window.GetShell().Selected().size(), size_t(3));
        window.Action(40021)->trigger();  // MNG mode
        QCOMPARE(window.GetShell().FormatMode(), 1);
        QVERIFY(window.Action(40021)->isChecked());
        QVERIFY(!window.Action(40020)->isChecked());
        window.Action(40008)->trigger();  // delete the selection
        QCOMPARE(window.GetShell().Doc().frameCount, 0);
        QVERIFY(!window.Action(40008)->isEnabled());
        QVERIFY(window.EditMenu()->actions().contains(window.Action(40008)));
    }

    // A row nobody handles leaves a dead menu item; a shortcut Qt reads
    // otherwise than written, or one two commands share, fires neither.
    void everyCommandHasOneHandlerAndKeysOfItsOwn() {
        MainWindow window(0, Quiet());
        std::map<QKeySequence, int> keyOwner;
        for (const CommandInfo& c : Commands()) {
            const QString name = QStringLiteral("cmd%1").arg(int(c.id));
            QAction* action = window.Action(c.id);
            QVERIFY2(action && action->objectName() == name, qPrintable(name));
            QVERIFY2((c.run != nullptr) != window.HasCommandHandler(c.id), qPrintable(name));
            const QString written = QString::fromLatin1(c.shortcut.data(), qsizetype(c.shortcut.size()));
            QCOMPARE(QKeySequence::listToString(action->shortcuts(), QKeySequence::PortableText), written);
            for (const QKeySequence& key : action->shortcuts())
                QVERIFY2(keyOwner.emplace(key, c.id).second, qPrintable(key.toString()));
        }
    }

    void progressCancelReachesThePump() {
        ProgressOpen(nullptr);
        ProgressDialog* dialog = backend_.Dialog();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(dialog->isModal());
        auto* cancel = dialog->findChild<QPushButton*>();
        QTest::mouseClick(cancel, Qt::LeftButton);  // disabled: no effect
        QCOMPARE(ProgressPump(), 0);
        ProgressSetCancel("中止");
        ProgressSetRange(0, 10);
        ProgressSetPos(5);
        QTest::mouseClick(cancel, Qt::LeftButton);
        QCOMPARE(ProgressPump(), 1);
        ProgressClose(nullptr);
        QVERIFY(!backend_.Dialog());
        QCOMPARE(ProgressPump(), 1);
    }

    void mngOptionsDialogAppliesItsRules() {
        WriteOptions o;
        OptionsDialog dialog(nullptr, true, o);
        dialog.show();
        Control(dialog, 1026)->click();  // no colour reduction
        QCOMPARE(o.NoColorReduction, 1);
        QVERIFY(Control(dialog, 1044)->isEnabled());
        Control(dialog, 1045)->click();
        auto* quality = dialog.findChild<QLineEdit*>(QStringLiteral("id1017"));
        QVERIFY(quality->isEnabled());
        quality->selectAll();
        QTest::keyClicks(quality, QStringLiteral("250"));
        QCOMPARE(o.JngQuality, 100);
        Control(dialog, 1003)->click();  // 16 colours
        QCOMPARE(o.MaxColors, 16);
        QCOMPARE(o.NoColorReduction, 0);
        QVERIFY(Control(dialog, 1046)->isChecked());
        QVERIFY(!quality->isEnabled());
        Control(dialog, 2)->click();  // cancel puts it all back
        QCOMPARE(o.MaxColors, 256);
        QCOMPARE(o.JngQuality, 60);
        QCOMPARE(o.JngOver256Only, 0);
    }

    void gifOptionsOkKeepsTheChoiceForBothWriters() {
        WriteOptions o;
        OptionsDialog dialog(nullptr, false, o);
        dialog.show();
        Control(dialog, 1002)->click();  // 8 colours
        Control(dialog, 1)->click();
        QCOMPARE(o.MaxColors, 8);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void gifOptionsSetLossinessAndTargetSizeInKb() {
        WriteOptions o;
        OptionsDialog dialog(nullptr, false, o);
        dialog.show();
        auto* lossiness = dialog.findChild<QSpinBox*>(QStringLiteral("id1050"));
        auto* target = dialog.findChild<QSpinBox*>(QStringLiteral("id1051"));
        QVERIFY(lossiness && target);
        lossiness->setValue(80);
        target->setValue(500);
        QCOMPARE(o.Lossiness, 80);
        QCOMPARE(o.TargetSize, 500 * 1024);
        lossiness->setValue(999);  // held to the range
        QCOMPARE(o.Lossiness, 200);
        Control(dialog, 2)->click();
        QCOMPARE(o.Lossiness, 0);
        QCOMPARE(o.TargetSize, 0);
        OptionsDialog mng(nullptr, true, o);
        QVERIFY(!mng.findChild<QSpinBox*>(QStringLiteral("id1050")));
    }

    void closingAsksAndAFailedSaveKeepsTheDocument() {
        MainWindow window(0, Quiet());
        window.show();
        AddFrames(window, 2);
        AnswerNextBox(QMessageBox::Cancel);
        QVERIFY(!window.close());
        // Yes, but the file cannot be written: the window stays with its work.
        window.GetShell().Doc().path = dir_.filePath("missing/x.gif").toStdString();
        AnswerNextBox(QMessageBox::Yes);
        AnswerNextBox(QMessageBox::Ok);  // the writer's error message
        QVERIFY(!window.close());
        QCOMPARE(window.GetShell().Doc().frameCount, 2);
        QCOMPARE(window.GetShell().Doc().modified, int16_t(1));
        // Yes with a writable file saves, then closes.
        window.GetShell().Doc().path = dir_.filePath("saved.gif").toStdString();
        AnswerNextBox(QMessageBox::Yes);
        QVERIFY(window.close());
        QVERIFY(QFile::exists(dir_.filePath("saved.gif")));
        // No discards.
        MainWindow other(0, Quiet());
        other.show();
        AddFrames(other, 1);
        AnswerNextBox(QMessageBox::No);
        QVERIFY(other.close());
    }

    // Every window opens fully on the main window's screen: a dialog placed
    // past the corner, and the preview grown for a larger animation while it
    // sat near the edge.
    void windowsOpenOnTheScreen() {
        MainWindow window(0, Quiet());
        window.show();
        AddFrames(window, 2);
        const QRect screen = window.screen()->availableGeometry();
        auto inside = [&](QWidget* w) { return screen.contains(w->frameGeometry()); };

        QDialog dialog(&window);
        dialog.resize(300, 200);
        dialog.move(screen.right() - 50, screen.bottom() - 50);
        dialog.show();
        QVERIFY(inside(&dialog));
        QCOMPARE(dialog.size(), QSize(300, 200));  // moved, not shrunk
        dialog.hide();

        window.Action(40002)->trigger();  // View
        QWidget* preview = window.FindPart<PreviewPart>()->Window();
        QVERIFY(preview && preview->isVisible());
        preview->move(screen.right() - preview->width() - 5, screen.bottom() - preview->height() - 5);
        QVERIFY(inside(preview));
        AnimDoc& doc = window.GetShell().Doc();
        doc.screenWidth = doc.screenHeight = 300;
        window.RefreshPanel();
        QVERIFY(preview->height() > 300);
        QVERIFY(inside(preview));
    }

    void escClosesTheHelpWindow() {
        // The manual the help command opens lies beside the program.
        QDir().mkpath(QString::fromStdString(AppDir() + "/help"));
        QFile manual(QString::fromStdString(AppDir() + "/help/kivo.html"));
        if (!manual.exists()) {
            QVERIFY(manual.open(QIODevice::WriteOnly));
            manual.write("<html><body>manual</body></html>");
            manual.close();
        }
        QPointer<QWidget> help = ShowHelp(nullptr);
        QVERIFY(help && help->isVisible());
        QApplication::setActiveWindow(help);
        QTest::keyClick(help, Qt::Key_Escape);
        QTRY_VERIFY(!help || !help->isVisible());
    }

    void qtsOwnButtonsSpeakJapanese() {
        if (!InstallQtTranslation(*QCoreApplication::instance())) QSKIP("qt6-translations-l10n is not installed");
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    }
};

}  // namespace kivo

QTEST_MAIN(kivo::GuiTest)
#include "shell_window_test.moc"
