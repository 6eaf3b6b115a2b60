// The frame list's thumbnails: every frame's screen as the animation shows it
// there, composed frame after frame in one forward pass on a worker thread,
// shrunk into a small box over a checkerboard, and kept here for painting.
//
// Composed rather than each frame alone: an optimised animation stores most
// frames as small changed patches, which alone say little about what the user
// sees. Composing costs about as much as shrinking (well under a millisecond a
// 640 × 480 frame), as long as it runs forward; so the pass never composes a
// frame twice unless an edit or a scrolled-away thumbnail asks for it.
//
// Threads. The worker never reads the document. The UI thread hands it copies
// of the frames it is to compose, a few at a time (what composing reads: place,
// size, transparency, disposal and the picture), so the document may change,
// or go, at any moment without a lock; finished thumbnails come back through a
// queue that the UI thread empties when it pumps.
//
// Changes. Each pump compares the document's frames with those the thumbnails
// were made from: the frame, its picture's buffer (an edit never changes pixels
// in place, it replaces the buffer), its place, size, transparency and
// disposal, and the screen. A screen depends on every frame before it, so the
// thumbnails from the first changed frame on are made again; until a new one
// is in, a frame shows its old picture. The worker's composition carries on when
// the change lies beyond the frames it was given, and otherwise starts again at
// the last frame before the change that hides everything before it.
//
// Memory. The thumbnails (those shown while a new one is made included) stay
// within a tenth of the bytes of the frames' own pictures, except that the rows
// on screen always get theirs (a document of tiny screens cannot have them any
// smaller). When not all fit, a window of frames around the rows on screen is
// kept, and thumbnails outside it are dropped and made again when scrolled to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "doc/anim_doc.h"
#include "render/compositor.h"
#include "render/thumbnail.h"

namespace kivo {

struct Thumbnail {
    ThumbnailSize size;
    std::vector<uint32_t> pixels;  // 0xFFrrggbb, top row first; empty when it could not be made
};

class ThumbnailCache {
public:
    static constexpr int32_t kDefaultBox = 64;
    static constexpr int kBudgetPercent = 10;

    // wake is called on the worker thread whenever it finished a frame; it must
    // only arrange for Pump to run on the UI thread soon (post an event).
    explicit ThumbnailCache(std::function<void()> wake = {}, int32_t box = kDefaultBox);
    ~ThumbnailCache();
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    // UI thread, with the document as it is now: drops what changed, takes in
    // what the worker finished and hands it the next frames. True while work
    // remains, when it should be called again (after the next wake).
    bool Pump(const AnimDoc& doc, const CompositionRules& rules);
    // The rows on screen, [first, end): kept (and, when not all fit, made) first.
    void SetVisible(int32_t first, int32_t end);

    // The picture for row index as of the last pump, or nullptr; *current
    // (when given) says whether it shows the frame as it is now, or an earlier
    // state of the same frame until the new picture comes in.
    const Thumbnail* Get(int32_t index, bool* current = nullptr) const;
    // Rows whose picture changed in the last pump.
    const std::vector<int32_t>& Changed() const { return changed_; }
    // Every frame that should have a thumbnail has its current one.
    bool Complete() const;

    ThumbnailSize Size() const { return size_; }
    size_t Bytes() const { return bytes_; }
    size_t PeakBytes() const { return peakBytes_; }
    // The frames' picture bytes, and the share of them the thumbnails may take.
    size_t FrameBytes() const { return frameBytes_; }
    size_t BudgetBytes() const { return frameBytes_ / 100 * kBudgetPercent; }
    // Thumbnails made and frames composed since the cache began (for tests and
    // the benchmark: an edit must not make more than it changed).
    uint64_t MadeCount() const { return made_; }
    uint64_t ComposedCount() const;

private:
    struct Key;
    class Worker;

    void Invalidate(const std::vector<Key>& keys, bool screenChanged);
    void TakeResults();
    // allowed: the budget, or what the rows on screen need when that is more.
    void KeepWithinBudget(int32_t wantedFirst, int32_t wantedEnd, size_t allowed);
    void Feed(int32_t wantedFirst, int32_t wantedEnd);
    void RestartAt(int32_t index);
    void CountBytes();

    std::unique_ptr<Worker> worker_;
    int32_t box_;
    ThumbnailSize size_;
    int32_t screenWidth_ = 0, screenHeight_ = 0;
    CompositionRules rules_;
    std::vector<Key> keys_;
    std::vector<std::unique_ptr<Thumbnail>> thumbs_;  // current pictures, by row
    std::vector<bool> pending_;                       // handed to the worker, not yet back
    std::unordered_map<const Frame*, std::unique_ptr<Thumbnail>> stale_;  // earlier pictures
    uint64_t generation_ = 0;  // the worker's pass; results of an earlier one are dropped
    int32_t nextFeed_ = -1;    // the next frame of the pass; -1: no pass to go on with
    bool freshNext_ = false;   // the next frame starts a new screen
    int32_t visibleFirst_ = 0, visibleEnd_ = 0;
    int32_t wantedFirst_ = 0, wantedEnd_ = 0;
    std::vector<int32_t> changed_;
    size_t bytes_ = 0, peakBytes_ = 0, frameBytes_ = 0;
    uint64_t made_ = 0;
};

}  // namespace kivo
