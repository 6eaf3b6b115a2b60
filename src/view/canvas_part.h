// The canvas's part of the window: shows the current frame on the canvas
// whenever the document or the current frame changes, runs the zoom, view and
// playback commands, plays the animation on the canvas at the frames' delays
// (the preview's timing, on a monotonic clock), steps through the frames, and
// makes a drag of the frame one edit through the shell.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <optional>

#include "app/canvas_moves.h"
#include "app/playback_timing.h"
#include "render/compositor.h"
#include "view/window_part.h"

class QTimer;

namespace kivo {

class CanvasView;

class CanvasPart : public QObject, public WindowPart {
public:
    // Handles the zoom, view choice, playback and stepping commands.
    explicit CanvasPart(MainWindow& window);

    void DocumentChanged() override;
    void CurrentFrameChanged() override;
    void FormatModeChanged() override;
    bool StopPlayback() override;
    void ResumePlayback() override;
    void Closing() override;

    bool Playing() const { return playing_; }
    void Play();
    // True when it was playing.
    bool Pause();
    void Step(FrameStep step);
    // The preview's view mode changed the rules of what the canvas shows.
    void RulesChanged() { Show(); }

private:
    CompositionRules Rules() const;
    void Show();
    void Tick();
    // Makes frame n current, as the frame list would, and tells the others.
    void MakeCurrent(int n, bool played);
    void DragMoved(int dx, int dy);
    void Dropped(int dx, int dy);
    void DragEnded();

    MainWindow& window_;
    CanvasView& canvas_;
    QTimer* timer_ = nullptr;
    QElapsedTimer clock_;
    PlaybackTiming timing_;
    bool playing_ = false;
    std::optional<FramePosition> dragStart_;  // the frame's place when a drag began
};

}  // namespace kivo
