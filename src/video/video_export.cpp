#include "video/video_export.h"

#include <new>
#include <vector>

#include "avi/avi_screens.h"
#include "avi/avi_timing.h"
#include "platform/progress.h"
#include "platform/safe_save.h"
#include "render/compositor.h"
#include "video/video_encoder.h"
#include "video/video_timing.h"

namespace kivo {

namespace {

using Kind = VideoExportError::Kind;

constexpr char kFailed[] = "エラーのため、書き込み失敗しました。";

// Screens one frame after another. A WebM keeps what no frame has drawn
// transparent; an MP4 has no alpha, and shows there what the AVI export
// shows: the first frame's transparent colour, else black.
class Screens {
public:
    bool Start(const AnimDoc& doc, bool keepTransparency) {
        transparent_ = keepTransparency;
        if (!transparent_) return opaque_.Start(doc);
        return StartComposition(c_, doc.screenWidth, doc.screenHeight);
    }
    void Draw(const Frame& frame) {
        if (!transparent_) return opaque_.Draw(frame);
        if (!ComposeFrame(c_, frame)) throw std::bad_alloc();
    }
    std::span<const uint32_t> screen(std::vector<uint32_t>& scratch) const {
        if (transparent_) return c_.screen;
        scratch.resize(opaque_.pixels());
        opaque_.Copy(scratch);
        return scratch;
    }

private:
    bool transparent_ = false;
    AviScreens opaque_;
    Composition c_;
};

bool ShowCount(size_t n, size_t total) {
    ProgressPrintf("動画書き込み中...\r %4d / %4d コマ", int(n), int(total));
    ProgressSetPos(int(n));
    return ProgressPump() != 0;
}

// Whether some screen keeps a pixel no frame has drawn: only then does a WebM
// carry an alpha channel.
bool AnyScreenTransparent(const AnimDoc& doc) {
    Composition c;
    if (!StartComposition(c, doc.screenWidth, doc.screenHeight)) throw std::bad_alloc();
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        if (!ComposeFrame(c, *f)) throw std::bad_alloc();
        for (const uint32_t p : c.screen)
            if (p >> 24 == 0) return true;
    }
    return false;
}

VideoExportError Failed(std::string message = kFailed) { return {Kind::kFailed, std::move(message)}; }

VideoExportError Export(const std::string& path, const AnimDoc& doc, VideoKind kind) {
    if (!doc.firstFrame || doc.screenWidth <= 0 || doc.screenHeight <= 0) return Failed();
    const std::vector<int64_t> times = VideoPresentationTimes(FrameDelays(doc));
    VideoStreamFormat format{kind, doc.screenWidth, doc.screenHeight, false};
    if (kind == VideoKind::kWebm) format.alpha = AnyScreenTransparent(doc);
    VideoStreamWriter writer;
    switch (writer.Open(format)) {
    case VideoOpenResult::kOk: break;
    case VideoOpenResult::kNoEncoder:
        return Failed(kind == VideoKind::kMp4 ? "この FFmpeg には H.264 のエンコーダ (libx264) がありません。"
                                              : "この FFmpeg には VP9 のエンコーダ (libvpx-vp9) がありません。");
    case VideoOpenResult::kFailed: return Failed();
    }
    Screens screens;
    if (!screens.Start(doc, format.alpha)) return Failed();
    ProgressSetText("動画書き込み中...");
    ProgressSetRange(0, doc.frameCount);
    ProgressSetCancel("中止");
    std::vector<uint32_t> scratch;
    size_t i = 0;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get(), ++i) {
        screens.Draw(*f);
        if (!writer.Write(screens.screen(scratch), times[i], times[i + 1] - times[i])) return Failed();
        if (ShowCount(i + 1, size_t(doc.frameCount))) return {Kind::kCancelled, {}};
    }
    ProgressSetCancel(nullptr);
    if (!writer.Finish()) return Failed();
    SafeFile file;
    if (!file.Open(path) || !file.Write(writer.bytes().data(), writer.bytes().size()) || !file.Commit())
        return Failed();
    return {};
}

}  // namespace

bool VideoKindOf(const std::string& path, VideoKind& kind) {
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (ext == "mp4" || ext == "m4v") kind = VideoKind::kMp4;
    else if (ext == "webm") kind = VideoKind::kWebm;
    else return false;
    return true;
}

VideoExportError SaveVideo(OwnerWindow owner, const std::string& path, const AnimDoc& doc, VideoKind kind) {
    ProgressOpen(owner);
    ProgressSetText("チェック中...");
    ProgressSetCancel(nullptr);
    ProgressSetRange(0, 0);
    ProgressPump();
    VideoExportError error;
    try {
        error = Export(path, doc, kind);
    } catch (const std::bad_alloc&) {
        error = Failed("メモリが足りません。");
    }
    ProgressClose(owner);
    return error;
}

bool ExportVideo(OwnerWindow owner, const std::string& path, const AnimDoc& doc, VideoKind kind) {
    const VideoExportError error = SaveVideo(owner, path, doc, kind);
    if (!error.message.empty()) ShowError(owner, error.message);
    return !error;
}

}  // namespace kivo
