#include "app/history.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace kivo {

namespace {

// The fields a step keeps and swaps, listed once each. A frame's properties
// are all its fields but the pixel buffers and the list link; the document's
// own fields are all but the frame list, where it lives (path, name) and the
// modified mark, which follows the save point.
template <typename F>
auto FrameProperties(F& f) {
    return std::tie(f.gcePacked, f.disposal, f.hasDelay, f.delay, f.hasTransparency, f.transparentIndex,
                    f.transparentRgb, f.left, f.top, f.width, f.height, f.imageFlags, f.localPalette, f.comment,
                    f.transparentChosen, f.tempPalette, f.colorCount, f.textKeys, f.selectedTextKey, f.saveKind,
                    f.pngPalette);
}

template <typename F>
auto PixelBuffers(F& f) {
    return std::tie(f.dib, f.indexPixels, f.census, f.censusKey, f.censusIndices, f.pngIndexPixels);
}

template <typename D>
auto DocumentFields(D& d) {
    return std::tie(d.screenWidth, d.screenHeight, d.screenFlags, d.aspectRatio, d.backgroundIndex,
                    d.colorResolution, d.globalPalette, d.loopEnabled, d.loopCount, d.trailingComment,
                    d.extentRight, d.extentBottom, d.mhdrProfile, d.ticksPerSecond, d.termAction,
                    d.termAfterAction, d.termDelay, d.textKeys, d.selectedTextKey);
}

// A field added to the records must be added to the lists above (or be left
// out there on purpose), or undo would silently not restore it.
#if defined(__x86_64__) && defined(__GLIBCXX__)
static_assert(sizeof(Frame) == 304, "Frame changed: update FrameProperties or PixelBuffers");
static_assert(sizeof(AnimDoc) == 232, "AnimDoc changed: update DocumentFields");
#endif

template <typename A, typename B>
void SwapTies(A a, B b) {
    a.swap(b);  // a tuple of references swaps what it refers to
}

Frame CopyProperties(const Frame& from) {
    Frame copy;
    FrameProperties(copy) = FrameProperties(from);
    return copy;
}

size_t TextBytes(const TextKeyList& keys) {
    size_t n = keys.capacity() * sizeof(TextKey);
    for (const TextKey& k : keys) n += k.key.capacity() + k.text.capacity();
    return n;
}

size_t PropertyBytes(const Frame& f) {
    return sizeof(Frame) + (f.localPalette.capacity() + f.pngPalette.capacity()) * sizeof(Rgb) +
           f.comment.capacity() + TextBytes(f.textKeys);
}

template <typename F>
size_t BufferBytes(const F& f) {
    return f.dib.capacity() + f.indexPixels.capacity() + f.census.capacity() * sizeof(CensusEntry) +
           f.censusIndices.capacity() + f.pngIndexPixels.capacity();
}

size_t DocumentBytes(const AnimDoc& d) {
    return sizeof(AnimDoc) + d.globalPalette.capacity() * sizeof(Rgb) + d.trailingComment.capacity() +
           TextBytes(d.textKeys);
}

void PlaceCurrentFrame(AnimDoc& doc) {
    if (doc.frameCount <= 0) {
        doc.currentFrame = nullptr;
        return;
    }
    doc.currentIndex = std::clamp(doc.currentIndex, 0, doc.frameCount - 1);
    doc.currentFrame = NthFrame(doc, doc.currentIndex);
}

}  // namespace

// The document as an edit found it.
struct History::Checkpoint {
    AnimDoc fields;                  // the document's own fields (no frames)
    std::vector<Frame*> order;
    std::vector<Frame> properties;   // by position in order
    std::vector<std::pair<const uint8_t*, size_t>> pictures;  // which dib each frame held
    std::unordered_map<const Frame*, size_t> position;
    std::vector<FrameBuffers> buffers;  // handed over by the edit, by position
    std::vector<bool> kept;
    std::vector<std::unique_ptr<Frame>> removed;  // frames of `order` the edit unlinked
    int32_t currentIndex = 0;
    std::vector<int32_t> selection;
};

// The state the document is not in, for the parts the edit changed.
struct History::Step {
    std::string label, mergeKey;
    bool fieldsChanged = false;
    AnimDoc fields;
    bool orderChanged = false;
    std::vector<Frame*> order;
    std::vector<std::unique_ptr<Frame>> outside;  // frames of `order` not in the document
    std::vector<std::pair<Frame*, Frame>> properties;
    std::vector<std::pair<Frame*, FrameBuffers>> pixels;
    int32_t currentIndex = 0;
    std::vector<int32_t> selection;
    // Right after the edit, to tell whether typing goes on on the same frames.
    int32_t afterIndex = 0;
    std::vector<int32_t> afterSelection;
    size_t bytes = 0;

    size_t Bytes() const {
        size_t n = sizeof(Step) + label.capacity() + mergeKey.capacity() + order.capacity() * sizeof(Frame*) +
                   (selection.capacity() + afterSelection.capacity()) * sizeof(int32_t);
        if (fieldsChanged) n += DocumentBytes(fields);
        for (const auto& f : outside) n += PropertyBytes(*f) + BufferBytes(*f);
        for (const auto& [frame, p] : properties) n += PropertyBytes(p);
        for (const auto& [frame, b] : pixels) n += sizeof(FrameBuffers) + BufferBytes(b);
        return n;
    }
};

History::History(size_t budgetBytes) : budget_(budgetBytes) {}
History::~History() = default;

void History::Reset(bool saved) {
    steps_.clear();
    open_.reset();
    position_ = 0;
    bytes_ = 0;
    savedAt_ = saved ? 0 : -1;
    mergeOpen_ = false;
}

void History::SetBudget(size_t bytes) {
    budget_ = bytes;
    Trim();
}

void History::Forget() { Reset(false); }

std::string_view History::UndoLabel() const { return CanUndo() ? steps_[position_ - 1]->label : std::string_view(); }
std::string_view History::RedoLabel() const { return CanRedo() ? steps_[position_]->label : std::string_view(); }

void History::MarkSaved() {
    savedAt_ = int64_t(position_);
    mergeOpen_ = false;
}

void History::Begin(const AnimDoc& doc, const std::vector<int32_t>& selection) {
    open_.reset();
    auto cp = std::make_unique<Checkpoint>();
    DocumentFields(cp->fields) = DocumentFields(doc);
    const size_t count = size_t(std::max(doc.frameCount, 0));
    cp->order.reserve(count);
    cp->properties.reserve(count);
    cp->pictures.reserve(count);
    cp->position.reserve(count);
    for (Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        cp->position.emplace(f, cp->order.size());
        cp->order.push_back(f);
        cp->properties.push_back(CopyProperties(*f));
        cp->pictures.emplace_back(f->dib.data(), f->dib.size());
    }
    // Sized now, so that handing something over during the edit never allocates.
    cp->buffers.resize(cp->order.size());
    cp->kept.assign(cp->order.size(), false);
    cp->removed.reserve(cp->order.size());
    cp->currentIndex = doc.currentIndex;
    cp->selection = selection;
    open_ = std::move(cp);
}

void History::BeforePixelChange(Frame& frame) {
    if (!open_) return;
    auto it = open_->position.find(&frame);
    if (it == open_->position.end() || open_->kept[it->second]) return;
    SwapTies(PixelBuffers(open_->buffers[it->second]), PixelBuffers(frame));
    open_->kept[it->second] = true;
}

void History::KeepRemovedFrame(std::unique_ptr<Frame> frame) {
    if (!open_ || !frame || !open_->position.contains(frame.get())) return;  // new in this edit: let it go
    frame->next.reset();
    open_->removed.push_back(std::move(frame));
}

bool History::End(AnimDoc& doc, const std::vector<int32_t>& selection, std::string_view label,
                  std::string_view mergeKey) {
    std::unique_ptr<Checkpoint> cp = std::move(open_);
    if (!cp) return false;
    auto step = std::make_unique<Step>();

    std::vector<Frame*> after;
    after.reserve(size_t(std::max(doc.frameCount, 0)));
    size_t stayed = 0;
    for (Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        after.push_back(f);
        if (cp->position.contains(f)) ++stayed;
    }
    // A frame neither in the document nor handed over was released: the steps
    // could not bring it back.
    if (stayed + cp->removed.size() != cp->order.size()) {
        Forget();
        return true;
    }
    step->orderChanged = after != cp->order;

    for (size_t i = 0; i < cp->order.size(); ++i) {
        Frame* f = cp->order[i];
        if (FrameProperties(*f) != FrameProperties(cp->properties[i]))
            step->properties.emplace_back(f, std::move(cp->properties[i]));
        if (cp->kept[i]) {
            step->pixels.emplace_back(f, std::move(cp->buffers[i]));
        } else if (f->dib.data() != cp->pictures[i].first || f->dib.size() != cp->pictures[i].second) {
            Forget();  // a picture replaced without handing the old one over
            return true;
        }
    }
    if (DocumentFields(doc) != DocumentFields(std::as_const(cp->fields))) {
        step->fieldsChanged = true;
        SwapTies(DocumentFields(step->fields), DocumentFields(cp->fields));
    }
    if (!step->orderChanged && step->properties.empty() && step->pixels.empty() && !step->fieldsChanged)
        return false;

    if (step->orderChanged) {
        step->order = std::move(cp->order);
        step->outside = std::move(cp->removed);
    }
    step->label = label;
    step->mergeKey = mergeKey;
    step->currentIndex = cp->currentIndex;
    step->selection = std::move(cp->selection);
    step->afterIndex = doc.currentIndex;
    step->afterSelection = selection;

    if (!mergeKey.empty() && mergeOpen_ && position_ == steps_.size() && position_ > 0 &&
        MergeInto(*steps_.back(), *step))
        return true;
    Push(std::move(step));
    mergeOpen_ = !mergeKey.empty();
    return true;
}

bool History::MergeInto(Step& top, Step& step) {
    if (top.mergeKey != step.mergeKey || top.orderChanged || step.orderChanged || !top.pixels.empty() ||
        !step.pixels.empty() || top.afterIndex != step.currentIndex || top.afterSelection != step.selection)
        return false;
    // The step keeps the oldest state of everything the run of edits touched.
    for (auto& [frame, properties] : step.properties) {
        auto known = std::find_if(top.properties.begin(), top.properties.end(),
                                  [f = frame](const auto& p) { return p.first == f; });
        if (known == top.properties.end()) top.properties.emplace_back(frame, std::move(properties));
    }
    if (!top.fieldsChanged && step.fieldsChanged) {
        top.fieldsChanged = true;
        SwapTies(DocumentFields(top.fields), DocumentFields(step.fields));
    }
    top.afterIndex = step.afterIndex;
    top.afterSelection = std::move(step.afterSelection);
    bytes_ -= top.bytes;
    top.bytes = top.Bytes();
    bytes_ += top.bytes;
    Trim();
    return true;
}

void History::Push(std::unique_ptr<Step> step) {
    // A new edit after undoing: the undone steps can no longer be redone.
    while (steps_.size() > position_) {
        bytes_ -= steps_.back()->bytes;
        steps_.pop_back();
    }
    if (savedAt_ > int64_t(position_)) savedAt_ = -1;
    step->bytes = step->Bytes();
    bytes_ += step->bytes;
    steps_.push_back(std::move(step));
    ++position_;
    Trim();
}

void History::Trim() {
    while (bytes_ > budget_ && position_ > 0) {
        bytes_ -= steps_.front()->bytes;
        steps_.pop_front();
        --position_;
        savedAt_ = savedAt_ > 0 ? savedAt_ - 1 : -1;
    }
}

bool History::Undo(AnimDoc& doc, std::vector<int32_t>& selection) {
    if (!CanUndo() || !Apply(*steps_[position_ - 1], false, doc, selection)) return false;
    --position_;
    return true;
}

bool History::Redo(AnimDoc& doc, std::vector<int32_t>& selection) {
    if (!CanRedo() || !Apply(*steps_[position_], true, doc, selection)) return false;
    ++position_;
    return true;
}

bool History::Apply(Step& step, bool forward, AnimDoc& doc, std::vector<int32_t>& selection) {
    open_.reset();
    mergeOpen_ = false;
    // Everything that allocates comes first: a failure (bad_alloc) leaves the
    // document and the step as they were.
    std::vector<int32_t> nextSelection = forward ? step.afterSelection : step.selection;
    std::vector<Frame*> current;
    current.reserve(size_t(std::max(doc.frameCount, 0)));
    for (Frame* f = doc.firstFrame.get(); f; f = f->next.get()) current.push_back(f);
    std::unordered_map<const Frame*, size_t> where;
    where.reserve(current.size() + step.outside.size());
    for (size_t i = 0; i < current.size(); ++i) where.emplace(current[i], i);
    for (size_t i = 0; i < step.outside.size(); ++i) where.emplace(step.outside[i].get(), current.size() + i);
    // Every frame the step names must still exist: a frame list changed behind
    // the history's back ends it rather than reaching a released frame.
    auto known = [&](const Frame* f) { return where.contains(f); };
    if (!std::all_of(step.order.begin(), step.order.end(), known) ||
        !std::all_of(step.properties.begin(), step.properties.end(), [&](const auto& p) { return known(p.first); }) ||
        !std::all_of(step.pixels.begin(), step.pixels.end(), [&](const auto& p) { return known(p.first); })) {
        Forget();
        return false;
    }
    if (step.orderChanged) {
        std::vector<std::unique_ptr<Frame>> pool, leftOver;
        pool.reserve(where.size());
        leftOver.reserve(where.size());

        for (std::unique_ptr<Frame> f = std::move(doc.firstFrame); f;) {
            std::unique_ptr<Frame> next = std::move(f->next);
            pool.push_back(std::move(f));
            f = std::move(next);
        }
        for (std::unique_ptr<Frame>& f : step.outside) pool.push_back(std::move(f));
        std::unique_ptr<Frame>* link = &doc.firstFrame;
        for (Frame* f : step.order) {
            *link = std::move(pool[where.find(f)->second]);
            link = &(*link)->next;
        }
        for (std::unique_ptr<Frame>& f : pool)
            if (f) leftOver.push_back(std::move(f));
        doc.frameCount = int32_t(step.order.size());
        step.order.swap(current);
        step.outside.swap(leftOver);
    }
    for (auto& [frame, properties] : step.properties) SwapTies(FrameProperties(*frame), FrameProperties(properties));
    for (auto& [frame, buffers] : step.pixels) SwapTies(PixelBuffers(*frame), PixelBuffers(buffers));
    if (step.fieldsChanged) SwapTies(DocumentFields(doc), DocumentFields(step.fields));
    // The frames the step was about become current again: those before the
    // edit when undoing, those after it when redoing, whatever was selected in
    // between (a redone move shows the moved frame).
    doc.currentIndex = forward ? step.afterIndex : step.currentIndex;
    selection.swap(nextSelection);
    PlaceCurrentFrame(doc);

    bytes_ -= step.bytes;
    step.bytes = step.Bytes();
    bytes_ += step.bytes;
    return true;
}

}  // namespace kivo
