#include "view/clipboard_part.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <cstring>

#include "app/command_table.h"
#include "app/frame_size.h"
#include "doc/bmp.h"
#include "doc/dib.h"
#include "ui/frame_image.h"
#include "ui/qt_platform.h"
#include "view/main_window.h"

namespace kivo {

namespace {

const QString kPng = QStringLiteral("image/png");
const QString kBmp = QStringLiteral("image/bmp");

// A picture with an alpha channel is laid on white first: frames have none,
// and the colour under a fully transparent pixel is often black or noise.
Dib ImageToDib24(const QImage& image) {
    QImage rgb(image.size(), QImage::Format_BGR888);
    if (rgb.isNull()) return {};
    rgb.fill(Qt::white);
    {
        QPainter painter(&rgb);
        painter.drawImage(0, 0, image);
    }
    Dib dib = MakeDib24(uint32_t(rgb.width()), uint32_t(rgb.height()));
    if (dib.empty()) return dib;
    const size_t stride = DibRowBytes(uint32_t(rgb.width()), 24);
    uint8_t* rows = DibPixels(dib);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(rows + stride * size_t(rgb.height() - 1 - y), rgb.constScanLine(y), size_t(rgb.width()) * 3);
    return dib;
}

// Encoded picture bytes: the size is checked from the header before anything
// is decoded, so a hostile header cannot make us allocate.
QImage DecodeChecked(const QByteArray& bytes, const char** refusal) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid()) return {};
    if (const char* message = PastedPictureMessage(CheckFrameSize(size.width(), size.height()))) {
        *refusal = message;
        return {};
    }
    reader.setAllocationLimit(0);  // the size check above is the limit
    return reader.read();
}

}  // namespace

FrameClipData::FrameClipData(std::shared_ptr<const ClipList> list) : list_(std::move(list)) {}

QStringList FrameClipData::formats() const { return {kPng, kBmp, QString::fromLatin1(kClipFramesType)}; }

bool FrameClipData::hasFormat(const QString& mimeType) const { return formats().contains(mimeType); }

QVariant FrameClipData::retrieveData(const QString& mimeType, QMetaType type) const {
    (void)type;
    if (!list_ || list_->empty()) return {};
    const Dib& first = list_->front().picture;
    if (mimeType == QLatin1String(kClipFramesType))
        return QByteArray::number(qulonglong(list_->size())) + " frames";
    if (mimeType == kBmp) {
        std::string bytes;
        if (!EncodeBmp(first, bytes)) return {};
        return QByteArray(bytes.data(), qsizetype(bytes.size()));
    }
    if (mimeType == kPng) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!DibToImage(first).save(&buffer, "PNG")) return {};
        return bytes;
    }
    return {};
}

Dib ClipboardPicture(const QMimeData* data, const char** refusal) {
    *refusal = nullptr;
    if (!data) return {};
    QImage image;
    if (data->hasImage()) image = qvariant_cast<QImage>(data->imageData());
    for (const QString& format : {kPng, kBmp}) {
        if (!image.isNull() || *refusal) break;
        if (data->hasFormat(format)) image = DecodeChecked(data->data(format), refusal);
    }
    if (image.isNull()) return {};
    if (const char* message = PastedPictureMessage(CheckFrameSize(image.width(), image.height()))) {
        *refusal = message;
        return {};
    }
    return ImageToDib24(image);
}

ClipboardPart::ClipboardPart(MainWindow& window) : window_(window) {
    window.OnCommand(kCmdCopy, [this] { Copy(); });
    // Delete only what is safely on the clipboard.
    window.OnCommand(kCmdCut, [this] {
        if (Copy()) window_.GetShell().Delete(QT_TRANSLATE_NOOP("Edits", "切り取り"));
    });
    window.OnCommand(kCmdPasteAppend, [this] { Paste(false); });
    window.OnCommand(kCmdPasteInsert, [this] { Paste(true); });
}

bool ClipboardPart::Copy() {
    const AnimDoc& doc = window_.GetShell().Doc();
    auto list = std::make_shared<ClipList>();
    if (!CopyFrames(doc, FramesToCopy(doc, window_.GetShell().Selected()), *list)) {
        if (doc.frameCount > 0) Beep();
        return false;
    }
    QGuiApplication::clipboard()->setMimeData(new FrameClipData(std::move(list)));
    return true;
}

bool ClipboardPart::Paste(bool insert) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    std::shared_ptr<const ClipList> list;
    if (const auto* ours = qobject_cast<const FrameClipData*>(data)) {
        list = ours->List();
    } else {
        const char* refusal = nullptr;
        Dib picture = ClipboardPicture(data, &refusal);
        if (refusal) {
            ShowError(OwnerOf(&window_), refusal);
            return false;
        }
        if (picture.empty()) return true;
        list = std::make_shared<const ClipList>(ClipList{PictureEntry(std::move(picture))});
    }
    if (!list || list->empty()) return true;
    Shell& shell = window_.GetShell();
    const bool wasPlaying = window_.StopPreview();
    // Frames pasted before a failure stay, and are one step like the rest.
    const char* label =
        insert ? QT_TRANSLATE_NOOP("Edits", "コマの挿入貼付け") : QT_TRANSLATE_NOOP("Edits", "コマの付け足し貼付け");
    const bool ok = shell.Edit(label, [&](AnimDoc& doc) { return PasteFrames(doc, shell.Selected(), *list, insert); });
    if (!ok) Beep();
    window_.RefreshPanel();
    if (wasPlaying) window_.ResumePreview();
    return ok;
}

}  // namespace kivo
