#include "app/shell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>
#include <string>

#include "app/session_settings.h"
#include "app/video_choice.h"
#include "options/write_options.h"
#include "doc/selection.h"
#include "io/file_formats.h"
#include "io/import_file.h"
#include "io/open_save.h"
#include "avi/avi_export.h"
#include "frame_ops/move_frames.h"
#include "frame_ops/optimize_frames.h"
#include "video/video_export.h"
#include "video/video_import.h"
#include "platform/translatable.h"

namespace kivo {

namespace {

constexpr const char* kOpenFailed = "オープンに失敗しました。";
constexpr const char* kSomeFilesFailed = "いくつかのファイルオープンに失敗しました。";
constexpr const char* kOpenCompleteFrames = "読み込めた %d コマだけを開きますか?";
constexpr const char* kNotOverTheFile = "(元のファイルには上書きしません。保存するときに名前を付けます。)";
constexpr const char* kStartupSkipped = "次のファイルを開けないため、何も開きませんでした。";
constexpr const char* kNoSuchFile = "%s（ファイルがありません）";
constexpr const char* kIsFolder = "%s（フォルダです）";
constexpr const char* kNoReadPermission = "%s（読み取りの権限がありません）";

std::string WithValue(const char* pattern, const std::string& text) {
    std::string out = pattern;
    out.replace(out.find("%s"), 2, text);
    return out;
}

std::string WithValue(const char* pattern, int n) {
    std::string out = pattern;
    out.replace(out.find("%d"), 2, std::to_string(n));
    return out;
}

// Why a file named at start-up cannot be opened, as a line naming it; empty
// when it can be read.
std::string StartupFileProblem(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        const bool missing = errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG || errno == ELOOP;
        return WithValue(missing ? kNoSuchFile : kNoReadPermission, path);
    }
    if (S_ISDIR(st.st_mode)) return WithValue(kIsFolder, path);
    if (access(path.c_str(), R_OK) != 0) return WithValue(kNoReadPermission, path);
    return {};
}

bool IsAnimationFile(const std::string& path) {
    std::string ext = FileExtension(path);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == "gif" || ext == "mng";
}

}  // namespace

std::string FileNamePart(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string AviNameFor(const std::string& path) {
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < path.size() - FileNamePart(path).size()) return path;
    return path.substr(0, dot) + ".avi";
}

std::string VideoNameFor(const std::string& path) {
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < path.size() - FileNamePart(path).size()) return path;
    return path.substr(0, dot) + ".mp4";
}

std::optional<ReadOptions> Shell::ReadingFor(const std::vector<std::string>& paths) {
    ReadOptions reading = ReadOptionsFrom(options_);
    for (const std::string& path : paths) {
        VideoProbe probe;
        if (!IsVideoClip(path) || !ProbeVideo(path, reading, probe) || !IsLongClip(probe)) continue;
        if (!ui_.AskVideoReading(path, probe, reading)) return std::nullopt;
        break;
    }
    return reading;
}

Shell::Shell(ShellUi& ui, int formatMode, WriteOptions options)
    : ui_(ui), formatMode_(formatMode == 1 ? 1 : 0), options_(std::move(options)), doc_(NewDocument(formatMode_)),
      history_(UndoMemoryBytes()) {
    if (!doc_) throw std::bad_alloc();
}

std::string Shell::Caption() const {
    return "Kivo - " + doc_->displayName + " " + (doc_->modified ? '*' : ' ');
}

void Shell::UpdateTitle() { ui_.SetCaption(Caption()); }

void Shell::MarkModified() {
    history_.Forget();
    SyncModified();
}

void Shell::SyncModified() {
    const int16_t modified = doc_->frameCount > 0 && !history_.AtSavePoint() ? 1 : 0;
    if (doc_->modified != modified) {
        doc_->modified = modified;
        UpdateTitle();
    }
}

void Shell::SetFormatMode(int mode) {
    formatMode_ = mode == 1 ? 1 : 0;
    ui_.FormatModeChanged();
}

void Shell::ReplaceDocument(std::unique_ptr<AnimDoc> doc, bool saved) {
    doc_ = std::move(doc);
    history_.Reset(saved);
    doc_->modified = 0;
    SyncModified();
    ResetSelection(*doc_, selection_);
    UpdateTitle();
    ui_.RefreshPanel();
}

bool Shell::WriteTo(const std::string& path, bool rename, bool askOptions) {
    if (askOptions) {
        bool mng = IsMngFile(path);
        if (FileExtension(path) == "WEBP") {
            if (options_.WebpShowOptionsOnSave && !ui_.RunWebpOptionsDialog()) return false;
        } else if ((mng ? options_.MngShowOptionsOnSave : options_.ShowOptionsOnSave) && !ui_.RunOptionsDialog(mng)) {
            return false;
        }
    }
    PausedPreview paused(ui_);
    int written = formatMode_;
    if (!SaveAnimation(ui_.Owner(), path, *doc_, options_, &written)) return false;
    doc_->modified = 0;
    history_.MarkSaved();
    if (rename) {
        doc_->path = path;
        doc_->displayName = FileNamePart(path);
    }
    UpdateTitle();
    // The working mode follows the format written.
    formatMode_ = written;
    ui_.FormatModeChanged();
    return true;
}

bool Shell::WriteToChosen(const std::string& path) {
    const std::string notice = AnimationFormatNotice(path);
    if (!notice.empty() && !ui_.AskOkCancel(notice)) return false;
    return WriteTo(path, true, true);
}

bool Shell::ConfirmSave() {
    if (doc_->frameCount == 0 || !doc_->modified) return true;
    std::string text = doc_->displayName + " は、変更されています。\r上書き保管をしますか?";
    switch (ui_.AskSaveChanges(text)) {
        case SaveAnswer::kCancel: return false;
        case SaveAnswer::kNo: return true;
        case SaveAnswer::kYes: break;
    }
    // Only a document that is safely on disk may be discarded: a failed or
    // cancelled save keeps it open and modified.
    if (!doc_->path.empty()) return WriteTo(doc_->path, false, false);
    std::optional<std::string> path = ui_.ChooseSavePath(doc_->displayName);
    return path && WriteToChosen(*path);
}

void Shell::New() {
    if (!ConfirmSave()) return;
    PausedPreview paused(ui_);
    std::unique_ptr<AnimDoc> doc = NewDocument(formatMode_);
    if (!doc) {
        ShowError(ui_.Owner(), "メモリが足りません。");
        return;
    }
    ReplaceDocument(std::move(doc));
}

void Shell::Open() {
    if (!ConfirmSave()) return;
    if (std::optional<std::string> path = ui_.ChooseOpenPath()) OpenPath(*path);
}

bool Shell::OpenPath(const std::string& path) {
    PausedPreview paused(ui_);
    const std::optional<ReadOptions> reading = ReadingFor({path});
    if (!reading) return false;
    GifCut cut;
    int opened = formatMode_;
    std::unique_ptr<AnimDoc> doc = OpenDocument(ui_.Owner(), path, &cut, &opened, *reading);
    if (cut.cut) {
        // The message says what is wrong with the file; a general failure
        // after it would only hide that. What was read whole may still be
        // worth having, as a document of its own, not as the file.
        if (!doc) {
            ShowError(ui_.Owner(), cut.message);
            return false;
        }
        const std::string offer =
            cut.message + "\r" + WithValue(kOpenCompleteFrames, cut.completeFrames) + "\r" + kNotOverTheFile;
        if (!ui_.AskOkCancel(offer)) return false;
        SetFormatMode(0);
        ReplaceDocument(std::move(doc), false);
        return true;
    }
    if (!doc) {
        ShowError(ui_.Owner(), kOpenFailed);
        return false;
    }
    // The working mode follows the file opened.
    formatMode_ = opened;
    ui_.FormatModeChanged();
    ReplaceDocument(std::move(doc));
    return true;
}

bool Shell::Save() {
    if (doc_->path.empty()) return SaveAs();
    return WriteTo(doc_->path, false, true);
}

bool Shell::SaveAs() {
    if (!doc_->currentFrame) return false;
    std::optional<std::string> path = ui_.ChooseSavePath(doc_->displayName);
    return path && WriteToChosen(*path);
}

void Shell::Delete(std::string_view label) {
    if (!doc_->currentFrame) return;
    PausedPreview paused(ui_);
    EditKeeping(label, [this](AnimDoc& doc, FrameKeeper& keeper) {
        std::vector<int32_t> selected = selection_;
        if (selected.empty()) selected = {doc.currentIndex};
        bool removed = false;
        // From the highest index down, so the indices still to go stay valid.
        for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
            Frame* frame = NthFrame(doc, *it);
            if (!frame) continue;
            doc.currentFrame = frame;
            doc.currentIndex = *it;
            if (std::unique_ptr<Frame> gone = TakeFrame(doc)) {
                keeper.KeepRemovedFrame(std::move(gone));
                removed = true;
            }
        }
        ResetSelection(doc, selection_);
        return removed;
    });
    ResetSelection(*doc_, selection_);
    AfterEdit();
}

void Shell::SelectAll() {
    std::vector<int32_t> all(size_t(std::max(doc_->frameCount, 0)));
    for (size_t i = 0; i < all.size(); ++i) all[i] = int32_t(i);
    SetSelection(*doc_, selection_, std::move(all));
    ui_.RefreshPanel();
}

void Shell::AddFrames(bool insert) {
    std::vector<std::string> paths = ui_.ChooseFramePaths();
    if (!paths.empty()) AddFramesFrom(paths, insert);
}

void Shell::AddFramesFrom(const std::vector<std::string>& paths, bool insert) {
    PausedPreview paused(ui_);
    const std::optional<ReadOptions> reading = ReadingFor(paths);
    if (!reading) return;
    // A later file may fail after earlier ones added frames: those stay, and the
    // view, the mark and the history show them.
    Edit(insert ? KIVO_TR_NOOP("Edits", "コマの挿入") : KIVO_TR_NOOP("Edits", "コマの付け足し"), [&](AnimDoc& doc) {
        return ImportFiles(ui_.Owner(), doc, insert ? kImportInsert : kImportAppend, paths, selection_, *reading);
    });
    AfterEdit();
}

void Shell::InsertFramesFrom(const std::vector<std::string>& paths, int32_t before) {
    PausedPreview paused(ui_);
    const std::optional<ReadOptions> reading = ReadingFor(paths);
    if (!reading) return;
    Edit("コマの挿入", [&](AnimDoc& doc) {
        const int32_t at = std::clamp(before, 0, doc.frameCount);
        int32_t added = 0;
        ImportFilesBefore(ui_.Owner(), doc, paths, at, *reading, &added);
        if (added == 0) return false;
        std::vector<int32_t> inserted(static_cast<size_t>(added));
        for (int32_t i = 0; i < added; ++i) inserted[size_t(i)] = at + i;
        SetSelection(doc, selection_, std::move(inserted));
        doc.currentIndex = at;
        doc.currentFrame = NthFrame(doc, at);
        return true;
    });
    AfterEdit();
}

bool Shell::MoveFramesTo(const std::vector<int32_t>& indices, int32_t before) {
    PausedPreview paused(ui_);
    const bool moved = Edit(kMoveLabel, [&](AnimDoc& doc) {
        Selection dragged;
        SetSelection(doc, dragged, indices);
        if (!MoveFrames(doc, dragged, before)) return false;
        const int32_t start = MovedFramesStart(dragged, before);
        const int32_t end = start + int32_t(dragged.size());
        std::vector<int32_t> landed(dragged.size());
        for (size_t i = 0; i < landed.size(); ++i) landed[i] = start + int32_t(i);
        SetSelection(doc, selection_, std::move(landed));
        if (doc.currentIndex < start || doc.currentIndex >= end) {
            doc.currentIndex = end - 1;
            doc.currentFrame = NthFrame(doc, doc.currentIndex);
        }
        return true;
    });
    if (moved) AfterEdit();
    return moved;
}

void Shell::Optimize() {
    if (doc_->frameCount < 2) return;
    PausedPreview paused(ui_);
    EditKeeping(KIVO_TR_NOOP("Edits", "各コマサイズの最適化"), [&](AnimDoc& doc, FrameKeeper& keeper) {
        if (!OptimizeFrameSizes(ui_.Owner(), doc, options_, nullptr, &keeper)) return false;
        // The frame list changed under the selection; what a refresh leaves behind.
        try {
            ResetSelection(doc, selection_);
        } catch (const std::bad_alloc&) {
            selection_.clear();
        }
        return true;
    });
    AfterEdit();
}

bool Shell::SaveAvi() {
    if (!doc_->currentFrame) return false;
    std::optional<std::string> path = ui_.ChooseAviSavePath(AviNameFor(doc_->path));
    if (!path) return false;
    PausedPreview paused(ui_);
    AviEncoderChoice choice{
        [this] { return ui_.ChooseAviEncoder(); },
        [this](OwnerWindow, std::string_view message) { return ui_.AskAviRetry(std::string(message)); },
    };
    return ExportAvi(ui_.Owner(), *path, *doc_, choice);
}

bool Shell::SaveVideo() {
    if (!doc_->currentFrame) return false;
    std::optional<std::string> path = ui_.ChooseVideoSavePath(VideoNameFor(doc_->path));
    if (!path) return false;
    VideoKind kind = VideoKind::kMp4;
    if (!VideoKindOf(*path, kind)) *path += ".mp4";  // the dialog's names end so; a typed one may not
    PausedPreview paused(ui_);
    return ExportVideo(ui_.Owner(), *path, *doc_, kind);
}

bool Shell::Edit(std::string_view label, const std::function<bool(AnimDoc&)>& operation,
                 std::string_view mergeKey) {
    return EditKeeping(label, [&](AnimDoc& doc, FrameKeeper&) { return operation(doc); }, mergeKey);
}

bool Shell::EditKeeping(std::string_view label, const std::function<bool(AnimDoc&, FrameKeeper&)>& operation,
                        std::string_view mergeKey) {
    // An edit inside another (a nested event loop) is part of the outer one.
    if (history_.Open()) return operation(*doc_, history_);
    // Without room for the history the edit still happens; only it cannot be undone.
    FrameKeeper releasing;
    FrameKeeper* keeper = &history_;
    try {
        history_.Begin(*doc_, selection_);
    } catch (const std::bad_alloc&) {
        history_.Forget();
        keeper = &releasing;
    }
    bool result = false;
    try {
        result = operation(*doc_, *keeper);
    } catch (...) {
        history_.Forget();
        SyncModified();
        throw;
    }
    if (keeper == &history_) {
        try {
            history_.End(*doc_, selection_, label, mergeKey);
        } catch (const std::bad_alloc&) {
            history_.Forget();
        }
    } else if (result) {
        history_.Forget();
    }
    SyncModified();
    return result;
}

void Shell::Undo() {
    if (history_.CanUndo()) Travel(true);
}

void Shell::Redo() {
    if (history_.CanRedo()) Travel(false);
}

void Shell::Travel(bool back) {
    PausedPreview paused(ui_);
    try {
        if (!(back ? history_.Undo(*doc_, selection_) : history_.Redo(*doc_, selection_))) {
            SyncModified();
            return;
        }
    } catch (const std::bad_alloc&) {
        ShowError(ui_.Owner(), "メモリが足りません。");
        return;
    }
    SyncModified();
    ui_.RefreshPanel();
}

void Shell::AfterEdit() {
    if (selection_.empty() || selection_.back() >= doc_->frameCount)
        ResetSelection(*doc_, selection_);
    ui_.RefreshPanel();
}

void Shell::OpenStartupFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    // One file that cannot be read makes the whole list suspect (a name split
    // at a blank, a wrong folder): nothing opens, and the user is told which
    // names were the trouble.
    std::string skipped;
    for (const std::string& p : paths) {
        const std::string problem = StartupFileProblem(p);
        if (!problem.empty()) skipped += "\r" + problem;
    }
    if (!skipped.empty()) {
        ShowError(ui_.Owner(), kStartupSkipped + skipped);
        return;
    }
    if (paths.size() == 1 && IsAnimationFile(paths[0])) {
        OpenPath(paths[0]);
        return;
    }
    const std::optional<ReadOptions> reading = ReadingFor(paths);
    if (!reading) return;
    bool failed = false;
    for (const std::string& p : paths) failed = !ImportFile(ui_.Owner(), *doc_, kImportAppend, p, {}, *reading) || failed;
    if (failed) ShowError(ui_.Owner(), kSomeFilesFailed);
    if (doc_->firstFrame) {
        doc_->currentFrame = doc_->firstFrame.get();
        doc_->currentIndex = 0;
    }
    ResetSelection(*doc_, selection_);
    // The files as opened are where the history starts; they are no saved document.
    history_.Reset(doc_->frameCount == 0);
    doc_->modified = doc_->frameCount > 0 ? 1 : 0;
    UpdateTitle();
    ui_.RefreshPanel();
}

}  // namespace kivo
