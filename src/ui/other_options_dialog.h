// "その他のオプション": which paint program edits frames, and whether size
// optimisation also uses transparency. Every change takes effect at once;
// there is nothing to cancel, only "閉じる". Controls carry their ids as object
// names ("id1039").
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kivo {

class OtherOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit OtherOptionsDialog(QWidget* owner);
    static void Run(QWidget* owner);

private:
    void ApplyEnabling();
    void Browse();

    QCheckBox* standard_ = nullptr;
    QLabel* found_ = nullptr;
    QLabel* otherLabel_ = nullptr;
    QLineEdit* other_ = nullptr;
    QPushButton* browse_ = nullptr;
};

}  // namespace kivo
