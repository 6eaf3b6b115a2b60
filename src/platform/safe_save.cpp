#include "platform/safe_save.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/live_temp_files.h"

namespace kivo {

namespace {
constexpr size_t kTempBaseLength = 200;
constexpr int kMaxLinks = 40;  // as the kernel allows before ELOOP

thread_local std::string lastFailure;

void NoteFailure(int error) { lastFailure = std::strerror(error); }

// The umask as the process started with it. /proc tells it without changing
// it; only where /proc cannot, it is read the classic way, which briefly sets it
// to 0 - harmless here, before main starts any thread, but not at save time.
mode_t ReadUmask() {
    if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, f)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(f);
        if (found) return mode_t(mask & 0777);
    }
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

mode_t StartUmask() {
    static const mode_t mask = ReadUmask();
    return mask;
}
[[maybe_unused]] const mode_t umaskReadAtStart = StartUmask();

// The file path finally names when every symbolic link on the way is followed,
// also when that file does not exist yet: saving through a link writes the
// file the link names, it never replaces the link.
bool FollowLinks(std::string path, std::string& out) {
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            out = path;
            return true;
        }
        std::string link(size_t(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
        const ssize_t n = readlink(path.c_str(), link.data(), link.size());
        if (n < 0) {
            NoteFailure(errno);
            return false;
        }
        link.resize(size_t(n));
        if (link.empty() || link[0] == '/') {
            path = link;
        } else {
            const size_t slash = path.rfind('/');
            path = slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
        }
    }
    NoteFailure(ELOOP);
    return false;
}

// mkstemp with the interrupting signals held back until the new file is
// remembered, so that no handler can end the process between the two.
int CreateRemembered(std::vector<char>& name, int& slot) {
    sigset_t block, previous;
    sigemptyset(&block);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&block, sig);
    pthread_sigmask(SIG_BLOCK, &block, &previous);
    const int fd = mkstemp(name.data());
    const int error = errno;
    slot = fd >= 0 ? RememberLiveTempFile(name.data()) : -1;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return fd;
}

}  // namespace

const std::string& SaveFailureReason() { return lastFailure; }

SafeFile::~SafeFile() { Abandon(); }

bool SafeFile::Open(const std::string& requested) {
    Abandon();
    lastFailure.clear();
    std::string target;
    if (!FollowLinks(requested, target)) return false;
    // A file the user may not write stays protected: renaming over it would
    // otherwise replace it although the user could not have changed it.
    struct stat existing;
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (exists) {
        if (S_ISDIR(existing.st_mode)) {
            NoteFailure(EISDIR);
            return false;
        }
        if (!S_ISREG(existing.st_mode)) {
            lastFailure = "it is not a regular file";
            return false;
        }
        if (access(target.c_str(), W_OK) != 0) {
            NoteFailure(errno);
            return false;
        }
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
    int fd = CreateRemembered(name, slot_);
    if (fd < 0) {
        NoteFailure(errno);
        return false;
    }
    temp_ = name.data();

    // The replacement is the same file to everyone else: its owner and group
    // where the process may set them (only root may give a file away; a member
    // may pass on a group), then its permission bits, since a change of owner
    // clears set-id bits. A new file gets the usual mode under the umask rather
    // than mkstemp's 0600.
    if (exists) {
        if (fchown(fd, existing.st_uid, existing.st_gid) != 0 &&
            fchown(fd, uid_t(-1), existing.st_gid) != 0) {
            // EPERM: the file becomes ours, with our group
        }
        fchmod(fd, existing.st_mode & 07777);
    } else {
        fchmod(fd, 0666 & ~StartUmask());
    }

    file_ = fdopen(fd, "wb");
    if (!file_) {
        NoteFailure(errno);
        close(fd);
        DropTemp();
        return false;
    }
    failed_ = false;
    unsynced_ = 0;
    return true;
}

bool SafeFile::Write(const void* data, size_t size) {
    if (!file_ || failed_) return false;
    if (size && std::fwrite(data, 1, size, file_) != size) {
        NoteFailure(errno);
        failed_ = true;
    }
    unsynced_ += size;
    if (unsynced_ >= kWritebackBytes) StartWriteback();
    return !failed_;
}

// A large file would otherwise reach the disk only when Commit() syncs it, all
// of it at once, while the program waits. Handing what is written to the disk
// every few megabytes lets it go out while the rest is being made, and leaves
// Commit() only the tail to wait for.
void SafeFile::StartWriteback() {
    unsynced_ = 0;
#ifdef __linux__
    if (std::fflush(file_) != 0) {
        NoteFailure(errno);
        failed_ = true;
        return;
    }
    // Only a hint: whether the disk takes it now or later, Commit() syncs all.
    sync_file_range(fileno(file_), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

bool SafeFile::Seek(uint64_t offset) {
    if (!file_ || failed_) return false;
    if (offset > uint64_t(std::numeric_limits<off_t>::max()) || fseeko(file_, off_t(offset), SEEK_SET) != 0) {
        NoteFailure(offset > uint64_t(std::numeric_limits<off_t>::max()) ? EOVERFLOW : errno);
        failed_ = true;
    }
    return !failed_;
}

bool SafeFile::Commit() {
    if (!file_) return false;
    bool good = !failed_;
    if (good && (std::fflush(file_) != 0 || fsync(fileno(file_)) != 0)) {
        NoteFailure(errno);
        good = false;
    }
    if (std::fclose(file_) != 0 && good) {
        NoteFailure(errno);
        good = false;
    }
    file_ = nullptr;
    if (good && std::rename(temp_.c_str(), target_.c_str()) != 0) {
        NoteFailure(errno);
        good = false;
    }
    if (good) {
        ForgetLiveTempFile(slot_);
        slot_ = -1;
        temp_.clear();
        return true;
    }
    DropTemp();
    return false;
}

void SafeFile::Abandon() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    DropTemp();
}

void SafeFile::DropTemp() {
    // Unlinked before it is forgotten: a signal in between finds it again
    // (and fails harmlessly), never loses it.
    if (!temp_.empty()) unlink(temp_.c_str());
    ForgetLiveTempFile(slot_);
    slot_ = -1;
    temp_.clear();
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
