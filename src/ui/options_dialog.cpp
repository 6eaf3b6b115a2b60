#include "ui/options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kivo {

namespace {

const char* const kBudgetLabels[] = {
    QT_TRANSLATE_NOOP("kivo::OptionsDialog", "８色"),     QT_TRANSLATE_NOOP("kivo::OptionsDialog", "１６色"),
    QT_TRANSLATE_NOOP("kivo::OptionsDialog", "３２色"),   QT_TRANSLATE_NOOP("kivo::OptionsDialog", "６４色"),
    QT_TRANSLATE_NOOP("kivo::OptionsDialog", "１２８色"), QT_TRANSLATE_NOOP("kivo::OptionsDialog", "２５６色"),
};

QString IdName(int id) { return QStringLiteral("id%1").arg(id); }

template <typename T>
T* Named(T* widget, int id) {
    widget->setObjectName(IdName(id));
    return widget;
}

QCheckBox* OptionBox(QWidget* parent, int id, const char* label, int* option) {
    auto* box = Named(new QCheckBox(OptionsDialog::tr(label), parent), id);
    box->setChecked(*option != 0);
    QObject::connect(box, &QCheckBox::toggled, parent, [option](bool on) { *option = on ? 1 : 0; });
    return box;
}

}  // namespace

OptionsDialog::OptionsDialog(QWidget* owner, bool mng, WriteOptions& options)
    : QDialog(owner), mng_(mng), options_(options), opened_(options) {
    setWindowTitle(mng ? tr("MNG 書き込みオプション")
                       : tr("Gif 書き込みオプション"));
    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    top->addLayout(left);
    BuildColorGroups(left);
    left->addWidget(OptionBox(this, 1009, QT_TR_NOOP("保管時常に表示"),
                              mng ? &options_.MngShowOptionsOnSave : &options_.ShowOptionsOnSave));
    left->addWidget(OptionBox(this, 1010, QT_TR_NOOP("無条件ディザ"), &options_.AlwaysDither));
    left->addWidget(OptionBox(this, 1011, QT_TR_NOOP("インターレース"), &options_.Interlace));
    if (!mng) BuildLossyGroup(left);
    left->addStretch();
    if (mng) {
        auto* right = new QVBoxLayout;
        top->addLayout(right);
        BuildMngGroups(right);
    }
    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    QPushButton* ok = Named(buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole), 1);
    ok->setDefault(true);
    Named(buttons->addButton(tr("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole), 2);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(buttons, 0, Qt::AlignTop);
    top->setSizeConstraint(QLayout::SetFixedSize);
    if (mng) {
        ShowJngChoice();
        ApplyJngEnabling();
    }
}

void OptionsDialog::BuildColorGroups(QBoxLayout* column) {
    auto* palette = new QGroupBox(tr("パレット"), this);
    palette->setObjectName(IdName(1012));
    auto* paletteLayout = new QVBoxLayout(palette);
    auto* unify = Named(new QRadioButton(tr("出来るだけパレットを統一"), palette), 1000);
    auto* separate = Named(new QRadioButton(tr("パレットは個々に持つ"), palette), 1001);
    (options_.UnifyPalette ? unify : separate)->setChecked(true);
    connect(unify, &QRadioButton::toggled, this, [this](bool on) { options_.UnifyPalette = on ? 1 : 0; });
    paletteLayout->addWidget(unify);
    paletteLayout->addWidget(separate);
    column->addWidget(palette);

    auto* colors = new QGroupBox(tr("最大色数"), this);
    colors->setObjectName(IdName(1013));
    auto* colorsLayout = new QVBoxLayout(colors);
    // Radios in one exclusive group, which may also show none checked (a budget
    // the dialog does not offer).
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 6; ++i) {
        int budget = kColorBudgets[i];
        auto* radio = Named(new QRadioButton(tr(kBudgetLabels[i]), colors), 1002 + i);
        group->addButton(radio);
        colorsLayout->addWidget(radio);
        radio->setChecked(options_.MaxColors == budget && !(mng_ && options_.NoColorReduction));
        connect(radio, &QRadioButton::toggled, this, [this, budget](bool on) {
            if (on) {
                ChooseMaxColors(options_, budget, mng_);
                if (mng_) ShowJngChoice();
            }
            if (mng_) ApplyJngEnabling();
        });
    }
    if (mng_) {
        auto* none = Named(new QRadioButton(tr("減色しない"), colors), 1026);
        group->addButton(none);
        colorsLayout->addWidget(none);
        none->setChecked(options_.NoColorReduction != 0);
        connect(none, &QRadioButton::toggled, this, [this](bool on) {
            ChooseNoColorReduction(options_, on);
            ApplyJngEnabling();
        });
    }
    column->addWidget(colors);
}

// Lossiness and the target size of GIF saves. The size is typed in KB, as
// people think of files; the option holds bytes.
void OptionsDialog::BuildLossyGroup(QBoxLayout* column) {
    auto* group = new QGroupBox(tr("ロッシー圧縮"), this);
    group->setObjectName(IdName(1052));
    auto* form = new QFormLayout(group);
    auto* lossiness = Named(new QSpinBox(group), 1050);
    lossiness->setRange(0, 200);
    lossiness->setSpecialValueText(tr("なし"));
    lossiness->setValue(options_.Lossiness);
    lossiness->setToolTip(tr("大きいほどファイルが小さく、色の誤差が大きくなります (0～200)"));
    connect(lossiness, &QSpinBox::valueChanged, this, [this](int v) { options_.Lossiness = v; });
    form->addRow(tr("強さ"), lossiness);
    auto* target = Named(new QSpinBox(group), 1051);
    target->setRange(0, 2000000);
    target->setSuffix(QStringLiteral(" KB"));
    target->setSpecialValueText(tr("指定なし"));
    target->setValue((options_.TargetSize + 1023) / 1024);
    target->setToolTip(tr("この大きさに収まるよう、強さと色数を選んで保存します"));
    connect(target, &QSpinBox::valueChanged, this, [this](int kb) { options_.TargetSize = kb * 1024; });
    form->addRow(tr("目標サイズ"), target);
    column->addWidget(group);
}

void OptionsDialog::BuildMngGroups(QBoxLayout* column) {
    auto* jng = new QGroupBox(tr("JNG オプション"), this);
    auto* jngLayout = new QVBoxLayout(jng);
    struct JngRadio {
        int id;
        const char* label;
        JngChoice choice;
    };
    const JngRadio radios[] = {
        {1044, QT_TR_NOOP("全コマを JNG とする"), JngChoice::kAllFrames},
        {1045, QT_TR_NOOP("256色を超えるコマのみJNGとする"), JngChoice::kOver256Only},
        {1046, QT_TR_NOOP("JNGを使わない"), JngChoice::kNone},
    };
    auto* group = new QButtonGroup(this);
    for (const JngRadio& r : radios) {
        auto* radio = Named(new QRadioButton(tr(r.label), jng), r.id);
        group->addButton(radio);
        jngLayout->addWidget(radio);
        JngChoice choice = r.choice;
        connect(radio, &QRadioButton::toggled, this, [this, choice](bool on) {
            if (on) ChooseJng(options_, choice);
            ApplyJngEnabling();
        });
    }
    auto* qualityRow = new QHBoxLayout;
    qualityLabel_ = Named(new QLabel(tr("JNG 画質(0～100)"), jng), 1022);
    quality_ = Named(new QLineEdit(QString::number(options_.JngQuality), jng), 1017);
    quality_->setMaxLength(3);
    quality_->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    connect(quality_, &QLineEdit::textChanged, this,
            [this](const QString& text) { options_.JngQuality = ParseJngQuality(text.toStdString()); });
    qualityRow->addWidget(qualityLabel_);
    qualityRow->addWidget(quality_);
    qualityRow->addStretch();
    jngLayout->addLayout(qualityRow);
    column->addWidget(jng);

    auto* interim = new QGroupBox(tr("暫定オプション"), this);
    auto* interimLayout = new QVBoxLayout(interim);
    interimLayout->addWidget(
        OptionBox(this, 1018, QT_TR_NOOP("[MHDR] の simplicity profile を正しく書く"), &options_.MhdrStrictProfile));
    interimLayout->addWidget(
        OptionBox(this, 1019, QT_TR_NOOP("[TERM] の省略を許さず、 delay も書き込む"), &options_.TermAlways));
    interimLayout->addWidget(OptionBox(this, 1020, QT_TR_NOOP("[FRAM] の省略を許す"), &options_.FramMayOmit));
    interimLayout->addWidget(OptionBox(this, 1021, QT_TR_NOOP("[DEFI] の省略を許す"), &options_.DefiMayOmit));
    interimLayout->addWidget(
        OptionBox(this, 1032, QT_TR_NOOP("グローバルパレットを一切作らない"), &options_.NoGlobalPalette));
    column->addWidget(interim);

    auto* special = new QGroupBox(tr("特殊オプション"), this);
    auto* specialLayout = new QVBoxLayout(special);
    QCheckBox* keep =
        OptionBox(this, 1033, QT_TR_NOOP("PNGとして読んだ画像のカラーテーブルはいじらない"), &options_.KeepPngPalette);
    specialLayout->addWidget(keep);
    auto* indexRow = new QHBoxLayout;
    transparentIndex_ = Named(new QLineEdit(special), 1034);
    transparentIndex_->setMaxLength(3);
    transparentIndex_->setValidator(new QIntValidator(0, 255, transparentIndex_));
    transparentIndex_->setMaximumWidth(quality_->maximumWidth());
    if (options_.TransparentIndex >= 0) transparentIndex_->setText(QString::number(options_.TransparentIndex));
    transparentIndex_->setEnabled(options_.KeepPngPalette != 0);
    connect(transparentIndex_, &QLineEdit::textChanged, this,
            [this](const QString& text) { options_.TransparentIndex = ParseTransparentIndex(text.toStdString()); });
    connect(keep, &QCheckBox::toggled, transparentIndex_, &QWidget::setEnabled);
    indexRow->addWidget(new QLabel(tr("透過色はカラーインデックス"), special));
    indexRow->addWidget(transparentIndex_);
    indexRow->addWidget(new QLabel(tr("番とする"), special));
    indexRow->addStretch();
    specialLayout->addLayout(indexRow);
    column->addWidget(special);
}

QAbstractButton* OptionsDialog::Control(int id) const {
    return findChild<QAbstractButton*>(IdName(id));
}

void OptionsDialog::ShowJngChoice() {
    int id = 1046;
    switch (CurrentJngChoice(options_)) {
        case JngChoice::kAllFrames: id = 1044; break;
        case JngChoice::kOver256Only: id = 1045; break;
        case JngChoice::kNone: break;
    }
    if (QAbstractButton* radio = Control(id)) {
        QSignalBlocker block(radio);
        radio->setChecked(true);
    }
}

void OptionsDialog::ApplyJngEnabling() {
    for (int id : {1044, 1045, 1046})
        if (QAbstractButton* radio = Control(id)) radio->setEnabled(JngRadiosEnabled(options_));
    qualityLabel_->setEnabled(JngQualityEnabled(options_));
    quality_->setEnabled(JngQualityEnabled(options_));
}

void OptionsDialog::reject() {
    opened_.Restore(options_);
    QDialog::reject();
}

bool OptionsDialog::Run(QWidget* owner, bool mng, WriteOptions& options) {
    OptionsDialog dialog(owner, mng, options);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kivo
