#include "webp/webp_writer.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <new>

#include "platform/progress.h"
#include "platform/safe_save.h"
#include "render/compositor.h"

namespace kivo {

namespace {

constexpr const char* kWriteFailed = "書き込みに失敗しました。";

struct EncoderDeleter {
    void operator()(WebPAnimEncoder* e) const { WebPAnimEncoderDelete(e); }
};

// Frees the picture's own buffer however the scope is left.
struct PictureGuard {
    WebPPicture picture;
    bool ready = false;
    PictureGuard() { ready = WebPPictureInit(&picture) != 0; }
    ~PictureGuard() { WebPPictureFree(&picture); }
};

// What the screen shows as RGBA bytes: drawn pixels opaque, the rest clear.
void ScreenToRgba(const Composition& c, std::vector<uint8_t>& rgba) {
    rgba.resize(c.screen.size() * 4);
    uint8_t* out = rgba.data();
    for (uint32_t p : c.screen) {
        out[0] = uint8_t(p >> 16);
        out[1] = uint8_t(p >> 8);
        out[2] = uint8_t(p);
        out[3] = uint8_t(p >> 24);
        out += 4;
    }
}

// A WebP loop count is how often the animation plays in all: 0 forever.
int LoopCountOf(const AnimDoc& doc) {
    if (!doc.loopEnabled) return 1;
    return doc.loopCount == 0 ? 0 : std::min(doc.loopCount + 1, 65535);
}

bool Encode(const AnimDoc& doc, const WriteOptions& options, std::vector<uint8_t>& out, bool& cancelled) {
    const int width = doc.screenWidth, height = doc.screenHeight;
    if (width <= 0 || height <= 0 || width > WEBP_MAX_DIMENSION || height > WEBP_MAX_DIMENSION) return false;
    WebPAnimEncoderOptions encoderOptions;
    if (!WebPAnimEncoderOptionsInit(&encoderOptions)) return false;
    encoderOptions.anim_params.loop_count = LoopCountOf(doc);
    encoderOptions.anim_params.bgcolor = 0x00000000;  // clear, as a new screen is
    // Key frames every 9 to 17 frames (3 to 5 lossy): the encoder then weighs a
    // whole frame against the changed rectangle at those points and keeps the
    // smaller, which costs less time than minimize_size's search of every frame
    // and saves more than it adds in key frames.
    encoderOptions.minimize_size = 0;
    encoderOptions.kmin = options.WebpLossless ? 9 : 3;
    encoderOptions.kmax = options.WebpLossless ? 17 : 5;
    std::unique_ptr<WebPAnimEncoder, EncoderDeleter> encoder(WebPAnimEncoderNew(width, height, &encoderOptions));
    if (!encoder) return false;
    WebPConfig config;
    if (!WebPConfigInit(&config)) return false;
    config.lossless = options.WebpLossless != 0;
    config.quality = float(std::clamp(options.WebpQuality, 0, 100));
    if (!WebPValidateConfig(&config)) return false;

    Composition screen;
    if (!StartComposition(screen, width, height, CompositionRules{})) throw std::bad_alloc();
    std::vector<uint8_t> rgba;
    int timestamp = 0, index = 0;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get(), ++index) {
        ProgressPrintf("WebP 書き込み中...\r %4d / %4d コマ", index + 1, doc.frameCount);
        ProgressSetPos(index);
        if (ProgressPump()) return !(cancelled = true);
        if (!ComposeFrame(screen, *f, index == 0)) throw std::bad_alloc();
        ScreenToRgba(screen, rgba);
        PictureGuard frame;
        if (!frame.ready) return false;
        frame.picture.use_argb = 1;
        frame.picture.width = width;
        frame.picture.height = height;
        if (!WebPPictureImportRGBA(&frame.picture, rgba.data(), width * 4)) throw std::bad_alloc();
        if (!WebPAnimEncoderAdd(encoder.get(), &frame.picture, timestamp, &config)) return false;
        timestamp += std::max(f->delay, 0) * 10;
    }
    if (!WebPAnimEncoderAdd(encoder.get(), nullptr, timestamp, nullptr)) return false;
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAssemble(encoder.get(), &data)) return false;
    out.assign(data.bytes, data.bytes + data.size);
    WebPDataClear(&data);
    return true;
}

}  // namespace

std::vector<uint8_t> EncodeWebp(OwnerWindow owner, const AnimDoc& doc, const WriteOptions& options, bool* cancelled) {
    std::vector<uint8_t> out;
    bool stopped = false;
    ProgressOpen(owner);
    ProgressSetText("WebP 書き込み中...");
    ProgressSetRange(0, doc.frameCount);
    ProgressSetCancel("中止");
    try {
        if (!Encode(doc, options, out, stopped)) out.clear();
    } catch (const std::bad_alloc&) {
        out.clear();
    }
    ProgressClose(owner);
    if (cancelled) *cancelled = stopped;
    return out;
}

bool WriteWebp(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options) {
    if (!doc.firstFrame) return false;
    bool cancelled = false;
    const std::vector<uint8_t> bytes = EncodeWebp(owner, doc, options, &cancelled);
    if (bytes.empty()) {
        if (!cancelled) ShowError(owner, kWriteFailed);
        return false;
    }
    SafeFile file;
    if (!file.Open(path)) {
        ShowError(owner, "ファイルオープンに失敗しました。");
        return false;
    }
    file.Write(bytes);
    if (!file.Commit()) {
        ShowError(owner, kWriteFailed);
        return false;
    }
    return true;
}

}  // namespace kivo
