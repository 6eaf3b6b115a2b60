#include "platform/terminal_backend.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>

#include "platform/live_temp_files.h"
#include "platform/messages.h"

namespace kivo {
namespace {

volatile std::sig_atomic_t interruptRequested = 0;

constexpr int kCaught[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previousActions[std::size(kCaught)];
bool installed = false;

extern "C" void OnInterrupt(int) {
    if (interruptRequested) {
        // The user insists: no waiting for the operation, but no half-written
        // temporary file left beside the target either.
        UnlinkLiveTempFiles();
        std::_Exit(130);
    }
    interruptRequested = 1;
}

extern "C" void OnTermination(int sig) {
    UnlinkLiveTempFiles();
    // Ends with the signal itself, so the parent sees what ended us.
    signal(sig, SIG_DFL);
    raise(sig);
}

// Control characters of a text (a file name inside a message, say) must not
// reach the terminal as commands; line breaks stay, "\r" being one when shown.
std::string Printable(std::string_view text, bool oneLine) {
    std::string s;
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n') s += oneLine ? ' ' : '\n';
        else if (u < 0x20 || u == 0x7F) s += '?';
        else s += c;
    }
    return s;
}

class TerminalBackend : public PlatformBackend {
public:
    explicit TerminalBackend(bool quiet)
        : tty_(!quiet && isatty(STDERR_FILENO)), english_(!UserReadsJapanese()) {}

    void ShowError(OwnerWindow, std::string_view text) override {
        ClearLine();
        std::fprintf(stderr, "kivo-cli: %s\n", Printable(text, false).c_str());
        if (english_) {
            const std::string english = EnglishFor(text);
            if (!english.empty()) std::fprintf(stderr, "kivo-cli: %s\n", Printable(english, false).c_str());
        }
    }
    void ProgressDialogOpen(OwnerWindow) override {
        open_ = true;
        cancelEnabled_ = true;  // a new dialog's button is enabled
    }
    void ProgressDialogClose(OwnerWindow) override {
        ClearLine();
        open_ = false;
    }
    // A Ctrl-C is not used up by a phase that cannot stop: it waits for the
    // first pump with the cancel button enabled.
    bool ProgressDialogPump() override { return interruptRequested && cancelEnabled_; }
    void ProgressDialogSetCancel(std::string_view, bool enabled) override { cancelEnabled_ = enabled; }
    void ProgressDialogSetText(std::string_view text) override {
        // The line is a passing status, not a message: English alone where the
        // user reads English.
        const std::string english = english_ ? EnglishFor(text) : std::string();
        text_ = Printable(english.empty() ? text : english, true);
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
    bool english_;
    bool open_ = false;
    bool cancelEnabled_ = false;
    bool drawn_ = false;
    std::string text_;
    int percent_ = -1;
};

std::unique_ptr<TerminalBackend> backend;

}  // namespace

void InstallTerminalBackend(bool quiet) {
    InstallPlatformBackend(nullptr);
    backend = std::make_unique<TerminalBackend>(quiet);
    InstallPlatformBackend(backend.get());
    sigset_t unblock;
    sigemptyset(&unblock);
    for (size_t i = 0; i < std::size(kCaught); ++i) {
        const int sig = kCaught[i];
        struct sigaction sa = {};
        sa.sa_handler = sig == SIGINT ? OnInterrupt : OnTermination;
        sigemptyset(&sa.sa_mask);
        struct sigaction old = {};
        sigaction(sig, nullptr, &old);
        if (!installed) previousActions[i] = old;
        // A signal ignored by whoever started us (a background job, nohup)
        // stays ignored.
        if (old.sa_handler == SIG_IGN) continue;
        sigaction(sig, &sa, nullptr);
        sigaddset(&unblock, sig);
    }
    installed = true;
    // Handed to us blocked, Ctrl-C would do nothing; one already pending counts.
    sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
}

bool InterruptRequested() { return interruptRequested != 0; }

void UninstallTerminalBackend() {
    if (installed)
        for (size_t i = 0; i < std::size(kCaught); ++i) sigaction(kCaught[i], &previousActions[i], nullptr);
    installed = false;
    interruptRequested = 0;
    InstallPlatformBackend(nullptr);
    backend.reset();
}

}  // namespace kivo
