#include "app/thumbnail_cache.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

namespace kivo {

// What a frame's thumbnail was made from, as far as composing reads it.
struct ThumbnailCache::Key {
    const Frame* frame = nullptr;
    const uint8_t* picture = nullptr;
    size_t pictureBytes = 0;
    int32_t left = 0, top = 0, width = 0, height = 0;
    int16_t disposal = 0;
    int32_t hasTransparency = 0;
    Rgb transparentRgb;

    explicit Key(const Frame& f)
        : frame(&f), picture(f.dib.data()), pictureBytes(f.dib.size()), left(f.left), top(f.top), width(f.width),
          height(f.height), disposal(f.disposal), hasTransparency(f.hasTransparency),
          transparentRgb(f.transparentRgb) {}
    bool operator==(const Key&) const = default;
};

namespace {

// A frame as the worker composes it: its own copy of what composing reads,
// made in a frame the worker has finished with, whose buffer is large enough
// most of the time (a new buffer for every frame costs more than the copy).
void CopyForComposing(const Frame& f, Frame& copy) {
    copy.left = f.left;
    copy.top = f.top;
    copy.width = f.width;
    copy.height = f.height;
    copy.disposal = f.disposal;
    copy.hasTransparency = f.hasTransparency;
    copy.transparentRgb = f.transparentRgb;
    copy.dib.assign(f.dib.begin(), f.dib.end());
}

bool SameRules(const CompositionRules& a, const CompositionRules& b) {
    return a.background == b.background && a.clearForFirstFrame == b.clearForFirstFrame &&
           a.backgroundClearsScreen == b.backgroundClearsScreen;
}

size_t ThumbnailBytes(const Thumbnail& t) { return sizeof(Thumbnail) + t.pixels.capacity() * sizeof(uint32_t); }

// The frames the worker has in hand at most: enough to keep it busy between two
// pumps, few enough that the copies cost little memory.
constexpr size_t kQueueDepth = 4;

}  // namespace

// The thread that composes and shrinks. It owns its screen; everything else
// comes in through jobs and goes out through results, both under one lock.
class ThumbnailCache::Worker {
public:
    struct Job {
        uint64_t generation = 0;
        int32_t index = 0;
        bool fresh = false;  // start a new screen before this frame
        bool make = false;   // shrink a thumbnail after composing it
        int32_t screenWidth = 0, screenHeight = 0;
        CompositionRules rules;
        ThumbnailSize size;
        Frame frame;
    };
    struct Result {
        uint64_t generation = 0;
        int32_t index = 0;
        std::unique_ptr<Thumbnail> thumbnail;
    };

    explicit Worker(std::function<void()> wake) : wake_(std::move(wake)) {}
    ~Worker() {
        {
            std::lock_guard<std::mutex> hold(lock_);
            stop_ = true;
        }
        ready_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    // Jobs of earlier passes are dropped, waiting or not yet handed in.
    void StartPass(uint64_t generation) {
        std::lock_guard<std::mutex> hold(lock_);
        generation_ = generation;
        jobs_.clear();
    }
    // False when no thread could be started; the job is dropped then.
    bool Add(Job job) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (!thread_.joinable()) {
                try {
                    thread_ = std::thread([this] { Run(); });
                } catch (const std::system_error&) {
                    return false;
                }
            }
            jobs_.push_back(std::move(job));
        }
        ready_.notify_one();
        return true;
    }
    size_t Outstanding() {
        std::lock_guard<std::mutex> hold(lock_);
        return jobs_.size() + (working_ ? 1 : 0);
    }
    std::vector<Result> TakeResults() {
        std::lock_guard<std::mutex> hold(lock_);
        return std::exchange(results_, {});
    }
    // A frame the worker is done with, to copy the next one into.
    Frame TakeSpare() {
        std::lock_guard<std::mutex> hold(lock_);
        if (spare_.empty()) return Frame();
        Frame f = std::move(spare_.back());
        spare_.pop_back();
        return f;
    }
    uint64_t Composed() const { return composed_.load(); }

private:
    void Run() {
        Composition screen;
        for (;;) {
            Job job;
            {
                std::unique_lock<std::mutex> hold(lock_);
                ready_.wait(hold, [this] { return stop_ || !jobs_.empty(); });
                if (stop_) return;
                job = std::move(jobs_.front());
                jobs_.pop_front();
                working_ = true;
            }
            Result result{job.generation, job.index, nullptr};
            try {
                result.thumbnail = Work(screen, job);
            } catch (const std::bad_alloc&) {
                result.thumbnail = std::make_unique<Thumbnail>();  // shown as none
            }
            {
                std::lock_guard<std::mutex> hold(lock_);
                working_ = false;
                if (spare_.size() <= kQueueDepth) spare_.push_back(std::move(job.frame));
                if (job.make && job.generation == generation_) results_.push_back(std::move(result));
            }
            if (wake_) wake_();
        }
    }

    std::unique_ptr<Thumbnail> Work(Composition& screen, const Job& job) {
        bool ok = !job.fresh || StartComposition(screen, job.screenWidth, job.screenHeight, job.rules);
        ok = ok && ComposeFrame(screen, job.frame, job.index == 0);
        ++composed_;
        if (!job.make) return nullptr;
        auto thumbnail = std::make_unique<Thumbnail>();
        if (!ok) return thumbnail;
        thumbnail->pixels.resize(size_t(job.size.width) * size_t(job.size.height));
        thumbnail->size = job.size;
        ShrinkScreen(screen, job.size, thumbnail->pixels.data());
        return thumbnail;
    }

    std::function<void()> wake_;
    std::mutex lock_;
    std::condition_variable ready_;
    std::deque<Job> jobs_;
    std::vector<Result> results_;
    std::vector<Frame> spare_;
    uint64_t generation_ = 0;
    bool working_ = false;
    bool stop_ = false;
    std::atomic<uint64_t> composed_{0};
    std::thread thread_;  // last: started after everything it uses exists
};

ThumbnailCache::ThumbnailCache(std::function<void()> wake, int32_t box)
    : worker_(std::make_unique<Worker>(std::move(wake))), box_(box) {}

ThumbnailCache::~ThumbnailCache() = default;

uint64_t ThumbnailCache::ComposedCount() const { return worker_->Composed(); }

void ThumbnailCache::SetVisible(int32_t first, int32_t end) {
    visibleFirst_ = std::max(first, 0);
    visibleEnd_ = std::max(end, visibleFirst_);
}

const Thumbnail* ThumbnailCache::Get(int32_t index, bool* current) const {
    if (current) *current = false;
    if (index < 0 || size_t(index) >= thumbs_.size()) return nullptr;
    if (const Thumbnail* t = thumbs_[size_t(index)].get()) {
        if (current) *current = true;
        return t;
    }
    auto old = stale_.find(keys_[size_t(index)].frame);
    return old == stale_.end() ? nullptr : old->second.get();
}

bool ThumbnailCache::Complete() const {
    for (int32_t i = wantedFirst_; i < wantedEnd_; ++i)
        if (!thumbs_[size_t(i)]) return false;
    return true;
}

bool ThumbnailCache::Pump(const AnimDoc& doc, const CompositionRules& rules) {
    changed_.clear();
    std::vector<Key> keys;
    keys.reserve(size_t(std::max(doc.frameCount, 0)));
    size_t frameBytes = 0;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        keys.emplace_back(*f);
        frameBytes += f->dib.size();
    }
    frameBytes_ = frameBytes;
    const ThumbnailSize size = FitThumbnail(doc.screenWidth, doc.screenHeight, box_);
    const bool screenChanged = size != size_ || doc.screenWidth != screenWidth_ ||
                               doc.screenHeight != screenHeight_ || !SameRules(rules, rules_);
    size_ = size;
    screenWidth_ = doc.screenWidth;
    screenHeight_ = doc.screenHeight;
    rules_ = rules;
    Invalidate(keys, screenChanged);
    TakeResults();

    // Which rows keep thumbnails: all when they fit the budget, else a window
    // around the rows on screen, never smaller than those.
    const int32_t count = int32_t(keys_.size());
    const size_t each = sizeof(Thumbnail) + size_t(size_.width) * size_t(size_.height) * sizeof(uint32_t);
    const int32_t visibleFirst = std::min(visibleFirst_, count), visibleEnd = std::min(visibleEnd_, count);
    const int32_t fit = int32_t(std::min<size_t>(BudgetBytes() / each, size_t(count)));
    const int32_t keep = std::max(fit, visibleEnd - visibleFirst);
    int32_t wantedFirst = 0, wantedEnd = count;
    if (keep < count) {
        wantedFirst = std::clamp(visibleFirst - (keep - (visibleEnd - visibleFirst)) / 2, 0, count - keep);
        wantedEnd = wantedFirst + keep;
    }
    if (size_.width == 0) wantedFirst = wantedEnd = 0;  // an empty screen has no pictures
    wantedFirst_ = wantedFirst;
    wantedEnd_ = wantedEnd;
    KeepWithinBudget(wantedFirst, wantedEnd, std::max(BudgetBytes(), size_t(keep) * each));
    Feed(wantedFirst, wantedEnd);
    CountBytes();
    return !Complete();
}

void ThumbnailCache::Invalidate(const std::vector<Key>& keys, bool screenChanged) {
    size_t first = 0;
    if (!screenChanged)
        while (first < keys.size() && first < keys_.size() && keys[first] == keys_[first]) ++first;
    if (first == keys.size() && first == keys_.size()) return;
    // From the first changed frame on, each frame's picture waits as an earlier
    // state of that frame until its new one comes in.
    for (size_t i = first; i < thumbs_.size(); ++i)
        if (thumbs_[i]) stale_[keys_[i].frame] = std::move(thumbs_[i]);
    keys_ = keys;
    thumbs_.resize(keys_.size());
    pending_.resize(keys_.size());
    // Earlier pictures of frames that left the document go with them.
    std::unordered_map<const Frame*, bool> present;
    present.reserve(keys_.size());
    for (const Key& k : keys_) present.emplace(k.frame, true);
    std::erase_if(stale_, [&](const auto& entry) { return !present.contains(entry.first); });
    // The pass composed frames that changed: its screen is no longer the
    // animation's, and what it still has in hand is of no use.
    if (nextFeed_ >= 0 && int32_t(first) < nextFeed_) nextFeed_ = -1;
    if (nextFeed_ < 0) {
        worker_->StartPass(++generation_);
        std::fill(pending_.begin(), pending_.end(), false);
    }
    if (nextFeed_ > int32_t(keys_.size())) nextFeed_ = int32_t(keys_.size());
}

void ThumbnailCache::TakeResults() {
    for (Worker::Result& r : worker_->TakeResults()) {
        if (r.generation != generation_ || r.index < 0 || size_t(r.index) >= thumbs_.size() ||
            !pending_[size_t(r.index)])
            continue;
        pending_[size_t(r.index)] = false;
        stale_.erase(keys_[size_t(r.index)].frame);
        thumbs_[size_t(r.index)] = std::move(r.thumbnail);
        changed_.push_back(r.index);
        ++made_;
    }
}

void ThumbnailCache::KeepWithinBudget(int32_t wantedFirst, int32_t wantedEnd, size_t allowed) {
    for (int32_t i = 0; i < int32_t(thumbs_.size()); ++i)
        if ((i < wantedFirst || i >= wantedEnd) && thumbs_[size_t(i)]) {
            thumbs_[size_t(i)].reset();
            changed_.push_back(i);
        }
    // Earlier pictures count too: those of rows outside the window go first,
    // then, while still over (they were of another size), all of them.
    CountBytes();
    if (bytes_ <= allowed || stale_.empty()) return;
    std::unordered_map<const Frame*, int32_t> row;
    for (int32_t i = 0; i < int32_t(keys_.size()); ++i) row.emplace(keys_[size_t(i)].frame, i);
    std::erase_if(stale_, [&](const auto& entry) {
        auto i = row.find(entry.first);
        return i == row.end() || i->second < wantedFirst || i->second >= wantedEnd;
    });
    CountBytes();
    if (bytes_ > allowed) stale_.clear();
}

void ThumbnailCache::RestartAt(int32_t index) {
    // Composing may begin at the last frame up to index that hides everything
    // before it; the first frame always qualifies.
    int32_t start = index;
    while (start > 0 && !HidesEverythingBefore(rules_, screenWidth_, screenHeight_, *keys_[size_t(start)].frame))
        --start;
    worker_->StartPass(++generation_);
    std::fill(pending_.begin(), pending_.end(), false);
    nextFeed_ = start;
    freshNext_ = true;
}

void ThumbnailCache::Feed(int32_t wantedFirst, int32_t wantedEnd) {
    auto missing = [&](int32_t i) { return !thumbs_[size_t(i)] && !pending_[size_t(i)]; };
    int32_t firstMissing = wantedFirst;
    while (firstMissing < wantedEnd && !missing(firstMissing)) ++firstMissing;
    if (firstMissing == wantedEnd) return;
    int32_t lastMissing = wantedEnd - 1;
    while (!missing(lastMissing)) --lastMissing;
    if (nextFeed_ < 0 || firstMissing < nextFeed_) RestartAt(firstMissing);

    while (nextFeed_ <= lastMissing && worker_->Outstanding() < kQueueDepth) {
        const int32_t i = nextFeed_;
        Worker::Job job;
        job.generation = generation_;
        job.index = i;
        job.fresh = freshNext_;
        job.make = i >= wantedFirst && i < wantedEnd && missing(i);
        job.screenWidth = screenWidth_;
        job.screenHeight = screenHeight_;
        job.rules = rules_;
        job.size = size_;
        job.frame = worker_->TakeSpare();
        try {
            CopyForComposing(*keys_[size_t(i)].frame, job.frame);
        } catch (const std::bad_alloc&) {
            return;  // the next pump tries again
        }
        const bool make = job.make;
        if (!worker_->Add(std::move(job))) return;
        pending_[size_t(i)] = make;
        freshNext_ = false;
        ++nextFeed_;
    }
}

void ThumbnailCache::CountBytes() {
    size_t bytes = 0;
    for (const auto& t : thumbs_)
        if (t) bytes += ThumbnailBytes(*t);
    for (const auto& [frame, t] : stale_) bytes += ThumbnailBytes(*t);
    bytes_ = bytes;
    peakBytes_ = std::max(peakBytes_, bytes_);
}

}  // namespace kivo
