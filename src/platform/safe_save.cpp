#include "platform/safe_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace kivo {

namespace {
constexpr size_t kTempBaseLength = 200;
}

SafeFile::~SafeFile() { Abandon(); }

bool SafeFile::Open(const std::string& requested) {
    Abandon();
    // Saving through a symbolic link replaces the file it points to, not the link.
    std::string target = requested;
    if (char* real = realpath(requested.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    // A file the user may not write stays protected: renaming over it would
    // otherwise replace it although the user could not have changed it.
    struct stat existing;
    if (stat(target.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode) || access(target.c_str(), W_OK) != 0) return false;
    }
    target_ = target;
    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    // The temporary name adds 13 bytes to the target's; a name near the file
    // system's limit would leave no room, so only its start is used.
    base.resize(std::min<size_t>(base.size(), kTempBaseLength));
    std::string pattern = (dir == "/" ? "" : dir) + "/." + base + ".kivo-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return false;
    temp_ = name.data();

    // Keep the permissions of the file we replace; a new file gets the usual
    // mode under the umask rather than mkstemp's 0600.
    struct stat st;
    mode_t mode;
    if (stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);

    file_ = fdopen(fd, "wb");
    if (!file_) {
        close(fd);
        unlink(temp_.c_str());
        temp_.clear();
        return false;
    }
    failed_ = false;
    return true;
}

bool SafeFile::Write(const void* data, size_t size) {
    if (!file_ || failed_) return false;
    if (size && std::fwrite(data, 1, size, file_) != size) failed_ = true;
    return !failed_;
}

bool SafeFile::Commit() {
    if (!file_) return false;
    bool good = !failed_ && std::fflush(file_) == 0 && fsync(fileno(file_)) == 0;
    good = (std::fclose(file_) == 0) && good;
    file_ = nullptr;
    if (good && std::rename(temp_.c_str(), target_.c_str()) == 0) {
        temp_.clear();
        return true;
    }
    unlink(temp_.c_str());
    temp_.clear();
    return false;
}

void SafeFile::Abandon() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        unlink(temp_.c_str());
        temp_.clear();
    }
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool ReadWholeFile(const std::string& path, std::string& out, size_t limit) {
    out.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode) || size_t(st.st_size) > limit) {
        std::fclose(f);
        return false;
    }
    bool ok = true;
    try {
        out.resize(size_t(st.st_size));
        ok = std::fread(out.data(), 1, out.size(), f) == out.size();
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    std::fclose(f);
    if (!ok) out.clear();
    return ok;
}

}  // namespace kivo
