#include "jpeg/jpeg_writer.h"

#include <algorithm>
#include <new>

#include "doc/dib.h"
#include "jpeg/jpeg_errors.h"
#include "platform/safe_save.h"

namespace kivo {

namespace {

constexpr size_t kOutputBlock = 64 * 1024;
constexpr JDIMENSION kRowBatch = 16;

// Takes one block of compressed bytes; returns 0, or the library's message code
// for why it could not.
using Sink = int (*)(void* target, const uint8_t* data, size_t size);

// All state of one compression, kept out of the frame that calls setjmp (see
// jpeg_errors.h).
struct EncodeJob {
    jpeg_compress_struct cinfo{};
    JpegErrorManager errors{};
    jpeg_destination_mgr destination{};
    Sink sink = nullptr;
    void* target = nullptr;
    JOCTET* block = nullptr;  // from the library's image pool
};

EncodeJob& JobOf(j_compress_ptr cinfo) { return *static_cast<EncodeJob*>(cinfo->client_data); }

void StartBlock(j_compress_ptr cinfo) {
    EncodeJob& job = JobOf(cinfo);
    job.destination.next_output_byte = job.block;
    job.destination.free_in_buffer = kOutputBlock;
}

void InitDestination(j_compress_ptr cinfo) {
    JobOf(cinfo).block = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kOutputBlock));
    StartBlock(cinfo);
}

void Flush(j_compress_ptr cinfo, size_t size) {
    EncodeJob& job = JobOf(cinfo);
    if (size == 0) return;
    if (const int code = job.sink(job.target, job.block, size)) ERREXIT1(cinfo, code, 0);
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    Flush(cinfo, kOutputBlock);
    StartBlock(cinfo);
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    Flush(cinfo, kOutputBlock - JobOf(cinfo).destination.free_in_buffer);
}

int ToVector(void* target, const uint8_t* data, size_t size) {
    try {
        auto& out = *static_cast<std::vector<uint8_t>*>(target);
        out.insert(out.end(), data, data + size);
        return JMSG_NOMESSAGE;
    } catch (...) {  // called from libjpeg: nothing may be thrown through it
        return JERR_OUT_OF_MEMORY;
    }
}

int ToFile(void* target, const uint8_t* data, size_t size) {
    return static_cast<SafeFile*>(target)->Write(data, size) ? JMSG_NOMESSAGE : JERR_FILE_WRITE;
}

bool HasPicture(const Frame& frame) { return DibIsValid(frame.dib) && DibBitCount(frame.dib) == 24; }

// The whole compression. A fatal library error jumps back to the setjmp here,
// so this frame holds nothing with a destructor and nothing read after the jump.
bool Compress(EncodeJob& job, const Dib& dib, JpegSettings settings) {
    j_compress_ptr cinfo = &job.cinfo;
    if (setjmp(job.errors.jump)) return false;

    jpeg_create_compress(cinfo);
    job.destination.init_destination = InitDestination;
    job.destination.empty_output_buffer = EmptyOutputBuffer;
    job.destination.term_destination = TermDestination;
    cinfo->dest = &job.destination;

    const JDIMENSION width = DibWidth(dib), height = DibHeight(dib);
    cinfo->image_width = width;
    cinfo->image_height = height;
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;  // the DIB's rows go in as they are
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, settings.quality, TRUE);
    cinfo->optimize_coding = TRUE;
    if (settings.progressive) jpeg_simple_progression(cinfo);
    jpeg_start_compress(cinfo, TRUE);

    // The first scanline is the top row, the DIB's last.
    const uint8_t* const bits = DibPixels(dib);
    const size_t stride = DibRowBytes(width, 24);
    JSAMPROW rows[kRowBatch];
    while (cinfo->next_scanline < height) {
        const JDIMENSION first = cinfo->next_scanline;
        const JDIMENSION count = std::min(kRowBatch, height - first);
        // libjpeg only reads its input rows; its interface just lacks the const.
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = const_cast<JSAMPROW>(bits + (height - 1 - first - i) * stride);
        if (jpeg_write_scanlines(cinfo, rows, count) == 0)
            ERREXIT(cinfo, JERR_CANT_SUSPEND);  // our destination never suspends
    }
    jpeg_finish_compress(cinfo);
    return true;
}

JpegWriteError Encode(const Frame& frame, JpegSettings settings, Sink sink, void* target) {
    EncodeJob job;
    job.sink = sink;
    job.target = target;
    job.cinfo.err = InitJpegErrors(job.errors);
    job.cinfo.client_data = &job;  // kept by jpeg_create_compress
    const bool ok = Compress(job, frame.dib, settings);
    jpeg_destroy_compress(&job.cinfo);
    JpegWriteError error;
    error.warning = job.errors.warning;
    if (!ok) {
        error.fault = job.errors.message[0] ? JpegWriteFault::kLibrary : JpegWriteFault::kNoMemory;
        error.library = job.errors.message;
    }
    return error;
}

bool Shown(OwnerWindow owner, const JpegWriteError& error) {
    try {
        if (!error.warning.empty()) ShowError(owner, error.warning);
        if (error) {
            if (const std::string message = JpegWriteMessage(error); !message.empty()) ShowError(owner, message);
        }
    } catch (const std::bad_alloc&) {
        // No memory for the text: the result still tells.
    }
    return !error;
}

}  // namespace

std::string JpegWriteMessage(const JpegWriteError& error) {
    switch (error.fault) {
    case JpegWriteFault::kNoPicture: return "The frame has no 24-bit picture to write";
    case JpegWriteFault::kCannotOpen: return "can't open " + error.path + "\n";
    case JpegWriteFault::kLibrary: return error.library;
    case JpegWriteFault::kCommit: return JpegLibraryText(JERR_FILE_WRITE);
    case JpegWriteFault::kNoMemory:
    case JpegWriteFault::kNone: break;
    }
    return {};
}

JpegWriteError EncodeJpeg(const Frame& frame, JpegSettings settings, std::vector<uint8_t>& out) {
    out.clear();
    if (!HasPicture(frame)) return {JpegWriteFault::kNoPicture};
    try {
        JpegWriteError error = Encode(frame, settings, ToVector, &out);
        if (error) out.clear();
        return error;
    } catch (const std::bad_alloc&) {
        out.clear();
        return {JpegWriteFault::kNoMemory};
    }
}

JpegWriteError WriteJpeg(const std::string& path, const Frame& frame, JpegSettings settings) {
    if (!HasPicture(frame)) return {JpegWriteFault::kNoPicture};
    try {
        SafeFile file;
        if (!file.Open(path)) {
            JpegWriteError error(JpegWriteFault::kCannotOpen);
            error.path = path;
            return error;
        }
        JpegWriteError error = Encode(frame, settings, ToFile, &file);
        if (error) return error;  // the file is dropped
        if (!file.Commit()) error.fault = JpegWriteFault::kCommit;
        return error;
    } catch (const std::bad_alloc&) {
        return {JpegWriteFault::kNoMemory};
    }
}

bool EncodeJpeg(OwnerWindow owner, const Frame& frame, JpegSettings settings, std::vector<uint8_t>& out) {
    return Shown(owner, EncodeJpeg(frame, settings, out));
}

bool WriteJpeg(OwnerWindow owner, const std::string& path, const Frame& frame, JpegSettings settings) {
    return Shown(owner, WriteJpeg(path, frame, settings));
}

}  // namespace kivo
