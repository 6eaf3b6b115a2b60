// A part of the editor that attaches to the main window: the preview, the panel,
// the canvas, the frame-list window, the clipboard commands. The window tells every part
// what happened to the document; a part that owns commands of the command table
// registers their handlers with MainWindow::OnCommand, so each part lives in
// files of its own.
#pragma once

namespace kivo {

class MainWindow;

// Creates every part of the window (window_parts.cpp): one line per part.
void AddWindowParts(MainWindow& window);

class WindowPart {
public:
    virtual ~WindowPart() = default;
    // The document or its selection changed (RefreshPanel).
    virtual void DocumentChanged() {}
    // Only another frame became current (stepping or playing on the canvas),
    // with only it selected; the document is as it was.
    virtual void CurrentFrameChanged() {}
    // The shell's working mode changed: GIF or MNG wording and controls.
    virtual void FormatModeChanged() {}
    // Preview playback around commands that change or write frames; true when
    // this part was playing.
    virtual bool StopPlayback() { return false; }
    virtual void ResumePlayback() {}
    // Before any command runs and before the window closes: a value typed into
    // a field and not yet taken must reach the document first.
    virtual void BeforeCommand() {}
    // The window closes (after the save question): keep window positions and
    // the like.
    virtual void Closing() {}
};

}  // namespace kivo
