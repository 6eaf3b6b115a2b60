#include "io/import_file.h"

#include <algorithm>
#include <new>
#include <strings.h>

#include "doc/selection.h"
#include "io/file_formats.h"

namespace kivo {

namespace {

constexpr const char* kOpenFailed = "ファイルオープンに失敗しました。";

// Reads one picture into a new frame at the current position; the frame goes
// again when the reader fails.
bool ImportPicture(OwnerWindow owner, AnimDoc& doc, bool insert, const std::string& path,
                   FrameReader read, const ReadOptions& options) {
    if (!(insert ? InsertFrame(doc) : AppendFrame(doc))) return false;
    doc.currentFrame->tempPalette = 1;
    bool ok = false;
    try {
        ok = read(owner, path, *doc.currentFrame, options);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (ok) UpdateExtent(doc);
    else RemoveFrame(doc);
    return ok;
}

}  // namespace

bool MergeAnimation(AnimDoc& doc, std::unique_ptr<AnimDoc> loaded, bool insert) {
    if (!loaded) return false;
    try {
        if (doc.globalPalette.empty()) {
            doc.globalPalette = std::move(loaded->globalPalette);
        } else if (!loaded->globalPalette.empty()) {
            // Copies first, so a shortage of memory leaves every frame as it was.
            std::vector<Frame*> needy;
            for (Frame* f = loaded->firstFrame.get(); f; f = f->next.get())
                if (f->localPalette.empty()) needy.push_back(f);
            std::vector<Palette> copies(needy.size(), loaded->globalPalette);
            for (size_t i = 0; i < needy.size(); ++i) needy[i]->localPalette = std::move(copies[i]);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    SpliceFrames(doc, *loaded, insert);
    return true;
}

bool IsImportableFile(const std::string& path) {
    const FileFormat* f = FindFileFormat(path);
    return f && (f->readAnimation || f->readFrame);
}

bool ImportFile(OwnerWindow owner, AnimDoc& doc, int mode, const std::string& path,
                const Selection& selection, const ReadOptions& options) {
    const bool insert = mode == kImportInsert;
    Frame* const oldCurrent = doc.currentFrame;
    const int32_t oldIndex = doc.currentIndex;
    if (insert) MoveToFirstSelected(doc, selection);
    bool ok = false;
    try {
        // An animation's signature wins over its name (a WebP saved as .gif).
        const FileFormat* format = SniffAnimationFormat(path);
        if (!format) format = FindFileFormat(path);
        if (format) {
            if (format->readAnimation) {
                ok = MergeAnimation(doc, format->readAnimation(owner, path, options), insert);
                if (ok) UpdateExtent(doc);
            } else if (format->readFrame) {
                ok = ImportPicture(owner, doc, insert, path, format->readFrame, options);
            }
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok) {
        ShowError(owner, kOpenFailed);
        // An append that failed leaves the current frame where RemoveFrame put it;
        // the user's position is what it was before either way.
        doc.currentFrame = oldCurrent;
        doc.currentIndex = oldIndex;
    }
    return ok;
}

namespace {

void SortByPath(std::vector<std::string>& paths) {
    std::stable_sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    });
}

}  // namespace

bool ImportFiles(OwnerWindow owner, AnimDoc& doc, int mode, std::vector<std::string> paths,
                 const Selection& selection, const ReadOptions& options) {
    SortByPath(paths);
    for (size_t i = 0; i < paths.size(); ++i) {
        const int thisMode = (mode == kImportInsert && i == 0) ? kImportInsert : kImportAppend;
        if (!ImportFile(owner, doc, thisMode, paths[i], selection, options)) return false;
    }
    return true;
}

bool ImportFilesBefore(OwnerWindow owner, AnimDoc& doc, std::vector<std::string> paths, int32_t before,
                       const ReadOptions& options, int32_t* added) {
    SortByPath(paths);
    const int32_t oldCount = doc.frameCount;
    int32_t at = std::max(before, 0);
    bool ok = true;
    for (const std::string& path : paths) {
        const int32_t count = doc.frameCount;
        // Each file goes after the frames of the one before it.
        ok = at < count ? ImportFile(owner, doc, kImportInsert, path, Selection{at}, options)
                        : ImportFile(owner, doc, kImportAppend, path, {}, options);
        if (!ok) break;
        at += doc.frameCount - count;
    }
    if (added) *added = doc.frameCount - oldCount;
    return ok;
}

bool LoadPreview(OwnerWindow owner, const std::string& path, Frame& frame) {
    const FileFormat* format = FindPreviewFormat(path);
    if (!format || !format->loadPreview) return false;
    try {
        return format->loadPreview(owner, path, frame, ReadOptions{});
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace kivo
