// The preview, the colour dropper and the text key editor driven by real
// events on the offscreen platform: the View command, playback and its stops,
// the scroll bar, the mode buttons and the background colour; the dropper's
// zoom and pick; the key editor's rules.
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QLabel>
#include <QPointer>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/session_settings.h"
#include "doc/dib.h"
#include "ui/colour_dropper.h"
#include "ui/layout_units.h"
#include "ui/gui_test_support.h"
#include "ui/qt_platform.h"
#include "ui/text_key_editor.h"
#include "view/main_window.h"
#include "view/preview_window.h"

namespace kivo {

namespace {

// A 3 × 2 picture whose every pixel has a colour of its own.
Rgb PixelColour(int x, int y) { return {uint8_t(50 * x + 10), uint8_t(100 * y + 20), 200}; }

Dib Picture(int width, int height) {
    Dib dib = MakeDib24(uint32_t(width), uint32_t(height));
    const size_t stride = DibRowBytes(uint32_t(width), 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = DibPixels(dib) + size_t(height - 1 - y) * stride + 3 * size_t(x);
            const Rgb c = PixelColour(x, y);
            p[0] = c.b, p[1] = c.g, p[2] = c.r;
        }
    return dib;
}

// Frames of 3 × 2 pixels side by side on a 3n × 2 screen.
void AddFrames(MainWindow& window, int count, int delay = 1) {
    AnimDoc& doc = window.GetShell().Doc();
    doc.screenWidth = 3 * count;
    doc.screenHeight = 2;
    for (int i = 0; i < count; ++i) {
        AppendFrame(doc);
        Frame& f = *doc.currentFrame;
        f.left = 3 * i;
        f.width = 3;
        f.height = 2;
        f.delay = delay;
        f.dib = Picture(3, 2);
    }
    doc.currentFrame = doc.firstFrame.get();
    doc.currentIndex = 0;
    window.RefreshPanel();
}

PreviewWindow* Preview(MainWindow& window) { return window.FindPart<PreviewPart>()->Window(); }

template <typename T = QAbstractButton>
T* Control(QWidget* parent, int id) {
    return parent->findChild<T*>(QStringLiteral("id%1").arg(id));
}

QLabel* Counter(PreviewWindow* p) { return p->findChild<QLabel*>(QStringLiteral("counter")); }


}  // namespace

class PreviewTest : public QObject {
    Q_OBJECT

private:
    QtPlatformBackend backend_;
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        qputenv("KIVO_INI", dir_.filePath("kivo.ini").toUtf8());
        InstallPlatformBackend(&backend_);
        WriteOptions options;
        LoadSessionSettings(options);
    }
    void cleanupTestCase() { InstallPlatformBackend(nullptr); }

    void viewCommandOpensPlaysAndCloses() {
        MainWindow window;
        window.show();
        AddFrames(window, 3, 30);
        QVERIFY(window.Action(40002)->isEnabled());
        QVERIFY(!Preview(window));
        window.Action(40002)->trigger();
        QPointer<PreviewWindow> preview = Preview(window);
        QVERIFY(preview && preview->isVisible());
        QCOMPARE(preview->windowTitle(), QStringLiteral("View"));
        QVERIFY(preview->Player().Playing());
        QVERIFY(Control(preview, 1002)->isEnabled());
        QVERIFY(!Control(preview, 1001)->isEnabled());
        QTRY_COMPARE(Counter(preview)->text(), QStringLiteral(" 2 コマ "));
        QVERIFY(preview->height() >= 100);
        window.Action(40002)->trigger();
        QTRY_VERIFY(!preview);
    }

    void aSingleFrameStaysStopped() {
        MainWindow window;
        AddFrames(window, 1);
        window.Action(40002)->trigger();
        PreviewWindow* preview = Preview(window);
        QVERIFY(!preview->Player().Playing());
        Control(preview, 1001)->click();
        QVERIFY(!preview->Player().Playing());
        QVERIFY(!Control(preview, 1002)->isEnabled());
        QCOMPARE(Counter(preview)->text(), QStringLiteral(" 1 コマ "));
    }

    void commandsStopAndResumePlayback() {
        MainWindow window;
        AddFrames(window, 2, 100);
        window.Action(40002)->trigger();
        PreviewWindow* preview = Preview(window);
        QVERIFY(window.StopPreview());
        QVERIFY(!preview->Player().Playing());
        QVERIFY(!window.StopPreview());
        window.ResumePreview();
        QVERIFY(preview->Player().Playing());
        // A document change starts again from the first frame and plays.
        Control(preview, 1002)->click();
        AddFrames(window, 1);
        QCOMPARE(preview->Player().Index(), 0);
        QVERIFY(preview->Player().Playing());
    }

    void theScrollBarStopsAndShowsThatFrame() {
        MainWindow window;
        AddFrames(window, 3, 100);
        window.Action(40002)->trigger();
        PreviewWindow* preview = Preview(window);
        auto* scroll = preview->findChild<QScrollBar*>(QStringLiteral("frameScroll"));
        QCOMPARE(scroll->maximum(), 2);
        scroll->triggerAction(QAbstractSlider::SliderToMaximum);
        QVERIFY(!preview->Player().Playing());
        QCOMPARE(preview->Player().Index(), 2);
        QCOMPARE(Counter(preview)->text(), QStringLiteral(" 3 コマ "));
        QVERIFY(Control(preview, 1001)->isEnabled());
        scroll->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(preview->Player().Index(), 1);
    }

    void theDrawingAreaShowsTheScreenOnTheBackground() {
        MainWindow window;
        AddFrames(window, 2, 100);
        window.Action(40002)->trigger();
        PreviewWindow* preview = Preview(window);
        Control(preview, 1002)->click();
        auto* area = preview->findChild<QWidget*>(QStringLiteral("drawingArea"));
        const QImage shown = area->grab().toImage();
        const PreviewGeometry g = PreviewGeometryFor(&window.GetShell().Doc(), CharWidthOf(preview->fontMetrics()));
        QCOMPARE(shown.size(), QSize(g.viewWidth, g.viewHeight));
        const Rgb bg = preview->Background();
        QCOMPARE(shown.pixelColor(0, 0), QColor(bg.r, bg.g, bg.b));
        const Rgb c = PixelColour(2, 1);
        QCOMPARE(shown.pixelColor(g.offsetX + 2, g.offsetY + 1), QColor(c.r, c.g, c.b));
        // The second frame's place is still empty.
        QCOMPARE(shown.pixelColor(g.offsetX + 4, g.offsetY + 1), QColor(bg.r, bg.g, bg.b));
    }

    void modeButtonsFollowTheFormatAndAreKept() {
        MainWindow window;
        AddFrames(window, 2);
        window.Action(40002)->trigger();
        PreviewWindow* preview = Preview(window);
        QCOMPARE(Control(preview, 1004)->text(), QStringLiteral("IExplore"));
        QCOMPARE(Control(preview, 1005)->text(), QStringLiteral("NetScape"));
        window.GetShell().SetFormatMode(1);
        QCOMPARE(Control(preview, 1004)->text(), QStringLiteral("先頭ｸﾘｱせず"));
        QCOMPARE(Control(preview, 1005)->text(), QStringLiteral("先頭ｸﾘｱする"));
        Control(preview, 1005)->click();
        QCOMPARE(SettingNumbers(SessionSettings(), "ViewMode"), std::vector<int>{1});
        QCOMPARE(preview->Player().Index(), 0);
        QVERIFY(preview->Player().Playing());
        // The next opening starts in that mode.
        window.Action(40002)->trigger();
        window.Action(40002)->trigger();
        QTRY_VERIFY(Preview(window) && Control<QRadioButton>(Preview(window), 1005)->isChecked());
        Control(Preview(window), 1004)->click();
    }

    void theLossyResultShowsTheFileASaveWrites() {
        MainWindow window;
        AddFrames(window, 2, 100);
        window.GetShell().Options().Lossiness = 200;
        window.Action(40002)->trigger();
        PreviewWindow* preview = Preview(window);
        auto* written = Control<QCheckBox>(preview, 1006);
        QVERIFY(written && written->isVisible());
        written->click();
        const AnimDoc* shown = preview->Player().Document();
        QVERIFY(shown && shown != &window.GetShell().Doc());
        QCOMPARE(shown->frameCount, 2);
        QCOMPARE(shown->screenWidth, 6);
        written->click();
        QCOMPARE(preview->Player().Document(), &window.GetShell().Doc());
        // An edit makes a written file stale: the preview goes back to the document.
        written->click();
        AddFrames(window, 1);
        QVERIFY(!written->isChecked());
        QCOMPARE(preview->Player().Document(), &window.GetShell().Doc());
        window.GetShell().SetFormatMode(1);
        QVERIFY(!written->isVisible());
        window.GetShell().SetFormatMode(0);
    }

    void theBackgroundColourIsChosenAndKept() {
        MainWindow window;
        AddFrames(window, 2);
        window.Action(40002)->trigger();
        PreviewWindow* preview = Preview(window);
        WhenShown<QColorDialog>([](QColorDialog* d) {
            d->setCustomColor(3, QColor(1, 2, 3));
            d->setCurrentColor(QColor(10, 20, 30));
            d->accept();
        });
        Control(preview, 1003)->click();
        QCOMPARE(preview->Background(), (Rgb{10, 20, 30}));
        QCOMPARE(SettingNumbers(SessionSettings(), "BgCol"), (std::vector<int>{10, 20, 30}));
        QCOMPARE(SettingNumbers(SessionSettings(), "CustCol1")[3], 0x030201);
        QVERIFY(preview->Player().Playing());
        // Cancel keeps the colour.
        WhenShown<QColorDialog>([](QColorDialog* d) {
            d->setCurrentColor(QColor(200, 0, 0));
            d->reject();
        });
        Control(preview, 1003)->click();
        QCOMPARE(preview->Background(), (Rgb{10, 20, 30}));
    }

    // --- the colour dropper ---

    void zoomKeepsTheMiddle_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("visible");
        QTest::addColumn<int>("image");
        QTest::addColumn<int>("expected");
        QTest::newRow("whole picture seen, x1 to x4") << 0 << 1 << 4 << 300 << 200 << 300;
        QTest::newRow("part seen, x2 to x4") << 100 << 2 << 4 << 300 << 400 << 350;
        QTest::newRow("x1 to x2") << 10 << 1 << 2 << 50 << 100 << 45;
        QTest::newRow("zooming out never goes below 0") << 100 << 4 << 1 << 300 << 200 << 0;
        QTest::newRow("x16 to x8, halves truncated") << 1001 << 16 << 8 << 333 << 100 << 417;
    }
    void zoomKeepsTheMiddle() {
        QFETCH(int, position);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, visible);
        QFETCH(int, image);
        QFETCH(int, expected);
        QCOMPARE(ZoomedScrollPosition(position, from, to, visible, image), expected);
    }

    void thePixelUnderTheMouseIsShownAndPicked() {
        Frame frame;
        frame.width = 3;
        frame.height = 2;
        frame.dib = Picture(3, 2);
        ColourDropper dropper(nullptr, frame);
        dropper.show();
        Control(&dropper, 1002)->click();  // x 4
        QCOMPARE(dropper.Area()->Zoom(), 4);
        QWidget* view = dropper.Area()->viewport();
        QTest::mouseMove(view, QPoint(4 * 1 + 2, 4 * 1 + 3));
        const Rgb seen = PixelColour(1, 1);
        QTRY_COMPARE(dropper.Sample()->palette().color(QPalette::Window), QColor(seen.r, seen.g, seen.b));
        // Beyond the right edge: nothing happens and it stays open.
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(4 * 3 + 1, 2));
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(4 * 3 + 1, 2));
        QVERIFY(dropper.isVisible());
        QVERIFY(!dropper.Picked());
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(4 * 2 + 3, 4 * 0 + 1));
        QCOMPARE(dropper.Picked(), std::optional<Rgb>(PixelColour(2, 0)));
        QVERIFY(dropper.isVisible());  // closes on the release
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(4 * 2 + 3, 1));
        QVERIFY(!dropper.isVisible());
        QCOMPARE(dropper.result(), int(QDialog::Accepted));
        // The zoom is kept for the next opening.
        ColourDropper next(nullptr, frame);
        QCOMPARE(next.Area()->Zoom(), 4);
        QVERIFY(Control<QRadioButton>(&next, 1002)->isChecked());
        Control(&next, 1000)->click();
    }

    void theRightButtonClosesWithoutAColour() {
        Frame frame;
        frame.width = 3;
        frame.height = 2;
        frame.dib = Picture(3, 2);
        bool secondRefused = false;
        WhenShown<ColourDropper>([&](ColourDropper* d) {
            // A second dropper while one is open gives nothing at once.
            secondRefused = !PickColour(nullptr, frame);
            QTest::mousePress(d->Area()->viewport(), Qt::RightButton, {}, QPoint(1, 1));
        });
        QVERIFY(!PickColour(nullptr, frame));
        QVERIFY(secondRefused);
    }

    void zoomingScrollsToKeepTheMiddle() {
        Frame frame;
        frame.width = 200;
        frame.height = 150;
        frame.dib = Picture(200, 150);
        ColourDropper dropper(nullptr, frame);
        dropper.resize(400, 300);
        dropper.show();
        DropperArea* area = dropper.Area();
        const QSize visible = area->viewport()->size();
        area->SetZoom(4);
        QCOMPARE(area->horizontalScrollBar()->value(),
                 std::min(ZoomedScrollPosition(0, 1, 4, visible.width(), 200), area->horizontalScrollBar()->maximum()));
        QCOMPARE(area->horizontalScrollBar()->maximum(), 800 - visible.width());
        const int before = area->verticalScrollBar()->value();
        area->Wheel(-120);  // one notch back: 15 steps of 4 pixels down
        QCOMPARE(area->verticalScrollBar()->value(), std::min(before + 60, area->verticalScrollBar()->maximum()));
        area->SetZoom(1);
    }

    // --- the text key editor ---

    void keysAreCutToAKeywordsLength_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        const QString a79(79, QLatin1Char('a'));
        QTest::newRow("80 letters") << a79 + QLatin1Char('b') << a79;
        QTest::newRow("27 kana of 3 bytes") << QString(27, QChar(0x3042)) << QString(26, QChar(0x3042));
        QTest::newRow("no half character") << QString(77, QLatin1Char('a')) + QChar(0x3042)
                                            << QString(77, QLatin1Char('a'));
        QTest::newRow("a 4-byte character that fits") << QString(75, QLatin1Char('a')) + QString::fromUcs4(U"\U0001F600")
                                                       << QString(75, QLatin1Char('a')) + QString::fromUcs4(U"\U0001F600");
        QTest::newRow("short") << QStringLiteral("Title") << QStringLiteral("Title");
    }
    void keysAreCutToAKeywordsLength() {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QCOMPARE(CutToKeyLength(typed), kept);
        TextKeyList list;
        TextKeyEditor editor(nullptr, list, 1);
        editor.NewKey()->insert(typed);
        QCOMPARE(editor.NewKey()->text(), kept);
    }

    void keysAreAddedOnceCaseSensitively() {
        TextKeyList list;
        AddKey(list, "Comment", "x");
        TextKeyEditor editor(nullptr, list, 3);
        editor.show();
        QCOMPARE(editor.windowTitle(), QStringLiteral("コマ 3 のキー編集"));
        QVERIFY(!editor.AddButton()->isEnabled());
        QTest::keyClicks(editor.NewKey(), QStringLiteral("Title"));
        QVERIFY(editor.AddButton()->isEnabled());
        editor.AddButton()->click();
        QCOMPARE(list.size(), size_t(2));
        QCOMPARE(list[1].key, std::string("Title"));
        QCOMPARE(editor.List()->currentRow(), 1);
        QVERIFY(editor.NewKey()->text().isEmpty());
        QVERIFY(!editor.AddButton()->isEnabled());
        QVERIFY(editor.Changed());
        // The same key again, with the first entry selected: refused with the message.
        editor.List()->setCurrentRow(0);
        QTest::keyClicks(editor.NewKey(), QStringLiteral("Title"));
        QString said;
        WhenShown<QMessageBox>([&said](QMessageBox* box) {
            said = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        editor.AddButton()->click();
        QVERIFY(said.startsWith(QStringLiteral("すでにそのキーは存在します。")));
        QCOMPARE(list.size(), size_t(2));
        editor.NewKey()->clear();
        QTest::keyClicks(editor.NewKey(), QStringLiteral("title"));
        QTest::keyClick(editor.NewKey(), Qt::Key_Return);
        QCOMPARE(list.size(), size_t(3));
        QCOMPARE(list[2].key, std::string("title"));
    }

    void deletingMovesTheSelectionAndEmptiesTheList() {
        TextKeyList list;
        for (const char* k : {"A", "B", "C"}) AddKey(list, k, "");
        TextKeyEditor editor(nullptr, list, 0);
        QCOMPARE(editor.windowTitle(), QStringLiteral("グローバルテキストのキー編集"));
        QCOMPARE(editor.List()->currentRow(), 0);
        QVERIFY(editor.DeleteButton()->isEnabled());
        editor.List()->setCurrentRow(2);
        editor.DeleteButton()->click();
        QCOMPARE(list.size(), size_t(2));
        QCOMPARE(editor.List()->count(), 2);
        QCOMPARE(editor.List()->currentRow(), 1);
        editor.DeleteButton()->click();
        QCOMPARE(list[0].key, std::string("A"));
        editor.DeleteButton()->click();
        QVERIFY(list.empty());
        QCOMPARE(editor.List()->count(), 0);
        QVERIFY(!editor.DeleteButton()->isEnabled());
        QVERIFY(editor.Changed());
    }

    void anOpeningWithoutChangesReportsNone() {
        TextKeyList list;
        AddKey(list, "A", "");
        WhenShown<TextKeyEditor>([](TextKeyEditor* e) {
            e->DeleteButton()->click();
            e->findChild<QPushButton*>(QStringLiteral("id1"))->click();
        });
        QVERIFY(EditTextKeys(nullptr, list, 1));
        WhenShown<TextKeyEditor>([](TextKeyEditor* e) {
            QVERIFY(!e->DeleteButton()->isEnabled());
            e->findChild<QPushButton*>(QStringLiteral("id1"))->click();
        });
        QVERIFY(!EditTextKeys(nullptr, list, 1));
    }
};

}  // namespace kivo

QTEST_MAIN(kivo::PreviewTest)
#include "preview_test.moc"
