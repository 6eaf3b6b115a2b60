#include "frame_ops/move_frames.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <new>

namespace kivo {

namespace {

bool ValidIndices(const AnimDoc& doc, const std::vector<int32_t>& indices) {
    if (indices.empty() || indices.front() < 0 || indices.back() >= doc.frameCount) return false;
    return std::adjacent_find(indices.begin(), indices.end(), std::greater_equal<>()) == indices.end();
}

// A block that would land where it stands: the indices are one run and the
// drop place touches or lies inside it.
bool StaysInPlace(const std::vector<int32_t>& indices, int32_t before) {
    const bool oneRun = indices.back() - indices.front() + 1 == int32_t(indices.size());
    return oneRun && before >= indices.front() && before <= indices.back() + 1;
}

}  // namespace

int32_t MovedFramesStart(const std::vector<int32_t>& indices, int32_t before) {
    return before - int32_t(std::lower_bound(indices.begin(), indices.end(), before) - indices.begin());
}

bool MoveFrames(AnimDoc& doc, const std::vector<int32_t>& indices, int32_t before) {
    if (!ValidIndices(doc, indices) || before < 0 || before > doc.frameCount || StaysInPlace(indices, before))
        return false;
    // Room for the whole list first: once unlinked, the frames must be linked
    // again whatever happens.
    std::vector<std::unique_ptr<Frame>> frames, moved;
    try {
        frames.reserve(size_t(doc.frameCount));
        moved.reserve(indices.size());
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (std::unique_ptr<Frame> f = std::move(doc.firstFrame); f;) {
        std::unique_ptr<Frame> next = std::move(f->next);
        frames.push_back(std::move(f));
        f = std::move(next);
    }
    for (int32_t i : indices) moved.push_back(std::move(frames[size_t(i)]));

    std::unique_ptr<Frame>* link = &doc.firstFrame;
    auto append = [&link](std::unique_ptr<Frame>& f) {
        *link = std::move(f);
        link = &(*link)->next;
    };
    for (size_t i = 0; i <= frames.size(); ++i) {
        if (i == size_t(before))
            for (std::unique_ptr<Frame>& f : moved) append(f);
        if (i < frames.size() && frames[i]) append(frames[i]);
    }

    int32_t index = 0;
    for (const Frame* f = doc.firstFrame.get(); f && f != doc.currentFrame; f = f->next.get()) ++index;
    doc.currentIndex = doc.currentFrame ? index : 0;
    return true;
}

}  // namespace kivo
