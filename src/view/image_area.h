// The main window's image area: the current frame, 1:1 when it fits, else
// scaled down keeping its proportions (nearest neighbour, so pixels stay sharp).
#pragma once

#include <QFrame>
#include <QImage>

namespace kivo {

struct Frame;

class ImageArea : public QFrame {
    Q_OBJECT
public:
    explicit ImageArea(QWidget* parent);
    void ShowFrame(const Frame* frame);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

}  // namespace kivo
