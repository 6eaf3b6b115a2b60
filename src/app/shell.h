// The editor's command logic, without a window system: the one current document,
// the caption, the working format mode, the frame selection, the save-or-discard question and the
// file and frame commands. The window implements ShellUi and forwards each menu
// command here, so every decision is testable without a display.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/history.h"
#include "doc/anim_doc.h"
#include "options/read_options.h"
#include "options/write_options.h"
#include "doc/selection.h"
#include "platform/platform.h"
#include "platform/translatable.h"

namespace kivo {

struct VideoProbe;

enum class SaveAnswer { kYes, kNo, kCancel };

// What the command logic needs from the window system.
class ShellUi {
public:
    virtual ~ShellUi() = default;
    virtual OwnerWindow Owner() = 0;
    // The Yes/No/Cancel warning "確認" with a beep.
    virtual SaveAnswer AskSaveChanges(const std::string& text) = 0;
    // A question the user may decline: true for OK, false for Cancel.
    virtual bool AskOkCancel(const std::string& text) = 0;
    // The file choosers; nullopt / empty when cancelled.
    virtual std::optional<std::string> ChooseOpenPath() = 0;
    virtual std::optional<std::string> ChooseSavePath(const std::string& initialName) = 0;
    virtual std::vector<std::string> ChooseFramePaths() = 0;
    virtual std::optional<std::string> ChooseAviSavePath(const std::string& initialName) = 0;
    // The AVI video encoder (a name AviEncoders() lists); nullopt gives up.
    virtual std::optional<std::string> ChooseAviEncoder() = 0;
    // The chosen encoder refused the pictures: true to choose another.
    virtual bool AskAviRetry(const std::string& message) = 0;
    // Where to export the animation as a video (.mp4 or .webm); nullopt when cancelled.
    virtual std::optional<std::string> ChooseVideoSavePath(const std::string&) { return std::nullopt; }
    // Before a long clip is read: the frame rate and range into options
    // (reading), false when the user cancels. Kept as it is by default.
    virtual bool AskVideoReading(const std::string& /*path*/, const VideoProbe&, ReadOptions&) { return true; }
    // The GIF or MNG write options dialog; false when cancelled.
    virtual bool RunOptionsDialog(bool mng) = 0;
    // The WebP write options dialog; false when cancelled.
    virtual bool RunWebpOptionsDialog() { return true; }
    // Preview playback around commands that change or write frames; StopPreview
    // says whether it was playing.
    virtual bool StopPreview() { return false; }
    virtual void ResumePreview() {}
    // The document changed: panel, canvas and preview show it afresh.
    virtual void RefreshPanel() = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    // The shell's working mode was set: menu checks, the panel's mode controls,
    // preview labels.
    virtual void FormatModeChanged() = 0;
};

// Stops preview playback for the lifetime of a command that changes or writes
// frames, and resumes it after when it had been playing.
class PausedPreview {
public:
    explicit PausedPreview(ShellUi& ui) : ui_(ui), wasPlaying_(ui.StopPreview()) {}
    ~PausedPreview() {
        if (wasPlaying_) ui_.ResumePreview();
    }
    PausedPreview(const PausedPreview&) = delete;
    PausedPreview& operator=(const PausedPreview&) = delete;

private:
    ShellUi& ui_;
    bool wasPlaying_;
};

class Shell {
public:
    // formatMode: the working mode to start in (0 GIF, 1 MNG), which names the
    // first new document; options: the write options the session starts with
    // (the settings file's, in the editor).
    explicit Shell(ShellUi& ui, int formatMode = 0, WriteOptions options = {});

    AnimDoc& Doc() { return *doc_; }
    const AnimDoc& Doc() const { return *doc_; }
    ShellUi& Ui() { return ui_; }
    // The frames selected in the frame list, for the current document; every
    // command that acts on "the selected frames" reads this one.
    Selection& Selected() { return selection_; }
    const Selection& Selected() const { return selection_; }

    // "Kivo - name *": the caption with the modified mark.
    std::string Caption() const;
    void UpdateTitle();
    // A change made without Edit: the document is modified (unless it has no
    // frames, which never is) and the history, which did not see the change,
    // forgets its steps.
    void MarkModified();
    // The user's working mode, 0 GIF or 1 MNG: it chooses labels, controls and
    // defaults, and follows the file opened or saved.
    int FormatMode() const { return formatMode_; }
    // The session's write options: every save, the option dialogs, optimisation
    // and the paint program choice use these; the reading of indexed PNGs too.
    WriteOptions& Options() { return options_; }
    const WriteOptions& Options() const { return options_; }
    void SetFormatMode(int mode);

    // True: the caller may discard the document. Asks when it has unsaved
    // frames; a save that fails or is cancelled keeps it (false).
    bool ConfirmSave();

    void New();
    void Open();
    // Opens path as the document (the Open command after its dialog). A GIF
    // cut off in the middle (an interrupted download) offers its complete
    // frames as a modified document without a path, so Save asks for a name.
    bool OpenPath(const std::string& path);
    bool Save();
    bool SaveAs();
    // Removes the selected frames (or the current one), from the highest index
    // down; label names the step (cut is a delete too).
    void Delete(std::string_view label = kDeleteLabel);
    void SelectAll();
    // Appends or inserts frames from files chosen in the frame dialog.
    void AddFrames(bool insert);
    void AddFramesFrom(const std::vector<std::string>& paths, bool insert);
    // Files dropped on the frame list before frame `before` (after the last
    // frame when before is the frame count): all their frames land there as
    // one step, and they become the selection.
    void InsertFramesFrom(const std::vector<std::string>& paths, int32_t before);
    // Frames dragged to another place in the frame list: the frames at indices
    // go, in their order, to the gap before frame `before` (counted before the
    // move) as one step. The selection follows them; the current frame stays
    // current when it moved along, else the last moved frame becomes current.
    // False when nothing moved.
    bool MoveFramesTo(const std::vector<int32_t>& indices, int32_t before);
    void Optimize();
    // Every change to the document passes here: the operation changes it and
    // says whether it did (which Edit returns); whatever changed becomes one
    // step of the history, named by label, and the modified mark follows. Key
    // strokes typed into one field pass the same mergeKey and become one step.
    bool Edit(std::string_view label, const std::function<bool(AnimDoc&)>& operation,
              std::string_view mergeKey = {});
    // The same for operations that remove frames or replace pictures: they hand
    // those to the keeper instead of releasing them, so no pixels are copied.
    bool EditKeeping(std::string_view label, const std::function<bool(AnimDoc&, FrameKeeper&)>& operation,
                     std::string_view mergeKey = {});
    // Undo or redo one step; the views refresh like after any edit.
    void Undo();
    void Redo();
    const History& EditHistory() const { return history_; }
    History& EditHistory() { return history_; }

    static constexpr std::string_view kDeleteLabel = KIVO_TR_NOOP("Edits", "選択コマの削除");
    static constexpr std::string_view kMoveLabel = KIVO_TR_NOOP("Edits", "コマの移動");
    // Writes the whole animation as an AVI, proposing the document's name with
    // the extension .avi.
    bool SaveAvi();
    bool SaveVideo();

    // The files named on the command line: one GIF or MNG opens as the
    // document; anything else is appended to the new document. A folder, a
    // missing or an unreadable file among them opens nothing, and one message
    // lists those names and why.
    void OpenStartupFiles(const std::vector<std::string>& paths);

private:
    // Stops the preview, writes by extension, and on success makes the document
    // the file's (rename) and clears the mark. The options dialog runs first when
    // the format's show-on-save option asks for it.
    bool WriteTo(const std::string& path, bool rename, bool askOptions);
    // Save As to a name the user chose: told first when the name says another
    // kind of file than the animation that will be written.
    bool WriteToChosen(const std::string& path);
    // saved: the document is what its file holds (or a new one); otherwise it
    // starts modified, with nothing to undo.
    void ReplaceDocument(std::unique_ptr<AnimDoc> doc, bool saved = true);
    // After a frame command: the selection and the views follow the document.
    void AfterEdit();
    // The modified mark from the history: set unless at the save point.
    void SyncModified();
    // One step back (undo) or forward (redo) through the history.
    void Travel(bool back);
    // How the files are read: the write options' part, and for the first long
    // video clip among them what the user chose, which every clip then gets.
    // Nothing when the user cancelled.
    std::optional<ReadOptions> ReadingFor(const std::vector<std::string>& paths);

    ShellUi& ui_;
    int formatMode_;
    WriteOptions options_;
    std::unique_ptr<AnimDoc> doc_;
    History history_;
    Selection selection_;
};

// The name the AVI export proposes: path with the extension of its file name
// replaced by ".avi"; a name without one as it is; nothing without a path.
std::string AviNameFor(const std::string& path);
// The same with ".mp4".
std::string VideoNameFor(const std::string& path);

// The file name part of a path (after the last '/'), or the whole path.
std::string FileNamePart(const std::string& path);

}  // namespace kivo
