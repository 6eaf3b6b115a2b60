// What the widget tests share: a shown main window with blank frames, and a
// way to act on a modal window that a call is about to open.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "frame_ops/blank_frame.h"
#include "view/main_window.h"

namespace kivo {

// A shown, active main window whose document has `frames` blank frames of 20 × 10.
inline std::unique_ptr<MainWindow> ShownWindow(int frames) {
    auto window = std::make_unique<MainWindow>();
    for (int i = 0; i < frames; ++i) AddBlankFrame(window->GetShell().Doc(), window->GetShell().Selected(), 0, 20, 10);
    window->RefreshPanel();
    window->show();
    QApplication::setActiveWindow(window.get());
    return window;
}

// Runs act on the first visible top-level widget of type T, once it is up,
// and closes it if act left it open: a failed check returns from act early,
// and the test would otherwise wait for the window for ever.
template <typename T, typename F>
void WhenShown(F act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* t = qobject_cast<T*>(w);
            if (!t || !t->isVisible()) continue;
            poll->stop();
            poll->deleteLater();
            QPointer<QWidget> shown(w);
            act(t);
            if (auto* dialog = qobject_cast<QDialog*>(shown.data()); dialog && dialog->isVisible()) dialog->reject();
            return;
        }
    });
    poll->start(10);
}

}  // namespace kivo
