#include "save/document_save.h"

#include <new>
#include <vector>

#include "color/palette_prep.h"
#include "options/write_options.h"
#include "platform/progress.h"

namespace kivo {

namespace {

constexpr const char* kOpenFailed = "ファイルオープンに失敗しました。";
constexpr const char* kWriteFailed = "書き込みに失敗しました。";

void ClearInterlaceMark(AnimDoc& doc) {
    if (Interlace == 1 && doc.firstFrame) doc.firstFrame->imageFlags &= uint8_t(~kInterlacedFlag);
}

}  // namespace

bool RunDocumentSave(OwnerWindow owner, const std::string& path, AnimDoc& doc,
                     const std::function<bool(SafeFile& file, bool& cancelled)>& body) {
    SafeFile file;
    if (!file.Open(path)) {
        ShowError(owner, kOpenFailed);
        return false;
    }
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
        ClearInterlaceMark(doc);
        RestoreTransparency(doc, saved);
        ProgressClose(owner);
        AlwaysDither = 0;  // an unconditional dither applies to one save only
        return true;
    }

    // Nothing of this save may linger: the next one starts from the pictures.
    ReleaseSaveStateAfterFailure(doc);
    ClearInterlaceMark(doc);
    file.Abandon();
    RestoreTransparency(doc, saved);
    cancelled = ProgressPump() == 1 || cancelled;
    ProgressClose(owner);
    if (!cancelled) ShowError(owner, kWriteFailed);
    return false;
}

}  // namespace kivo
