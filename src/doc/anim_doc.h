// The in-memory animation: the document record, its singly linked frame list and
// the key/text lists. Every reader builds an AnimDoc or adds frames to one, every
// writer walks the list, the user interface edits the current frame.
//
// Ownership: a document owns its frames through firstFrame/next; every buffer
// field owns its bytes. Counts that the file formats store beside a block
// (palette entries, comment lengths, key counts) are the containers' sizes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "doc/types.h"

namespace kivo {

struct Frame {
    Frame() = default;
    ~Frame();  // releases the rest of the list without recursion
    Frame(Frame&&) = default;
    Frame& operator=(Frame&&) = default;

    uint8_t gcePacked = 0;        // GIF graphic control packed byte, as last read or written
    int16_t disposal = 0;         // 0 none, 1 leave, 2 background, 3 previous; 100 = not yet set (MNG reader)
    int32_t hasDelay = 0;         // 1 = delay applies (GIF user-input bit clear)
    int32_t delay = 0;            // hundredths of a second
    int32_t hasTransparency = 0;
    int16_t transparentIndex = 0; // as read from a GIF graphic control block
    Rgb transparentRgb;           // identifies transparency everywhere after reading
    // Placement on the logical screen and size. GIF stores them as unsigned 16-bit
    // values; anything narrower than 32 bits would turn the upper half negative.
    int32_t left = 0, top = 0;
    int32_t width = 0, height = 0;
    uint8_t imageFlags = 0;       // GIF image descriptor packed byte; 0x40 interlaced
    Palette localPalette;         // own palette; empty = none
    std::string comment;          // empty = none
    std::unique_ptr<Frame> next;

    int16_t transparentChosen = 0;// panel: transparency switched off, colour kept
    int16_t tempPalette = 0;      // localPalette is disposable (made for saving / full-colour source)
    int16_t colorCount = 0;       // palette preparation: census length
    // The transparency the census was taken with (CensusKey): a census taken
    // when the frame was read stays good until its pixels or transparency change.
    uint32_t censusKey = 0;

    Dib dib;                      // 24-bit packed DIB after any reader or import
    std::vector<uint8_t> indexPixels;  // width*height indices, top row first; saving only
    std::vector<CensusEntry> census;   // palette preparation: colour census
    std::vector<uint8_t> censusIndices; // palette preparation: each pixel's census position (<= 256 colours)
    TextKeyList textKeys;
    int32_t selectedTextKey = 0;
    int32_t saveKind = 0;         // MNG: 0 palette, 1 truecolour PNG, 2 JNG
    std::vector<uint8_t> pngIndexPixels;  // indices of an indexed PNG as read
    Palette pngPalette;                   // that PNG's palette
};

// First pixel row (bottom row of the picture) of a frame's DIB; nullptr without one.
uint8_t* FrameBits(Frame& frame);
const uint8_t* FrameBits(const Frame& frame);
// Bytes per row of the frame's 24-bit DIB.
int32_t FrameStride(const Frame& frame);

struct AnimDoc {
    std::string path;             // empty until read from or saved to a file
    std::string displayName;
    int32_t screenWidth = 0, screenHeight = 0;
    uint8_t screenFlags = 0;      // GIF logical-screen packed byte
    uint8_t aspectRatio = 0;
    uint8_t backgroundIndex = 0;
    int16_t colorResolution = 0;
    Palette globalPalette;        // empty = none
    int32_t loopEnabled = 0;      // 1 = repeats (a loop block is written)
    int32_t loopCount = 0;        // 0 = forever
    std::string trailingComment;  // comment after the last image; empty = none

    std::unique_ptr<Frame> firstFrame;
    Frame* currentFrame = nullptr;
    int32_t frameCount = 0;
    int32_t currentIndex = 0;
    int32_t extentRight = 0, extentBottom = 0;
    int16_t modified = 0;

    // MNG: the time base and what the MHDR and TERM chunks said
    int32_t mhdrProfile = 0;
    int32_t ticksPerSecond = 0;
    uint8_t termAction = 0, termAfterAction = 0;
    int32_t termDelay = 0;

    TextKeyList textKeys;
    int32_t selectedTextKey = 0;
};

// A new empty document named after the working mode (0 GIF, 1 MNG), looping
// forever, 100 ticks/s.
std::unique_ptr<AnimDoc> NewDocument(int formatMode = 0);
void FreeDocument(std::unique_ptr<AnimDoc>& doc);

Frame* NthFrame(AnimDoc& doc, int n);
const Frame* NthFrame(const AnimDoc& doc, int n);
// Adds a frame (delay 10, hasDelay 1) at the end / before the current frame and
// makes it current. False (document unchanged) when memory runs out.
bool AppendFrame(AnimDoc& doc);
bool InsertFrame(AnimDoc& doc);
// Unlinks and releases the current frame; the next (or new last) becomes current.
bool RemoveFrame(AnimDoc& doc);
// The same, handing the unlinked frame to the caller; nullptr without frames.
std::unique_ptr<Frame> TakeFrame(AnimDoc& doc);

// Receives what an edit takes out of a document instead of releasing it, so
// that an edit history can give it back later without copying any pixels.
// The defaults let it go.
class FrameKeeper {
public:
    virtual ~FrameKeeper() = default;
    // Just before the frame's pixel buffers (dib, indexPixels, census,
    // censusIndices, pngIndexPixels) are replaced or cleared: they may be moved away.
    virtual void BeforePixelChange(Frame& /*frame*/) {}
    // A frame the edit unlinked from the document.
    virtual void KeepRemovedFrame(std::unique_ptr<Frame> /*frame*/) {}
};
// Moves every frame of `from` into `into`: before the current frame when insert
// is set and `into` has frames (current index unchanged), else after the last
// frame (current index = old count). The first moved frame becomes current and
// `from` is left without frames.
void SpliceFrames(AnimDoc& into, AnimDoc& from, bool insert);
// Releases everything the frame owns and zeroes it; the list link is kept.
void FreeFrameContents(Frame& frame);
void UpdateExtent(AnimDoc& doc);
void CommentsToKeys(AnimDoc& doc);

TextKey* AddKey(TextKeyList& list, std::string_view key, std::string_view text);
void RemoveKey(TextKeyList& list, size_t position);
void FreeKeyList(TextKeyList& list);

}  // namespace kivo
