// An up/down button pair beside a number field: the panel's spins.
#pragma once

#include <QWidget>

class QToolButton;

namespace kivo {

class SpinButtons : public QWidget {
    Q_OBJECT
public:
    explicit SpinButtons(QWidget* parent);

signals:
    // +1 for up, -1 for down; repeated while a button is held.
    void stepped(int delta);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace kivo
