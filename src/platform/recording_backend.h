// A backend that remembers everything the engine showed, for tests; it can press
// the cancel button at a chosen pump.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace kivo {

class RecordingBackend : public PlatformBackend {
public:
    std::vector<std::string> errors;
    std::vector<std::string> texts;    // every message-line text, in order
    std::vector<std::string> titles;
    std::vector<int> percents;         // every bar position shown
    std::string cancelLabel;
    bool cancelEnabled = false;
    bool barVisible = false;
    int opens = 0, closes = 0, pumps = 0, beeps = 0;
    // Press the cancel button during the pump with this 1-based number (0 = never).
    int cancelAtPump = 0;

    void ShowError(OwnerWindow, std::string_view text) override { errors.emplace_back(text); }
    void Beep() override { ++beeps; }
    void ProgressDialogOpen(OwnerWindow) override { ++opens; }
    void ProgressDialogClose(OwnerWindow) override { ++closes; }
    bool ProgressDialogPump() override { return ++pumps == cancelAtPump; }
    void ProgressDialogSetText(std::string_view t) override { texts.emplace_back(t); }
    void ProgressDialogSetTitle(std::string_view t) override { titles.emplace_back(t); }
    void ProgressDialogSetCancel(std::string_view label, bool enabled) override {
        cancelLabel = std::string(label);
        cancelEnabled = enabled;
    }
    void ProgressDialogSetBar(bool visible, int percent) override {
        barVisible = visible;
        if (visible) percents.push_back(percent);
    }
};

// Installs a RecordingBackend for the lifetime of the object and resets the
// progress state, so each test starts like a fresh process.
class ScopedRecordingBackend {
public:
    ScopedRecordingBackend();
    ~ScopedRecordingBackend();
    RecordingBackend* operator->() { return &backend_; }
    RecordingBackend& operator*() { return backend_; }

private:
    RecordingBackend backend_;
};

}  // namespace kivo
