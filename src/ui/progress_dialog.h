// The progress dialog every long operation shows: a fixed line, the message
// line, a percentage bar and the cancel button. Application-modal while open:
// the engine works on helper threads during a save, and no window may edit the
// document meanwhile.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kivo {

class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(QWidget* owner);

    void SetMessage(const QString& text);
    void SetCancelButton(const QString& label, bool enabled);
    void SetBar(bool visible, int percent);
    // True once after the cancel button was pressed.
    bool TakeCancelRequest();

protected:
    void reject() override;  // Escape asks to cancel; the operation closes the dialog
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* message_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    bool cancelRequested_ = false;
};

}  // namespace kivo
