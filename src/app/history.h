// The edit history: every change to the document becomes a step that can be
// undone and redone. A step copies no pixels. Frames an edit removes move into
// the step, pictures it replaces are moved there through the FrameKeeper, and
// of everything else only the small fields are kept: the document's own fields,
// the frame order as frame identities and the changed frames' properties.
// Undo and redo swap the step's state with the document's, so both are pointer
// work over the frame list, and a step always holds the state the document is
// not in.
//
// The one rule an edit must follow: pixels are never changed in place and
// frames are never released behind the keeper's back. An edit that does so
// anyway is caught (a vanished frame, a replaced picture not handed over) and
// makes the history forget its steps instead of ever restoring a wrong state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "doc/anim_doc.h"

namespace kivo {

// A frame's buffers that hold pixels, as one unit that moves between a frame
// and the history.
struct FrameBuffers {
    Dib dib;
    std::vector<uint8_t> indexPixels;
    std::vector<CensusEntry> census;
    uint32_t censusKey = 0;
    std::vector<uint8_t> censusIndices;
    std::vector<uint8_t> pngIndexPixels;
};

constexpr size_t kDefaultHistoryBudget = size_t(512) << 20;

class History : public FrameKeeper {
public:
    explicit History(size_t budgetBytes = kDefaultHistoryBudget);
    ~History() override;
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // A new document: no steps. saved says whether it equals a file.
    void Reset(bool saved);
    // Budget for the bytes all steps hold; the oldest steps go beyond it. A
    // step larger than the whole budget is not kept at all: the edit stands,
    // it just cannot be undone.
    void SetBudget(size_t bytes);

    // Brackets one edit: Begin notes the document as it is, End compares and
    // records what changed as a step labelled `label`. With mergeKey set, an
    // edit that follows a step of the same key on the same frames (typing into
    // one field) joins that step. End returns whether the document changed.
    // Between the two, this history is the edit's FrameKeeper.
    void Begin(const AnimDoc& doc, const std::vector<int32_t>& selection);
    bool End(AnimDoc& doc, const std::vector<int32_t>& selection, std::string_view label,
             std::string_view mergeKey = {});

    // An edit is between Begin and End.
    bool Open() const { return open_ != nullptr; }

    bool CanUndo() const { return position_ > 0; }
    bool CanRedo() const { return position_ < steps_.size(); }
    // The label of the step Undo / Redo would apply; empty when none.
    std::string_view UndoLabel() const;
    std::string_view RedoLabel() const;
    // Apply the step before / after the current state, bringing back its
    // current frame and selection. False when there is none, or when the frame
    // list was changed behind the history's back (which also empties it).
    bool Undo(AnimDoc& doc, std::vector<int32_t>& selection);
    bool Redo(AnimDoc& doc, std::vector<int32_t>& selection);

    // The document now equals its file.
    void MarkSaved();
    // Whether the document is in the state last saved (or opened).
    bool AtSavePoint() const { return savedAt_ == int64_t(position_); }
    // A change this history did not see: its steps no longer fit the document.
    void Forget();

    size_t StepCount() const { return steps_.size(); }
    size_t Bytes() const { return bytes_; }

    // FrameKeeper, for the edit between Begin and End.
    void BeforePixelChange(Frame& frame) override;
    void KeepRemovedFrame(std::unique_ptr<Frame> frame) override;

private:
    struct Step;
    struct Checkpoint;

    bool Apply(Step& step, bool forward, AnimDoc& doc, std::vector<int32_t>& selection);
    bool MergeInto(Step& top, Step& step);
    void Push(std::unique_ptr<Step> step);
    void Trim();

    std::deque<std::unique_ptr<Step>> steps_;
    size_t position_ = 0;      // steps before it are done, from it on undone
    int64_t savedAt_ = 0;      // position of the saved state; -1 = no longer reachable
    size_t bytes_ = 0;
    size_t budget_;
    bool mergeOpen_ = false;   // the top step may still take typing
    std::unique_ptr<Checkpoint> open_;
};

}  // namespace kivo
