#include "platform/terminal_backend.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <cstdio>
#include <string>

namespace kivo {
namespace {

volatile std::sig_atomic_t interruptRequested = 0;

extern "C" void OnInterrupt(int) {
    // A second Ctrl-C while the first is still pending ends the program at once.
    if (interruptRequested) std::_Exit(130);
    interruptRequested = 1;
}

// "\r" in a message is a line break when shown; on one terminal line it is a blank.
std::string OneLine(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

class TerminalBackend : public PlatformBackend {
public:
    explicit TerminalBackend(bool quiet) : tty_(!quiet && isatty(STDERR_FILENO)) {}

    void ShowError(OwnerWindow, std::string_view text) override {
        ClearLine();
        std::string s(text);
        for (char& c : s)
            if (c == '\r') c = '\n';
        std::fprintf(stderr, "kivo-cli: %s\n", s.c_str());
    }
    void ProgressDialogOpen(OwnerWindow) override { open_ = true; }
    void ProgressDialogClose(OwnerWindow) override {
        ClearLine();
        open_ = false;
    }
    bool ProgressDialogPump() override {
        if (!interruptRequested) return false;
        interruptRequested = 0;
        return true;
    }
    void ProgressDialogSetText(std::string_view text) override {
        text_ = OneLine(text);
        Draw();
    }
    void ProgressDialogSetBar(bool visible, int percent) override {
        percent_ = visible ? percent : -1;
        Draw();
    }

private:
    void Draw() {
        if (!tty_ || !open_) return;
        if (percent_ >= 0) std::fprintf(stderr, "\r\033[K%s %3d%%", text_.c_str(), percent_);
        else std::fprintf(stderr, "\r\033[K%s", text_.c_str());
        std::fflush(stderr);
        drawn_ = true;
    }
    void ClearLine() {
        if (tty_ && drawn_) std::fputs("\r\033[K", stderr);
        drawn_ = false;
    }

    bool tty_;
    bool open_ = false;
    bool drawn_ = false;
    std::string text_;
    int percent_ = -1;
};

}  // namespace

void InstallTerminalBackend(bool quiet) {
    static std::unique_ptr<TerminalBackend> backend;
    InstallPlatformBackend(nullptr);
    backend = std::make_unique<TerminalBackend>(quiet);
    InstallPlatformBackend(backend.get());
    struct sigaction sa = {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
}

}  // namespace kivo
