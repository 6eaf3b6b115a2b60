// The main window's canvas with real events on the offscreen platform: a
// frame of an optimised animation shows at 1:1 exactly as kivo-cli render
// draws it (the transparent colour never shows, composed or alone); dragging
// the frame moves it as one undo step and the panel follows; Space and the
// stepping keys play and step from the canvas and the frame list but not from
// a text field; commands pause and resume playback; zoom, the view choices,
// drops and the right-click menu.
#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "app/canvas_moves.h"
#include "app/command_table.h"
#include "app/session_settings.h"
#include "doc/dib.h"
#include "io/open_save.h"
#include "ui/gui_test_support.h"
#include "ui/qt_platform.h"
#include "view/canvas_part.h"
#include "view/canvas_view.h"
#include "view/main_window.h"
#include "view/panel.h"
#include "view/preview_window.h"

namespace kivo {

namespace {

Dib Picture(int width, int height, const std::function<Rgb(int, int)>& colour) {
    Dib dib = MakeDib24(uint32_t(width), uint32_t(height));
    const size_t stride = DibRowBytes(uint32_t(width), 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = DibPixels(dib) + size_t(height - 1 - y) * stride + 3 * size_t(x);
            const Rgb c = colour(x, y);
            p[0] = c.b, p[1] = c.g, p[2] = c.r;
        }
    return dib;
}

// Frames of width × height with a delay each, at (10 + 10 i, 10), on a 120 × 90 screen.
void SetFrames(MainWindow& window, int count, int width = 20, int height = 10, int delay = 5) {
    AnimDoc& doc = window.GetShell().Doc();
    doc.screenWidth = 120;
    doc.screenHeight = 90;
    for (int i = 0; i < count; ++i) {
        AppendFrame(doc);
        Frame& f = *doc.currentFrame;
        f.left = 10 + 10 * i;
        f.top = 10;
        f.width = width;
        f.height = height;
        f.delay = delay;
        f.hasDelay = 1;
        f.dib = Picture(width, height, [i](int x, int y) { return Rgb{uint8_t(40 * i), uint8_t(x * 9), uint8_t(y * 20)}; });
    }
    doc.currentFrame = doc.firstFrame.get();
    doc.currentIndex = 0;
    window.GetShell().Selected() = {0};
    window.RefreshPanel();
}

CanvasView& Canvas(MainWindow& w) { return *w.Canvas(); }
CanvasPart& Part(MainWindow& w) { return *w.FindPart<CanvasPart>(); }
QWidget* Control(MainWindow& w, const char* id) { return w.FindPart<Panel>()->Control(id); }
QString FieldText(MainWindow& w, const char* id) { return static_cast<QLineEdit*>(Control(w, id))->text(); }
int Current(MainWindow& w) { return w.GetShell().Doc().currentIndex; }

// The view position of a screen pixel's centre.
QPointF ViewPointF(MainWindow& w, double x, double y) {
    const ViewRect r = Canvas(w).View().ToView(0, 0, 0, 0);
    const double s = Canvas(w).View().Scale();
    return QPointF(r.x + (x + 0.5) * s, r.y + (y + 0.5) * s);
}
QPoint ViewPoint(MainWindow& w, double x, double y) { return ViewPointF(w, x, y).toPoint(); }

bool IsCheckerboard(QRgb c) { return c == qRgb(0xff, 0xff, 0xff) || c == qRgb(0xcc, 0xcc, 0xcc); }

// What the canvas shows of the screen at 1:1, top left first.
QImage ShownScreen(MainWindow& w) {
    const CanvasView& canvas = Canvas(w);
    const QImage shown = canvas.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const AnimDoc& doc = w.GetShell().Doc();
    return shown.copy(int(canvas.View().OriginX()), int(canvas.View().OriginY()), doc.screenWidth, doc.screenHeight);
}

}  // namespace

class CanvasTest : public QObject {
    Q_OBJECT

private:
    QtPlatformBackend backend_;
    QTemporaryDir dir_;

    // A sprite crossing a striped background, made smaller by kivo-cli's
    // optimisation: after the first, frames are cut to what changes and
    // repeated pixels are transparent.
    QString OptimisedAnimation() {
        auto doc = NewDocument();
        doc->screenWidth = 96;
        doc->screenHeight = 64;
        for (int i = 0; i < 6; ++i) {
            AppendFrame(*doc);
            Frame& f = *doc->currentFrame;
            f.width = 96;
            f.height = 64;
            f.delay = 10;
            f.hasDelay = 1;
            f.disposal = 1;
            // Two sprites moving apart over a still, detailed background: every
            // later frame spans the background between them, which repeats and
            // codes smaller transparent, so the optimised frames hold transparency.
            f.dib = Picture(96, 64, [i](int x, int y) {
                if (x >= 10 + 12 * i && x < 26 + 12 * i && y >= 20 && y < 36) return Rgb{230, 40, 30};
                if (x >= 70 - 12 * i && x < 80 - 12 * i && y >= 40 && y < 50) return Rgb{20, 200, 30};
                if ((x / 8 + y / 8) % 2) return Rgb{40, 90, 200};
                return Rgb{uint8_t(100 + (uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u) % 13 * 11), 220, 60};
            });
        }
        WriteOptions options;
        const std::string full = dir_.filePath("full.gif").toStdString();
        if (!SaveDocument(nullptr, full, *doc, options)) return {};
        const QString optimised = dir_.filePath("optimised.gif");
        if (Cli({"convert", QString::fromStdString(full), "-o", optimised, "--optimize", "--no-config", "-q"}) != 0)
            return {};
        return optimised;
    }

    static int Cli(const QStringList& args) {
        QProcess cli;
        cli.start(QString::fromLocal8Bit(qgetenv("KIVO_CLI")), args);
        if (!cli.waitForFinished(60000)) return -1;
        return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    }

private slots:
    void initTestCase() {
        qputenv("KIVO_INI", dir_.filePath("kivo.ini").toUtf8());
        InstallPlatformBackend(&backend_);
        WriteOptions options;
        LoadSessionSettings(options);
    }
    void cleanupTestCase() { InstallPlatformBackend(nullptr); }

    void aFrameShowsAsKivoCliRendersIt() {
        if (qgetenv("KIVO_CLI").isEmpty()) QSKIP("KIVO_CLI does not name kivo-cli");
        const QString path = OptimisedAnimation();
        QVERIFY(!path.isEmpty());
        MainWindow window;
        window.show();
        QVERIFY(window.GetShell().OpenPath(path.toStdString()));
        const AnimDoc& doc = window.GetShell().Doc();
        QCOMPARE(doc.frameCount, 6);
        window.RunCommand(kCmdZoomActual);
        QCOMPARE(Canvas(window).View().Scale(), 1.0);

        for (int n = 0; n < doc.frameCount; ++n) {
            if (n > 0) window.RunCommand(kCmdNextFrame);
            QCOMPARE(Current(window), n);
            const Frame& frame = *doc.currentFrame;
            QVERIFY2(n == 0 || (frame.hasTransparency && frame.width < 96), "the frames were optimised");
            const QString rendered = dir_.filePath(QStringLiteral("frame%1.png").arg(n));
            QCOMPARE(Cli({"render", path, "--frames", QString::number(n + 1), "-o", rendered}), 0);
            const QImage expected = QImage(rendered).convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(expected.size(), QSize(96, 64));

            const QImage shown = ShownScreen(window);
            const QRgb key = qRgb(frame.transparentRgb.r, frame.transparentRgb.g, frame.transparentRgb.b);
            // The outline runs round the frame, just outside its pixels.
            const QRect outline(frame.left - 1, frame.top - 1, frame.width + 2, frame.height + 2);
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 96; ++x) {
                    if (outline.contains(x, y) && !outline.adjusted(1, 1, -1, -1).contains(x, y)) continue;
                    const QRgb want = expected.pixel(x, y), got = shown.pixel(x, y);
                    const QString where = QStringLiteral("frame %1 at %2,%3").arg(n).arg(x).arg(y);
                    if (qAlpha(want) == 0)
                        QVERIFY2(IsCheckerboard(got), qPrintable(where));
                    else
                        QVERIFY2(got == (want | 0xff000000u), qPrintable(where));
                    if (frame.hasTransparency && qAlpha(want) != 0 && (want & 0xffffff) != (key & 0xffffff))
                        QVERIFY2((got & 0xffffff) != (key & 0xffffff), qPrintable(where));
                }
        }

        // Alone, the last frame's transparent pixels show the checkerboard,
        // never their colour; outside it nothing is drawn either.
        window.Action(kCmdComposedView)->trigger();
        QVERIFY(!Canvas(window).Composed());
        QVERIFY(!window.Action(kCmdComposedView)->isChecked());
        const Frame& last = *doc.currentFrame;
        const QImage alone = ShownScreen(window);
        const Dib& dib = last.dib;
        const size_t stride = DibRowBytes(uint32_t(last.width), 24);
        int transparent = 0;
        for (int y = 0; y < last.height; ++y)
            for (int x = 0; x < last.width; ++x) {
                const uint8_t* p = DibPixels(dib) + size_t(last.height - 1 - y) * stride + 3 * size_t(x);
                const QRgb got = alone.pixel(last.left + x, last.top + y);
                if (Rgb{p[2], p[1], p[0]} == last.transparentRgb) {
                    ++transparent;
                    QVERIFY(IsCheckerboard(got));
                } else {
                    QCOMPARE(got, qRgb(p[2], p[1], p[0]));
                }
            }
        QVERIFY(transparent > 0);
        QVERIFY(IsCheckerboard(alone.pixel(0, 63)));
        window.Action(kCmdComposedView)->trigger();
        QVERIFY(Canvas(window).Composed());
    }

    void aDragMovesTheFrameAsOneUndoStep() {
        MainWindow window;
        window.show();
        SetFrames(window, 2);
        window.RunCommand(kCmdZoomIn);
        window.RunCommand(kCmdZoomIn);  // 1 → 2 → 3: the frame follows the pointer at any zoom
        QCOMPARE(Canvas(window).View().Scale(), 3.0);
        Canvas(window).horizontalScrollBar()->setValue(0);
        Canvas(window).verticalScrollBar()->setValue(0);
        QWidget* viewport = Canvas(window).viewport();
        const AnimDoc& doc = window.GetShell().Doc();
        const Frame& first = *doc.firstFrame;

        // Outside the frame nothing is dragged.
        QTest::mousePress(viewport, Qt::LeftButton, {}, ViewPoint(window, 35, 25));
        QTest::mouseMove(viewport, ViewPoint(window, 45, 35));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, ViewPoint(window, 45, 35));
        QVERIFY(!window.GetShell().EditHistory().CanUndo());

        QTest::mousePress(viewport, Qt::LeftButton, {}, ViewPoint(window, 12, 12));
        QTest::mouseMove(viewport, ViewPoint(window, 17, 16));
        // Held: shown there, the document not yet changed.
        QCOMPARE(Canvas(window).ShownArea(), (FrameArea{15, 14, 20, 10}));
        QCOMPARE(first.left, 10);
        QTest::mouseMove(viewport, ViewPoint(window, 22, 18));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, ViewPoint(window, 22, 18));
        QCOMPARE(first.left, 20);
        QCOMPARE(first.top, 16);
        QCOMPARE(NthFrame(doc, 1)->left, 20);
        QCOMPARE(FieldText(window, "110"), QStringLiteral("20"));
        QCOMPARE(FieldText(window, "111"), QStringLiteral("16"));
        QCOMPARE(window.GetShell().EditHistory().UndoLabel(), kFrameMoveLabel);

        // Past the screen's edge: held at it, as a typed position would be.
        QTest::mousePress(viewport, Qt::LeftButton, {}, ViewPoint(window, 21, 17));
        QTest::mouseMove(viewport, ViewPoint(window, 500, 17));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, ViewPoint(window, 500, 17));
        QCOMPARE(first.left, 100);

        window.RunCommand(kCmdUndo);
        QCOMPARE(first.left, 20);
        window.RunCommand(kCmdUndo);
        QCOMPARE(first.left, 10);
        QCOMPARE(first.top, 10);
        QCOMPARE(FieldText(window, "110"), QStringLiteral("10"));
        QCOMPARE(Canvas(window).ShownArea(), (FrameArea{10, 10, 20, 10}));
        QVERIFY(!window.GetShell().EditHistory().CanUndo());

        // Escape gives a drag up.
        Canvas(window).setFocus();
        QTest::mousePress(viewport, Qt::LeftButton, {}, ViewPoint(window, 12, 12));
        QTest::mouseMove(viewport, ViewPoint(window, 30, 30));
        QTest::keyClick(&Canvas(window), Qt::Key_Escape);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, ViewPoint(window, 30, 30));
        QCOMPARE(first.left, 10);
        QCOMPARE(Canvas(window).ShownArea(), (FrameArea{10, 10, 20, 10}));
        QVERIFY(!window.GetShell().EditHistory().CanUndo());

        // Both frames selected: both take the place, as typed into the panel.
        window.RunCommand(kCmdSelectAll);
        const FrameArea current = Canvas(window).ShownArea();
        QTest::mousePress(viewport, Qt::LeftButton, {}, ViewPoint(window, current.left + 1, current.top + 1));
        QTest::mouseMove(viewport, ViewPoint(window, current.left + 6, current.top + 21));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, ViewPoint(window, current.left + 6, current.top + 21));
        QCOMPARE(first.left, current.left + 5);
        QCOMPARE(NthFrame(doc, 1)->left, current.left + 5);
        QCOMPARE(NthFrame(doc, 1)->top, 30);
        window.RunCommand(kCmdUndo);
        QCOMPARE(NthFrame(doc, 1)->left, 20);
        QCOMPARE(first.left, 10);
    }

    void keysPlayAndStepWhereFramesAreBrowsed() {
        auto window = std::make_unique<MainWindow>();
        window->show();
        QApplication::setActiveWindow(window.get());
        SetFrames(*window, 4);
        CanvasView& canvas = Canvas(*window);
        canvas.setFocus();
        QVERIFY(canvas.hasFocus());
        QTest::keyClick(&canvas, Qt::Key_Right);
        QCOMPARE(Current(*window), 1);
        QCOMPARE(static_cast<QLabel*>(Control(*window, "counter"))->text(), QStringLiteral("2 / 4 コマ"));
        QCOMPARE(FieldText(*window, "110"), QStringLiteral("20"));
        QTest::keyClick(&canvas, Qt::Key_End);
        QCOMPARE(Current(*window), 3);
        QTest::keyClick(&canvas, Qt::Key_Right);
        QCOMPARE(Current(*window), 3);
        QTest::keyClick(&canvas, Qt::Key_Home);
        QCOMPARE(Current(*window), 0);
        QTest::keyClick(&canvas, Qt::Key_Left);
        QCOMPARE(Current(*window), 0);

        // From the frame list too.
        auto* list = static_cast<QListWidget*>(Control(*window, "121"));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Right);
        QCOMPARE(Current(*window), 1);
        QCOMPARE(list->currentRow(), 1);

        // A text field keeps its keys.
        auto* left = static_cast<QLineEdit*>(Control(*window, "110"));
        left->setFocus();
        QTest::keyClick(left, Qt::Key_Right);
        QTest::keyClick(left, Qt::Key_Home);
        QTest::keyClick(left, Qt::Key_Space);
        QCOMPARE(Current(*window), 1);
        QVERIFY(!Part(*window).Playing());
        // So does a check box: Space ticks it.
        auto* loop = static_cast<QAbstractButton*>(Control(*window, "105"));
        const bool looped = loop->isChecked();
        loop->setFocus();
        QTest::keyClick(loop, Qt::Key_Space);
        QCOMPARE(loop->isChecked(), !looped);
        QVERIFY(!Part(*window).Playing());

        // Space plays at the frames' delays (50 ms) to the last frame: no loop
        // block, one run.
        window->GetShell().Doc().loopEnabled = 0;
        canvas.setFocus();
        QTest::keyClick(&canvas, Qt::Key_Space);
        QVERIFY(Part(*window).Playing());
        QTRY_COMPARE(Current(*window), 2);
        QTRY_COMPARE_WITH_TIMEOUT(Current(*window), 3, 2000);
        QTRY_VERIFY(!Part(*window).Playing());
        QCOMPARE(Canvas(*window).Composer().Index(), 3);
        QCOMPARE(static_cast<QLabel*>(Control(*window, "counter"))->text(), QStringLiteral("4 / 4 コマ"));

        // From the last frame it starts again from the first; Space pauses.
        window->GetShell().Doc().loopEnabled = 1;
        window->GetShell().Doc().loopCount = 0;  // for ever
        QTest::keyClick(&canvas, Qt::Key_Space);
        QVERIFY(Part(*window).Playing());
        QCOMPARE(Current(*window), 0);
        QTest::keyClick(&canvas, Qt::Key_Space);
        QVERIFY(!Part(*window).Playing());
        // A step pauses playback too.
        QTest::keyClick(&canvas, Qt::Key_Space);
        QTest::keyClick(&canvas, Qt::Key_End);
        QVERIFY(!Part(*window).Playing());
        QCOMPARE(Current(*window), 3);
    }

    void commandsPauseWhatWasPlayingOnly() {
        MainWindow window;
        window.show();
        SetFrames(window, 3, 20, 10, 100);
        window.GetShell().Doc().loopEnabled = 1;
        window.RunCommand(kCmdView);
        PreviewWindow* preview = window.FindPart<PreviewPart>()->Window();
        QVERIFY(preview);
        preview->Stop();
        window.RunCommand(kCmdPlayPause);
        QVERIFY(Part(window).Playing());
        QVERIFY(window.StopPreview());
        QVERIFY(!Part(window).Playing());
        QVERIFY(!window.StopPreview());
        window.ResumePreview();
        QVERIFY(Part(window).Playing());
        QVERIFY(!preview->Player().Playing());
        // A command that changes the document: paused while it runs, playing after.
        window.RunCommand(kCmdDelete);
        QCOMPARE(window.GetShell().Doc().frameCount, 2);
        QVERIFY(Part(window).Playing());
        // One frame left: nothing to play.
        window.RunCommand(kCmdDelete);
        QVERIFY(!Part(window).Playing());
        QVERIFY(!window.Action(kCmdPlayPause)->isEnabled());
        window.RunCommand(kCmdView);
    }

    void zoomAndViewChoices() {
        MainWindow window;
        window.show();
        // The canvas about as large as the old image box, whatever the
        // window's size: 1:1 fits, 3x needs scrolling both ways.
        for (auto [name, first] : {std::pair{"main-splitter", 202}, std::pair{"picture-splitter", 162}}) {
            auto* splitter = window.findChild<QSplitter*>(QString::fromLatin1(name));
            const QList<int> sizes = splitter->sizes();
            splitter->setSizes({first, sizes.value(0) + sizes.value(1) - first});
        }
        QApplication::processEvents();
        SetFrames(window, 2);
        CanvasView& canvas = Canvas(window);
        const CanvasViewState& view = canvas.View();
        QVERIFY(view.Fitting());
        QCOMPARE(view.Scale(), 1.0);  // 120 × 90 in the old image box
        window.RunCommand(kCmdZoomIn);
        QCOMPARE(view.Scale(), 2.0);
        QVERIFY(canvas.horizontalScrollBar()->maximum() > 0);
        window.RunCommand(kCmdZoomOut);
        window.RunCommand(kCmdZoomOut);
        QCOMPARE(view.Scale(), 2.0 / 3);
        window.RunCommand(kCmdZoomFit);
        QVERIFY(view.Fitting());
        window.RunCommand(kCmdZoomActual);
        QVERIFY(!view.Fitting());
        QCOMPARE(view.Scale(), 1.0);

        // Ctrl+wheel zooms about the pointer: the pixel under it stays.
        QWidget* viewport = canvas.viewport();
        const QPointF at = ViewPointF(window, 60, 50);
        QWheelEvent wheel(at, viewport->mapToGlobal(at), {}, {0, 240}, Qt::NoButton, Qt::ControlModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
        QCOMPARE(view.Scale(), 3.0);
        QCOMPARE(view.ToScreen(at.x(), at.y()), (ScreenPoint{60, 50}));
        QCOMPARE(view.ScrollX(), canvas.horizontalScrollBar()->value());
        // The wheel alone scrolls.
        const int scrolled = canvas.verticalScrollBar()->value();
        QWheelEvent plain(at, viewport->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &plain);
        QVERIFY(canvas.verticalScrollBar()->value() > scrolled);
        QCOMPARE(view.ScrollY(), canvas.verticalScrollBar()->value());
        // So does the middle button, dragging the picture.
        const int x = view.ScrollX();
        QTest::mousePress(viewport, Qt::MiddleButton, {}, QPoint(100, 80));
        QTest::mouseMove(viewport, QPoint(80, 80));
        QTest::mouseRelease(viewport, Qt::MiddleButton, {}, QPoint(80, 80));
        QCOMPARE(view.ScrollX(), x + 20);
        QCOMPARE(canvas.horizontalScrollBar()->value(), x + 20);

        // The onion skin is the previous picture faintly over this one.
        QVERIFY(!window.Action(kCmdOnionSkin)->isChecked());
        window.RunCommand(kCmdZoomActual);
        window.RunCommand(kCmdNextFrame);
        const QImage plainPicture = ShownScreen(window);
        window.Action(kCmdOnionSkin)->trigger();
        QVERIFY(canvas.OnionSkin());
        QVERIFY(window.Action(kCmdOnionSkin)->isChecked());
        const QImage onion = ShownScreen(window);
        QCOMPARE(onion.pixel(55, 15), plainPicture.pixel(55, 15));  // nothing there in either picture
        QVERIFY(onion.pixel(22, 12) != plainPicture.pixel(22, 12));  // the first frame's ghost
        QCOMPARE(onion.pixel(12, 12), plainPicture.pixel(12, 12));  // the same in both pictures
        window.Action(kCmdOnionSkin)->trigger();

        // Kept for the next run.
        window.RunCommand(kCmdZoomIn);
        window.close();
        const CanvasChoices kept = StoredCanvasChoices();
        QCOMPARE(kept.zoomStep, ZoomStepIndex(2));
        QVERIFY(kept.composed && !kept.onionSkin);
        MainWindow next;
        QCOMPARE(Canvas(next).View().Scale(), 2.0);
        SetStoredCanvasChoices({});
    }

    void dropsAndTheRightClickMenu() {
        MainWindow window;
        window.show();
        SetFrames(window, 1);
        QImage picture(8, 6, QImage::Format_RGB32);
        picture.fill(Qt::red);
        const QString file = dir_.filePath("dropped.png");
        QVERIFY(picture.save(file));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        QWidget* viewport = Canvas(window).viewport();
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        QCOMPARE(window.GetShell().Doc().frameCount, 2);
        QCOMPARE(window.GetShell().Doc().firstFrame->width, 8);  // inserted before the current frame

        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(40, 30), viewport->mapToGlobal(QPoint(40, 30)));
        QApplication::sendEvent(viewport, &menu);
        QTRY_VERIFY(window.EditMenu()->isVisible());
        window.EditMenu()->hide();
    }

    // The window is not resizable yet, but the canvas is an ordinary widget
    // that works at any size.
    void theCanvasWorksAtAnySize() {
        MainWindow window;
        window.show();
        SetFrames(window, 2);
        CanvasView& canvas = Canvas(window);
        QCOMPARE(canvas.sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QVERIFY(canvas.minimumSizeHint().width() > 0);
        canvas.resize(900, 700);
        QCOMPARE(canvas.View().Scale(), 7.0);  // (900 − 4 − 32) / 120
        canvas.resize(60, 40);
        QVERIFY(canvas.View().Scale() < 1);
        canvas.resize(202, 162);
    }
};

}  // namespace kivo

QTEST_MAIN(kivo::CanvasTest)
#include "canvas_test.moc"
