#include "avi/avi_export.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "doc/dib.h"
#include "platform/parallel.h"
#include "platform/pipeline.h"
#include "platform/progress.h"
#include "platform/safe_save.h"
#include "avi/avi_decoder.h"
#include "avi/avi_patch.h"
#include "avi/avi_screens.h"
#include "avi/avi_timing.h"
#include "avi/avi_writer.h"

namespace kivo {

namespace {

enum class Outcome { kDone, kFailed, kCancelled };

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

// Helpers beside the calling thread, which composes the screens: one, so that
// what it takes in comes out in order.
unsigned PipelineHelpers() { return WorkerThreadCount() > 1 ? 1 : 0; }

// A composed screen on its way to a helper, or a screen kept from counting.
// Three of them let composing run ahead of the helper by a frame or two.
struct ScreenSlot {
    std::vector<uint32_t> screen;
    size_t frame = 0;
    int64_t position = 0;
    bool keep = false;  // counting: keep the screen's places
    bool kept = false;  // writing: the screen is its kept places
};
constexpr size_t kScreenSlots = 3;

// The next free slot with room for a screen; nullptr once the helper failed.
ScreenSlot* AcquireScreen(SlotPipeline<ScreenSlot>& pipe, size_t pixels) {
    ScreenSlot* s = pipe.Acquire();
    if (s) s->screen.resize(pixels);  // allocates the first time only
    return s;
}

// What counting found: each screen's colours, the one palette of the 8-bit
// pictures (none when some screen or all together have more than 256
// colours), and as many screens as memory allows kept as their places in
// their colours, a byte a pixel, so that writing them needs no composing.
struct CountedScreens {
    std::vector<std::vector<uint32_t>> colours;
    std::vector<std::vector<uint8_t>> places;
    std::optional<Palette> palette;
};

// The kept screens take at most half what the frames' own pictures take (a
// byte a pixel against their three), and no more than this.
constexpr size_t kKeptScreensMax = size_t(256) << 20;

size_t KeptScreensBudget(const std::vector<const Frame*>& frames) {
    size_t own = 0;
    for (const Frame* f : frames) own += f->dib.size();
    return std::min(own / 2, kKeptScreensMax);
}

// Every screen is composed once and its colours counted (beside the composing,
// on the helper).
Outcome CountScreens(const AnimDoc& doc, const std::vector<const Frame*>& frames, CountedScreens& counted) {
    counted.palette.reset();
    StartPhase("書き込み用DIB作成中...", frames.size());
    AviScreens screens;
    if (!screens.Start(doc)) return Outcome::kFailed;
    counted.colours.assign(frames.size(), {});
    counted.places.assign(frames.size(), {});
    std::atomic<bool> over{false};
    const size_t budget = KeptScreensBudget(frames);
    size_t kept = 0;
    {
        SlotPipeline<ScreenSlot> pipe(kScreenSlots, PipelineHelpers(), [&](ScreenSlot& s, unsigned) {
            if (over.load()) return true;
            std::vector<uint8_t>& places = counted.places[s.frame];
            if (s.keep) {
                try {
                    places.resize(s.screen.size());
                } catch (const std::bad_alloc&) {
                    places = {};  // composed again when written
                }
            }
            if (!CountScreenColours(s.screen, counted.colours[s.frame], places)) over = true;
            return true;
        });
        for (size_t i = 0; i < frames.size() && !over.load(); ++i) {
            ScreenSlot* s = AcquireScreen(pipe, screens.pixels());
            if (!s) return Outcome::kFailed;
            screens.Draw(*frames[i]);
            screens.Copy(s->screen);
            s->frame = i;
            s->keep = budget - kept >= screens.pixels();  // kept never exceeds budget
            if (s->keep) kept += screens.pixels();
            pipe.Submit(s);
            if (ShowCount("書き込み用DIB作成中...\r %4d / %4d コマ", i + 1, frames.size())) return Outcome::kCancelled;
        }
        if (!pipe.Finish()) return Outcome::kFailed;
    }
    ProgressSetText("パレットイメージ作成中...");
    ProgressSetCancel(nullptr);
    ProgressPump();
    if (!over.load()) counted.palette = SharedScreenPalette(counted.colours);
    if (!counted.palette) counted.places = {};
    return Outcome::kDone;
}

// Opens the stream with the encoder the user chooses; after a refusal the user
// may choose again, on a fresh file. The shared palette is looked for with the
// first encoder that stores 8-bit pictures as they are; any other encoder would
// only turn them back into full colour, which loses nothing, so it gets the
// full-colour screens without the palette work.
Outcome OpenStream(OwnerWindow owner, const std::string& path, const AnimDoc& doc,
                   const std::vector<const Frame*>& frames, int32_t unit, const AviEncoderChoice& choice,
                   SafeFile& file, std::unique_ptr<AviStreamWriter>& writer, CountedScreens& counted,
                   AviExportError::Refusal& refused) {
    bool palettesTried = false;
    for (;;) {
        if (!file.Open(path)) return Outcome::kFailed;
        const std::optional<std::string> encoder = choice.choose ? choice.choose() : std::nullopt;
        if (!encoder) return Outcome::kFailed;
        if (!palettesTried && AviEncoderTakes256Colours(*encoder)) {
            palettesTried = true;
            if (const Outcome o = CountScreens(doc, frames, counted); o != Outcome::kDone) return o;
        }
        AviVideoFormat format;
        format.width = doc.screenWidth;
        format.height = doc.screenHeight;
        format.bits = counted.palette ? 8 : 24;
        if (counted.palette) format.palette = *counted.palette;
        format.unit = unit;
        writer = std::make_unique<AviStreamWriter>();
        const AviOpenResult r = writer->Open(file, *encoder, format);
        if (r == AviOpenResult::kOk) return Outcome::kDone;
        if (r == AviOpenResult::kFailed) return Outcome::kFailed;
        writer.reset();
        file.Abandon();
        const AviExportError::Refusal refusal =
            format.bits == 8 ? AviExportError::Refusal::k256Colours : AviExportError::Refusal::kFullColour;
        if (!choice.retry) {
            refused = refusal;
            return Outcome::kFailed;
        }
        if (!choice.retry(owner, AviRefusalMessage(refusal))) return Outcome::kFailed;
    }
}

// Every sample: the kept screens as they are, the others composed again one
// at a time on this thread while the helper turns each into the stream's
// picture and writes it, so no more than a few screens exist at any time.
Outcome WriteSamples(const AnimDoc& doc, const std::vector<const Frame*>& frames,
                     const std::vector<AviSampleWrite>& writes, const CountedScreens& counted,
                     AviStreamWriter& writer) {
    const std::optional<Palette>& palette = counted.palette;
    AviScreens screens;
    if (!screens.Start(doc)) return Outcome::kFailed;
    AviScreenIndexer indexer;
    if (palette && !indexer.Start(screens.width(), screens.height(), *palette)) return Outcome::kFailed;
    SlotPipeline<ScreenSlot> pipe(kScreenSlots, PipelineHelpers(), [&](ScreenSlot& s, unsigned) {
        if (!palette) return writer.WriteScreen(s.screen, s.position);
        const DibSpan picture = s.kept ? indexer.Index(counted.places[s.frame], counted.colours[s.frame])
                                       : indexer.Index(s.screen);
        return !picture.empty() && writer.Write(picture, s.position);
    });
    StartPhase("AVI 書き込み中...", frames.size());
    size_t drawn = 0;  // frames composed so far
    for (const AviSampleWrite& w : writes) {
        ScreenSlot* s = AcquireScreen(pipe, screens.pixels());
        if (!s) return Outcome::kFailed;
        s->kept = palette && !counted.places[w.frame].empty();
        if (!s->kept) {
            // The screen stands on every frame before it.
            for (; drawn <= w.frame; ++drawn) screens.Draw(*frames[drawn]);
            screens.Copy(s->screen);
        }
        s->frame = w.frame;
        s->position = w.position;
        pipe.Submit(s);
        if (ShowCount("AVI 書き込み中...\r %4d / %4d コマ", w.frame + 1, frames.size())) return Outcome::kCancelled;
    }
    return pipe.Finish() ? Outcome::kDone : Outcome::kFailed;
}

Outcome Export(OwnerWindow owner, const std::string& path, const AnimDoc& doc, const AviEncoderChoice& choice,
               AviExportError::Refusal& refused) {
    if (!doc.firstFrame || doc.screenWidth <= 0 || doc.screenHeight <= 0) return Outcome::kFailed;
    std::vector<const Frame*> frames;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) frames.push_back(f);
    const std::vector<int32_t> delays = FrameDelays(doc);
    const int32_t unit = AviTimeUnit(delays);
    // Each sample of a long delay is a chunk of its own, empty or not: a delay
    // of years, possible in an MNG, would write without end.
    const std::vector<AviSampleWrite> writes = AviSchedule(delays, unit);
    if (writes.empty() || writes.back().position >= MaxAviSamples) return Outcome::kFailed;
    SafeFile file;
    std::unique_ptr<AviStreamWriter> writer;  // destroyed first: it writes into file
    CountedScreens counted;
    if (const Outcome o = OpenStream(owner, path, doc, frames, unit, choice, file, writer, counted, refused);
        o != Outcome::kDone)
        return o;
    if (const Outcome o = WriteSamples(doc, frames, writes, counted, *writer); o != Outcome::kDone) return o;
    return writer->Finish() && file.Commit() ? Outcome::kDone : Outcome::kFailed;
}

}  // namespace

const char* AviRefusalMessage(AviExportError::Refusal refusal) {
    switch (refusal) {
    case AviExportError::Refusal::k256Colours:
        return "256色で、可能な圧縮形式ではない可能性があります。\r別の圧縮形式を選択してください。";
    case AviExportError::Refusal::kFullColour:
        return "フルカラーで、可能な圧縮形式ではない可能性があります。\r別の圧縮形式を選択してください。";
    case AviExportError::Refusal::kNone: break;
    }
    return "";
}

std::vector<std::string> AviExportMessages(const AviExportError& error) {
    std::vector<std::string> messages;
    if (error.refusal != AviExportError::Refusal::kNone) messages.emplace_back(AviRefusalMessage(error.refusal));
    if (error.kind == AviExportError::Kind::kFailed) messages.emplace_back("エラーのため、書き込み失敗しました。");
    return messages;
}

AviExportError SaveAvi(OwnerWindow owner, const std::string& path, AnimDoc& doc, const AviEncoderChoice& choice) {
    ProgressOpen(owner);
    ProgressSetText("チェック中...");
    ProgressSetCancel(nullptr);
    ProgressSetRange(0, 0);
    ProgressPump();

    AviExportError error;
    Outcome outcome = Outcome::kFailed;
    try {
        outcome = Export(owner, path, doc, choice, error.refusal);
    } catch (const std::bad_alloc&) {
        outcome = Outcome::kFailed;
    }
    if (outcome == Outcome::kDone && AviMoviListRepairWanted() && !PatchAviMoviList(path))
        outcome = Outcome::kFailed;
    ProgressClose(owner);
    if (outcome == Outcome::kFailed) error.kind = AviExportError::Kind::kFailed;
    if (outcome == Outcome::kCancelled) error.kind = AviExportError::Kind::kCancelled;
    return error;
}

AviExportError SaveAvi(OwnerWindow owner, const std::string& path, AnimDoc& doc, std::string_view encoder) {
    AviEncoderChoice choice;
    choice.choose = [name = std::string(encoder)]() -> std::optional<std::string> { return name; };
    return SaveAvi(owner, path, doc, choice);
}

namespace {

bool Shown(OwnerWindow owner, const AviExportError& error) {
    for (const std::string& message : AviExportMessages(error)) ShowError(owner, message);
    return !error;
}

}  // namespace

bool ExportAvi(OwnerWindow owner, const std::string& path, AnimDoc& doc, const AviEncoderChoice& choice) {
    return Shown(owner, SaveAvi(owner, path, doc, choice));
}

bool ExportAvi(OwnerWindow owner, const std::string& path, AnimDoc& doc, std::string_view encoder) {
    return Shown(owner, SaveAvi(owner, path, doc, encoder));
}

}  // namespace kivo
