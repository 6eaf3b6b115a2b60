// The changes the frame property panel makes to a document, one function per
// edit. Each applies to the current frame or to every selected frame, brings
// typed values into range, and says whether the document changed; the shell
// runs them through Shell::Edit, the one place every edit passes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "doc/anim_doc.h"
#include "doc/selection.h"

namespace kivo {

// A typed screen side brought into range: never below the frames' extent (the
// screen must hold its frames), never above 3000 unless the frames reach further.
int CorrectScreenSide(int typed, int extent);
bool SetScreenWidth(AnimDoc& doc, int typed);
bool SetScreenHeight(AnimDoc& doc, int typed);

// A frame position: one frame stays on the screen (0 … screen − size); several
// frames take the same position, kept on the screen by the widest of them.
int CorrectLeft(const AnimDoc& doc, const Selection& selection, int typed);
int CorrectTop(const AnimDoc& doc, const Selection& selection, int typed);
bool SetLeft(AnimDoc& doc, const Selection& selection, int typed);
bool SetTop(AnimDoc& doc, const Selection& selection, int typed);

// The number a field's text starts with ("%d"): 0 when it starts with none,
// INT32_MAX when it is longer than any int.
int TypedNumber(std::string_view text);

// The four fields whose typed values wait for the field to be left.
enum class TypedField { kScreenWidth, kScreenHeight, kLeft, kTop };
// The step's name in the history ("全体の幅" …).
std::string_view TypedFieldLabel(TypedField field);
// A typed value brought into the field's range (CorrectScreenSide, CorrectLeft,
// CorrectTop), and the corrected value set.
int CorrectTypedField(AnimDoc& doc, const Selection& selection, TypedField field, int typed);
bool SetTypedField(AnimDoc& doc, const Selection& selection, TypedField field, int value);
// A spin step on one of them: what is typed, however large, is first brought
// into the field's range, then stepped by delta and brought into range again
// (3000 + 1 stays 3000). The arithmetic is done in 64 bits, so it cannot wrap.
int StepTypedField(AnimDoc& doc, const Selection& selection, TypedField field, std::string_view typed, int delta);

bool SetLoopEnabled(AnimDoc& doc, bool on);
// Clamped to 0 … 30000, so a typed 65536 never becomes 0 (= forever) in a file.
bool SetLoopCount(AnimDoc& doc, int count);

// Texts typed in the panel are stored as they are (UTF-8), line breaks as CRLF.
bool SetDocumentComment(AnimDoc& doc, std::string_view text);
bool SetFrameComment(AnimDoc& doc, std::string_view text);
bool SetDocumentKeyText(AnimDoc& doc, std::string_view text);
bool SetFrameKeyText(AnimDoc& doc, std::string_view text);
// The key editor's result: the current frame's keys (ofFrame) or the
// document's become keys, the list shows the first, and the comment is rebuilt.
bool ReplaceKeys(AnimDoc& doc, bool ofFrame, TextKeyList keys);
// "key : text\r\n" for every key, as comments are rebuilt from keys.
std::string CommentFromKeys(const TextKeyList& keys);

// Several selected frames all get the delay, and their delay switched on.
bool SetDelay(AnimDoc& doc, const Selection& selection, int delay);
bool SetHasDelay(AnimDoc& doc, const Selection& selection, bool on, int typedDelay);
bool SetDisposal(AnimDoc& doc, const Selection& selection, int disposal);
// Switching transparency on takes the colour of the frame's bottom-left pixel,
// unless the user had switched it off before: then the frame keeps its colour.
bool SetTransparency(AnimDoc& doc, const Selection& selection, bool on);
bool SetTransparentColour(AnimDoc& doc, const Selection& selection, Rgb colour);

// Moves every selected frame one place up or down (nothing when the first or
// last frame is selected); the selection follows its frames and the last of
// them becomes current.
bool MoveSelectedFrames(AnimDoc& doc, Selection& selection, bool up);
// Selects every frame; the last becomes current. False when nothing changed.
bool SelectAllFrames(AnimDoc& doc, Selection& selection);
// Makes frame index current with only it selected.
void SelectFrame(AnimDoc& doc, Selection& selection, int index);
// The frame list's new selection (ascending); none means the current frame.
void SetListSelection(AnimDoc& doc, Selection& selection, std::vector<int32_t> indices);

// The panel's text (UTF-8, LF line breaks) as stored (CRLF line breaks) and back.
std::string StoredFromTyped(std::string_view typed);

}  // namespace kivo
