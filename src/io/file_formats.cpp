#include "io/file_formats.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

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
#include "apng/apng_reader.h"
#include "apng/apng_writer.h"
#include "targa/targa_reader.h"
#include "video/video_export.h"
#include "video/video_import.h"
#include "webp/webp_reader.h"
#include "webp/webp_writer.h"

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

bool PreviewVideo(OwnerWindow, const std::string& path, Frame& frame, const ReadOptions&) {
    return ReadVideoFirstFrame(path, frame);
}
std::unique_ptr<AnimDoc> OpenWebp(OwnerWindow owner, const std::string& path, const ReadOptions&) {
    return ReadWebp(owner, path);
}
bool PreviewWebp(OwnerWindow, const std::string& path, Frame& frame, const ReadOptions&) {
    return ReadWebpFirstFrame(path, frame);
}

// A video is made under options of its own (one exact shared palette, never
// dithered), so the caller's are not read.
bool WriteAvi(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions&) {
    return ExportAvi(owner, path, doc);
}

bool WriteMp4(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions&) {
    return ExportVideo(owner, path, doc, VideoKind::kMp4);
}
bool WriteWebm(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions&) {
    return ExportVideo(owner, path, doc, VideoKind::kWebm);
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

std::unique_ptr<AnimDoc> OpenApng(OwnerWindow owner, const std::string& path, const ReadOptions& options) {
    return ReadApng(owner, path, options);
}

// A document of one frame under a .png name stays a picture, as it was read;
// more frames make an animated PNG.
bool WritePngDocument(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options) {
    if (doc.frameCount == 1 && doc.firstFrame) return WritePngFile(owner, path, *doc.firstFrame, true, options);
    return WriteApng(owner, path, doc, options);
}

// The signatures: each a test of a file's first bytes.
bool Begins(std::span<const uint8_t> head, std::string_view magic, size_t at = 0) {
    return head.size() >= at + magic.size() && std::memcmp(head.data() + at, magic.data(), magic.size()) == 0;
}
bool SniffGif(std::span<const uint8_t> h) { return Begins(h, "GIF87a") || Begins(h, "GIF89a"); }
bool SniffMng(std::span<const uint8_t> h) { return Begins(h, std::string_view("\x8AMNG\r\n\x1A\n", 8)); }
bool SniffPng(std::span<const uint8_t> h) { return HasPngSignature(h) && !HasApngSignature(h); }
bool SniffJpeg(std::span<const uint8_t> h) { return Begins(h, "\xFF\xD8\xFF"); }
bool SniffBmp(std::span<const uint8_t> h) { return Begins(h, "BM") && h.size() >= 26; }
bool SniffAvi(std::span<const uint8_t> h) { return Begins(h, "RIFF") && Begins(h, "AVI ", 8); }
// ISO media files (MP4, M4V, MOV, 3GP) open with a file-type box; Matroska and
// WebM with the EBML header. Either way FFmpeg reads the clip, whichever row.
bool SniffIsoMedia(std::span<const uint8_t> h) { return Begins(h, "ftyp", 4); }
bool SniffEbml(std::span<const uint8_t> h) { return Begins(h, "\x1A\x45\xDF\xA3"); }

const FileFormat kFormats[] = {
    {"GIF", "GIF", "", OpenGif, nullptr, FirstGifImage, WriteGifWithinTarget, WriteSingleFrameGif, "GIF(*.GIF)", 3, SniffGif},
    {"MNG", "MNG", "", OpenMng, nullptr, FirstMngImage, WriteMng, nullptr, "MNG(*.MNG)", 5, SniffMng},
    {"PNG", "PNG", "", nullptr, PngFrame, PngFrame, WritePngDocument, WritePngFrame, "PNG(*.PNG)", 4, SniffPng},
    {"JPEG", "JPG JPEG", "JPE JFIF", nullptr, JpegFrame, PreviewJpeg, nullptr, WriteJpegFrame,
     "JPG(*.JPEG;*.JPG)", 1, SniffJpeg},
    {"BMP", "BMP DIB", "", nullptr, BmpFrame, PreviewBmp, nullptr, WriteBmpFrame, "BMP(*.BMP;*.DIB)", 2, SniffBmp},
    {"Targa", "TGA", "", nullptr, TargaFrame, TargaFrame, nullptr, nullptr, "Targa(*.TGA)", 6},
    {"AVI", "AVI", "", OpenAvi, nullptr, PreviewAvi, WriteAvi, nullptr, "AVI(*.AVI)", 7, SniffAvi},
    {"MP4", "MP4 M4V", "", ReadVideo, nullptr, PreviewVideo, WriteMp4, nullptr, "MP4(*.MP4;*.M4V)", 10, SniffIsoMedia},
    {"WebM", "WEBM", "", ReadVideo, nullptr, PreviewVideo, WriteWebm, nullptr, "WebM(*.WEBM)", 11, SniffEbml},
    // Other containers FFmpeg reads; only read.
    {"MOV/MKV", "MOV MKV OGV FLV TS MTS M2TS MPG MPEG WMV 3GP", "", ReadVideo, nullptr, PreviewVideo, nullptr, nullptr,
     "MOV/MKV(*.MOV;*.MKV;*.OGV;*.FLV;*.TS;*.MTS;*.M2TS;*.MPG;*.MPEG;*.WMV;*.3GP)", 12},
    // The picture an APNG shows where animation is not known is its preview.
    {"APNG", "APNG", "", OpenApng, nullptr, PngFrame, WriteApng, nullptr, "APNG(*.APNG)", 8, HasApngSignature},
    {"JNG", "JNG", "", OpenMng, nullptr, FirstMngImage, nullptr, nullptr, "JNG(*.JNG)", 13, HasJngSignature},
    {"WebP", "WEBP", "", OpenWebp, nullptr, PreviewWebp, WriteWebp, nullptr, "WebP(*.WEBP)", 9, HasWebpSignature},
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

const FileFormat* SniffFileFormat(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return nullptr;
    std::vector<uint8_t> head(kSniffBytes);
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fclose(file);
    for (const FileFormat& f : kFormats)
        if (f.sniff && f.sniff(head)) return &f;
    return nullptr;
}

const FileFormat* SniffAnimationFormat(const std::string& path) {
    const FileFormat* f = SniffFileFormat(path);
    return f && f->readAnimation ? f : nullptr;
}

const FileFormat* DetectFileFormat(const std::string& path) {
    if (const FileFormat* f = SniffFileFormat(path)) return f;
    return FindFileFormat(path);
}

const FileFormat* FindPreviewFormat(const std::string& path) {
    if (const FileFormat* f = DetectFileFormat(path)) return f;
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
