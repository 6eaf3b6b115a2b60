// The preview: a tool window beside the main window that plays the document as
// a browser shows it, with a scroll bar through the frames, start and stop,
// the background colour and the choice of how the first frame and
// restore-previous are drawn. The View command opens and closes it; the window
// hears of document changes through its part.
#pragma once

#include <QElapsedTimer>
#include <memory>
#include <QPointer>
#include <QWidget>

#include "app/preview_player.h"
#include "view/window_part.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;

namespace kivo {

class MainWindow;

class PreviewWindow : public QWidget {
    Q_OBJECT
public:
    explicit PreviewWindow(MainWindow& owner);
    ~PreviewWindow() override;

    // The document changed: sizes, the first frame, and playback when it has
    // two frames or more.
    void Refresh();
    // A frame was edited: the first frame again, playing on if it was.
    void Restart();
    bool Stop();
    void Start();
    // Back to showing the document, after an edit made a written file stale.
    void ForgetWritten();
    // The mode buttons' wording for the working format (GIF or MNG).
    void SetModeLabels();

    const PreviewPlayer& Player() const { return player_; }
    // The background colour the picture sits on.
    Rgb Background() const { return background_; }

protected:
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class DrawingArea;

    void Layout();
    // The first frame on a new screen, the window sized for it, stopped.
    void Rebuild();
    // Loads the document afresh on a new screen; false when it cannot be drawn.
    bool Reload();
    void Step();
    void ShowPosition();
    void ChooseBackground();
    void ChooseMode(int mode);
    void Seek(int index);
    // Shows what a GIF save with the session's options would write (on), or
    // the document itself (off).
    void ShowWritten(bool on);

    MainWindow& owner_;
    PreviewPlayer player_;
    QElapsedTimer clock_;
    QTimer* timer_ = nullptr;
    DrawingArea* area_ = nullptr;
    QWidget* frame_ = nullptr;
    QScrollBar* scroll_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* colour_ = nullptr;
    QLabel* counter_ = nullptr;
    QRadioButton* modes_[2] = {};
    QCheckBox* written_ = nullptr;
    std::unique_ptr<AnimDoc> written_doc_;  // the file as read back, while shown
    PreviewGeometry geometry_;
    Rgb background_;
    int viewMode_ = 0;
    int loadedFrames_ = 0;
    int charWidth_ = 8, lineHeight_ = 20;
    bool seeking_ = false;
};

// The View command's part: opens the preview, closes it, and passes document
// changes, mode changes and playback stops on while it is open.
class PreviewPart : public WindowPart {
public:
    // Handles View, which opens or closes the preview.
    explicit PreviewPart(MainWindow& window);
    ~PreviewPart() override;

    // The open preview; nullptr while it is closed (or closing).
    PreviewWindow* Window() const { return preview_ && preview_->isVisible() ? preview_.data() : nullptr; }
    void Toggle();

    void DocumentChanged() override;
    void FormatModeChanged() override;
    bool StopPlayback() override;
    void ResumePlayback() override;

private:
    MainWindow& window_;
    QPointer<PreviewWindow> preview_;
};

// After an edit to frames (placement, transparency, delay): the open preview
// starts again from the first frame, playing on if it was. For the panel.
void RestartPreview(MainWindow& window);

}  // namespace kivo
