#include "jpeg/jpeg_reader.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>

#include "doc/dib.h"
#include "jpeg/jpeg_errors.h"

namespace kivo {

namespace {

// Real progressive files have a dozen scans or so. A hostile one can hold
// thousands of tiny scans, each of which walks the whole picture again.
constexpr int kMaxScans = 500;

// Rows asked of the library at once: fewer calls, and its merged upsampler
// can write two rows straight into ours.
constexpr JDIMENSION kRowBatch = 16;

enum class Output { kGrey, kBgr, kCmyk };

// All state of one decompression. It lives in the caller's frame, never in the
// frame that calls setjmp, so a jump back loses nothing and skips no destructor;
// a partly filled DIB is released with the job.
struct DecodeJob {
    jpeg_decompress_struct cinfo{};
    JpegErrorManager errors{};
    jpeg_progress_mgr progress{};
    std::FILE* file = nullptr;  // the source: this file, or else `bytes`
    std::span<const uint8_t> bytes;
    Dib dib;
    uint32_t width = 0, height = 0;  // the picture's size as the header gives it
    JpegDecode decode = JpegDecode::kExact;
};

// Ends the decompression for one of our own causes.
[[noreturn]] void Fail(j_common_ptr cinfo, JpegReadFault fault) { FailJpeg(cinfo, int(fault)); }

void LimitScans(j_common_ptr cinfo) {
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        Fail(cinfo, JpegReadFault::kTooManyScans);
}

bool FitsFrame(JDIMENSION side) {
    return side <= JDIMENSION(std::numeric_limits<decltype(Frame::width)>::max());
}

// a * b / 255, rounded.
inline uint8_t Scale255(unsigned a, unsigned b) { return uint8_t((a * b + 127) / 255); }

// Neither library output nor DIB has room for ink: CMYK becomes light here.
// Adobe's files (those with its marker) store the channels inverted.
void CmykToBgr(const JSAMPLE* in, uint8_t* out, JDIMENSION width, bool inverted) {
    const unsigned flip = inverted ? 0 : 255;
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        const unsigned k = in[3] ^ flip;
        out[0] = Scale255(in[2] ^ flip, k);
        out[1] = Scale255(in[1] ^ flip, k);
        out[2] = Scale255(in[0] ^ flip, k);
    }
}

void GreyToBgr(const JSAMPLE* in, uint8_t* out, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, out += 3) out[0] = out[1] = out[2] = in[x];
}

// The whole decompression, from creating the decompressor to its end. A fatal
// library error jumps back to the setjmp here from deep inside libjpeg, so this
// frame holds nothing with a destructor and nothing that is read after the jump.
// False after a failure, which job.errors describes (nothing there: no memory).
bool Decompress(DecodeJob& job) {
    j_decompress_ptr cinfo = &job.cinfo;
    j_common_ptr common = reinterpret_cast<j_common_ptr>(cinfo);
    if (setjmp(job.errors.jump)) return false;

    jpeg_create_decompress(cinfo);
    job.progress.progress_monitor = LimitScans;
    cinfo->progress = &job.progress;
    if (job.file) jpeg_stdio_src(cinfo, job.file);
    else jpeg_mem_src(cinfo, job.bytes.data(), static_cast<unsigned long>(job.bytes.size()));
    jpeg_read_header(cinfo, TRUE);

    const JDIMENSION width = cinfo->image_width, height = cinfo->image_height;
    job.width = width;
    job.height = height;
    if (size_t(width) * height > MaxImagePixels || !FitsFrame(width) || !FitsFrame(height))
        Fail(common, JpegReadFault::kTooLarge);

    Output output;
    if (cinfo->num_components == 1) {
        cinfo->out_color_space = JCS_GRAYSCALE;
        output = Output::kGrey;
    } else if (cinfo->jpeg_color_space == JCS_YCbCr || cinfo->jpeg_color_space == JCS_RGB) {
        // The library writes the DIB's own blue, green, red order.
        cinfo->out_color_space = JCS_EXT_BGR;
        output = Output::kBgr;
    } else if (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK) {
        cinfo->out_color_space = JCS_CMYK;
        output = Output::kCmyk;
    } else {
        Fail(common, JpegReadFault::kColourSpace);
    }
    cinfo->do_fancy_upsampling = FALSE;
    if (job.decode == JpegDecode::kPreview) {
        cinfo->dct_method = JDCT_IFAST;
        // Colour quantization stays off; these only keep its settings cheap.
        cinfo->dither_mode = JDITHER_ORDERED;
        cinfo->two_pass_quantize = FALSE;
        cinfo->desired_number_of_colors = 216;
    }
    jpeg_start_decompress(cinfo);
    if (cinfo->output_width != width || cinfo->output_height != height)
        Fail(common, JpegReadFault::kOutputSize);

    JSAMPARRAY samples = nullptr;  // rows to convert from, unless decoded in place
    if (output != Output::kBgr)
        samples = (*cinfo->mem->alloc_sarray)(common, JPOOL_IMAGE,
                                              width * JDIMENSION(cinfo->output_components), kRowBatch);

    job.dib = MakeDib24(width, height);
    if (job.dib.empty()) return false;  // out of memory: no message
    uint8_t* const bits = DibPixels(job.dib);
    const size_t stride = DibRowBytes(width, 24);
    const bool inverted = cinfo->saw_Adobe_marker;

    // Scanline n is DIB row height - n - 1: the DIB stores the bottom row first.
    JSAMPROW rows[kRowBatch];
    while (cinfo->output_scanline < height) {
        const JDIMENSION first = cinfo->output_scanline;
        const JDIMENSION count = std::min(kRowBatch, height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = samples ? samples[i] : bits + (height - 1 - first - i) * stride;
        const JDIMENSION done = jpeg_read_scanlines(cinfo, rows, count);
        if (done == 0) Fail(common, JpegReadFault::kCutShort);  // never loop forever
        for (JDIMENSION i = 0; samples && i < done; ++i) {
            uint8_t* row = bits + (height - 1 - first - i) * stride;
            if (output == Output::kGrey) GreyToBgr(samples[i], row, width);
            else CmykToBgr(samples[i], row, width, inverted);
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

JpegReadError Run(DecodeJob& job, Frame& frame) {
    job.cinfo.err = InitJpegErrors(job.errors);
    const bool ok = Decompress(job);
    jpeg_destroy_decompress(&job.cinfo);
    JpegReadError error;
    error.warning = job.errors.warning;
    if (!ok) {
        if (job.errors.cause != 0) error.fault = JpegReadFault(job.errors.cause);
        else if (job.errors.message[0]) error.fault = JpegReadFault::kLibrary;
        else error.fault = JpegReadFault::kNoMemory;
        error.library = job.errors.message;
        error.width = job.width;
        error.height = job.height;
        return error;
    }
    frame.width = decltype(Frame::width)(DibWidth(job.dib));
    frame.height = decltype(Frame::height)(DibHeight(job.dib));
    frame.dib = std::move(job.dib);
    return error;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool Shown(OwnerWindow owner, const JpegReadError& error) {
    try {
        if (!error.warning.empty()) ShowError(owner, error.warning);
        if (error) {
            if (const std::string message = JpegReadMessage(error); !message.empty()) ShowError(owner, message);
        }
    } catch (const std::bad_alloc&) {
        // No memory for the text: the result still tells.
    }
    return !error;
}

}  // namespace

std::string JpegReadMessage(const JpegReadError& error) {
    switch (error.fault) {
    case JpegReadFault::kCannotOpen: return "can't open " + error.path + "\n";
    case JpegReadFault::kLibrary: return error.library;
    case JpegReadFault::kTooLarge: {
        char text[80];
        std::snprintf(text, sizeof text, "JPEG image too large (%u x %u pixels)", unsigned(error.width),
                      unsigned(error.height));
        return text;
    }
    case JpegReadFault::kColourSpace: return "Unsupported JPEG colour space";
    case JpegReadFault::kTooManyScans: return "Progressive JPEG image has more than 500 scans";
    case JpegReadFault::kOutputSize: return "Unexpected JPEG output size";
    case JpegReadFault::kCutShort: return JpegLibraryText(JERR_INPUT_EOF);
    case JpegReadFault::kNoMemory:
    case JpegReadFault::kNone: break;
    }
    return {};
}

JpegReadError ReadJpegBytes(std::span<const uint8_t> bytes, Frame& frame, JpegDecode decode) {
    try {
        DecodeJob job;
        job.bytes = bytes;
        job.decode = decode;
        return Run(job, frame);
    } catch (const std::bad_alloc&) {
        return {JpegReadFault::kNoMemory};
    }
}

JpegReadError ReadJpeg(const std::string& path, Frame& frame, JpegDecode decode) {
    try {
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
        if (!file) {
            JpegReadError error(JpegReadFault::kCannotOpen);
            error.path = path;
            return error;
        }
        DecodeJob job;
        job.file = file.get();
        job.decode = decode;
        return Run(job, frame);
    } catch (const std::bad_alloc&) {
        return {JpegReadFault::kNoMemory};
    }
}

bool ReadJpegBytes(OwnerWindow owner, std::span<const uint8_t> bytes, Frame& frame, JpegDecode decode) {
    return Shown(owner, ReadJpegBytes(bytes, frame, decode));
}

bool ReadJpeg(OwnerWindow owner, const std::string& path, Frame& frame, JpegDecode decode) {
    return Shown(owner, ReadJpeg(path, frame, decode));
}

bool ReadJpeg(OwnerWindow owner, const std::string& path, Frame& frame) {
    return ReadJpeg(owner, path, frame, JpegDecode::kExact);
}

}  // namespace kivo
