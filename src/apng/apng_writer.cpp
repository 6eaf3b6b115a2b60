#include "apng/apng_writer.h"

#include <algorithm>
#include <new>
#include <unordered_map>

#include "doc/dib.h"
#include "platform/parallel.h"
#include "platform/progress.h"
#include "png/chunk_writer.h"
#include "png/png_writer.h"
#include "render/compositor.h"
#include "save/document_save.h"

namespace kivo {

namespace {

constexpr uint8_t kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr size_t kMaxChunkData = 0x7FFFFFFF;
// Frames drawn ahead and then compressed side by side.
constexpr size_t kFramesPerBatch = 8;

// The colours of the whole animation as drawn: a bit per 24-bit colour, and the
// first 256 in order of appearance while there are no more.
struct Census {
    std::vector<uint64_t> seen = std::vector<uint64_t>(size_t(1) << 18, 0);
    std::vector<uint32_t> first;  // screen pixels, 0xFF000000 | rgb
    size_t distinct = 0;
    bool transparent = false;

    void Add(const std::vector<uint32_t>& screen) {
        uint32_t last = 1;  // no screen pixel has this value
        for (uint32_t p : screen) {
            if (p == last) continue;
            last = p;
            if (p == kNothingDrawn) {
                transparent = true;
                continue;
            }
            const uint32_t v = p & 0xFFFFFF;
            uint64_t& word = seen[v >> 6];
            const uint64_t bit = uint64_t(1) << (v & 63);
            if (word & bit) continue;
            word |= bit;
            if (++distinct <= 256) first.push_back(p);
        }
    }
};

// How pixels become PNG samples: one palette (transparent entry first) or
// 24-bit colour with a key.
struct ColourPlan {
    bool palette = false;
    PngKind kind = kPngRgb;
    Palette entries;
    std::unordered_map<uint32_t, uint8_t> index;  // screen pixel -> entry
    bool hasKey = false;
    Rgb key;  // the transparent colour (palette: entry 0's)
};

ColourPlan PlanColours(const Census& census) {
    ColourPlan plan;
    const size_t opaque = census.distinct;
    const bool withClear = census.transparent;
    // A colour no drawn pixel has, for the transparent pixels: decoders that
    // look pixels up by colour (FFmpeg's among them) then cannot take a
    // visible pixel for a transparent one. Only an animation that shows every
    // one of the 2^24 colours has none.
    uint32_t free = 0;
    while (free < (1u << 24) && (census.seen[free >> 6] >> (free & 63) & 1)) ++free;
    const Rgb clearColour{uint8_t(free >> 16), uint8_t(free >> 8), uint8_t(free)};
    if (opaque + (withClear ? 1 : 0) <= 256 && opaque > 0) {
        plan.palette = true;
        if (withClear) {
            plan.entries.push_back(clearColour);
            plan.index.emplace(kNothingDrawn, 0);
            plan.hasKey = true;
        }
        for (uint32_t p : census.first) {
            plan.index.emplace(p, uint8_t(plan.entries.size()));
            plan.entries.push_back(Rgb{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
        }
        // Always 8 bits a pixel: FFmpeg's decoder misplaces the pixels of
        // later frames packed at lower depths, and deflate gains most of the
        // difference back.
        plan.kind = kPngPalette8;
        return plan;
    }
    plan.hasKey = census.transparent && free < (1u << 24);
    plan.key = clearColour;
    return plan;
}

// One frame to compress: the changed rectangle of the drawn screen.
struct Job {
    uint32_t x = 0, y = 0, width = 0, height = 0;
    std::vector<uint32_t> pixels;  // the screen inside the rectangle, top row first
    int32_t delay = 0;
    // results
    std::vector<uint8_t> data;  // zlib stream
    PngWriteError error = PngWriteError::kNone;
};

// The image data (IDAT payloads joined) of a job.
PngWriteError EncodeFrame(const Job& job, const ColourPlan& plan, std::vector<uint8_t>& data) {
    PngImage image;
    image.kind = plan.kind;
    image.width = job.width;
    image.height = job.height;
    const size_t n = job.pixels.size();
    std::vector<uint8_t> plane;
    Dib dib;
    if (plan.palette) {
        image.palette = plan.entries;
        plane.resize(n);
        uint32_t last = 1;
        uint8_t lastIndex = 0;
        for (size_t i = 0; i < n; ++i) {
            const uint32_t p = job.pixels[i];
            if (p != last) {
                last = p;
                auto it = plan.index.find(p);
                lastIndex = it == plan.index.end() ? 0 : it->second;
            }
            plane[i] = lastIndex;
        }
        image.indexPlane = plane.data();
    } else {
        dib = MakeDib24(job.width, job.height);
        if (dib.empty()) return PngWriteError::kNoImageMemory;
        const size_t stride = DibRowBytes(job.width, 24);
        uint8_t* bits = DibPixels(dib);
        const Rgb k = plan.key;
        for (uint32_t y = 0; y < job.height; ++y) {
            uint8_t* out = bits + size_t(job.height - 1 - y) * stride;
            const size_t row = size_t(y) * job.width;
            for (uint32_t x = 0; x < job.width; ++x, out += 3) {
                const uint32_t p = job.pixels[row + x];
                if (p == kNothingDrawn) {
                    out[0] = k.b, out[1] = k.g, out[2] = k.r;
                } else {
                    out[0] = uint8_t(p), out[1] = uint8_t(p >> 8), out[2] = uint8_t(p >> 16);
                }
            }
        }
        image.dib = &dib;
    }
    image.hasTransparency = plan.hasKey;
    image.transparent = plan.palette ? plan.entries[0] : plan.key;
    std::vector<uint8_t> png;
    PngStreamForm form;
    form.signature = false;
    if (PngWriteError e = EncodePng(image, form, png); e != PngWriteError::kNone) return e;
    // Keep only the IDAT payloads: the header chunks are the file's.
    data.clear();
    for (size_t at = 0; at + 12 <= png.size();) {
        const uint32_t length = uint32_t(png[at]) << 24 | uint32_t(png[at + 1]) << 16 |
                                uint32_t(png[at + 2]) << 8 | png[at + 3];
        if (std::equal(png.begin() + long(at) + 4, png.begin() + long(at) + 8, "IDAT"))
            data.insert(data.end(), png.begin() + long(at) + 8, png.begin() + long(at) + 8 + length);
        at += size_t(length) + 12;
    }
    return PngWriteError::kNone;
}

void Compress(Job& job, const ColourPlan& plan) {
    job.error = EncodeFrame(job, plan, job.data);
    job.pixels = {};
}

// The rectangle of pixels that differ between two screens; false when none do.
bool ChangedRectangle(const std::vector<uint32_t>& before, const std::vector<uint32_t>& now, uint32_t width,
                      uint32_t height, Job& job) {
    uint32_t left = width, right = 0, top = height, bottom = 0;
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t* a = before.data() + size_t(y) * width;
        const uint32_t* b = now.data() + size_t(y) * width;
        uint32_t x = 0;
        while (x < width && a[x] == b[x]) ++x;
        if (x == width) continue;
        uint32_t last = width - 1;
        while (a[last] == b[last]) --last;
        left = std::min(left, x);
        right = std::max(right, last);
        top = std::min(top, y);
        bottom = y;
    }
    if (left > right) return false;
    job.x = left;
    job.y = top;
    job.width = right - left + 1;
    job.height = bottom - top + 1;
    return true;
}

void FillJob(Job& job, const std::vector<uint32_t>& now, uint32_t width) {
    job.pixels.resize(size_t(job.width) * job.height);
    for (uint32_t y = 0; y < job.height; ++y)
        std::copy_n(now.begin() + long(size_t(job.y + y) * width + job.x), job.width,
                    job.pixels.begin() + long(size_t(y) * job.width));
}

void PutU16Be(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void PutFrameControl(std::vector<uint8_t>& out, uint32_t sequence, const Job& job) {
    std::vector<uint8_t> d;
    PutU32Be(d, sequence);
    PutU32Be(d, job.width);
    PutU32Be(d, job.height);
    PutU32Be(d, job.x);
    PutU32Be(d, job.y);
    PutU16Be(d, uint32_t(std::clamp<int32_t>(job.delay, 0, 0xFFFF)));
    PutU16Be(d, 100);
    d.push_back(0);  // dispose: leave the frame, the next one is cut against it
    // Blend "source": the rectangle replaces what was there, transparent pixels
    // included. ("Over" would let repeated pixels be left out, but FFmpeg's
    // decoder refuses it on palette and colour-key images.)
    d.push_back(0);
    PutChunk(out, "fcTL", d);
}

// The chunks of one frame; sequence counts on.
void PutFrame(std::vector<uint8_t>& out, const Job& job, bool first, uint32_t& sequence) {
    PutFrameControl(out, sequence++, job);
    size_t done = 0;
    do {
        const size_t n = std::min(job.data.size() - done, kMaxChunkData - 4);
        if (first) {
            PutChunk(out, "IDAT", {job.data.data() + done, n});
        } else {
            std::vector<uint8_t> d;
            d.reserve(n + 4);
            PutU32Be(d, sequence++);
            d.insert(d.end(), job.data.begin() + long(done), job.data.begin() + long(done + n));
            PutChunk(out, "fdAT", d);
        }
        done += n;
    } while (done < job.data.size());
}

// IHDR, PLTE and tRNS as our PNG encoder writes them for the canvas.
PngWriteError PutHeaderChunks(std::vector<uint8_t>& out, const ColourPlan& plan, uint32_t width, uint32_t height) {
    PngImage image;
    image.kind = plan.kind;
    image.width = width;
    image.height = height;
    image.palette = plan.entries;
    image.hasTransparency = plan.hasKey;
    image.transparent = plan.palette ? plan.entries[0] : plan.key;
    std::vector<uint8_t> header(1, 0);  // a 1x1 picture: only its chunks ahead of IDAT are kept
    image.width = 1;
    image.height = 1;
    image.indexPlane = header.data();
    Dib dib;
    if (!plan.palette) {
        dib = MakeDib24(1, 1);
        image.dib = &dib;
        image.indexPlane = nullptr;
    }
    std::vector<uint8_t> png;
    PngStreamForm form;
    form.signature = false;
    if (PngWriteError e = EncodePng(image, form, png); e != PngWriteError::kNone) return e;
    for (size_t at = 0; at + 12 <= png.size();) {
        const uint32_t length = uint32_t(png[at]) << 24 | uint32_t(png[at + 1]) << 16 |
                                uint32_t(png[at + 2]) << 8 | png[at + 3];
        const std::string_view type(reinterpret_cast<const char*>(png.data() + at + 4), 4);
        if (type == "IHDR") {
            std::vector<uint8_t> d(png.begin() + long(at) + 8, png.begin() + long(at) + 8 + length);
            for (int i = 0; i < 4; ++i) {
                d[size_t(i)] = uint8_t(width >> (24 - 8 * i));
                d[size_t(4 + i)] = uint8_t(height >> (24 - 8 * i));
            }
            PutChunk(out, "IHDR", d);
        } else if (type == "PLTE" || type == "tRNS") {
            out.insert(out.end(), png.begin() + long(at), png.begin() + long(at + length + 12));
        }
        at += size_t(length) + 12;
    }
    return PngWriteError::kNone;
}

uint32_t PlaysOf(const AnimDoc& doc) {
    if (!doc.loopEnabled) return 1;
    if (doc.loopCount <= 0) return 0;
    return uint32_t(doc.loopCount) + 1;
}

}  // namespace

ApngWriteError EncodeApng(const AnimDoc& doc, std::vector<uint8_t>& out, ApngStats* stats, bool (*pump)()) {
    if (!doc.firstFrame) return ApngWriteError::kNoPicture;
    const int32_t w = doc.screenWidth > 0 ? doc.screenWidth : doc.extentRight;
    const int32_t h = doc.screenHeight > 0 ? doc.screenHeight : doc.extentBottom;
    if (w <= 0 || h <= 0) return ApngWriteError::kNoPicture;
    if (uint64_t(w) * uint64_t(h) > MaxImagePixels) return ApngWriteError::kTooLarge;
    const uint32_t width = uint32_t(w), height = uint32_t(h);
    try {
        // First the colours of everything drawn, so that every frame takes the
        // same sample format.
        Census census;
        {
            Composition c;
            if (!StartComposition(c, w, h)) return ApngWriteError::kMemory;
            bool first = true;
            for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get(), first = false) {
                if (!ComposeFrame(c, *f, first)) return ApngWriteError::kMemory;
                census.Add(c.screen);
            }
        }
        const ColourPlan plan = PlanColours(census);

        std::vector<Job> jobs;  // every frame kept, compressed
        Composition c;
        if (!StartComposition(c, w, h)) return ApngWriteError::kMemory;
        std::vector<uint32_t> before = c.screen;
        std::vector<Job> batch;
        size_t flushedUpTo = 0;
        auto flush = [&]() -> ApngWriteError {
            ParallelFor(jobs.size() - flushedUpTo, [&](size_t i) { Compress(jobs[flushedUpTo + i], plan); });
            for (size_t i = flushedUpTo; i < jobs.size(); ++i)
                if (jobs[i].error != PngWriteError::kNone)
                    return jobs[i].error == PngWriteError::kNoImageMemory ? ApngWriteError::kMemory
                                                                           : ApngWriteError::kEncode;
            flushedUpTo = jobs.size();
            return ApngWriteError::kNone;
        };
        bool first = true;
        for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get(), first = false) {
            if (pump && pump()) return ApngWriteError::kCancelled;
            if (!ComposeFrame(c, *f, first)) return ApngWriteError::kMemory;
            Job job;
            if (first) {
                job.width = width;
                job.height = height;
            } else if (!ChangedRectangle(before, c.screen, width, height, job)) {
                jobs.back().delay += f->delay;
                continue;
            }
            FillJob(job, c.screen, width);
            job.delay = f->delay;
            jobs.push_back(std::move(job));
            before = c.screen;
            if (jobs.size() - flushedUpTo == kFramesPerBatch)
                if (ApngWriteError e = flush(); e != ApngWriteError::kNone) return e;
        }
        if (ApngWriteError e = flush(); e != ApngWriteError::kNone) return e;

        const size_t start = out.size();
        out.insert(out.end(), std::begin(kPngSignature), std::end(kPngSignature));
        std::vector<uint8_t> head;
        if (PutHeaderChunks(head, plan, width, height) != PngWriteError::kNone) {
            out.resize(start);
            return ApngWriteError::kEncode;
        }
        // IHDR, then acTL, then the palette chunks.
        const size_t ihdrEnd = 8 + 13 + 4;
        out.insert(out.end(), head.begin(), head.begin() + long(ihdrEnd));
        std::vector<uint8_t> actl;
        PutU32Be(actl, uint32_t(jobs.size()));
        PutU32Be(actl, PlaysOf(doc));
        PutChunk(out, "acTL", actl);
        out.insert(out.end(), head.begin() + long(ihdrEnd), head.end());
        for (const TextKeyList* keys : std::initializer_list<const TextKeyList*>{&doc.textKeys, &doc.firstFrame->textKeys})
            for (const TextKey& key : *keys)
                if (!PutText(out, key)) throw std::bad_alloc();
        uint32_t sequence = 0;
        for (size_t i = 0; i < jobs.size(); ++i) PutFrame(out, jobs[i], i == 0, sequence);
        PutChunk(out, "IEND", {});
        if (stats) {
            stats->framesWritten = int(jobs.size());
            stats->palette = plan.palette;
        }
        return ApngWriteError::kNone;
    } catch (const std::bad_alloc&) {
        return ApngWriteError::kMemory;
    }
}

namespace {

bool PumpFrame() { return ProgressPump() != 0; }

}  // namespace

bool WriteApng(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options) {
    ApngWriteError error = ApngWriteError::kNone;
    return RunDocumentSave(owner, path, doc, options, [&](SafeFile& file, bool& cancelled) {
        ProgressSetText("APNG 書き込み中...");
        ProgressSetCancel("中止");
        std::vector<uint8_t> bytes;
        error = EncodeApng(doc, bytes, nullptr, PumpFrame);
        cancelled = error == ApngWriteError::kCancelled;
        return error == ApngWriteError::kNone && file.Write(bytes) && file.Commit();
    });
}

}  // namespace kivo
