#include "platform/platform.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/kept_errors.h"
#include "platform/ui_thread.h"

namespace kivo {
namespace {

// Used until a front end installs its own: keeps messages visible, never cancels.
class StderrBackend : public PlatformBackend {
public:
    void ShowError(OwnerWindow, std::string_view text) override {
        std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
    }
};

StderrBackend defaultBackend;
PlatformBackend* installed = &defaultBackend;

std::string WithoutTrailingSlash(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

}  // namespace

void InstallPlatformBackend(PlatformBackend* backend) {
    installed = backend ? backend : &defaultBackend;
}

PlatformBackend& CurrentPlatformBackend() { return *installed; }

void ShowError(OwnerWindow owner, std::string_view text) {
    if (KeepError(text)) return;
    CheckUserInterfaceThread();
    installed->Beep();
    installed->ShowError(owner, text);
}

void Beep() { installed->Beep(); }

std::string TempDir() {
    const char* env = std::getenv("TMPDIR");
    if (env && *env && access(env, W_OK) == 0) return WithoutTrailingSlash(env);
    return "/tmp";
}

std::string AppDir() {
    std::string buf(4096, '\0');
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return WithoutTrailingSlash(".");
    buf.resize(size_t(n));
    size_t slash = buf.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return buf.substr(0, slash);
}

}  // namespace kivo
