#include "io/open_save.h"

#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "frame_ops/size_target.h"
#include "mng/mng_reader.h"
#include "mng/mng_writer.h"
#include "io/file_formats.h"
#include "io/import_file.h"
#include "apng/apng_writer.h"

namespace kivo {

namespace {

constexpr const char* kUnknownFormat = "このファイルの形式は読めません。";
constexpr const char* kPicturesElsewhere = "1 コマの画像は「選択コマの保存」、動画は「AVI 保存」で保存できます。";
constexpr const char* kOneFrameOnly = "この形式には 1 コマしか保存できません。";

std::string DisplayNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::unique_ptr<AnimDoc> OpenDocument(OwnerWindow owner, const std::string& path, GifCut* cut,
                                      int* formatMode, const ReadOptions& options) {
    if (cut) *cut = GifCut{};
    // An animation's signature wins over the name, so an animation saved under
    // another extension (anim.avi, an APNG named .png) opens as the animation it is.
    const FileFormat* format = SniffAnimationFormat(path);
    if (!format) format = FindFileFormat(path);
    // Any name without an animation reader of its own goes to the GIF reader.
    if (!format || !format->readAnimation) format = FindFileFormat("a.gif");
    const bool gif = format->name == "GIF";
    std::unique_ptr<AnimDoc> doc =
        cut && gif ? ReadGifUpToCut(owner, path, *cut) : format->readAnimation(owner, path, options);
    if (doc && cut && cut->cut) {
        // The complete frames of a cut-off file are no copy of it: without a
        // path, saving them asks for a name instead of writing them over the
        // only copy of the rest.
        doc->path.clear();
        doc->displayName = DisplayNameOf(path);
        return doc;
    }
    if (doc) {
        doc->path = path;
        doc->displayName = DisplayNameOf(path);
        if (formatMode) *formatMode = format->name == "MNG" ? 1 : 0;
    }
    return doc;
}

std::unique_ptr<AnimDoc> ReadAsDocument(OwnerWindow owner, const std::string& path, const ReadOptions& options) {
    const FileFormat* format = DetectFileFormat(path);
    if (!format || (!format->readAnimation && !format->readFrame)) {
        ShowError(owner, kUnknownFormat);
        return nullptr;
    }
    if (format->readAnimation) return OpenDocument(owner, path, nullptr, nullptr, options);
    std::unique_ptr<AnimDoc> doc = NewDocument();
    if (!doc || !ImportFile(owner, *doc, kImportAppend, path, {}, options)) return nullptr;
    doc->path = path;
    doc->displayName = DisplayNameOf(path);
    doc->modified = 0;
    return doc;
}

bool CanSaveDocument(const std::string& path, const AnimDoc& doc) {
    const FileFormat* format = FindFileFormat(path);
    return !format || format->writeDocument || (format->writeFrame && doc.frameCount == 1);
}

bool SaveDocument(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options,
                  int* formatMode) {
    const FileFormat* format = FindFileFormat(path);
    if (!format || format->writeDocument) {
        const bool ok = format ? format->writeDocument(owner, path, doc, options) : WriteGifWithinTarget(owner, path, doc, options);
        if (ok && formatMode) *formatMode = IsMngFile(path) ? 1 : 0;
        return ok;
    }
    if (!format->writeFrame || doc.frameCount != 1 || !doc.firstFrame) {
        ShowError(owner, kOneFrameOnly);
        return false;
    }
    return format->writeFrame(owner, path, doc, *doc.firstFrame, true, options);
}

bool SaveAnimation(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options,
                   int* formatMode) {
    // A .webp name writes WebP through its row; every other name GIF or MNG.
    if (const FileFormat* format = FindFileFormat(path); format && format->name == "WebP") {
        const bool ok = format->writeDocument(owner, path, doc, options);
        if (ok && formatMode) *formatMode = 0;
        return ok;
    }
    const bool mng = IsMngFile(path);
    // A .png or .apng name takes an animated PNG, even of one frame, so that
    // its delay and loop are kept; the working mode stays GIF's, whose options
    // it shares.
    const FileFormat* format = FindFileFormat(path);
    if (format && (format->name == "PNG" || format->name == "APNG")) {
        const bool ok = WriteApng(owner, path, doc, options);
        if (ok && formatMode) *formatMode = 0;
        return ok;
    }
    const bool ok = mng ? WriteMng(owner, path, doc, options) : WriteGifWithinTarget(owner, path, doc, options);
    if (ok && formatMode) *formatMode = mng ? 1 : 0;
    return ok;
}

std::string AnimationFormatNotice(const std::string& path) {
    const std::string ext = FileExtension(path);
    if (ext.empty() || ext == "GIF" || ext == "MNG" || ext == "PNG" || ext == "APNG" || ext == "WEBP") return {};
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return "「" + name + "」には GIF アニメーションを書き込みます。\r" + kPicturesElsewhere;
}

}  // namespace kivo
