// The file a frame is edited through in an outside paint program, and the
// decisions around it that need no window: where the file goes, when the
// program's work is finished, whether the picture came back changed, and when
// the file may be removed.
#pragma once

#include <cstdint>
#include <string>

#include "doc/anim_doc.h"
#include "platform/platform.h"

namespace kivo {

// What tells a changed file from the one written: editors that save by
// renaming give a new inode, others a new time or size.
struct FileStamp {
    bool exists = false;
    int64_t modifiedNs = 0;
    int64_t size = 0;
    uint64_t inode = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

// One edit's file: "KivoTemp.bmp" in a folder of its own (mode 0700) under
// TempDir, so that no other user can put a link in its place and two running
// editors never share it.
struct PaintFile {
    std::string folder;
    std::string path;
    FileStamp written;  // right after writing
    FileStamp taken;    // as last loaded into the frame (or as written)
};

// Writes the frame's picture as a 24-bit BMP. False after
// "テンポラリ書き込みに失敗しました。", with nothing left behind.
bool WritePaintFile(OwnerWindow owner, const Frame& frame, PaintFile& file);

// Decides, on every tick of the wait, what to do next. A program that ends at
// once without touching the file has usually handed it to an instance already
// running: then the wait goes on until the file changes (or the user cancels).
// A changed file is read only once two ticks saw the same stamp, so a save
// still being written is not read half-way.
enum class PaintWaitAction { kWait, kReload, kDone };

class PaintWatch {
public:
    // Programs that end within this time without saving are taken to have handed over.
    static constexpr double kHandOverSeconds = 3.0;

    explicit PaintWatch(const FileStamp& written) : written_(written), last_(written) {}
    PaintWaitAction Tick(bool running, const FileStamp& now, double secondsSinceStart);
    bool HandedOver() const { return handedOver_; }

private:
    FileStamp written_, last_;
    bool ended_ = false;
    bool handedOver_ = false;
};

// Loads the edited file into the frame when its picture differs in size or in
// any pixel: paletted and 16/32-bit files become 24-bit, a colour table becomes
// the frame's palette, and the logical screen grows to hold a larger picture.
// A keeper, when given, receives the frame's old pixel buffers.
enum class PaintReload { kUnchanged, kReplaced, kFailed };
PaintReload ReloadPaintedFrame(OwnerWindow owner, AnimDoc& doc, Frame& frame, PaintFile& file,
                               FrameKeeper* keeper = nullptr);

// Removes the file and its folder unless the user's work is in it: a file as
// written or as taken into the frame goes, any other stays where the user can
// still find it. Returns whether it was removed.
bool RemovePaintFileIfSafe(const PaintFile& file);

// Files whose program was still running (or had handed the file on) when the
// wait ended are removed later, at exit, by the same rule.
void KeepPaintFileForLater(const PaintFile& file);
void RemoveKeptPaintFiles();

}  // namespace kivo
