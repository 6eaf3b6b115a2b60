#include "save/document_save.h"

#include <new>
#include <vector>

#include "color/palette_prep.h"
#include "platform/progress.h"

namespace kivo {

namespace {

void ClearInterlaceMark(AnimDoc& doc, const WriteOptions& options) {
    if (options.Interlace == 1 && doc.firstFrame) doc.firstFrame->imageFlags &= uint8_t(~kInterlacedFlag);
}

}  // namespace

const char* DocumentSaveMessage(DocumentSaveError error) {
    switch (error) {
    case DocumentSaveError::kOpenFailed: return "ファイルオープンに失敗しました。";
    case DocumentSaveError::kWriteFailed: return "書き込みに失敗しました。";
    case DocumentSaveError::kCancelled:
    case DocumentSaveError::kNone: break;
    }
    return "";
}

DocumentSaveError SaveDocument(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options,
                               const std::function<bool(SafeFile& file, bool& cancelled)>& body) {
    SafeFile file;
    if (!file.Open(path)) return DocumentSaveError::kOpenFailed;
    ProgressOpen(owner);
    ProgressSetText("チェック中...");
    ProgressSetCancel(nullptr);
    ProgressSetRange(0, 0);
    ProgressPump();

    std::vector<SavedTransparency> saved;
    bool cancelled = false;
    bool ok = false;
    try {
        saved = RememberTransparency(doc);
        ok = body(file, cancelled);
    } catch (const std::bad_alloc&) {
        ok = false;
    }

    if (ok) {
        ReleaseSaveState(doc);
        ClearInterlaceMark(doc, options);
        RestoreTransparency(doc, saved);
        ProgressClose(owner);
        options.AlwaysDither = 0;  // an unconditional dither applies to one save only
        return DocumentSaveError::kNone;
    }

    // Nothing of this save may linger: the next one starts from the pictures.
    ReleaseSaveStateAfterFailure(doc);
    ClearInterlaceMark(doc, options);
    file.Abandon();
    RestoreTransparency(doc, saved);
    cancelled = ProgressPump() == 1 || cancelled;
    ProgressClose(owner);
    return cancelled ? DocumentSaveError::kCancelled : DocumentSaveError::kWriteFailed;
}

bool RunDocumentSave(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options,
                     const std::function<bool(SafeFile& file, bool& cancelled)>& body) {
    const DocumentSaveError error = SaveDocument(owner, path, doc, options, body);
    if (const char* message = DocumentSaveMessage(error); *message) ShowError(owner, message);
    return error == DocumentSaveError::kNone;
}

}  // namespace kivo
