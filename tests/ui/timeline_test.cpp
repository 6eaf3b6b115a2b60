// The frame list as a timeline on the offscreen platform: selected frames
// dropped at another place as one step that undo takes back, files dropped
// between two frames, thumbnails that come in after the window is up, the
// strip running across and the keys that walk it, and sizes from tiny to wide.
#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "app/command_table.h"
#include "doc/selection.h"
#include "frame_ops/blank_frame.h"
#include "io/open_save.h"
#include "options/write_options.h"
#include "ui/gui_test_support.h"
#include "ui/qt_platform.h"
#include "view/main_window.h"
#include "view/panel.h"
#include "view/timeline.h"

namespace kivo {

class TimelineTest : public QObject {
    Q_OBJECT

private:
    QtPlatformBackend backend_;
    QTemporaryDir dir_;

    static Timeline* TimelineOf(MainWindow& w) { return static_cast<Timeline*>(w.FindPart<Panel>()->Control("121")); }
    // The frames' delays in list order: each frame's delay is set to its first index.
    static QList<int> Delays(const AnimDoc& doc) {
        QList<int> delays;
        for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) delays << f->delay;
        return delays;
    }
    static void NumberFrames(MainWindow& w) {
        AnimDoc& doc = w.GetShell().Doc();
        int i = 0;
        for (Frame* f = doc.firstFrame.get(); f; f = f->next.get()) f->delay = i++;
        w.RefreshPanel();
    }
    // A point in the viewport just inside the start of row's rect (its leading
    // half), scrolled into view first.
    static QPoint StartOf(Timeline* t, int row) {
        t->scrollToItem(t->item(row));
        const QRect r = t->visualItemRect(t->item(row));
        return t->Across() ? QPoint(r.left() + 2, r.center().y()) : QPoint(r.center().x(), r.top() + 2);
    }
    // The frames selected as the panel keeps them, the last one current.
    static void Select(MainWindow& w, const QList<int>& rows) {
        AnimDoc& doc = w.GetShell().Doc();
        SetSelection(doc, w.GetShell().Selected(), std::vector<int32_t>(rows.begin(), rows.end()));
        doc.currentIndex = rows.back();
        doc.currentFrame = NthFrame(doc, rows.back());
        w.RefreshPanel();
    }
    static QList<int> SelectedRows(Timeline* t) {
        QList<int> rows;
        for (int i = 0; i < t->count(); ++i)
            if (t->item(i)->isSelected()) rows << i;
        return rows;
    }
    std::string TwoFrameGif() {
        const std::string gif = dir_.filePath("two.gif").toStdString();
        auto doc = NewDocument();
        Selection selection;
        AddBlankFrame(*doc, selection, 0, 8, 8);
        AddBlankFrame(*doc, selection, 0, 8, 8);
        WriteOptions options;
        SaveDocument(nullptr, gif, *doc, options);
        return gif;
    }

private slots:
    void initTestCase() {
        qputenv("KIVO_INI", dir_.filePath("kivo.ini").toUtf8());
        InstallPlatformBackend(&backend_);
    }
    void cleanupTestCase() { InstallPlatformBackend(nullptr); }

    void draggedFramesLandTogetherAndUndoIsOneStep_data() {
        QTest::addColumn<bool>("across");
        QTest::addColumn<QList<int>>("dragged");
        QTest::addColumn<int>("dropOn");  // the row whose leading half takes the drop
        QTest::addColumn<QList<int>>("order");
        QTest::addColumn<QList<int>>("selected");
        QTest::newRow("two down the column") << false << QList<int>{1, 2} << 4 << QList<int>{0, 3, 1, 2, 4, 5}
                                             << QList<int>{2, 3};
        QTest::newRow("two apart to the top") << false << QList<int>{2, 5} << 0 << QList<int>{2, 5, 0, 1, 3, 4}
                                              << QList<int>{0, 1};
        QTest::newRow("two back along the strip") << true << QList<int>{3, 4} << 1 << QList<int>{0, 3, 4, 1, 2, 5}
                                                  << QList<int>{1, 2};
    }
    void draggedFramesLandTogetherAndUndoIsOneStep() {
        QFETCH(bool, across);
        QFETCH(QList<int>, dragged);
        QFETCH(int, dropOn);
        QFETCH(QList<int>, order);
        QFETCH(QList<int>, selected);
        auto w = ShownWindow(6);
        NumberFrames(*w);
        Timeline* t = TimelineOf(*w);
        t->SetAcross(across);
        Select(*w, dragged);
        QCOMPARE(SelectedRows(t), dragged);

        std::unique_ptr<QMimeData> data(t->DragData());
        QVERIFY(data);
        QVERIFY(t->Drop(data.get(), StartOf(t, dropOn), true));
        QCOMPARE(Delays(w->GetShell().Doc()), order);
        QCOMPARE(SelectedRows(t), selected);
        QCOMPARE(w->GetShell().Selected(), std::vector<int32_t>(selected.begin(), selected.end()));
        QCOMPARE(w->Action(kCmdUndo)->text(), QStringLiteral("元に戻す(&U): コマの移動"));
        QVERIFY(w->windowTitle().endsWith(QLatin1Char('*')));

        w->Action(kCmdUndo)->trigger();
        QCOMPARE(Delays(w->GetShell().Doc()), (QList<int>{0, 1, 2, 3, 4, 5}));
        QCOMPARE(SelectedRows(t), dragged);
        QVERIFY(!w->Action(kCmdUndo)->isEnabled());
        QVERIFY(!w->windowTitle().endsWith(QLatin1Char('*')));
        w->Action(kCmdRedo)->trigger();
        QCOMPARE(Delays(w->GetShell().Doc()), order);

        // Rows of another list, or of another program, are not taken.
        QVERIFY(!t->Drop(data.get(), StartOf(t, 0), false));
        QCOMPARE(Delays(w->GetShell().Doc()), order);
    }

    // A drop onto the dragged frames' own place changes nothing and leaves no step.
    void aDropInPlaceIsNoStep() {
        auto w = ShownWindow(4);
        Timeline* t = TimelineOf(*w);
        Select(*w, {1, 2});
        std::unique_ptr<QMimeData> data(t->DragData());
        QVERIFY(t->Drop(data.get(), StartOf(t, 2), true));
        QVERIFY(!w->Action(kCmdUndo)->isEnabled());
        QCOMPARE(SelectedRows(t), (QList<int>{1, 2}));
    }

    void filesDroppedBetweenTwoFramesAreInsertedThere() {
        auto w = ShownWindow(3);
        NumberFrames(*w);
        Timeline* t = TimelineOf(*w);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(TwoFrameGif()))});
        const QPoint gap = StartOf(t, 1);
        QDragEnterEvent enter(gap, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(t->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent move(gap, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(t->viewport(), &move);
        QVERIFY(move.isAccepted());
        QCOMPARE(t->PlaceOf(gap, true), (TimelineDrop{1, true}));
        QDropEvent drop(gap, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(t->viewport(), &drop);

        AnimDoc& doc = w->GetShell().Doc();
        QCOMPARE(doc.frameCount, 5);
        QCOMPARE(t->count(), 5);
        QCOMPARE(NthFrame(doc, 0)->delay, 0);
        QCOMPARE(NthFrame(doc, 1)->width, 8);
        QCOMPARE(NthFrame(doc, 2)->width, 8);
        QCOMPARE(NthFrame(doc, 3)->delay, 1);
        QCOMPARE(SelectedRows(t), (QList<int>{1, 2}));
        w->Action(kCmdUndo)->trigger();
        QCOMPARE(doc.frameCount, 3);
        QCOMPARE(Delays(doc), (QList<int>{0, 1, 2}));
    }

    void thumbnailsComeInAfterTheWindowIsUp() {
        auto w = ShownWindow(0);
        Timeline* t = TimelineOf(*w);
        QSignalSpy complete(t, &Timeline::thumbnailsComplete);
        // Large enough that all 40 thumbnails fit a tenth of the frames' bytes.
        for (int i = 0; i < 40; ++i) AddBlankFrame(w->GetShell().Doc(), w->GetShell().Selected(), 0, 400, 200);
        w->GetShell().Doc().currentFrame->hasTransparency = 1;  // white, the blank colour, is see-through
        w->GetShell().Doc().currentFrame->transparentRgb = Rgb{255, 255, 255};
        w->RefreshPanel();
        QVERIFY(complete.count() > 0 || complete.wait(10000));
        const ThumbnailCache& cache = t->Thumbnails();
        QCOMPARE(cache.Size(), (ThumbnailSize{64, 32}));
        for (int i = 0; i < 40; ++i) QVERIFY(cache.Get(i));
        QCOMPARE(cache.Get(0)->pixels.front(), 0xFFFFFFFFu);
        // The last frame is all see-through, over the white frames before it.
        QCOMPARE(cache.Get(39)->pixels, cache.Get(38)->pixels);

        // Drawn into the list: the first row's picture is white where the
        // placeholder would be grey.
        t->scrollToTop();
        const QImage shown = t->viewport()->grab().toImage();
        const QRect first = t->visualItemRect(t->item(0));
        const QPoint inPicture(first.left() + 3 + t->ShownBox() / 2, first.center().y());
        QCOMPARE(shown.pixelColor(inPicture), QColor(Qt::white));

        // The last frame moved to place 5: from there on they are made again.
        complete.clear();
        const uint64_t made = cache.MadeCount();
        w->GetShell().MoveFramesTo({39}, 5);
        QVERIFY(complete.count() > 0 || complete.wait(10000));
        QCOMPARE(cache.MadeCount() - made, uint64_t(40 - 5));
        QVERIFY(cache.PeakBytes() <= cache.BudgetBytes());
    }

    // 20 × 10 frames: a thumbnail takes more than a tenth of its frame's bytes,
    // so only the rows on screen have theirs, wherever the list is scrolled.
    void tinyFramesKeepThumbnailsOnlyForTheRowsOnScreen() {
        auto w = ShownWindow(40);
        Timeline* t = TimelineOf(*w);
        const ThumbnailCache& cache = t->Thumbnails();
        auto made = [&] {
            QList<int> rows;
            for (int i = 0; i < 40; ++i)
                if (cache.Get(i)) rows << i;
            return rows;
        };
        auto onScreen = [&] {
            QList<int> rows;
            for (int i = 0; i < 40; ++i)
                if (t->visualItemRect(t->item(i)).intersects(t->viewport()->rect())) rows << i;
            return rows;
        };
        for (int row : {0, 39, 20}) {
            t->scrollToItem(t->item(row));
            QTRY_VERIFY(cache.Complete());
            const QList<int> shown = onScreen(), kept = made();
            QVERIFY(!shown.isEmpty() && shown.size() < 10);
            for (int r : shown) QVERIFY2(kept.contains(r), qPrintable(QString::number(r)));
            QVERIFY(kept.size() <= shown.size() + 1);
        }
    }

    void theStripRunsAcrossAndKeysWalkIt() {
        auto w = ShownWindow(4);
        Timeline* t = TimelineOf(*w);
        QAction* across = w->Action(kCmdTimelineAcross);
        QVERIFY(across->isCheckable() && !across->isChecked());
        w->RunCommand(kCmdTimelineAcross);
        QVERIFY(t->Across());
        QVERIFY(across->isChecked());
        QCOMPARE(t->flow(), QListView::LeftToRight);
        QVERIFY(w->Action(kCmdGifMode)->isChecked());  // not one of the mode items

        t->setFocus();
        t->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(t, Qt::Key_Right);
        QCOMPARE(w->GetShell().Doc().currentIndex, 1);
        QTest::keyClick(t, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(w->GetShell().Selected(), (std::vector<int32_t>{1, 2}));

        w->RunCommand(kCmdTimelineAcross);
        QVERIFY(!t->Across());
        QVERIFY(!across->isChecked());
        t->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(t, Qt::Key_Down);
        QCOMPARE(w->GetShell().Doc().currentIndex, 1);
    }

    void anySizeKeepsRowsAndDropsUsable_data() {
        QTest::addColumn<bool>("across");
        QTest::addColumn<QSize>("size");
        for (bool across : {false, true})
            for (QSize size : {QSize(40, 30), QSize(200, 230), QSize(900, 140), QSize(120, 700)})
                QTest::newRow(qPrintable(QStringLiteral("%1 %2x%3")
                                             .arg(across ? QStringLiteral("across") : QStringLiteral("down"))
                                             .arg(size.width())
                                             .arg(size.height())))
                    << across << size;
    }
    void anySizeKeepsRowsAndDropsUsable() {
        QFETCH(bool, across);
        QFETCH(QSize, size);
        auto w = ShownWindow(12);
        Timeline* t = TimelineOf(*w);
        t->SetAcross(across);
        t->resize(size);
        QApplication::processEvents();
        QVERIFY(t->ShownBox() >= kMinThumbnailBox && t->ShownBox() <= ThumbnailCache::kDefaultBox);
        const QRect row = t->visualItemRect(t->item(3));
        // A row is as long across the list as the list is wide (down) or as
        // its picture and text need (across), and never overlaps the next.
        QVERIFY(row.isValid());
        QVERIFY(!row.intersects(t->visualItemRect(t->item(4))));
        if (!across) QCOMPARE(row.width(), t->viewport()->width());
        QCOMPARE(t->PlaceOf(StartOf(t, 7), false).before, 7);
        QCOMPARE(t->PlaceOf(StartOf(t, 0), false).before, 0);
    }
};

}  // namespace kivo

QTEST_MAIN(kivo::TimelineTest)
#include "timeline_test.moc"
