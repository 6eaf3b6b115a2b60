// The open dialogs' preview pane: a "プレビュー" check box, the selected
// picture scaled to fit, and its size.
#pragma once

#include <QImage>
#include <QWidget>

class QCheckBox;
class QLabel;

namespace kivo {

class PictureArea;

class PicturePreview : public QWidget {
    Q_OBJECT
public:
    explicit PicturePreview(QWidget* parent);

    // Whether previews are on, for every open dialog of this run.
    static bool& Enabled();

public slots:
    // The dialog's selection changed to path (a file, a folder or nothing).
    void ShowFile(const QString& path);

private:
    void Redraw();

    QCheckBox* enabled_;
    PictureArea* area_;
    QLabel* size_;
    QString selected_;   // what the dialog has selected
    QString loaded_;     // the file whose picture is held
    QImage picture_;
};

}  // namespace kivo
