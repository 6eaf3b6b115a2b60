#include "tools/avi_export.h"

#include <atomic>
#include <memory>
#include <new>
#include <vector>

#include "color/global_palette.h"
#include "color/palette_prep.h"
#include "color/write_options.h"
#include "doc/color_count.h"
#include "doc/dib.h"
#include "platform/parallel.h"
#include "platform/progress.h"
#include "platform/safe_save.h"
#include "tools/avi_patch.h"
#include "tools/avi_timing.h"
#include "tools/avi_writer.h"
#include "tools/compositor.h"

namespace kivo {

namespace {

constexpr char kFailed[] = "エラーのため、書き込み失敗しました。";
constexpr char kRefused256[] =
    "256色で、可能な圧縮形式ではない可能性があります。\r別の圧縮形式を選択してください。";
constexpr char kRefusedFullColour[] =
    "フルカラーで、可能な圧縮形式ではない可能性があります。\r別の圧縮形式を選択してください。";

enum class Outcome { kDone, kFailed, kCancelled };

// The options palette preparation must see for a video, and their own values
// back afterwards, whatever happens.
class ForcedOptions {
public:
    ForcedOptions()
        : maxColors_(MaxColors), noReduction_(NoColorReduction), unify_(UnifyPalette),
          dither_(AlwaysDither), gifDialog_(ShowOptionsOnSave), mngDialog_(MngShowOptionsOnSave) {
        MaxColors = 256;
        NoColorReduction = 0;
        UnifyPalette = 1;
        AlwaysDither = 0;
        ShowOptionsOnSave = 1;
        MngShowOptionsOnSave = 1;
    }
    ~ForcedOptions() {
        MaxColors = maxColors_;
        NoColorReduction = noReduction_;
        UnifyPalette = unify_;
        AlwaysDither = dither_;
        ShowOptionsOnSave = gifDialog_;
        MngShowOptionsOnSave = mngDialog_;
    }
    ForcedOptions(const ForcedOptions&) = delete;
    ForcedOptions& operator=(const ForcedOptions&) = delete;

private:
    int maxColors_, noReduction_, unify_, dither_, gifDialog_, mngDialog_;
};

// During the export every frame carries the picture that is written; what it
// had before comes back when the export ends, however it ends.
class FramesOnLoan {
public:
    explicit FramesOnLoan(AnimDoc& doc) : doc_(doc), globalPalette_(doc.globalPalette) {
        for (Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
            frames_.push_back(f);
            kept_.push_back({{}, f->left, f->top, f->width, f->height, f->localPalette, f->tempPalette,
                             f->hasTransparency, f->transparentRgb});
        }
    }
    ~FramesOnLoan() {
        ReleaseSaveStateAfterFailure(doc_);  // index planes, censuses, palettes made now
        for (size_t i = 0; i < frames_.size(); ++i) {
            Frame& f = *frames_[i];
            Kept& k = kept_[i];
            if (!k.dib.empty()) f.dib = std::move(k.dib);
            f.left = k.left;
            f.top = k.top;
            f.width = k.width;
            f.height = k.height;
            f.localPalette = std::move(k.localPalette);
            f.tempPalette = k.tempPalette;
            f.hasTransparency = k.hasTransparency;
            f.transparentRgb = k.transparentRgb;
        }
        doc_.globalPalette = std::move(globalPalette_);
    }
    FramesOnLoan(const FramesOnLoan&) = delete;
    FramesOnLoan& operator=(const FramesOnLoan&) = delete;

    const std::vector<Frame*>& frames() const { return frames_; }

    // Frame i shows picture, a whole screen at the top left, without
    // transparency: the picture is what the screen shows.
    void Lend(size_t i, Dib&& picture) {
        Frame& f = *frames_[i];
        if (kept_[i].dib.empty()) kept_[i].dib = std::move(f.dib);
        f.dib = std::move(picture);
        f.left = f.top = 0;
        f.width = DibWidth(f.dib);
        f.height = DibHeight(f.dib);
        f.hasTransparency = 0;
    }

private:
    struct Kept {
        Dib dib;  // empty while the frame still holds its own
        int32_t left, top, width, height;
        Palette localPalette;
        int16_t tempPalette;
        int32_t hasTransparency;
        Rgb transparentRgb;
    };
    AnimDoc& doc_;
    Palette globalPalette_;
    std::vector<Frame*> frames_;
    std::vector<Kept> kept_;
};

// format: the phase's line and "\r %4d / %4d コマ".
bool ShowCount(const char* format, size_t n, size_t total) {
    ProgressPrintf(format, int(n), int(total));
    ProgressSetPos(int(n));
    return ProgressPump() != 0;
}

void StartPhase(const char* line, size_t total) {
    ProgressSetText(line);
    ProgressSetRange(0, int(total));
    ProgressSetCancel("中止");
}

// A frame that covers the whole screen from the top left and lets nothing
// through is its own screen picture.
bool IsWholeScreen(const Frame& f, const AnimDoc& doc) {
    return f.left == 0 && f.top == 0 && f.width == doc.screenWidth && f.height == doc.screenHeight &&
           !f.hasTransparency && DibIsValid(f.dib) && DibBitCount(f.dib) == 24 &&
           DibWidth(f.dib) == f.width && DibHeight(f.dib) == f.height;
}

Dib ScreenPicture(const Composition& c, Rgb background) {
    Dib dib = MakeDib24(uint32_t(c.width), uint32_t(c.height));
    if (dib.empty()) throw std::bad_alloc();
    const size_t stride = DibRowBytes(uint32_t(c.width), 24);
    const uint32_t fill = 0xFF000000u | uint32_t(background.r) << 16 | uint32_t(background.g) << 8 | background.b;
    for (int32_t y = 0; y < c.height; ++y) {
        uint8_t* out = DibPixels(dib) + size_t(c.height - 1 - y) * stride;
        const uint32_t* in = c.screen.data() + size_t(y) * size_t(c.width);
        for (int32_t x = 0; x < c.width; ++x, out += 3) {
            const uint32_t p = in[x] == kNothingDrawn ? fill : in[x];
            out[0] = uint8_t(p);
            out[1] = uint8_t(p >> 8);
            out[2] = uint8_t(p >> 16);
        }
    }
    return dib;
}

// Every frame becomes what the screen shows while it is on, as a player draws
// it: disposal and transparency applied, frames clipped to the screen. Where
// nothing was drawn the first frame's transparent colour shows, else black.
Outcome ComposeScreens(const AnimDoc& doc, FramesOnLoan& loan) {
    const std::vector<Frame*>& frames = loan.frames();
    bool whole = true;
    for (const Frame* f : frames) whole = whole && IsWholeScreen(*f, doc);
    if (whole) return Outcome::kDone;

    StartPhase("書き込み用DIB作成中...", frames.size());
    Composition c;
    if (!StartComposition(c, doc.screenWidth, doc.screenHeight)) return Outcome::kFailed;
    const Frame& first = *frames.front();
    const Rgb background = first.hasTransparency ? first.transparentRgb : Rgb{};
    std::vector<Dib> screens;
    screens.reserve(frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        if (!ComposeFrame(c, *frames[i])) return Outcome::kFailed;
        screens.push_back(ScreenPicture(c, background));
        if (ShowCount("書き込み用DIB作成中...\r %4d / %4d コマ", i + 1, frames.size())) return Outcome::kCancelled;
    }
    // Lent only now: composing reads every frame as it is.
    for (size_t i = 0; i < frames.size(); ++i) loan.Lend(i, std::move(screens[i]));
    return Outcome::kDone;
}

bool AllWithin256Colours(const std::vector<Frame*>& frames) {
    std::atomic<bool> within{true};
    ParallelFor(frames.size(), [&](size_t i) {
        if (!within.load()) return;
        const Frame& f = *frames[i];
        if (CountColorsLimited(DibPixels(f.dib), f.width, f.height, 257) > 256) within = false;
    });
    return within.load();
}

// The 256-colour pictures: one palette for every frame, from the frames'
// exact colours. False (frames left 24-bit) when they do not share one.
Outcome MakeIndexedPictures(OwnerWindow owner, AnimDoc& doc, FramesOnLoan& loan, bool& indexed) {
    indexed = false;
    ProgressSetText("パレットイメージ作成中...");
    ProgressSetCancel(nullptr);
    ProgressPump();
    CodecIsMng = 0;
    if (!PreparePalettes(owner, doc, false) || (doc.globalPalette.empty() && !BuildGlobalPalette(doc, false)))
        return Outcome::kFailed;
    const std::vector<Frame*>& frames = loan.frames();
    StartPhase("256 DIB作成中...", frames.size());
    for (const Frame* f : frames)
        if (!f->localPalette.empty()) return Outcome::kDone;
    for (size_t i = 0; i < frames.size(); ++i) {
        Frame& f = *frames[i];
        Dib picture = MakeIndexedDib(f.dib, f.indexPixels, doc.globalPalette);
        if (picture.empty()) return Outcome::kFailed;
        loan.Lend(i, std::move(picture));
        f.indexPixels = {};
        if (ShowCount("256 DIB作成中...\r %4d / %4d コマ", i + 1, frames.size())) return Outcome::kCancelled;
    }
    indexed = true;
    return Outcome::kDone;
}

// Opens the stream with the encoder the user chooses; after a refusal the
// user may choose again, on a fresh file.
Outcome OpenStream(OwnerWindow owner, const std::string& path, const AviVideoFormat& format,
                   const AviEncoderChoice& choice, SafeFile& file,
                   std::unique_ptr<AviStreamWriter>& writer) {
    for (;;) {
        if (!file.Open(path)) return Outcome::kFailed;
        const std::optional<std::string> encoder = choice.choose ? choice.choose() : std::nullopt;
        if (!encoder) return Outcome::kFailed;
        writer = std::make_unique<AviStreamWriter>();
        const AviOpenResult r = writer->Open(file, *encoder, format);
        if (r == AviOpenResult::kOk) return Outcome::kDone;
        if (r == AviOpenResult::kFailed) return Outcome::kFailed;
        writer.reset();
        file.Abandon();
        if (!choice.retry || !choice.retry(owner, format.bits == 8 ? kRefused256 : kRefusedFullColour))
            return Outcome::kFailed;
    }
}

Outcome Export(OwnerWindow owner, const std::string& path, AnimDoc& doc, const AviEncoderChoice& choice) {
    if (!doc.firstFrame || doc.screenWidth <= 0 || doc.screenHeight <= 0) return Outcome::kFailed;
    FramesOnLoan loan(doc);
    const std::vector<int32_t> delays = FrameDelays(doc);
    const int32_t unit = AviTimeUnit(delays);

    if (const Outcome o = ComposeScreens(doc, loan); o != Outcome::kDone) return o;
    bool indexed = false;
    if (AllWithin256Colours(loan.frames()))
        if (const Outcome o = MakeIndexedPictures(owner, doc, loan, indexed); o != Outcome::kDone) return o;

    AviVideoFormat format;
    format.width = doc.screenWidth;
    format.height = doc.screenHeight;
    format.bits = indexed ? 8 : 24;
    if (indexed) format.palette = doc.globalPalette;
    format.unit = unit;
    SafeFile file;
    std::unique_ptr<AviStreamWriter> writer;  // destroyed first: it writes into file
    if (const Outcome o = OpenStream(owner, path, format, choice, file, writer); o != Outcome::kDone) return o;

    const std::vector<Frame*>& frames = loan.frames();
    StartPhase("AVI 書き込み中...", frames.size());
    for (const AviSampleWrite& w : AviSchedule(delays, unit)) {
        if (!writer->Write(frames[w.frame]->dib, w.position)) return Outcome::kFailed;
        if (ShowCount("AVI 書き込み中...\r %4d / %4d コマ", w.frame + 1, frames.size())) return Outcome::kCancelled;
    }
    return writer->Finish() && file.Commit() ? Outcome::kDone : Outcome::kFailed;
}

}  // namespace

bool ExportAvi(OwnerWindow owner, const std::string& path, AnimDoc& doc, const AviEncoderChoice& choice) {
    const ForcedOptions forced;
    ProgressOpen(owner);
    ProgressSetText("チェック中...");
    ProgressSetCancel(nullptr);
    ProgressSetRange(0, 0);
    ProgressPump();

    Outcome outcome = Outcome::kFailed;
    try {
        outcome = Export(owner, path, doc, choice);
    } catch (const std::bad_alloc&) {
        outcome = Outcome::kFailed;
    }
    if (outcome == Outcome::kDone && AviMoviListRepairWanted() && !PatchAviMoviList(path))
        outcome = Outcome::kFailed;
    ProgressClose(owner);
    if (outcome == Outcome::kFailed) ShowError(owner, kFailed);
    return outcome == Outcome::kDone;
}

bool ExportAvi(OwnerWindow owner, const std::string& path, AnimDoc& doc, std::string_view encoder) {
    AviEncoderChoice choice;
    choice.choose = [name = std::string(encoder)]() -> std::optional<std::string> { return name; };
    choice.retry = [](OwnerWindow o, std::string_view message) {
        ShowError(o, message);
        return false;
    };
    return ExportAvi(owner, path, doc, choice);
}

}  // namespace kivo
