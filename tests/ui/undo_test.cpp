// Undo and redo on a real window: the keys reach the document's history even
// while a panel field has the focus, and the panel, the menu and the caption
// follow.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/command_table.h"
#include "options/write_options.h"
#include "frame_ops/blank_frame.h"
#include "ui/gui_test_support.h"
#include "ui/qt_platform.h"
#include "view/main_window.h"
#include "view/panel.h"

namespace kivo {

class UndoTest : public QObject {
    Q_OBJECT

private:
    QtPlatformBackend backend_;
    QTemporaryDir dir_;

    static QLineEdit* Field(MainWindow& w, const char* id) {
        return static_cast<QLineEdit*>(w.FindPart<Panel>()->Control(id));
    }
    static QListWidget* List(MainWindow& w) { return static_cast<QListWidget*>(w.FindPart<Panel>()->Control("121")); }

private slots:
    void initTestCase() {
        qputenv("KIVO_INI", dir_.filePath("kivo.ini").toUtf8());
        InstallPlatformBackend(&backend_);
    }
    void cleanupTestCase() { InstallPlatformBackend(nullptr); }

    void keysInATypedFieldUndoTheDocument_data() {
        QTest::addColumn<QKeySequence>("redo");
        QTest::newRow("Ctrl+Shift+Z") << QKeySequence(QStringLiteral("Ctrl+Shift+Z"));
        QTest::newRow("Ctrl+Y") << QKeySequence(QStringLiteral("Ctrl+Y"));
    }
    void keysInATypedFieldUndoTheDocument() {
        QFETCH(QKeySequence, redo);
        auto w = ShownWindow(2);
        QLineEdit* delay = Field(*w, "117");
        const int before = w->GetShell().Doc().currentFrame->delay;
        QAction* undo = w->Action(kCmdUndo);
        QVERIFY(!undo->isEnabled());

        delay->setFocus();
        delay->selectAll();
        QTest::keyClicks(delay, QStringLiteral("345"));
        QCOMPARE(w->GetShell().Doc().currentFrame->delay, 345);
        QVERIFY(undo->isEnabled());
        QCOMPARE(undo->text(), QStringLiteral("元に戻す(&U): ウェイト"));
        QVERIFY(w->windowTitle().endsWith(QLatin1Char('*')));

        QTest::keySequence(delay, QKeySequence(QStringLiteral("Ctrl+Z")));  // the three keys are one step
        QCOMPARE(w->GetShell().Doc().currentFrame->delay, before);
        QCOMPARE(delay->text(), QString::number(before));
        QVERIFY(!undo->isEnabled());
        QVERIFY(!w->windowTitle().endsWith(QLatin1Char('*')));

        QTest::keySequence(delay, redo);
        QCOMPARE(w->GetShell().Doc().currentFrame->delay, 345);
        QCOMPARE(delay->text(), QStringLiteral("345"));
        QVERIFY(w->windowTitle().endsWith(QLatin1Char('*')));
    }

    void undoBringsBackADeletedFrame() {
        auto w = ShownWindow(3);
        w->GetShell().Doc().currentFrame->delay = 77;  // the last frame, current
        w->RefreshPanel();
        QTest::keySequence(w.get(), QKeySequence(QKeySequence::Delete));
        QCOMPARE(w->GetShell().Doc().frameCount, 2);
        QCOMPARE(List(*w)->count(), 2);
        QCOMPARE(w->Action(kCmdUndo)->text(), QStringLiteral("元に戻す(&U): 選択コマの削除"));

        QTest::keySequence(w.get(), QKeySequence(QStringLiteral("Ctrl+Z")));
        QCOMPARE(w->GetShell().Doc().frameCount, 3);
        QCOMPARE(List(*w)->count(), 3);
        QCOMPARE(w->GetShell().Doc().currentIndex, 2);
        QCOMPARE(Field(*w, "117")->text(), QStringLiteral("77"));
        QCOMPARE(w->Action(kCmdRedo)->text(), QStringLiteral("やり直し(&R): 選択コマの削除"));
    }

    // Undo and redo bring back the frame a step was about, whatever frame was
    // clicked in between: after a redone move, the moved frame is current.
    void redoShowsTheMovedFrame() {
        auto w = ShownWindow(4);
        AnimDoc& doc = w->GetShell().Doc();
        doc.firstFrame->next->next->delay = 33;  // frame 3 of 4
        w->RefreshPanel();
        List(*w)->setCurrentRow(2);
        static_cast<QAbstractButton*>(w->FindPart<Panel>()->Control("122"))->click();
        QCOMPARE(doc.currentIndex, 1);
        QTest::keySequence(w.get(), QKeySequence(QStringLiteral("Ctrl+Z")));
        QCOMPARE(doc.currentIndex, 2);
        QCOMPARE(doc.currentFrame->delay, 33);
        List(*w)->setCurrentRow(0);
        QTest::keySequence(w.get(), QKeySequence(QStringLiteral("Ctrl+Y")));
        QCOMPARE(doc.currentIndex, 1);
        QCOMPARE(doc.currentFrame->delay, 33);
        QCOMPARE(List(*w)->currentRow(), 1);
        QCOMPARE(Field(*w, "117")->text(), QStringLiteral("33"));
    }
};

}  // namespace kivo

QTEST_MAIN(kivo::UndoTest)
#include "undo_test.moc"
