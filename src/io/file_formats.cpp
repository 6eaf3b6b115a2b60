#include "io/file_formats.h"

#include <cctype>
#include <cstdio>

#include "doc/bmp.h"
#include "doc/dib.h"
#include "doc/import_bmp.h"
#include "gif/gif_first_image.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "frame_ops/size_target.h"
#include "jpeg/jpeg_reader.h"
#include "jpeg/jpeg_writer.h"
#include "mng/mng_reader.h"
#include "mng/mng_writer.h"
#include "options/write_options.h"
#include "png/png_reader.h"
#include "png/png_writer.h"
#include "platform/safe_save.h"
#include "avi/avi_export.h"
#include "avi/avi_import.h"
#include "targa/targa_reader.h"

namespace kivo {

namespace {

// Quality of a frame saved as a stand-alone JPEG file.
constexpr int kJpegFileQuality = 90;

// The picture for the open dialog keeps the file's own depth: no conversion work
// for a glance.
bool PreviewBmp(OwnerWindow, const std::string& path, Frame& frame, const ReadOptions&) {
    Dib dib = ReadBmp(path);
    if (dib.empty()) return false;
    frame.width = DibWidth(dib);
    frame.height = DibHeight(dib);
    frame.dib = std::move(dib);
    return true;
}

// A quick, rougher decode is enough for a preview.
bool PreviewJpeg(OwnerWindow owner, const std::string& path, Frame& frame, const ReadOptions&) {
    return ReadJpeg(owner, path, frame, JpegDecode::kPreview);
}

bool PreviewAvi(OwnerWindow, const std::string& path, Frame& frame, const ReadOptions&) {
    return ReadAviFirstFrame(path, &frame);
}

// The readers that have nothing to keep beyond the picture.
std::unique_ptr<AnimDoc> OpenGif(OwnerWindow owner, const std::string& path, const ReadOptions&) {
    return ReadGif(owner, path);
}
std::unique_ptr<AnimDoc> OpenAvi(OwnerWindow owner, const std::string& path, const ReadOptions&) {
    return ImportAviFrames(owner, path);
}
bool FirstGifImage(OwnerWindow owner, const std::string& path, Frame& frame, const ReadOptions&) {
    return DecodeFirstGifImage(owner, path, frame);
}
bool JpegFrame(OwnerWindow owner, const std::string& path, Frame& frame, const ReadOptions&) {
    return ReadJpeg(owner, path, frame);
}
bool BmpFrame(OwnerWindow owner, const std::string& path, Frame& frame, const ReadOptions&) {
    return ReadBmpFrame(owner, path, frame);
}
bool TargaFrame(OwnerWindow owner, const std::string& path, Frame& frame, const ReadOptions&) {
    return ReadTarga(owner, path, frame);
}
std::unique_ptr<AnimDoc> OpenMng(OwnerWindow owner, const std::string& path, const ReadOptions& options) {
    return ReadMng(owner, path, options);
}
bool FirstMngImage(OwnerWindow owner, const std::string& path, Frame& frame, const ReadOptions& options) {
    return ReadMngFirstImage(owner, path, frame, options);
}
bool PngFrame(OwnerWindow owner, const std::string& path, Frame& frame, const ReadOptions& options) {
    return ReadPng(owner, path, frame, options);
}

// A video is made under options of its own (one exact shared palette, never
// dithered), so the caller's are not read.
bool WriteAvi(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions&) {
    return ExportAvi(owner, path, doc);
}

bool WriteBmpFrame(OwnerWindow, const std::string& path, AnimDoc&, Frame& frame, bool overwrite, WriteOptions&) {
    return WriteBmp(path, frame.dib, overwrite);
}

bool WritePngFrame(OwnerWindow owner, const std::string& path, AnimDoc&, Frame& frame,
                   bool overwrite, WriteOptions& options) {
    return WritePngFile(owner, path, frame, overwrite, options);
}

bool WriteJpegFrame(OwnerWindow owner, const std::string& path, AnimDoc&, Frame& frame,
                    bool overwrite, WriteOptions& options) {
    if (!overwrite && FileExists(path)) return true;
    return WriteJpeg(owner, path, frame, {kJpegFileQuality, options.Interlace != 0});
}

const FileFormat kFormats[] = {
    {"GIF", "GIF", "", OpenGif, nullptr, FirstGifImage, WriteGifWithinTarget, WriteSingleFrameGif, "GIF(*.GIF)", 3},
    {"MNG", "MNG", "", OpenMng, nullptr, FirstMngImage, WriteMng, nullptr, "MNG(*.MNG)", 5},
    {"PNG", "PNG", "", nullptr, PngFrame, PngFrame, nullptr, WritePngFrame, "PNG(*.PNG)", 4},
    {"JPEG", "JPG JPEG", "JPE JFIF", nullptr, JpegFrame, PreviewJpeg, nullptr, WriteJpegFrame,
     "JPG(*.JPEG;*.JPG)", 1},
    {"BMP", "BMP DIB", "", nullptr, BmpFrame, PreviewBmp, nullptr, WriteBmpFrame, "BMP(*.BMP;*.DIB)", 2},
    {"Targa", "TGA", "", nullptr, TargaFrame, TargaFrame, nullptr, nullptr, "Targa(*.TGA)", 6},
    {"AVI", "AVI", "", OpenAvi, nullptr, PreviewAvi, WriteAvi, nullptr, "AVI(*.AVI)", 7},
};

bool ListHas(std::string_view list, std::string_view word) {
    while (!list.empty()) {
        const size_t blank = list.find(' ');
        if (list.substr(0, blank) == word) return true;
        list = blank == std::string_view::npos ? std::string_view{} : list.substr(blank + 1);
    }
    return false;
}

}  // namespace

std::span<const FileFormat> FileFormats() { return kFormats; }

bool IsMngFile(const std::string& path) { return FileExtension(path) == "MNG"; }

std::string FileExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

const FileFormat* FindFileFormat(const std::string& path) {
    const std::string ext = FileExtension(path);
    if (ext.empty()) return nullptr;
    for (const FileFormat& f : kFormats)
        if (ListHas(f.extensions, ext)) return &f;
    return nullptr;
}

const FileFormat* SniffAnimationFormat(const std::string& path) {
    char head[8] = {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return nullptr;
    const size_t n = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    const std::string_view bytes(head, n);
    std::string_view name;
    if (bytes.substr(0, 6) == "GIF87a" || bytes.substr(0, 6) == "GIF89a") name = "GIF";
    if (bytes == std::string_view("\x8AMNG\r\n\x1A\n", 8)) name = "MNG";
    for (const FileFormat& f : FileFormats())
        if (!name.empty() && f.name == name) return &f;
    return nullptr;
}

const FileFormat* FindPreviewFormat(const std::string& path) {
    if (const FileFormat* f = FindFileFormat(path)) return f;
    const std::string ext = FileExtension(path);
    if (ext.empty()) return nullptr;
    for (const FileFormat& f : kFormats)
        if (ListHas(f.previewExtensions, ext)) return &f;
    return nullptr;
}

std::string DialogExtensions(const FileFormat& format) {
    std::string list;
    for (std::string_view words : {format.extensions, format.previewExtensions}) {
        for (char c : words) list += c == ' ' ? ';' : char(std::tolower(static_cast<unsigned char>(c)));
        if (!words.empty()) list += ';';
    }
    if (!list.empty()) list.pop_back();
    return list;
}

std::string ReadableExtensions() {
    std::string list;
    for (const FileFormat& f : kFormats) {
        if (!f.readAnimation && !f.readFrame) continue;
        if (!list.empty()) list += ';';
        list += DialogExtensions(f);
    }
    return list;
}

std::string ReadableFormatNames() {
    std::string names;
    for (const FileFormat& f : kFormats) {
        if (!f.readAnimation && !f.readFrame) continue;
        if (!names.empty()) names += ", ";
        names += f.name;
    }
    return names;
}

std::string WritableFormatNames(bool singleFrame) {
    std::string names;
    for (const FileFormat& f : kFormats) {
        const bool writes = f.writeDocument != nullptr || (singleFrame && f.writeFrame != nullptr);
        if (!writes) continue;
        if (!names.empty()) names += ", ";
        names += f.name;
    }
    return names;
}

}  // namespace kivo
