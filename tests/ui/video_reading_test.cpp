// The question before a long clip, on real widgets: what the choice would take
// follows the fields, OK is refused while that exceeds the budget, and the
// answer (or a cancel) reaches the caller.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "gui_test_support.h"
#include "ui/video_reading_dialog.h"

namespace kivo {

class VideoReadingTest : public QObject {
    Q_OBJECT

private slots:
    void choiceReachesTheCaller_data() {
        QTest::addColumn<double>("fps");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("duration");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("estimate");
        QTest::addColumn<bool>("okEnabled");
        // 60 s at 25 a second of 32x24 pictures (2344 bytes each), 1 MB allowed.
        QTest::newRow("as recorded") << 0.0 << 0.0 << 0.0 << false << "およそ 1500 コマ、3 MB" << false;
        QTest::newRow("5 a second") << 5.0 << 0.0 << 0.0 << true << "およそ 300 コマ、0 MB" << true;
        QTest::newRow("a part") << 0.0 << 50.0 << 4.0 << true << "およそ 100 コマ" << true;
        QTest::newRow("cancelled") << 5.0 << 0.0 << 0.0 << false << "およそ 300 コマ" << true;
    }
    void choiceReachesTheCaller() {
        QFETCH(double, fps);
        QFETCH(double, start);
        QFETCH(double, duration);
        QFETCH(bool, accept);
        QFETCH(QString, estimate);
        QFETCH(bool, okEnabled);
        const VideoProbe probe{32, 24, 60, 25, 1500, 1500 * 2344, 1 << 20};
        QString shown;
        bool enabled = false;
        WhenShown<QDialog>([&](QDialog* d) {
            d->findChild<QDoubleSpinBox*>(QStringLiteral("fps"))->setValue(fps);
            d->findChild<QDoubleSpinBox*>(QStringLiteral("start"))->setValue(start);
            d->findChild<QDoubleSpinBox*>(QStringLiteral("duration"))->setValue(duration);
            shown = d->findChild<QLabel*>(QStringLiteral("estimate"))->text();
            QPushButton* ok = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            enabled = ok->isEnabled();
            if (accept) ok->click();
        });
        ReadOptions reading;
        QCOMPARE(AskVideoReading(nullptr, "/clips/long.mp4", probe, reading), accept);
        QVERIFY2(shown.startsWith(estimate), qPrintable(shown));
        QCOMPARE(enabled, okEnabled);
        QCOMPARE(reading.videoFps, accept ? fps : 0.0);
        QCOMPARE(reading.videoStart, accept ? start : 0.0);
        QCOMPARE(reading.videoDuration, accept ? duration : 0.0);
    }
};

}  // namespace kivo

QTEST_MAIN(kivo::VideoReadingTest)
#include "video_reading_test.moc"
