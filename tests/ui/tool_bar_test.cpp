// The tool bar on a real window: a click runs the slot's command, buttons are
// offered exactly when their menu items are, gaps do nothing, and the pointer's
// moves bring up and take down the tips.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "app/tool_bar_table.h"
#include "doc/selection.h"
#include "frame_ops/blank_frame.h"
#include "ui/qt_platform.h"
#include "view/main_window.h"
#include "view/tool_bar.h"

namespace kivo {

class ToolBarTest : public QObject {
    Q_OBJECT

private:
    QtPlatformBackend backend_;
    QTemporaryDir dir_;

    static void AddFrames(MainWindow& window, int count) {
        for (int i = 0; i < count; ++i) AddBlankFrame(window.GetShell().Doc(), window.GetShell().Selected(), 0, 8, 8);
        window.GetShell().MarkModified();
        window.RefreshPanel();
    }
    static ToolBar& Bar(MainWindow& window) { return *window.FindPart<ToolBar>(); }
    static int CommandOf(int slot) { return CommandForSlot(slot); }
    static void Ticks(ToolBar& bar, int n) {
        for (int i = 0; i < n; ++i) bar.Tick();
    }

private slots:
    void initTestCase() {
        qputenv("KIVO_INI", dir_.filePath("kivo.ini").toUtf8());
        InstallPlatformBackend(&backend_);
    }
    void cleanupTestCase() { InstallPlatformBackend(nullptr); }

    void everyButtonHasItsIcon() {
        MainWindow window;
        for (int slot = 0; slot < kToolBarSlotCount; ++slot) {
            if (IsGapSlot(slot)) continue;
            QString path = QStringLiteral(":/toolbar/%1.svg").arg(QString::fromUtf8(ToolBarSlots()[size_t(slot)].icon.data()));
            QVERIFY2(QFile::exists(path), qPrintable(path));
            QCOMPARE(Bar(window).Button(slot)->geometry().width(), 28);
        }
    }

    void buttonsFollowTheirMenuItems_data() {
        QTest::addColumn<int>("frames");
        QTest::newRow("no frames") << 0;
        QTest::newRow("one frame") << 1;
        QTest::newRow("two frames") << 2;
    }
    void buttonsFollowTheirMenuItems() {
        QFETCH(int, frames);
        MainWindow window;
        AddFrames(window, frames);
        for (int slot = 0; slot < kToolBarSlotCount; ++slot) {
            if (IsGapSlot(slot)) continue;
            QCOMPARE(Bar(window).Button(slot)->isEnabled(), window.Action(CommandOf(slot))->isEnabled());
        }
        // Size optimisation needs two frames, deleting one, undo an edit.
        QCOMPARE(Bar(window).Button(16)->isEnabled(), frames >= 2);
        QCOMPARE(Bar(window).Button(11)->isEnabled(), frames >= 1);
        QVERIFY(!Bar(window).Button(13)->isEnabled());
    }

    void aClickRunsTheCommand() {
        MainWindow window;
        window.show();
        AddFrames(window, 3);
        window.Action(40015)->trigger();  // select all
        QTest::mouseClick(Bar(window).Button(11), Qt::LeftButton);  // delete the selection
        QCOMPARE(window.GetShell().Doc().frameCount, 0);
        QVERIFY(!Bar(window).Button(11)->isEnabled());
        QTest::mouseClick(Bar(window).Button(11), Qt::LeftButton);  // disabled: nothing
        QCOMPARE(window.GetShell().Doc().frameCount, 0);
        QTest::mouseClick(Bar(window).Button(13), Qt::LeftButton);  // undo
        QCOMPARE(window.GetShell().Doc().frameCount, 3);
        QVERIFY(Bar(window).Button(14)->isEnabled());
    }

    void aGapIsInertAndBlank() {
        MainWindow window;
        window.show();
        AddFrames(window, 2);
        window.Action(40015)->trigger();
        for (int gap : {6, 12, 15, 17, 19}) {
            ToolButton* button = Bar(window).Button(gap);
            QVERIFY(button->IsGap());
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(window.GetShell().Doc().frameCount, 2);
            QImage picture = window.PanelWidget()->grab(button->geometry()).toImage();
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x) QCOMPARE(picture.pixel(x, y), picture.pixel(0, 0));
        }
    }

    // Face and bevel take the theme's colours; pressing swaps the bevel.
    void buttonsDrawInTheThemesColours_data() {
        QTest::addColumn<bool>("pressed");
        QTest::newRow("raised") << false;
        QTest::newRow("pressed") << true;
    }
    void buttonsDrawInTheThemesColours() {
        QFETCH(bool, pressed);
        MainWindow window;
        QPalette theme = window.PanelWidget()->palette();
        theme.setColor(QPalette::Light, QColor(255, 0, 0));
        theme.setColor(QPalette::Dark, QColor(0, 0, 255));
        theme.setColor(QPalette::Button, QColor(0, 255, 0));
        window.PanelWidget()->setPalette(theme);
        ToolButton* cut = Bar(window).Button(8);
        cut->setDown(pressed);
        QImage picture = cut->grab().toImage();
        QRgb topLeft = pressed ? qRgb(0, 0, 255) : qRgb(255, 0, 0);
        QRgb bottomRight = pressed ? qRgb(255, 0, 0) : qRgb(0, 0, 255);
        QCOMPARE(picture.pixel(1, 5), topLeft);
        QCOMPARE(picture.pixel(5, 1), topLeft);
        QCOMPARE(picture.pixel(26, 5), bottomRight);
        QCOMPARE(picture.pixel(5, 26), bottomRight);
        QCOMPARE(picture.pixel(0, 5), qRgb(64, 64, 64));
        QCOMPARE(picture.pixel(3, 3), qRgb(0, 255, 0));  // behind the icon's empty corner
    }

    void pointerMovesBringUpTheTips() {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ToolBar& bar = Bar(window);
        QTest::mouseMove(bar.Button(0), QPoint(14, 14));
        QVERIFY(!bar.Tip());
        Ticks(bar, 10);
        QVERIFY(bar.Tip() && bar.Tip()->isVisible());
        QCOMPARE(bar.Tip()->text(), QStringLiteral(" 新規作成 "));
        QCOMPARE(bar.Tip()->x(), bar.Button(0)->x());
        QVERIFY(bar.Tip()->y() > bar.Button(0)->geometry().bottom());

        QTest::mouseMove(bar.Button(1), QPoint(14, 14));  // moving on: one tick
        QVERIFY(!bar.Tip());
        Ticks(bar, 1);
        QVERIFY(bar.Tip());
        QCOMPARE(bar.Tip()->text(), QStringLiteral(" 開く "));

        QTest::mouseMove(bar.Button(6), QPoint(4, 14));  // a gap takes it down
        QVERIFY(!bar.Tip());

        QTest::mouseMove(bar.Button(20), QPoint(14, 14));
        Ticks(bar, 1);
        QCOMPARE(bar.Tip()->text(), QStringLiteral(" VIEW "));
        // The tip stays inside the panel even for the rightmost button.
        QVERIFY(bar.Tip()->geometry().right() < window.PanelWidget()->width());

        QTest::mouseMove(window.PanelWidget(), QPoint(600, 300));  // off the bar
        QCoreApplication::processEvents();
        QVERIFY(!bar.Tip());
        QVERIFY(!window.PanelWidget()->findChild<QLabel*>(QStringLiteral("toolTip"))->isVisible());
    }
};

}  // namespace kivo

QTEST_MAIN(kivo::ToolBarTest)
#include "tool_bar_test.moc"
