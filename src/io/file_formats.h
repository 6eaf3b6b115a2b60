// The one table from a file's extension to what can be done with it: read as an
// animation, read as a picture for one frame, load for a preview, write a whole
// document, write one frame. Open, save, import and preview all go through it,
// so a new format is one new row here.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "doc/anim_doc.h"
#include "options/read_options.h"
#include "options/write_options.h"
#include "platform/platform.h"

namespace kivo {

// Readers take what the caller asks them to keep (an indexed PNG's palette).
using AnimationReader = std::unique_ptr<AnimDoc> (*)(OwnerWindow, const std::string& path, const ReadOptions&);
using FrameReader = bool (*)(OwnerWindow, const std::string& path, Frame& frame, const ReadOptions&);
// Writers take the caller's write options; a save that spends the one-save
// dither clears it there.
using DocumentWriter = bool (*)(OwnerWindow, const std::string& path, AnimDoc& doc, WriteOptions& options);
// Writes one frame of doc; an existing file with overwrite false is left alone.
using FrameWriter = bool (*)(OwnerWindow, const std::string& path, AnimDoc& doc, Frame& frame,
                             bool overwrite, WriteOptions& options);

struct FileFormat {
    std::string_view name;               // for messages: "GIF", "PNG" …
    std::string_view extensions;         // upper case, blank separated: read, import, write
    std::string_view previewExtensions;  // further extensions only the preview accepts
    AnimationReader readAnimation;       // the file is read as a whole document …
    FrameReader readFrame;               // … or as one picture for a new frame
    FrameReader loadPreview;             // the open dialog's picture
    DocumentWriter writeDocument;
    FrameWriter writeFrame;
    // Its filter in the add-frames dialog ("JPG(*.JPEG;*.JPG)") and the filter's
    // place in that list (1 first); 0: not offered there.
    std::string_view dialogLabel = {};
    int dialogPlace = 0;
    // True when a file's first bytes are this format's, whatever its name.
    bool (*sniff)(std::span<const std::uint8_t> head) = nullptr;
};

// The extensions of every readable format, preview-only ones included, lower
// case and ';'-separated as the file dialogs take them: all of them, or one
// format's.
std::string ReadableExtensions();
std::string DialogExtensions(const FileFormat& format);

std::span<const FileFormat> FileFormats();

// True when the name says MNG: the working mode follows such files.
bool IsMngFile(const std::string& path);

// The text after the last dot of the file name, upper-cased; empty without one.
std::string FileExtension(const std::string& path);
// The row whose extensions hold the path's extension (case ignored), or nullptr.
const FileFormat* FindFileFormat(const std::string& path);
// The animation format the file's first bytes announce (the GIF or MNG
// signature, or a row's own sniff test), whatever its name says; nullptr for
// anything else or an unreadable file.
const FileFormat* SniffAnimationFormat(const std::string& path);
// The same, also accepting the extensions only a preview knows.
const FileFormat* FindPreviewFormat(const std::string& path);

// "GIF, PNG, JPEG …": the formats that can be read, for messages.
std::string ReadableFormatNames();
// The formats that can be written, for a whole document or a single frame.
std::string WritableFormatNames(bool singleFrame);

}  // namespace kivo
