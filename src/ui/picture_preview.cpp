#include "ui/picture_preview.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "app/file_choice.h"
#include "doc/anim_doc.h"
#include "io/import_file.h"
#include "ui/frame_image.h"
#include "ui/layout_units.h"
#include "ui/qt_platform.h"

namespace kivo {

class PictureArea : public QFrame {
public:
    explicit PictureArea(QWidget* parent) : QFrame(parent) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        // 87 × 112 dialog units: a dialog unit is a quarter of the average
        // character width across and an eighth of the font height down.
        QFontMetrics fm = fontMetrics();
        setFixedSize(CharWidthOf(fm) * 87 / 4, fm.height() * 112 / 8);
    }
    QImage picture;

protected:
    void paintEvent(QPaintEvent* event) override {
        QFrame::paintEvent(event);
        QPainter painter(this);
        QRect area = contentsRect();
        painter.fillRect(area, palette().button());
        if (picture.isNull()) return;
        FitRect fit = FitPicture(picture.width(), picture.height(), area.width(), area.height());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(area.x() + fit.x, area.y() + fit.y, fit.width, fit.height), picture);
    }
};

bool& PicturePreview::Enabled() {
    static bool enabled = true;
    return enabled;
}

PicturePreview::PicturePreview(QWidget* parent) : QWidget(parent) {
    enabled_ = new QCheckBox(tr("プレビュー"), this);
    enabled_->setChecked(Enabled());
    area_ = new PictureArea(this);
    size_ = new QLabel(this);
    size_->setAlignment(Qt::AlignCenter);
    size_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(enabled_);
    layout->addWidget(area_);
    layout->addWidget(size_);
    layout->addStretch();
    connect(enabled_, &QCheckBox::toggled, this, [this](bool on) {
        Enabled() = on;
        Redraw();
    });
}

void PicturePreview::ShowFile(const QString& path) {
    selected_ = path;
    Redraw();
}

void PicturePreview::Redraw() {
    QFileInfo info(selected_);
    bool wanted = Enabled() && !selected_.isEmpty() && info.isFile();
    if (wanted && selected_ != loaded_) {
        // The same file selected again is not loaded again.
        loaded_ = selected_;
        picture_ = QImage();
        Frame frame;
        if (LoadPreview(OwnerOf(window()), NativePath(selected_), frame))
            picture_ = DibToImage(frame.dib);
    }
    area_->picture = wanted ? picture_ : QImage();
    area_->update();
    size_->setText(area_->picture.isNull()
                       ? QString()
                       : QStringLiteral("%1 x %2").arg(picture_.width()).arg(picture_.height()));
}

}  // namespace kivo
