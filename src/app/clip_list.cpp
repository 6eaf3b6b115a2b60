#include "app/clip_list.h"

#include <new>

#include "doc/dib.h"
#include "doc/selection.h"

namespace kivo {

namespace {

int32_t IndexOf(const AnimDoc& doc, const Frame* frame) {
    int32_t index = 0;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get(), ++index)
        if (f == frame) return index;
    return -1;
}

bool PasteOne(AnimDoc& doc, Selection& selection, const ClipEntry& entry, bool insert) {
    Dib picture = DibTo24(DibSpan(entry.picture));
    if (picture.empty()) return false;
    if (insert) MoveToFirstSelected(doc, selection);
    if (!(insert ? InsertFrame(doc) : AppendFrame(doc))) return false;
    Frame& frame = *doc.currentFrame;
    frame.width = DibWidth(picture);
    frame.height = DibHeight(picture);
    frame.dib = std::move(picture);
    frame.tempPalette = 1;
    frame.left = entry.left;
    frame.top = entry.top;
    frame.hasDelay = entry.hasDelay;
    frame.delay = entry.delay;
    frame.disposal = entry.disposal;
    frame.hasTransparency = entry.hasTransparency;
    frame.transparentRgb = entry.transparentRgb;
    frame.comment = entry.comment;
    frame.textKeys = entry.textKeys;
    UpdateExtent(doc);
    // The next insert lands before this frame, so the copied order stays.
    ResetSelection(doc, selection);
    return true;
}

}  // namespace

std::vector<int32_t> FramesToCopy(const AnimDoc& doc, const Selection& selection) {
    std::vector<int32_t> indices;
    for (int32_t i : selection)
        if (i >= 0 && i < doc.frameCount) indices.push_back(i);
    if (indices.empty() && doc.currentFrame) indices.push_back(doc.currentIndex);
    return indices;
}

bool CopyFrames(const AnimDoc& doc, const std::vector<int32_t>& indices, ClipList& out) {
    out.clear();
    try {
        ClipList list;
        list.reserve(indices.size());
        for (int32_t i : indices) {
            const Frame* frame = NthFrame(doc, i);
            if (!frame) continue;
            ClipEntry& e = list.emplace_back();
            e.picture = DibTo24(DibSpan(frame->dib));
            if (e.picture.empty()) return false;
            e.left = frame->left;
            e.top = frame->top;
            e.hasDelay = frame->hasDelay;
            e.delay = frame->delay;
            e.disposal = frame->disposal;
            e.hasTransparency = frame->hasTransparency;
            e.transparentRgb = frame->transparentRgb;
            e.comment = frame->comment;
            e.textKeys = frame->textKeys;
        }
        if (list.empty()) return false;
        out = std::move(list);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

ClipEntry PictureEntry(Dib picture) {
    ClipEntry entry;
    entry.picture = std::move(picture);
    return entry;
}

bool PasteFrames(AnimDoc& doc, Selection& selection, const ClipList& list, bool insert) {
    Frame* const before = doc.currentFrame;
    bool ok = true;
    try {
        // Inserting each entry before the one pasted last needs them back to front.
        if (insert) {
            for (auto it = list.rbegin(); ok && it != list.rend(); ++it) ok = PasteOne(doc, selection, *it, true);
        } else {
            for (auto it = list.begin(); ok && it != list.end(); ++it) ok = PasteOne(doc, selection, *it, false);
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok && insert && before) {
        // Frames inserted before it have moved it on: its index is found afresh.
        doc.currentFrame = before;
        doc.currentIndex = IndexOf(doc, before);
        ResetSelection(doc, selection);
    }
    return ok;
}

}  // namespace kivo
