#include "view/canvas_part.h"

#include <QTimer>

#include "app/canvas_composer.h"
#include "app/command_table.h"
#include "app/panel_edits.h"
#include "app/session_settings.h"
#include "view/canvas_view.h"
#include "view/main_window.h"

namespace kivo {

namespace {

// The preview's tick: a frame comes on within 10 ms of its time.
constexpr int kTickMs = 10;

}  // namespace

CanvasPart::CanvasPart(MainWindow& window) : window_(window), canvas_(*window.Canvas()) {
    timer_ = new QTimer(this);
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(kTickMs);
    clock_.start();
    connect(timer_, &QTimer::timeout, this, &CanvasPart::Tick);

    const CanvasChoices stored = StoredCanvasChoices();
    canvas_.SetComposed(stored.composed);
    canvas_.SetOnionSkin(stored.onionSkin);
    canvas_.SetZoom(stored.zoomStep < 0 ? 0 : ZoomSteps()[size_t(stored.zoomStep)]);

    window.OnCommand(kCmdZoomIn, [this] { canvas_.ZoomIn(); });
    window.OnCommand(kCmdZoomOut, [this] { canvas_.ZoomOut(); });
    window.OnCommand(kCmdZoomFit, [this] { canvas_.ZoomToFit(); });
    window.OnCommand(kCmdZoomActual, [this] { canvas_.ZoomActual(); });
    window.OnCommand(kCmdComposedView, [this] {
        canvas_.SetComposed(!canvas_.Composed());
        Show();
    });
    window.OnCommand(kCmdOnionSkin, [this] {
        canvas_.SetOnionSkin(!canvas_.OnionSkin());
        Show();
    });
    window.OnCommand(kCmdPlayPause, [this] {
        if (!Pause()) Play();
    });
    window.OnCommand(kCmdPreviousFrame, [this] { Step(FrameStep::kPrevious); });
    window.OnCommand(kCmdNextFrame, [this] { Step(FrameStep::kNext); });
    window.OnCommand(kCmdFirstFrame, [this] { Step(FrameStep::kFirst); });
    window.OnCommand(kCmdLastFrame, [this] { Step(FrameStep::kLast); });

    connect(&canvas_, &CanvasView::frameDragged, this, &CanvasPart::DragMoved);
    connect(&canvas_, &CanvasView::frameDropped, this, &CanvasPart::Dropped);
    connect(&canvas_, &CanvasView::frameDragCancelled, this, &CanvasPart::DragEnded);
}

CompositionRules CanvasPart::Rules() const {
    // The preview's choice of how the first frame and restore-previous are
    // drawn applies here too, so both show the same animation.
    const std::vector<int> mode = SettingNumbers(SessionSettings(), "ViewMode");
    return CanvasRules(!mode.empty() && mode[0] == 1 ? 1 : 0, window_.GetShell().FormatMode());
}

void CanvasPart::Show() {
    const AnimDoc& doc = window_.GetShell().Doc();
    canvas_.ShowFrame(&doc, doc.currentIndex, Rules());
}

void CanvasPart::DocumentChanged() {
    dragStart_.reset();
    const AnimDoc& doc = window_.GetShell().Doc();
    if (playing_ && doc.frameCount < 2) Pause();
    Show();
}

void CanvasPart::CurrentFrameChanged() { Show(); }

void CanvasPart::FormatModeChanged() { Show(); }

void CanvasPart::Play() {
    const AnimDoc& doc = window_.GetShell().Doc();
    if (playing_ || doc.frameCount < 2 || !doc.currentFrame) return;
    // From the current frame; from the first again when the last shows.
    if (!doc.currentFrame->next) MakeCurrent(0, false);
    playing_ = true;
    timing_.Start(clock_.elapsed());
    timer_->start();
}

bool CanvasPart::Pause() {
    const bool was = playing_;
    playing_ = false;
    timer_->stop();
    return was;
}

bool CanvasPart::StopPlayback() { return Pause(); }

void CanvasPart::ResumePlayback() { Play(); }

void CanvasPart::Tick() {
    const AnimDoc& doc = window_.GetShell().Doc();
    if (!playing_ || !doc.currentFrame || doc.frameCount < 2) {
        Pause();
        return;
    }
    switch (timing_.Tick(clock_.elapsed(), doc, *doc.currentFrame)) {
        case PlaybackTiming::Move::kStay: return;
        case PlaybackTiming::Move::kEnd: Pause(); return;
        case PlaybackTiming::Move::kNext: MakeCurrent(doc.currentIndex + 1, true); return;
        case PlaybackTiming::Move::kRewind: MakeCurrent(0, true); return;
    }
}

void CanvasPart::Step(FrameStep step) {
    Pause();
    const AnimDoc& doc = window_.GetShell().Doc();
    const int n = SteppedFrame(doc.currentIndex, doc.frameCount, step);
    if (n >= 0 && n != doc.currentIndex) MakeCurrent(n, false);
}

void CanvasPart::MakeCurrent(int n, bool played) {
    Shell& shell = window_.GetShell();
    SelectFrame(shell.Doc(), shell.Selected(), n);
    if (played)
        canvas_.PlayFrame(shell.Doc(), n, Rules());
    else
        Show();
    window_.CurrentFrameChanged(this);
}

void CanvasPart::DragMoved(int dx, int dy) {
    const AnimDoc& doc = window_.GetShell().Doc();
    if (!doc.currentFrame) return;
    if (!dragStart_) {
        // Playback would change the frame under the pointer.
        Pause();
        dragStart_ = FramePosition{doc.currentFrame->left, doc.currentFrame->top};
    }
    canvas_.ShowHeld(doc, Rules(), DraggedPosition(doc, window_.GetShell().Selected(), *dragStart_, dx, dy));
}

void CanvasPart::Dropped(int dx, int dy) {
    if (!dragStart_) return;  // a click: nothing moved
    Shell& shell = window_.GetShell();
    const FramePosition to = DraggedPosition(shell.Doc(), shell.Selected(), *dragStart_, dx, dy);
    dragStart_.reset();
    if (shell.Edit(kFrameMoveLabel, [&](AnimDoc& doc) { return MoveFramesTo(doc, shell.Selected(), to); }))
        window_.DocumentEdited(this);
    Show();
}

void CanvasPart::DragEnded() {
    dragStart_.reset();
    Show();
}

void CanvasPart::Closing() {
    Pause();
    CanvasChoices choices;
    choices.composed = canvas_.Composed();
    choices.onionSkin = canvas_.OnionSkin();
    choices.zoomStep = canvas_.View().Fitting() ? -1 : ZoomStepIndex(canvas_.View().Scale());
    SetStoredCanvasChoices(choices);
}

}  // namespace kivo
