#include "app/panel_edits.h"

#include <algorithm>
#include <cstdint>

#include "app/panel_state.h"
#include "platform/translatable.h"

namespace kivo {

namespace {

template <typename F>
bool ForSelected(AnimDoc& doc, const Selection& selection, F f) {
    bool changed = false;
    if (selection.size() <= 1) {
        if (doc.currentFrame) changed = f(*doc.currentFrame);
        return changed;
    }
    for (int32_t i : selection)
        if (Frame* frame = NthFrame(doc, i)) changed = f(*frame) || changed;
    return changed;
}

template <typename T, typename V>
bool Assign(T& field, V value) {
    if (field == T(value)) return false;
    field = T(value);
    return true;
}

int SelectionMax(const AnimDoc& doc, const Selection& selection, int32_t Frame::*side) {
    if (selection.size() <= 1) return doc.currentFrame ? doc.currentFrame->*side : 0;
    int most = 0;
    for (int32_t i : selection)
        if (const Frame* f = NthFrame(doc, i)) most = std::max(most, int(f->*side));
    return most;
}

// The comment's "Comment" key follows the comment typed.
void MirrorCommentKey(TextKeyList& keys, const std::string& text) {
    for (TextKey& k : keys) {
        if (k.key == "Comment") {
            k.text = text;
            return;
        }
    }
    AddKey(keys, "Comment", text);
}

Rgb BottomLeftPixel(const Frame& frame) {
    const uint8_t* bits = FrameBits(frame);
    if (!bits) return frame.transparentRgb;
    return Rgb{bits[2], bits[1], bits[0]};
}

}  // namespace

int CorrectScreenSide(int typed, int extent) {
    return std::clamp(typed, extent, std::max(kMaxScreenSide, extent));
}

bool SetScreenWidth(AnimDoc& doc, int typed) {
    UpdateExtent(doc);
    return Assign(doc.screenWidth, CorrectScreenSide(typed, doc.extentRight));
}

bool SetScreenHeight(AnimDoc& doc, int typed) {
    UpdateExtent(doc);
    return Assign(doc.screenHeight, CorrectScreenSide(typed, doc.extentBottom));
}

int CorrectLeft(const AnimDoc& doc, const Selection& selection, int typed) {
    return std::clamp(typed, 0, std::max(0, doc.screenWidth - SelectionMax(doc, selection, &Frame::width)));
}

int CorrectTop(const AnimDoc& doc, const Selection& selection, int typed) {
    return std::clamp(typed, 0, std::max(0, doc.screenHeight - SelectionMax(doc, selection, &Frame::height)));
}

bool SetLeft(AnimDoc& doc, const Selection& selection, int typed) {
    int v = CorrectLeft(doc, selection, typed);
    return ForSelected(doc, selection, [v](Frame& f) { return Assign(f.left, v); });
}

bool SetTop(AnimDoc& doc, const Selection& selection, int typed) {
    int v = CorrectTop(doc, selection, typed);
    return ForSelected(doc, selection, [v](Frame& f) { return Assign(f.top, v); });
}

int TypedNumber(std::string_view text) {
    int64_t v = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > INT32_MAX) return INT32_MAX;
    }
    return int(v);
}

std::string_view TypedFieldLabel(TypedField field) {
    switch (field) {
        case TypedField::kScreenWidth: return KIVO_TR_NOOP("Edits", "全体の幅");
        case TypedField::kScreenHeight: return KIVO_TR_NOOP("Edits", "全体の高さ");
        case TypedField::kLeft: return KIVO_TR_NOOP("Edits", "左端の位置");
        case TypedField::kTop: return KIVO_TR_NOOP("Edits", "上端の位置");
    }
    return {};
}

int CorrectTypedField(AnimDoc& doc, const Selection& selection, TypedField field, int typed) {
    switch (field) {
        case TypedField::kScreenWidth: UpdateExtent(doc); return CorrectScreenSide(typed, doc.extentRight);
        case TypedField::kScreenHeight: UpdateExtent(doc); return CorrectScreenSide(typed, doc.extentBottom);
        case TypedField::kLeft: return CorrectLeft(doc, selection, typed);
        case TypedField::kTop: return CorrectTop(doc, selection, typed);
    }
    return typed;
}

bool SetTypedField(AnimDoc& doc, const Selection& selection, TypedField field, int value) {
    switch (field) {
        case TypedField::kScreenWidth: return SetScreenWidth(doc, value);
        case TypedField::kScreenHeight: return SetScreenHeight(doc, value);
        case TypedField::kLeft: return SetLeft(doc, selection, value);
        case TypedField::kTop: return SetTop(doc, selection, value);
    }
    return false;
}

int StepTypedField(AnimDoc& doc, const Selection& selection, TypedField field, std::string_view typed, int delta) {
    const int start = CorrectTypedField(doc, selection, field, TypedNumber(typed));
    const int64_t stepped = std::clamp<int64_t>(int64_t(start) + delta, INT32_MIN, INT32_MAX);
    return CorrectTypedField(doc, selection, field, int(stepped));
}

bool SetLoopEnabled(AnimDoc& doc, bool on) { return Assign(doc.loopEnabled, on ? 1 : 0); }

bool SetLoopCount(AnimDoc& doc, int count) {
    return Assign(doc.loopCount, std::clamp(count, 0, kMaxLoopCount));
}

std::string StoredFromTyped(std::string_view typed) {
    std::string stored;
    stored.reserve(typed.size());
    for (size_t i = 0; i < typed.size(); ++i) {
        if (typed[i] == '\n' && (i == 0 || typed[i - 1] != '\r')) stored += '\r';
        stored += typed[i];
    }
    return stored;
}

bool SetDocumentComment(AnimDoc& doc, std::string_view text) {
    // A single character is too little to keep as a comment.
    std::string stored = text.size() > 1 ? std::string(text) : std::string();
    if (stored == doc.trailingComment) return false;
    doc.trailingComment = stored;
    if (!stored.empty()) MirrorCommentKey(doc.textKeys, stored);
    return true;
}

bool SetFrameComment(AnimDoc& doc, std::string_view text) {
    Frame* f = doc.currentFrame;
    if (!f || f->comment == text) return false;
    f->comment = std::string(text);
    if (!f->comment.empty()) MirrorCommentKey(f->textKeys, f->comment);
    return true;
}

std::string CommentFromKeys(const TextKeyList& keys) {
    std::string comment;
    for (const TextKey& k : keys) comment += k.key + " : " + k.text + "\r\n";
    return comment;
}

bool ReplaceKeys(AnimDoc& doc, bool ofFrame, TextKeyList keys) {
    if (ofFrame && !doc.currentFrame) return false;
    std::string comment = CommentFromKeys(keys);
    if (ofFrame) {
        doc.currentFrame->textKeys = std::move(keys);
        doc.currentFrame->selectedTextKey = 0;
        doc.currentFrame->comment = std::move(comment);
    } else {
        doc.textKeys = std::move(keys);
        doc.selectedTextKey = 0;
        doc.trailingComment = std::move(comment);
    }
    return true;
}

bool SetDocumentKeyText(AnimDoc& doc, std::string_view text) {
    if (doc.textKeys.empty()) return false;
    size_t i = size_t(std::clamp(doc.selectedTextKey, 0, int(doc.textKeys.size()) - 1));
    if (doc.textKeys[i].text == text) return false;
    doc.textKeys[i].text = std::string(text);
    doc.trailingComment = CommentFromKeys(doc.textKeys);
    return true;
}

bool SetFrameKeyText(AnimDoc& doc, std::string_view text) {
    Frame* f = doc.currentFrame;
    if (!f || f->textKeys.empty()) return false;
    size_t i = size_t(std::clamp(f->selectedTextKey, 0, int(f->textKeys.size()) - 1));
    if (f->textKeys[i].text == text) return false;
    f->textKeys[i].text = std::string(text);
    f->comment = CommentFromKeys(f->textKeys);
    return true;
}

bool SetDelay(AnimDoc& doc, const Selection& selection, int delay) {
    int v = std::clamp(delay, 0, kMaxDelay);
    bool multi = selection.size() > 1;
    return ForSelected(doc, selection, [v, multi](Frame& f) {
        bool changed = Assign(f.delay, v);
        if (multi) changed = Assign(f.hasDelay, 1) || changed;
        return changed;
    });
}

bool SetHasDelay(AnimDoc& doc, const Selection& selection, bool on, int typedDelay) {
    int v = std::clamp(typedDelay, 0, kMaxDelay);
    bool multi = selection.size() > 1;
    return ForSelected(doc, selection, [on, v, multi](Frame& f) {
        bool changed = Assign(f.hasDelay, on ? 1 : 0);
        if (multi && on) changed = Assign(f.delay, v) || changed;
        return changed;
    });
}

bool SetDisposal(AnimDoc& doc, const Selection& selection, int disposal) {
    return ForSelected(doc, selection, [disposal](Frame& f) { return Assign(f.disposal, disposal); });
}

bool SetTransparency(AnimDoc& doc, const Selection& selection, bool on) {
    return ForSelected(doc, selection, [on](Frame& f) {
        if (f.hasTransparency && !on) f.transparentChosen = 1;
        if (on && !f.hasTransparency && !f.transparentChosen) f.transparentRgb = BottomLeftPixel(f);
        return Assign(f.hasTransparency, on ? 1 : 0);
    });
}

bool SetTransparentColour(AnimDoc& doc, const Selection& selection, Rgb colour) {
    return ForSelected(doc, selection, [colour](Frame& f) {
        bool changed = Assign(f.hasTransparency, 1);
        if (!(f.transparentRgb == colour)) {
            f.transparentRgb = colour;
            changed = true;
        }
        return changed;
    });
}

bool MoveSelectedFrames(AnimDoc& doc, Selection& selection, bool up) {
    if (selection.empty()) selection = {doc.currentIndex};
    if (doc.frameCount < 2) return false;
    if (up ? selection.front() == 0 : selection.back() == doc.frameCount - 1) return false;
    // Unlink the list into owned frames, swap, and link it again.
    std::vector<std::unique_ptr<Frame>> frames;
    for (std::unique_ptr<Frame> f = std::move(doc.firstFrame); f;) {
        std::unique_ptr<Frame> next = std::move(f->next);
        frames.push_back(std::move(f));
        f = std::move(next);
    }
    if (up) {
        for (int32_t& i : selection) {
            std::swap(frames[size_t(i)], frames[size_t(i) - 1]);
            --i;
        }
    } else {
        for (auto it = selection.rbegin(); it != selection.rend(); ++it) {
            std::swap(frames[size_t(*it)], frames[size_t(*it) + 1]);
            ++*it;
        }
    }
    for (size_t i = frames.size(); i-- > 1;) frames[i - 1]->next = std::move(frames[i]);
    doc.firstFrame = std::move(frames[0]);
    doc.currentIndex = selection.back();
    doc.currentFrame = NthFrame(doc, doc.currentIndex);
    return true;
}

bool SelectAllFrames(AnimDoc& doc, Selection& selection) {
    if (doc.frameCount == 0 || int(selection.size()) == doc.frameCount) return false;
    selection.resize(size_t(doc.frameCount));
    for (size_t i = 0; i < selection.size(); ++i) selection[i] = int32_t(i);
    doc.currentIndex = doc.frameCount - 1;
    doc.currentFrame = NthFrame(doc, doc.currentIndex);
    return true;
}

void SelectFrame(AnimDoc& doc, Selection& selection, int index) {
    if (doc.frameCount == 0) {
        selection.clear();
        return;
    }
    index = std::clamp(index, 0, doc.frameCount - 1);
    doc.currentIndex = index;
    doc.currentFrame = NthFrame(doc, index);
    selection = {index};
}

void SetListSelection(AnimDoc& doc, Selection& selection, std::vector<int32_t> indices) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    std::erase_if(indices, [&](int32_t i) { return i < 0 || i >= doc.frameCount; });
    if (indices.empty()) {
        SelectFrame(doc, selection, doc.currentIndex);
        return;
    }
    selection = std::move(indices);
    doc.currentIndex = selection.back();
    doc.currentFrame = NthFrame(doc, doc.currentIndex);
}

}  // namespace kivo
