// Whole documents in and out by file extension: what the Open, Save and Save As
// commands, the start-up files and kivo-cli use.
#pragma once

#include <memory>
#include <string>

#include "doc/anim_doc.h"
#include "options/read_options.h"
#include "options/write_options.h"
#include "gif/gif_reader.h"
#include "platform/platform.h"

namespace kivo {

// The Open command's reading: an animation format by its own reader, any other
// name through the GIF reader. The document records path and display name;
// formatMode, when given, receives the working mode the file implies (1 MNG,
// else 0 GIF).
// nullptr after the reader's message (no message of its own).
// With `cut`, for a caller that can offer what a cut-off GIF still holds (see
// ReadGifUpToCut): its complete frames come without a message, named like the
// file but with no path, so that saving them asks for a name; formatMode is
// then left alone.
std::unique_ptr<AnimDoc> OpenDocument(OwnerWindow owner, const std::string& path, GifCut* cut = nullptr,
                                      int* formatMode = nullptr, const ReadOptions& options = {});

// Any readable file as a document: animations whole, a picture as a document of
// one frame whose screen is the picture's size. nullptr after a message; a file
// of no readable kind says which formats are read.
std::unique_ptr<AnimDoc> ReadAsDocument(OwnerWindow owner, const std::string& path,
                                        const ReadOptions& options = {});

// Writes doc by the path's extension: formats that hold animations take the whole
// document; a picture format takes a document of exactly one frame. A name of no
// known format is written as GIF, with the caller's options (its one-save dither
// is spent by a GIF or MNG save). False after a message. After a whole document
// was written, formatMode, when given, receives the working mode of the format
// written (1 MNG, else 0 GIF).
bool SaveDocument(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options,
                  int* formatMode = nullptr);

// What Save and Save As write: the whole animation, as MNG under a ".mng" name,
// as an animated PNG under ".png" or ".apng" (one frame too), as WebP under
// ".webp" and as GIF under any other, whatever else the name's extension says. A
// picture or video writer would keep one frame's pixels and lose delays,
// comments and transparency while the document counted as saved. formatMode,
// when given, receives the working mode of the format written.
bool SaveAnimation(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options,
                   int* formatMode = nullptr);

// The question to ask before Save As writes under this name: it names another
// kind of file (anim.jpg) that SaveAnimation will fill with a GIF animation.
// Empty when the name says GIF, MNG, PNG or APNG, or has no extension.
std::string AnimationFormatNotice(const std::string& path);

// Whether SaveDocument can write doc under this name without reporting a mismatch.
bool CanSaveDocument(const std::string& path, const AnimDoc& doc);

}  // namespace kivo
