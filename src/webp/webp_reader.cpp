#include "webp/webp_reader.h"

#include <webp/demux.h>

#include <cstring>
#include <new>
#include <vector>

#include "doc/alpha_key.h"
#include "doc/dib.h"
#include "platform/progress.h"
#include "platform/safe_save.h"

namespace kivo {

namespace {

// Far beyond any real animation, yet a file can name no more.
constexpr size_t kMaxWebpFileSize = size_t(1) << 31;

// All frames together may hold this many times the largest single picture: a
// short file claiming thousands of huge frames is refused before it costs memory.
constexpr size_t kFramesPerPictureBudget = 2;

struct DecoderDeleter {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};
struct DemuxDeleter {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};

// One composed RGBA canvas (top row first) into a frame's 24-bit picture and
// transparent colour.
bool CanvasToFrame(const uint8_t* rgba, uint32_t width, uint32_t height, Frame& frame) {
    Dib dib = MakeDib24(width, height);
    if (dib.empty()) return false;
    std::vector<uint8_t> alpha(size_t(width) * height);
    const size_t stride = DibRowBytes(width, 24);
    uint8_t* bits = DibPixels(dib);
    bool anyAlpha = false;
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t dibRow = height - 1 - y;
        const uint8_t* in = rgba + size_t(y) * width * 4;
        uint8_t* out = bits + size_t(dibRow) * stride;
        uint8_t* a = alpha.data() + size_t(dibRow) * width;
        for (uint32_t x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            a[x] = in[3];
            anyAlpha |= in[3] != 255;
        }
    }
    Rgb key;
    frame.hasTransparency = anyAlpha && KeyOutAlpha(dib, alpha, &key);
    if (frame.hasTransparency) frame.transparentRgb = key;
    frame.dib = std::move(dib);
    frame.width = int32_t(width);
    frame.height = int32_t(height);
    return true;
}

// The checks a file passes before anything is decoded: a canvas a frame can
// hold, and all its frames within the budget.
WebpReadError CheckSize(std::span<const uint8_t> bytes) {
    WebPData data{bytes.data(), bytes.size()};
    std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemux(&data));
    if (!demux) return WebpReadError::kNotWebp;
    const size_t width = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
    const size_t height = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
    const size_t frames = WebPDemuxGetI(demux.get(), WEBP_FF_FRAME_COUNT);
    if (width == 0 || height == 0 || frames == 0) return WebpReadError::kNotWebp;
    if (width > 0xFFFF || height > 0xFFFF || width * height > MaxImagePixels) return WebpReadError::kTooLarge;
    if (frames > MaxImagePixels * kFramesPerPictureBudget / (width * height)) return WebpReadError::kTooLarge;
    return WebpReadError::kNone;
}

std::unique_ptr<AnimDoc> Decode(std::span<const uint8_t> bytes, bool firstOnly, WebpReadError& error) {
    error = CheckSize(bytes);
    if (error != WebpReadError::kNone) return nullptr;
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return error = WebpReadError::kMemory, nullptr;
    options.color_mode = MODE_RGBA;  // not premultiplied: clear pixels keep their colour
    options.use_threads = 0;
    WebPData data{bytes.data(), bytes.size()};
    std::unique_ptr<WebPAnimDecoder, DecoderDeleter> decoder(WebPAnimDecoderNew(&data, &options));
    if (!decoder) return error = WebpReadError::kNotWebp, nullptr;
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info)) return error = WebpReadError::kNotWebp, nullptr;

    std::unique_ptr<AnimDoc> doc = NewDocument();
    if (!doc) return error = WebpReadError::kMemory, nullptr;
    doc->screenWidth = int32_t(info.canvas_width);
    doc->screenHeight = int32_t(info.canvas_height);
    // A WebP loop count is how often the animation plays; the document keeps
    // the repeats after the first, as a GIF loop block does.
    doc->loopEnabled = info.frame_count > 1 && info.loop_count != 1;
    doc->loopCount = info.loop_count >= 2 && info.loop_count <= 65536 ? int32_t(info.loop_count - 1) : 0;
    int previous = 0;
    while (WebPAnimDecoderHasMoreFrames(decoder.get())) {
        if (!firstOnly && ProgressPump()) return error = WebpReadError::kCancelled, nullptr;
        uint8_t* canvas = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
            return error = WebpReadError::kDamaged, nullptr;
        if (!AppendFrame(*doc)) return error = WebpReadError::kMemory, nullptr;
        Frame& f = *doc->currentFrame;
        if (!CanvasToFrame(canvas, info.canvas_width, info.canvas_height, f))
            return error = WebpReadError::kMemory, nullptr;
        // Each frame is the whole composed canvas: clearing after it lets the
        // next one show exactly, clear parts included.
        f.disposal = 2;
        f.delay = WebpDelayFromMs(timestamp - previous);
        f.hasDelay = 1;
        f.tempPalette = 1;
        previous = timestamp;
        if (firstOnly) break;
    }
    if (!doc->firstFrame) return error = WebpReadError::kNotWebp, nullptr;
    doc->currentFrame = doc->firstFrame.get();
    doc->currentIndex = 0;
    doc->modified = 0;
    UpdateExtent(*doc);
    return doc;
}

}  // namespace

const char* WebpReadMessage(WebpReadError error) {
    switch (error) {
    case WebpReadError::kCannotOpen: return "ファイルオープンに失敗しました。";
    case WebpReadError::kNotWebp: return "WebP ファイルとして読めません。";
    case WebpReadError::kTooLarge: return "WebP の画像が大きすぎるか、コマが多すぎます。";
    case WebpReadError::kMemory: return "メモリが足りません。";
    case WebpReadError::kDamaged: return "WebP ファイルが壊れています。";
    case WebpReadError::kCancelled:
    case WebpReadError::kNone: break;
    }
    return "";
}

bool HasWebpSignature(std::span<const uint8_t> head) {
    return head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 && std::memcmp(head.data() + 8, "WEBP", 4) == 0;
}

int32_t WebpDelayFromMs(int ms) { return ms <= 0 ? 0 : int32_t((int64_t(ms) + 5) / 10); }

std::unique_ptr<AnimDoc> LoadWebpBytes(OwnerWindow owner, std::span<const uint8_t> bytes, WebpReadError& error) {
    ProgressOpenForReading(owner, "WebP 読み取り中...");
    ProgressSetCancel("中止");
    std::unique_ptr<AnimDoc> doc;
    try {
        doc = Decode(bytes, false, error);
    } catch (const std::bad_alloc&) {
        doc.reset();
        error = WebpReadError::kMemory;
    }
    ProgressClose(owner);
    return doc;
}

std::unique_ptr<AnimDoc> LoadWebp(OwnerWindow owner, const std::string& path, WebpReadError& error) {
    std::string file;
    if (!ReadWholeFile(path, file, kMaxWebpFileSize)) {
        error = WebpReadError::kCannotOpen;
        return nullptr;
    }
    return LoadWebpBytes(owner, {reinterpret_cast<const uint8_t*>(file.data()), file.size()}, error);
}

std::unique_ptr<AnimDoc> ReadWebp(OwnerWindow owner, const std::string& path) {
    WebpReadError error = WebpReadError::kNone;
    std::unique_ptr<AnimDoc> doc = LoadWebp(owner, path, error);
    if (!doc) {
        if (const char* text = WebpReadMessage(error); *text) ShowError(owner, text);
    }
    return doc;
}

bool ReadWebpFirstFrame(const std::string& path, Frame& frame) {
    try {
        std::string file;
        if (!ReadWholeFile(path, file, kMaxWebpFileSize)) return false;
        WebpReadError error = WebpReadError::kNone;
        auto doc = Decode({reinterpret_cast<const uint8_t*>(file.data()), file.size()}, true, error);
        if (!doc) return false;
        Frame& first = *doc->firstFrame;
        frame.dib = std::move(first.dib);
        frame.width = first.width;
        frame.height = first.height;
        frame.hasTransparency = first.hasTransparency;
        frame.transparentRgb = first.transparentRgb;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace kivo
