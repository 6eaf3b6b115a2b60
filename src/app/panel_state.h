// What the frame property panel shows for a document and its selection, worked
// out apart from the widgets: values, enabled states, list texts.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "doc/anim_doc.h"
#include "platform/translatable.h"

namespace kivo {

// The largest screen side the panel offers; a screen is never made narrower
// than its frames reach, so the bound grows with them.
inline constexpr int kMaxScreenSide = 3000;
inline constexpr int kMaxLoopCount = 30000;
inline constexpr int kMaxDelay = 30000;

struct KeyListState {
    std::vector<std::string> keys;  // shown as UTF-8
    int selected = 0;
    std::string text;               // the selected key's text, as UTF-8
    bool enabled = false;           // list and text: whenever the selected key exists
};

// One row of the frame list as the timeline shows it beside the thumbnail.
struct FrameListRow {
    std::string head;     // "%3dコマ %3d x %3d": number and size
    std::string number;   // "1コマ", and the size "640 x 480", for narrow tiles
    std::string size;
    std::string comment;  // the start of the comment, as in FrameListItem
    std::string delay;    // "0.10 s"; "-" when the frame has no delay
    bool operator==(const FrameListRow&) const = default;
};

struct PanelState {
    // The document.
    int screenWidth = 0, screenHeight = 0;
    int minWidth = 0, minHeight = 0;  // the frames' extent
    int maxWidth = kMaxScreenSide, maxHeight = kMaxScreenSide;
    bool loopEnabled = false;
    int loopCount = 0;
    bool loopsForever = false;
    bool loopCountEnabled = false, foreverEnabled = false;
    std::string documentComment;      // GIF mode
    KeyListState documentKeys;        // MNG mode

    // The frames.
    bool framesEnabled = false;       // every frame control and frame command
    bool optimizeEnabled = false;
    std::string counter;              // "2 / 5 コマ", by kFrameCounterPattern
    std::vector<std::string> listItems;
    std::vector<FrameListRow> listRows;  // the same frames, by part
    int currentIndex = 0;
    std::vector<int32_t> selection;
    bool multiSelection = false;
    int frameWidth = 0, frameHeight = 0;
    std::optional<int> left, top;     // none: the selected frames differ
    int leftMax = 0, topMax = 0;
    bool leftEnabled = false, topEnabled = false;
    bool transparency = false;
    bool swatchEnabled = false;
    std::optional<Rgb> swatch;        // the colour the swatch shows, if one
    // Shown for a single frame only; a multi-selection keeps what was shown.
    bool hasDelay = false;
    int delay = 0;
    int disposalIndex = 0;
    std::string frameComment;         // GIF mode
    bool frameCommentEnabled = false;
    KeyListState frameKeys;           // MNG mode
    bool frameKeyButtonEnabled = false;
};

// kFull refreshes everything; kSelection only what follows the frame selection
// (the frame's properties), leaving the document's controls as they are.
enum class PanelRefresh { kFull, kSelection };

// What a refresh settles in the document before the panel shows it: the frames'
// extent (the screen grows to hold them), a loop count above the largest offered
// brought down and stored back, and the key lists refilled at their first key
// (the document's only on a full refresh), so the key shown is the key written.
void SettleForPanel(AnimDoc& doc, int formatMode, PanelRefresh refresh);

// The panel for a settled document and the current selection; computes only.
PanelState ComputePanelState(const AnimDoc& doc, const std::vector<int32_t>& selection, int formatMode);

// The patterns of the panel's texts with numbers in them, marked for
// translation: the panel shows them translated as a whole.
inline constexpr const char* kFrameCounterPattern = KIVO_TR_NOOP("Panel", "%d / %d コマ");
inline constexpr const char* kFrameListPattern = KIVO_TR_NOOP("Panel", "%3dコマ %3d x %3d");
// A frame's number alone, on the timeline's narrow tiles.
inline constexpr const char* kFrameNumberPattern = KIVO_TR_NOOP("Panel", "%dコマ");

// kFrameListPattern's number, width and height, a tab, and the start of the
// frame's comment (at most 29 bytes, never half a character; line breaks shown
// as blanks).
std::string FrameListItem(const Frame& frame, int index);
// The same text by part, with the frame's delay in seconds.
FrameListRow FrameListRowOf(const Frame& frame, int index);
// A delay in hundredths of a second as seconds, "0.10 s"; "-" when no delay applies.
std::string DelayText(const Frame& frame);

// The disposal choices of the working mode (marked for translation in the
// context "Panel") and where a frame's disposal shows.
std::vector<std::string> DisposalChoices(int formatMode);
int DisposalIndex(int disposal, int formatMode);
int DisposalFromIndex(int index, int formatMode);

}  // namespace kivo
