#include "ui/avi_encoder_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QVBoxLayout>

#include "avi/avi_encoders.h"
#include "ui/layout_units.h"
#include "ui/qt_platform.h"

namespace kivo {

std::optional<std::string> ChooseAviEncoder(QWidget* owner) {
    static std::string lastChoice = kDefaultAviEncoder;
    QDialog dialog(owner);
    dialog.setWindowTitle(QCoreApplication::translate("AviEncoderDialog", "ビデオの圧縮"));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("encoders"));
    for (const AviEncoderInfo& e : AviEncoders()) {
        auto* item = new QListWidgetItem(
            QStringLiteral("%1 — %2").arg(QString::fromStdString(e.name), QString::fromStdString(e.description)), list);
        item->setData(Qt::UserRole, QString::fromStdString(e.name));
        if (e.name == lastChoice) list->setCurrentItem(item);
    }
    if (!list->currentItem() && list->count() > 0) list->setCurrentRow(0);
    QFontMetrics fm = list->fontMetrics();
    list->setMinimumSize(CharWidthOf(fm) * 50, fm.height() * 12);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QCoreApplication::translate("AviEncoderDialog", "圧縮形式:"), &dialog));
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || !list->currentItem()) return std::nullopt;
    lastChoice = list->currentItem()->data(Qt::UserRole).toString().toStdString();
    return lastChoice;
}

bool AskAviRetry(QWidget* owner, const std::string& message) {
    QApplication::beep();
    QMessageBox box(QMessageBox::Warning, QStringLiteral("error"), ShownMessage(message),
                    QMessageBox::Ok | QMessageBox::Cancel, owner);
    return box.exec() == QMessageBox::Ok;
}

}  // namespace kivo
