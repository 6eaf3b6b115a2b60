#include "ui/qt_platform.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>

#include "ui/progress_dialog.h"
#include "ui/qt_translation.h"

namespace kivo {

std::string NativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString FromNativePath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString ShownMessage(std::string_view text) {
    QString shown = TranslatedMessage(text);
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QtPlatformBackend::QtPlatformBackend() = default;
QtPlatformBackend::~QtPlatformBackend() = default;

void QtPlatformBackend::ShowError(OwnerWindow owner, std::string_view text) {
    QApplication::beep();
    QWidget* parent = OwnerWidget(owner);
    if (!parent) parent = dialog_ ? dialog_.get() : QApplication::activeWindow();
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Error!"), ShownMessage(text),
                    QMessageBox::Ok, parent);
    // Above the progress dialog too, which is application-modal.
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void QtPlatformBackend::Beep() { QApplication::beep(); }

void QtPlatformBackend::ProgressDialogOpen(OwnerWindow owner) {
    dialog_ = std::make_unique<ProgressDialog>(OwnerWidget(owner));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

void QtPlatformBackend::ProgressDialogClose(OwnerWindow owner) {
    if (!dialog_) return;
    dialog_->hide();
    dialog_.reset();
    QApplication::restoreOverrideCursor();
    if (QWidget* w = OwnerWidget(owner)) {
        w->raise();
        w->activateWindow();
    }
}

bool QtPlatformBackend::ProgressDialogPump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return dialog_ && dialog_->TakeCancelRequest();
}

void QtPlatformBackend::ProgressDialogSetText(std::string_view text) {
    if (dialog_) dialog_->SetMessage(TranslatedMessage(text));
}

void QtPlatformBackend::ProgressDialogSetTitle(std::string_view text) {
    if (dialog_) dialog_->setWindowTitle(TranslatedMessage(text));
}

void QtPlatformBackend::ProgressDialogSetCancel(std::string_view label, bool enabled) {
    if (dialog_) dialog_->SetCancelButton(TranslatedMessage(label), enabled);
}

void QtPlatformBackend::ProgressDialogSetBar(bool visible, int percent) {
    if (dialog_) dialog_->SetBar(visible, percent);
}

}  // namespace kivo
