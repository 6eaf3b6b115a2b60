#include "app/paint_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "doc/bmp.h"
#include "doc/dib.h"

namespace kivo {

namespace {

constexpr const char* kTempWriteFailed = "テンポラリ書き込みに失敗しました。";
constexpr const char* kLoadFailed = "ロード失敗しました。";
constexpr const char* kNoMemory = "メモリが足りません。";

std::vector<PaintFile>& KeptFiles() {
    static std::vector<PaintFile> kept;
    return kept;
}

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// The frame's DIB behind a 14-byte file header, byte for byte.
bool WriteBmpFile(const std::string& path, const Dib& dib) {
    if (!DibIsValid(dib) || dib.size() > 0xFFFFFFF0u) return false;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    uint8_t header[14] = {'B', 'M'};
    Put32(header + 2, uint32_t(DibSize(dib) + 14));
    Put32(header + 10, uint32_t(DibFileOffset(dib)));
    bool ok = WriteAll(fd, header, sizeof header) && WriteAll(fd, dib.data(), DibSize(dib));
    ok = close(fd) == 0 && ok;
    return ok;
}

// Same size and the same pixels, row by row; the padding at the end of a row
// is not part of the picture.
bool SamePicture(const Dib& a, const Dib& b) {
    if (!DibIsValid(a) || !DibIsValid(b) || DibBitCount(a) != 24 || DibBitCount(b) != 24) return false;
    const uint32_t w = DibWidth(a), h = DibHeight(a);
    if (w != DibWidth(b) || h != DibHeight(b)) return false;
    const size_t stride = DibRowBytes(w, 24);
    const uint8_t* pa = DibPixels(a);
    const uint8_t* pb = DibPixels(b);
    for (uint32_t y = 0; y < h; ++y)
        if (std::memcmp(pa + y * stride, pb + y * stride, size_t(w) * 3) != 0) return false;
    return true;
}

bool RemoveFile(const PaintFile& file) {
    if (unlink(file.path.c_str()) != 0 && errno != ENOENT) return false;
    return rmdir(file.folder.c_str()) == 0 || errno == ENOENT;
}

}  // namespace

FileStamp StampOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return {};
    return FileStamp{true, int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, int64_t(st.st_size),
                     uint64_t(st.st_ino)};
}

bool WritePaintFile(OwnerWindow owner, const Frame& frame, PaintFile& file) {
    std::string pattern = TempDir() + "/kivo-paint-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        ShowError(owner, kTempWriteFailed);
        return false;
    }
    file.folder = pattern;
    file.path = pattern + "/KivoTemp.bmp";
    if (!WriteBmpFile(file.path, frame.dib)) {
        unlink(file.path.c_str());
        rmdir(file.folder.c_str());
        ShowError(owner, kTempWriteFailed);
        return false;
    }
    file.written = file.taken = StampOf(file.path);
    return true;
}

PaintWaitAction PaintWatch::Tick(bool running, const FileStamp& now, double secondsSinceStart) {
    const bool changed = now != written_;
    if (running) {
        last_ = now;
        return PaintWaitAction::kWait;
    }
    if (!ended_) {
        ended_ = true;
        handedOver_ = !changed && secondsSinceStart < kHandOverSeconds;
    }
    if (changed) {
        // A stamp seen on two ticks in a row: the save is complete.
        const bool stable = now == last_ && now.exists;
        last_ = now;
        return stable ? PaintWaitAction::kReload : PaintWaitAction::kWait;
    }
    last_ = now;
    return handedOver_ ? PaintWaitAction::kWait : PaintWaitAction::kDone;
}

PaintReload ReloadPaintedFrame(OwnerWindow owner, AnimDoc& doc, Frame& frame, PaintFile& file,
                               FrameKeeper* keeper) {
    const FileStamp stamp = StampOf(file.path);
    if (!stamp.exists || stamp == file.written) return PaintReload::kUnchanged;
    Dib edited = ReadBmp(file.path);
    if (edited.empty()) {
        ShowError(owner, kLoadFailed);
        return PaintReload::kFailed;
    }
    try {
        Dib picture = DibTo24(DibSpan(edited));
        if (picture.empty()) {
            ShowError(owner, kNoMemory);
            return PaintReload::kFailed;
        }
        if (SamePicture(picture, frame.dib)) {
            file.taken = stamp;
            return PaintReload::kUnchanged;
        }
        // Built before the frame is touched, so a failure leaves it whole.
        Palette palette = DibPalette(edited);
        if (keeper) keeper->BeforePixelChange(frame);
        frame.width = DibWidth(picture);
        frame.height = DibHeight(picture);
        frame.dib = std::move(picture);
        frame.pngPalette.clear();
        frame.pngIndexPixels.clear();
        frame.census = {};
        frame.censusIndices = {};
        frame.localPalette = std::move(palette);
        frame.tempPalette = frame.localPalette.empty() ? 1 : 0;
    } catch (const std::bad_alloc&) {
        ShowError(owner, kNoMemory);
        return PaintReload::kFailed;
    }
    UpdateExtent(doc);
    file.taken = stamp;
    return PaintReload::kReplaced;
}

bool RemovePaintFileIfSafe(const PaintFile& file) {
    if (file.folder.empty()) return true;
    const FileStamp now = StampOf(file.path);
    if (now.exists && now != file.written && now != file.taken) return false;
    return RemoveFile(file);
}

void KeepPaintFileForLater(const PaintFile& file) {
    try {
        KeptFiles().push_back(file);
    } catch (const std::bad_alloc&) {
    }
}

void RemoveKeptPaintFiles() {
    for (const PaintFile& file : KeptFiles()) RemovePaintFileIfSafe(file);
    KeptFiles().clear();
}

}  // namespace kivo
