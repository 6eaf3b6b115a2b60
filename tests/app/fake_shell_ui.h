// A scripted stand-in for the editor window: answers the shell's questions as
// a test tells it to and records what the shell asked for.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/shell.h"

namespace kivo::test {

class FakeShellUi : public ShellUi {
public:
    SaveAnswer answer = SaveAnswer::kCancel;
    std::optional<std::string> savePath;   // the save dialog's choice
    std::optional<std::string> openPath;
    bool optionsOk = true;
    int questions = 0, saveDialogs = 0, optionDialogs = 0, refreshes = 0, modeChanges = 0;
    std::string caption;

    OwnerWindow Owner() override { return nullptr; }
    SaveAnswer AskSaveChanges(const std::string&) override {
        ++questions;
        return answer;
    }
    bool okCancelAnswer = true;
    std::vector<std::string> okCancelQuestions;
    bool AskOkCancel(const std::string& text) override {
        okCancelQuestions.push_back(text);
        return okCancelAnswer;
    }
    std::optional<std::string> ChooseOpenPath() override { return openPath; }
    std::optional<std::string> ChooseSavePath(const std::string&) override {
        ++saveDialogs;
        return savePath;
    }
    std::vector<std::string> ChooseFramePaths() override { return {}; }
    std::optional<std::string> ChooseAviSavePath(const std::string&) override { return savePath; }
    std::optional<std::string> ChooseAviEncoder() override { return std::string("rawvideo"); }
    bool AskAviRetry(const std::string&) override { return false; }
    std::optional<std::string> ChooseVideoSavePath(const std::string&) override { return savePath; }
    // The frame rate a long clip is read at; nullopt cancels.
    std::optional<double> videoFps;
    std::vector<std::string> videoQuestions;
    bool AskVideoReading(const std::string& path, const VideoProbe&, ReadOptions& reading) override {
        videoQuestions.push_back(path);
        if (!videoFps) return false;
        reading.videoFps = *videoFps;
        return true;
    }
    bool RunOptionsDialog(bool) override {
        ++optionDialogs;
        return optionsOk;
    }
    void RefreshPanel() override { ++refreshes; }
    void SetCaption(const std::string& text) override { caption = text; }
    void FormatModeChanged() override { ++modeChanges; }
};

}  // namespace kivo::test
