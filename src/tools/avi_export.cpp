#include "tools/avi_export.h"

#include <atomic>
#include <memory>
#include <new>
#include <vector>

#include "color/global_palette.h"
#include "color/palette_prep.h"
#include "color/write_options.h"
#include "doc/dib.h"
#include "platform/parallel.h"
#include "platform/progress.h"
#include "platform/safe_save.h"
#include "tools/avi_decoder.h"
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
// through is its own screen picture; so is every frame once lent its screen
// (8-bit after the palette work).
bool IsWholeScreen(const Frame& f, const AnimDoc& doc) {
    return f.left == 0 && f.top == 0 && f.width == doc.screenWidth && f.height == doc.screenHeight &&
           !f.hasTransparency && DibIsValid(f.dib) && (DibBitCount(f.dib) == 24 || DibBitCount(f.dib) == 8) &&
           DibWidth(f.dib) == f.width && DibHeight(f.dib) == f.height;
}

bool AllWholeScreens(const std::vector<Frame*>& frames, const AnimDoc& doc) {
    for (const Frame* f : frames)
        if (!IsWholeScreen(*f, doc)) return false;
    return true;
}

// What the screen shows while each frame is on, one frame after another, as a
// player draws it: disposal and transparency applied, frames clipped to the
// screen. Where nothing was drawn the first frame's transparent colour shows,
// else black.
class Screens {
public:
    bool Start(const AnimDoc& doc, const Frame& first) {
        fill_ = first.hasTransparency ? Packed(first.transparentRgb) : Packed(Rgb{});
        return StartComposition(c_, doc.screenWidth, doc.screenHeight);
    }
    // The screen once frame is drawn (after the one before), into picture,
    // whose buffer is reused when it has the size.
    void Next(const Frame& frame, Dib& picture) {
        if (!ComposeFrame(c_, frame)) throw std::bad_alloc();
        if (picture.empty() || DibWidth(picture) != c_.width || DibHeight(picture) != c_.height) {
            picture = MakeDib24(uint32_t(c_.width), uint32_t(c_.height));
            if (picture.empty()) throw std::bad_alloc();
        }
        const size_t stride = DibRowBytes(uint32_t(c_.width), 24);
        for (int32_t y = 0; y < c_.height; ++y) {
            uint8_t* out = DibPixels(picture) + size_t(c_.height - 1 - y) * stride;
            const uint32_t* in = c_.screen.data() + size_t(y) * size_t(c_.width);
            for (int32_t x = 0; x < c_.width; ++x, out += 3) {
                const uint32_t p = in[x] == kNothingDrawn ? fill_ : in[x];
                out[0] = uint8_t(p);
                out[1] = uint8_t(p >> 8);
                out[2] = uint8_t(p >> 16);
            }
        }
    }

private:
    static uint32_t Packed(Rgb c) { return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; }
    Composition c_;
    uint32_t fill_ = 0;
};

// Every frame is lent its screen, for the palette work that needs them all.
Outcome ComposeAllScreens(const AnimDoc& doc, FramesOnLoan& loan) {
    const std::vector<Frame*>& frames = loan.frames();
    StartPhase("書き込み用DIB作成中...", frames.size());
    Screens screens;
    if (!screens.Start(doc, *frames.front())) return Outcome::kFailed;
    std::vector<Dib> pictures(frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        screens.Next(*frames[i], pictures[i]);
        if (ShowCount("書き込み用DIB作成中...\r %4d / %4d コマ", i + 1, frames.size())) return Outcome::kCancelled;
    }
    // Lent only now: composing reads every frame as it is.
    for (size_t i = 0; i < frames.size(); ++i) loan.Lend(i, std::move(pictures[i]));
    return Outcome::kDone;
}

// Each frame's colours, counted once: palette preparation takes the census
// from here. False when some frame has more than 256.
bool AllWithin256Colours(const std::vector<Frame*>& frames) {
    std::atomic<bool> within{true}, failed{false};
    ParallelFor(frames.size(), [&](size_t i) {
        if (!within.load()) return;
        if (!CountFrameColors(*frames[i])) failed = true;
        else if (frames[i]->colorCount > 256) within = false;
    });
    if (failed.load()) throw std::bad_alloc();
    if (!within.load())
        for (Frame* f : frames) {
            f->census = {};
            f->censusIndices = {};
            f->colorCount = 0;
        }
    return within.load();
}

// The 256-colour pictures: one palette for every frame, from the frames'
// exact colours; indexed stays false (frames left 24-bit) when some frame has
// more colours or the frames do not share one palette.
Outcome MakeIndexedPictures(OwnerWindow owner, AnimDoc& doc, FramesOnLoan& loan, bool& indexed) {
    indexed = false;
    ProgressSetText("パレットイメージ作成中...");
    ProgressSetCancel(nullptr);
    ProgressPump();
    const std::vector<Frame*>& frames = loan.frames();
    if (!AllWithin256Colours(frames)) return Outcome::kDone;
    CodecIsMng = 0;
    if (!PreparePalettes(owner, doc, false) || (doc.globalPalette.empty() && !BuildGlobalPalette(doc, false)))
        return Outcome::kFailed;
    StartPhase("256 DIB作成中...", frames.size());
    for (const Frame* f : frames)
        if (!f->localPalette.empty()) return Outcome::kDone;
    for (size_t i = 0; i < frames.size(); ++i) {
        Frame& f = *frames[i];
        Dib picture = MakeIndexedDib(f.dib, f.indexPixels, doc.globalPalette);
        if (picture.empty()) return Outcome::kFailed;
        loan.Lend(i, std::move(picture));
        f.indexPixels = {};
        f.census = {};
        if (ShowCount("256 DIB作成中...\r %4d / %4d コマ", i + 1, frames.size())) return Outcome::kCancelled;
    }
    indexed = true;
    return Outcome::kDone;
}

// Opens the stream with the encoder the user chooses; after a refusal the user
// may choose again, on a fresh file. 8-bit pictures are made for the first
// encoder that stores them as they are; any other encoder would only turn them
// back into full colour, which loses nothing, so it gets the 24-bit pictures
// without the palette work.
Outcome OpenStream(OwnerWindow owner, const std::string& path, AnimDoc& doc, FramesOnLoan& loan,
                   int32_t unit, const AviEncoderChoice& choice, SafeFile& file,
                   std::unique_ptr<AviStreamWriter>& writer) {
    bool palettesTried = false, indexed = false;
    for (;;) {
        if (!file.Open(path)) return Outcome::kFailed;
        const std::optional<std::string> encoder = choice.choose ? choice.choose() : std::nullopt;
        if (!encoder) return Outcome::kFailed;
        if (!palettesTried && AviEncoderTakes256Colours(*encoder)) {
            palettesTried = true;
            if (!AllWholeScreens(loan.frames(), doc))
                if (const Outcome o = ComposeAllScreens(doc, loan); o != Outcome::kDone) return o;
            if (const Outcome o = MakeIndexedPictures(owner, doc, loan, indexed); o != Outcome::kDone) return o;
        }
        AviVideoFormat format;
        format.width = doc.screenWidth;
        format.height = doc.screenHeight;
        format.bits = indexed ? 8 : 24;
        if (indexed) format.palette = doc.globalPalette;
        format.unit = unit;
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
    // Each sample of a long delay is a chunk of its own, empty or not: a delay
    // of years, possible in an MNG, would write without end.
    const std::vector<AviSampleWrite> writes = AviSchedule(delays, unit);
    if (writes.empty() || writes.back().position >= MaxAviSamples) return Outcome::kFailed;
    SafeFile file;
    std::unique_ptr<AviStreamWriter> writer;  // destroyed first: it writes into file
    if (const Outcome o = OpenStream(owner, path, doc, loan, unit, choice, file, writer); o != Outcome::kDone)
        return o;

    // Frames that do not hold their screen yet get it composed as they are
    // written, one at a time, so a long animation never holds every screen.
    const std::vector<Frame*>& frames = loan.frames();
    const bool compose = !AllWholeScreens(frames, doc);
    Screens screens;
    if (compose && !screens.Start(doc, *frames.front())) return Outcome::kFailed;
    Dib screen;
    size_t composed = frames.size();
    StartPhase("AVI 書き込み中...", frames.size());
    for (const AviSampleWrite& w : writes) {
        if (compose && composed != w.frame) {
            screens.Next(*frames[w.frame], screen);
            composed = w.frame;
        }
        if (!writer->Write(compose ? screen : frames[w.frame]->dib, w.position)) return Outcome::kFailed;
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
