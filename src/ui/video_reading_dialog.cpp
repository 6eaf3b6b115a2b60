#include "ui/video_reading_dialog.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/video_choice.h"
#include "ui/layout_units.h"

namespace kivo {

namespace {



QDoubleSpinBox* SecondsBox(QWidget* parent, double maximum, const QString& zeroText) {
    auto* box = new QDoubleSpinBox(parent);
    box->setDecimals(2);
    box->setRange(0, maximum > 0 ? maximum : 1e6);
    box->setSingleStep(1);
    box->setSpecialValueText(zeroText);
    return box;
}

}  // namespace

bool AskVideoReading(QWidget* owner, const std::string& path, const VideoProbe& probe, ReadOptions& reading) {
    QDialog dialog(owner);
    dialog.setWindowTitle(QCoreApplication::translate("VideoReadingDialog", "動画の読み込み"));
    const QString name = QString::fromStdString(path.substr(path.find_last_of('/') + 1));
    auto* about = new QLabel(QCoreApplication::translate("VideoReadingDialog", "「%1」は長い動画です (%2 秒、毎秒 %3 コマ、%4×%5)。\n"
                                "読み込むコマ数を減らすには、フレームレートか範囲を指定してください。")
                                 .arg(name)
                                 .arg(probe.seconds, 0, 'f', 2)
                                 .arg(probe.picturesPerSecond, 0, 'f', 2)
                                 .arg(probe.width)
                                 .arg(probe.height),
                             &dialog);
    about->setWordWrap(true);
    auto* fps = new QDoubleSpinBox(&dialog);
    fps->setObjectName(QStringLiteral("fps"));
    fps->setDecimals(2);
    fps->setRange(0, 1000);
    fps->setSpecialValueText(QCoreApplication::translate("VideoReadingDialog", "元のまま"));
    fps->setValue(reading.videoFps);
    auto* start = SecondsBox(&dialog, probe.seconds, QStringLiteral("0"));
    start->setObjectName(QStringLiteral("start"));
    start->setValue(reading.videoStart);
    auto* length = SecondsBox(&dialog, probe.seconds, QCoreApplication::translate("VideoReadingDialog", "最後まで"));
    length->setObjectName(QStringLiteral("duration"));
    length->setValue(reading.videoDuration);
    auto* estimate = new QLabel(&dialog);
    estimate->setObjectName(QStringLiteral("estimate"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    ReadOptions chosen = reading;
    auto update = [&] {
        chosen.videoFps = fps->value();
        chosen.videoStart = start->value();
        chosen.videoDuration = length->value();
        const VideoEstimate e = EstimateChoice(probe, chosen);
        const bool fits = e.bytes <= probe.budget;
        estimate->setText(QCoreApplication::translate("VideoReadingDialog", "およそ %1 コマ、%2 MB (読み込めるのは %3 MB まで)")
                              .arg(e.frames)
                              .arg(qulonglong(e.bytes >> 20))
                              .arg(qulonglong(probe.budget >> 20)));
        buttons->button(QDialogButtonBox::Ok)->setEnabled(fits);
    };
    for (QDoubleSpinBox* box : {fps, start, length})
        QObject::connect(box, &QDoubleSpinBox::valueChanged, &dialog, update);
    update();

    auto* form = new QFormLayout;
    form->addRow(QCoreApplication::translate("VideoReadingDialog", "フレームレート (コマ/秒):"), fps);
    form->addRow(QCoreApplication::translate("VideoReadingDialog", "開始 (秒):"), start);
    form->addRow(QCoreApplication::translate("VideoReadingDialog", "長さ (秒):"), length);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(about);
    layout->addLayout(form);
    layout->addWidget(estimate);
    layout->addWidget(buttons);
    dialog.setMinimumWidth(CharWidthOf(dialog.fontMetrics()) * 60);
    if (dialog.exec() != QDialog::Accepted) return false;
    reading = chosen;
    return true;
}

}  // namespace kivo
