#include "doc/anim_doc.h"

#include <algorithm>
#include <new>

#include "doc/dib.h"

namespace kivo {


Frame::~Frame() {
    // Unlink one frame at a time: letting each unique_ptr destroy its successor
    // would recurse once per frame and overflow the stack on long lists.
    std::unique_ptr<Frame> rest = std::move(next);
    while (rest) rest = std::move(rest->next);
}

uint8_t* FrameBits(Frame& frame) {
    if (frame.dib.empty()) return nullptr;
    return DibPixels(frame.dib);
}

const uint8_t* FrameBits(const Frame& frame) {
    if (frame.dib.empty()) return nullptr;
    return DibPixels(frame.dib);
}

int32_t FrameStride(const Frame& frame) {
    if (frame.dib.empty()) return int32_t(DibRowBytes(uint32_t(std::max(frame.width, 0)), 24));
    return int32_t(DibRowBytes(DibWidth(frame.dib), DibBitCount(frame.dib)));
}

std::unique_ptr<AnimDoc> NewDocument(int formatMode) {
    try {
        auto doc = std::make_unique<AnimDoc>();
        doc->displayName = formatMode == 1 ? "新規.mng" : "新規.gif";
        doc->ticksPerSecond = 100;
        doc->loopEnabled = 1;
        doc->loopCount = 0;
        return doc;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void FreeDocument(std::unique_ptr<AnimDoc>& doc) { doc.reset(); }

Frame* NthFrame(AnimDoc& doc, int n) {
    return const_cast<Frame*>(NthFrame(static_cast<const AnimDoc&>(doc), n));
}

const Frame* NthFrame(const AnimDoc& doc, int n) {
    if (n < 0) return nullptr;
    const Frame* f = doc.firstFrame.get();
    while (f && n-- > 0) f = f->next.get();
    return f;
}

namespace {

std::unique_ptr<Frame> MakeNewFrame() {
    auto f = std::make_unique<Frame>();
    f->hasDelay = 1;
    f->delay = 10;
    return f;
}

// The owning link that points at position index (firstFrame for 0).
std::unique_ptr<Frame>* LinkAt(AnimDoc& doc, int index) {
    std::unique_ptr<Frame>* link = &doc.firstFrame;
    while (index-- > 0 && *link) link = &(*link)->next;
    return link;
}

}  // namespace

bool AppendFrame(AnimDoc& doc) {
    std::unique_ptr<Frame> f;
    try {
        f = MakeNewFrame();
    } catch (const std::bad_alloc&) {
        return false;
    }
    // Walk from the current frame when there is one: appending many frames in a
    // row then costs one step each instead of a walk over the whole list.
    std::unique_ptr<Frame>* link = &doc.firstFrame;
    int index = 0;
    if (doc.currentFrame) {
        link = &doc.currentFrame->next;
        index = doc.currentIndex + 1;
    }
    while (*link) {
        link = &(*link)->next;
        ++index;
    }
    *link = std::move(f);
    doc.currentFrame = link->get();
    doc.currentIndex = index;
    ++doc.frameCount;
    return true;
}

bool InsertFrame(AnimDoc& doc) {
    if (!doc.currentFrame) return AppendFrame(doc);
    std::unique_ptr<Frame> f;
    try {
        f = MakeNewFrame();
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::unique_ptr<Frame>* link = LinkAt(doc, doc.currentIndex);
    f->next = std::move(*link);
    *link = std::move(f);
    doc.currentFrame = link->get();
    ++doc.frameCount;
    return true;
}

bool RemoveFrame(AnimDoc& doc) { return TakeFrame(doc) != nullptr; }

std::unique_ptr<Frame> TakeFrame(AnimDoc& doc) {
    if (!doc.currentFrame) return nullptr;
    std::unique_ptr<Frame>* link = LinkAt(doc, doc.currentIndex);
    std::unique_ptr<Frame> removed = std::move(*link);
    *link = std::move(removed->next);
    --doc.frameCount;
    if (*link) {
        doc.currentFrame = link->get();
    } else if (doc.frameCount == 0) {
        doc.currentFrame = nullptr;  // the index stays as it was
    } else {
        --doc.currentIndex;
        doc.currentFrame = NthFrame(doc, doc.currentIndex);
    }
    return removed;
}

void SpliceFrames(AnimDoc& into, AnimDoc& from, bool insert) {
    if (!from.firstFrame) return;
    std::unique_ptr<Frame> moved = std::move(from.firstFrame);
    int movedCount = from.frameCount;
    from.currentFrame = nullptr;
    from.frameCount = 0;
    from.currentIndex = 0;

    Frame* lastMoved = moved.get();
    while (lastMoved->next) lastMoved = lastMoved->next.get();

    std::unique_ptr<Frame>* link;
    if (insert && into.currentFrame) {
        link = LinkAt(into, into.currentIndex);  // index unchanged
    } else {
        link = LinkAt(into, into.frameCount);
        into.currentIndex = into.frameCount;
    }
    lastMoved->next = std::move(*link);
    *link = std::move(moved);
    into.currentFrame = link->get();
    into.frameCount += movedCount;
}

void FreeFrameContents(Frame& frame) {
    // The list link is ownership here, not content: keep it, so that clearing a
    // frame that is still in a list neither frees nor leaks its successors.
    std::unique_ptr<Frame> next = std::move(frame.next);
    frame = Frame{};
    frame.next = std::move(next);
}

void UpdateExtent(AnimDoc& doc) {
    doc.extentRight = 0;
    doc.extentBottom = 0;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        doc.extentRight = std::max(doc.extentRight, f->left + f->width);
        doc.extentBottom = std::max(doc.extentBottom, f->top + f->height);
    }
    doc.screenWidth = std::max(doc.screenWidth, doc.extentRight);
    doc.screenHeight = std::max(doc.screenHeight, doc.extentBottom);
}

void CommentsToKeys(AnimDoc& doc) {
    if (!doc.trailingComment.empty()) AddKey(doc.textKeys, "Comment", doc.trailingComment);
    for (Frame* f = doc.firstFrame.get(); f; f = f->next.get())
        if (!f->comment.empty()) AddKey(f->textKeys, "Comment", f->comment);
}

TextKey* AddKey(TextKeyList& list, std::string_view key, std::string_view text) {
    try {
        list.push_back(TextKey{std::string(key), std::string(text)});
        return &list.back();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void RemoveKey(TextKeyList& list, size_t position) {
    if (position >= list.size()) return;
    if (list.size() == 1) {
        FreeKeyList(list);
        return;
    }
    list.erase(list.begin() + std::ptrdiff_t(position));
    list.shrink_to_fit();
}

void FreeKeyList(TextKeyList& list) { TextKeyList().swap(list); }

}  // namespace kivo
