#include "mng/mng_frame_stream.h"

#include <algorithm>

#include "options/write_options.h"
#include "doc/dib.h"
#include "jpeg/jpeg_writer.h"
#include "png/chunk_writer.h"
#include "png/png_writer.h"

namespace kivo {

namespace {

// The picture the PNG (full colour) and JPEG encoders read must be exactly the
// frame's size: they walk the DIB by the frame's width and height.
bool PictureFits(const Frame& frame) {
    return DibIsValid(frame.dib) && DibBitCount(frame.dib) == 24 && !DibIsCore(frame.dib) &&
           DibCompression(frame.dib) == kBiRgb && DibWidth(frame.dib) == uint32_t(frame.width) &&
           DibHeight(frame.dib) == uint32_t(frame.height);
}

const Palette* FramePalette(const AnimDoc& doc, const Frame& frame) {
    if (!frame.localPalette.empty()) return &frame.localPalette;
    if (!doc.globalPalette.empty()) return &doc.globalPalette;
    return nullptr;
}

// Preparation's promise to the writer: a full index plane whose every index
// names an entry of a palette PNG can hold.
bool IndicesFit(const Frame& frame, const Palette& palette) {
    if (palette.empty() || palette.size() > 256) return false;
    if (frame.indexPixels.size() != size_t(frame.width) * size_t(frame.height)) return false;
    return *std::max_element(frame.indexPixels.begin(), frame.indexPixels.end()) < palette.size();
}

MngFrameError Unfit() { return MngFrameError::Kind::kUnfit; }

MngFrameError FromPng(PngWriteError error) {
    MngFrameError e;
    if (error != PngWriteError::kNone) {
        e.kind = MngFrameError::Kind::kPng;
        e.png = error;
    }
    return e;
}

MngFrameError EncodeJng(const Frame& frame, const WriteOptions& options, std::vector<uint8_t>& out) {
    if (!PictureFits(frame)) return Unfit();
    // The JPEG data stays in memory: a JNG holds it whole in one JDAT.
    std::vector<uint8_t> jpeg;
    if (JpegWriteError error = EncodeJpeg(frame, {std::clamp(options.JngQuality, 1, 100), options.Interlace != 0}, jpeg)) {
        MngFrameError e;
        e.kind = MngFrameError::Kind::kJpeg;
        e.jpeg = std::move(error);
        return e;
    }
    PutJhdr(out, uint32_t(frame.width), uint32_t(frame.height), options.Interlace != 0);
    for (const TextKey& key : frame.textKeys)
        if (!PutText(out, key)) return Unfit();
    PutChunk(out, "JDAT", jpeg);
    PutChunk(out, "IEND", {});
    return {};
}

MngFrameError EncodeStandIn(const Frame& frame, std::vector<uint8_t>& out) {
    static const uint8_t kIndex = 0;
    PngImage image;
    image.width = image.height = 1;
    image.palette = {frame.hasTransparency ? frame.transparentRgb : Rgb{}};
    image.kind = PngKindForMngPalette(image.palette.size());
    image.indexPlane = &kIndex;
    image.hasTransparency = true;
    image.transparent = image.palette[0];
    image.texts = &frame.textKeys;
    return FromPng(EncodePng(image, PngStreamForm{false, false, false}, out));
}

}  // namespace

bool WrittenAsJng(const Frame& frame, const WriteOptions& options) {
    return options.JngAllFrames != 0 || frame.saveKind == 2;
}

bool UsesGlobalPalette(const AnimDoc& doc, const Frame& frame, const WriteOptions& options) {
    return !IsEmptyFrame(frame) && !WrittenAsJng(frame, options) && frame.saveKind == 0 &&
           frame.localPalette.empty() && !doc.globalPalette.empty();
}

bool IsEmptyFrame(const Frame& frame) { return frame.width <= 0 || frame.height <= 0; }

std::vector<std::string> MngFrameMessages(const MngFrameError& error) {
    std::vector<std::string> messages;
    switch (error.kind) {
    case MngFrameError::Kind::kPng:
        if (const char* text = PngWriteMessage(error.png); *text) messages.emplace_back(text);
        break;
    case MngFrameError::Kind::kJpeg:
        if (!error.jpeg.warning.empty()) messages.push_back(error.jpeg.warning);
        if (std::string text = JpegWriteMessage(error.jpeg); !text.empty()) messages.push_back(std::move(text));
        break;
    case MngFrameError::Kind::kUnfit:
    case MngFrameError::Kind::kNone: break;
    }
    return messages;
}

MngFrameError EncodeMngFrame(const AnimDoc& doc, const Frame& frame, const WriteOptions& options, bool globalTrns,
                             std::vector<uint8_t>& out) {
    if (IsEmptyFrame(frame)) return EncodeStandIn(frame, out);
    if (WrittenAsJng(frame, options)) return EncodeJng(frame, options, out);

    PngImage image;
    image.width = uint32_t(frame.width);
    image.height = uint32_t(frame.height);
    image.interlace = options.Interlace != 0;
    image.hasTransparency = frame.hasTransparency != 0;
    image.transparent = frame.transparentRgb;
    image.texts = &frame.textKeys;
    PngStreamForm form{false, false, false};
    if (frame.saveKind == 1) {
        if (!PictureFits(frame)) return Unfit();
        image.kind = kPngRgb;
        image.dib = &frame.dib;
    } else {
        const Palette* palette = FramePalette(doc, frame);
        if (!palette || !IndicesFit(frame, *palette)) return Unfit();
        image.palette = *palette;
        image.kind = PngKindForMngPalette(palette->size());
        image.indexPlane = frame.indexPixels.data();
        // With NoGlobalPalette the file has no global PLTE: a frame on the
        // global palette carries a copy of it instead.
        if (UsesGlobalPalette(doc, frame, options) && !options.NoGlobalPalette) {
            form.emptyPlte = true;
            form.suppressTrns = globalTrns;
        }
    }
    return FromPng(EncodePng(image, form, out));
}

}  // namespace kivo
