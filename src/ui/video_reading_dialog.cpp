#include "ui/video_reading_dialog.h"

#include <QCoreApplication>
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

QDoubleSpinBox* NumberBox(QWidget* parent, const char* name, double maximum, const QString& zeroText, double value) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setDecimals(2);
    box->setRange(0, maximum > 0 ? maximum : 1e6);
    box->setSpecialValueText(zeroText);
    box->setValue(value);
    return box;
}

}  // namespace

VideoReadingDialog::VideoReadingDialog(QWidget* owner, const std::string& path, const VideoProbe& probe,
                                       const ReadOptions& reading)
    : QDialog(owner), probe_(probe), chosen_(reading) {
    setWindowTitle(QCoreApplication::translate("VideoReadingDialog", "動画の読み込み"));
    const QString name = QString::fromStdString(path.substr(path.find_last_of('/') + 1));
    auto* about = new QLabel(QCoreApplication::translate("VideoReadingDialog",
                                                         "「%1」は長い動画です (%2 秒、毎秒 %3 コマ、%4×%5)。\n"
                                                         "読み込むコマ数を減らすには、フレームレートか範囲を指定してください。")
                                 .arg(name)
                                 .arg(probe.seconds, 0, 'f', 2)
                                 .arg(probe.picturesPerSecond, 0, 'f', 2)
                                 .arg(probe.width)
                                 .arg(probe.height),
                             this);
    about->setWordWrap(true);
    fps_ = NumberBox(this, "fps", 1000, QCoreApplication::translate("VideoReadingDialog", "元のまま"), reading.videoFps);
    start_ = NumberBox(this, "start", probe.seconds, QStringLiteral("0"), reading.videoStart);
    length_ = NumberBox(this, "duration", probe.seconds, QCoreApplication::translate("VideoReadingDialog", "最後まで"),
                        reading.videoDuration);
    estimate_ = new QLabel(this);
    estimate_->setObjectName(QStringLiteral("estimate"));
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QDoubleSpinBox* box : {fps_, start_, length_})
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] { Update(); });

    auto* form = new QFormLayout;
    form->addRow(QCoreApplication::translate("VideoReadingDialog", "フレームレート (コマ/秒):"), fps_);
    form->addRow(QCoreApplication::translate("VideoReadingDialog", "開始 (秒):"), start_);
    form->addRow(QCoreApplication::translate("VideoReadingDialog", "長さ (秒):"), length_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(about);
    layout->addLayout(form);
    layout->addWidget(estimate_);
    layout->addWidget(buttons_);
    setMinimumWidth(CharWidthOf(fontMetrics()) * 60);
    Update();
}

void VideoReadingDialog::Update() {
    chosen_.videoFps = fps_->value();
    chosen_.videoStart = start_->value();
    chosen_.videoDuration = length_->value();
    const VideoEstimate e = EstimateChoice(probe_, chosen_);
    estimate_->setText(QCoreApplication::translate("VideoReadingDialog", "およそ %1 コマ、%2 MB (読み込めるのは %3 MB まで)")
                           .arg(e.frames)
                           .arg(qulonglong(e.bytes >> 20))
                           .arg(qulonglong(probe_.budget >> 20)));
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(e.bytes <= probe_.budget);
}

bool AskVideoReading(QWidget* owner, const std::string& path, const VideoProbe& probe, ReadOptions& reading) {
    VideoReadingDialog dialog(owner, path, probe, reading);
    if (dialog.exec() != QDialog::Accepted) return false;
    reading = dialog.Chosen();
    return true;
}

}  // namespace kivo
