// The main window's image area: the current frame at its place on the logical
// screen, 1:1 when the screen fits, else the whole screen scaled down by one
// factor (nearest neighbour, so pixels stay sharp). Files dropped on it and a
// double click are passed on.
#pragma once

#include <QFrame>
#include <QImage>
#include <QStringList>

class QMimeData;

namespace kivo {

struct Frame;

// Where a frame lands in an area of areaW × areaH showing a screen of
// screenW × screenH: 1:1, or every coordinate divided by the larger ratio.
QRect FramePlacement(int left, int top, int width, int height, int screenW, int screenH, int areaW,
                     int areaH);

class ImageArea : public QFrame {
    Q_OBJECT
public:
    explicit ImageArea(QWidget* parent);
    void ShowFrame(const Frame* frame, int screenWidth, int screenHeight);

signals:
    void filesDropped(const QStringList& paths);
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    QRect frameRect_;  // left, top, width, height on the screen
    QSize screen_;
};

// The local files of a drop, or none.
QStringList DroppedFiles(const QMimeData* data);

}  // namespace kivo
