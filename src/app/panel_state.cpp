#include "app/panel_state.h"

#include <algorithm>
#include <cstdio>

#include "platform/cp932.h"
#include "platform/stored_text.h"

namespace kivo {

namespace {

// The longest start of text that fits max bytes without splitting a character.
size_t CharacterCut(std::string_view text, size_t max) {
    if (text.size() <= max) return text.size();
    if (IsStrictUtf8(text)) {
        size_t cut = max;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        return cut;
    }
    size_t i = 0;
    while (i < max) {
        size_t n = IsCp932LeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + n > max) break;
        i += n;
    }
    return i;
}

std::string Shown(std::string_view stored) {
    std::string text = StoredTextAsUtf8(stored);
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    return text;
}

// The list shows key `selected` and the text field its text, so what is typed
// goes into the key shown. A key's text may be empty (a key just added): the
// field is enabled whenever the key exists, or it could never be given text.
KeyListState KeysOf(const TextKeyList& keys, int selected) {
    KeyListState state;
    for (const TextKey& k : keys) state.keys.push_back(StoredTextAsUtf8(k.key));
    if (!keys.empty()) {
        state.selected = std::clamp(selected, 0, int(keys.size()) - 1);
        state.text = StoredTextAsUtf8(keys[size_t(state.selected)].text);
        state.enabled = true;
    }
    return state;
}

}  // namespace

FrameListRow FrameListRowOf(const Frame& frame, int index) {
    char head[64], number[32], size[32];
    std::snprintf(head, sizeof head, kFrameListPattern, index + 1, frame.width, frame.height);
    std::snprintf(number, sizeof number, kFrameNumberPattern, index + 1);
    std::snprintf(size, sizeof size, "%d x %d", frame.width, frame.height);
    std::string_view comment = frame.comment;
    return {head, number, size, Shown(comment.substr(0, CharacterCut(comment, 29))), DelayText(frame)};
}

std::string FrameListItem(const Frame& frame, int index) {
    FrameListRow row = FrameListRowOf(frame, index);
    return row.head + "\t" + row.comment;
}

std::string DelayText(const Frame& frame) {
    if (!frame.hasDelay) return "-";
    const int delay = std::max(frame.delay, 0);
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d s", delay / 100, delay % 100);
    return text;
}

std::vector<std::string> DisposalChoices(int formatMode) {
    if (formatMode == 1) return {KIVO_TR_NOOP("Panel", "そのまま残す"), KIVO_TR_NOOP("Panel", "背景色でつぶす")};
    return {KIVO_TR_NOOP("Panel", "何もしない"), KIVO_TR_NOOP("Panel", "そのまま残す"),
            KIVO_TR_NOOP("Panel", "背景色でつぶす"), KIVO_TR_NOOP("Panel", "直前の画像に戻す")};
}

int DisposalIndex(int disposal, int formatMode) {
    if (formatMode == 1) return disposal == 2 ? 1 : 0;
    return std::clamp(disposal, 0, 3);
}

int DisposalFromIndex(int index, int formatMode) {
    if (formatMode == 1) return index == 1 ? 2 : 1;
    return std::clamp(index, 0, 3);
}

void SettleForPanel(AnimDoc& doc, int formatMode, PanelRefresh refresh) {
    UpdateExtent(doc);
    doc.loopCount = std::clamp(doc.loopCount, 0, kMaxLoopCount);
    if (formatMode != 1) return;
    if (refresh == PanelRefresh::kFull) doc.selectedTextKey = 0;
    doc.selectedTextKey = doc.textKeys.empty() ? 0 : std::clamp(doc.selectedTextKey, 0, int(doc.textKeys.size()) - 1);
    if (doc.currentFrame) doc.currentFrame->selectedTextKey = 0;
}

PanelState ComputePanelState(const AnimDoc& doc, const std::vector<int32_t>& selection, int formatMode) {
    PanelState s;
    s.screenWidth = doc.screenWidth;
    s.screenHeight = doc.screenHeight;
    s.minWidth = doc.extentRight;
    s.minHeight = doc.extentBottom;
    s.maxWidth = std::max(kMaxScreenSide, doc.extentRight);
    s.maxHeight = std::max(kMaxScreenSide, doc.extentBottom);

    s.loopEnabled = doc.loopEnabled != 0;
    s.loopCount = doc.loopCount;
    s.loopsForever = doc.loopCount == 0;
    s.foreverEnabled = s.loopEnabled;
    s.loopCountEnabled = s.loopEnabled && !s.loopsForever;
    if (formatMode == 1) {
        s.documentKeys = KeysOf(doc.textKeys, doc.selectedTextKey);
    } else {
        s.documentComment = StoredTextAsUtf8(doc.trailingComment);
    }

    int index = 0;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get(), ++index) {
        s.listRows.push_back(FrameListRowOf(*f, index));
        s.listItems.push_back(s.listRows.back().head + "\t" + s.listRows.back().comment);
    }
    s.currentIndex = doc.currentIndex;
    s.optimizeEnabled = doc.frameCount > 1;
    const Frame* current = doc.currentFrame;
    if (!current) return s;
    char counter[64];
    std::snprintf(counter, sizeof counter, kFrameCounterPattern, doc.currentIndex + 1, int(doc.frameCount));
    s.counter = counter;
    s.framesEnabled = true;
    s.selection = selection;
    if (s.selection.empty()) s.selection = {doc.currentIndex};
    s.multiSelection = s.selection.size() > 1;

    if (!s.multiSelection) {
        s.frameWidth = current->width;
        s.frameHeight = current->height;
        s.left = current->left;
        s.top = current->top;
        s.leftMax = std::max(0, doc.screenWidth - current->width);
        s.topMax = std::max(0, doc.screenHeight - current->height);
        s.leftEnabled = s.leftMax != 0;
        s.topEnabled = s.topMax != 0;
        s.transparency = current->hasTransparency != 0;
        s.swatchEnabled = s.transparency;
        if (s.transparency) s.swatch = current->transparentRgb;
        s.hasDelay = current->hasDelay != 0;
        s.delay = current->delay;
        s.disposalIndex = DisposalIndex(current->disposal, formatMode);
        if (formatMode == 1) {
            s.frameKeys = KeysOf(current->textKeys, current->selectedTextKey);
            s.frameKeyButtonEnabled = true;
        } else {
            s.frameComment = StoredTextAsUtf8(current->comment);
            s.frameCommentEnabled = true;
        }
        return s;
    }

    // A multi-selection: the largest sizes, what the frames share.
    bool allTransparent = true, sameColour = true, first = true;
    for (int32_t i : s.selection) {
        const Frame* f = NthFrame(doc, i);
        if (!f) continue;
        s.frameWidth = std::max(s.frameWidth, f->width);
        s.frameHeight = std::max(s.frameHeight, f->height);
        if (first) {
            s.left = f->left;
            s.top = f->top;
        } else {
            if (s.left && *s.left != f->left) s.left.reset();
            if (s.top && *s.top != f->top) s.top.reset();
        }
        allTransparent = allTransparent && f->hasTransparency;
        sameColour = sameColour && f->transparentRgb == current->transparentRgb;
        first = false;
    }
    s.leftMax = std::max(0, doc.screenWidth - s.frameWidth);
    s.topMax = std::max(0, doc.screenHeight - s.frameHeight);
    s.leftEnabled = s.frameWidth != doc.screenWidth;
    s.topEnabled = s.frameHeight != doc.screenHeight;
    s.transparency = allTransparent;
    s.swatchEnabled = allTransparent;
    if (allTransparent && sameColour) s.swatch = current->transparentRgb;
    return s;
}

}  // namespace kivo
