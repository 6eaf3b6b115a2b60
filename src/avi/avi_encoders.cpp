#include "avi/avi_encoders.h"

#include <algorithm>
#include <string>
#include <vector>

#include "avi/avi_codec.h"

namespace kivo {

namespace {

bool TakesPal8(const AVCodec* codec) {
    if (codec->id == AV_CODEC_ID_RAWVIDEO) return true;
    for (const AVPixelFormat* p = codec->pix_fmts; p && *p != AV_PIX_FMT_NONE; ++p)
        if (*p == AV_PIX_FMT_PAL8) return true;
    return false;
}

// Wrappers of hardware encoder interfaces (named after the interface, as
// h264_omx): without the device they only fail.
bool WrapsHardware(const AVCodec* codec) {
    const std::string_view wrapper = codec->wrapper_name ? codec->wrapper_name : "";
    const std::string_view name = codec->name;
    for (std::string_view hw : {"omx", "v4l2m2m", "vaapi", "qsv", "nvenc", "amf", "mediacodec", "videotoolbox", "mf"}) {
        if (wrapper == hw) return true;
        if (name.size() > hw.size() && name.ends_with(hw) && name[name.size() - hw.size() - 1] == '_') return true;
    }
    return false;
}

}  // namespace

AVPixelFormat EncoderPixelFormat(const AVCodec* codec, int bits) {
    const AVPixelFormat own = bits == 8 ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_BGR24;
    if (codec->id == AV_CODEC_ID_RAWVIDEO) return own;
    std::vector<AVPixelFormat> made;  // what the scaler can turn our pictures into
    for (const AVPixelFormat* p = codec->pix_fmts; p && *p != AV_PIX_FMT_NONE; ++p) {
        if (*p == own) return own;
        // The scaler's own 8-bit output maps to a fixed palette; ours is better.
        if (*p != AV_PIX_FMT_PAL8 && sws_isSupportedOutput(*p)) made.push_back(*p);
    }
    if (made.empty()) return AV_PIX_FMT_NONE;
    made.push_back(AV_PIX_FMT_NONE);
    return avcodec_find_best_pix_fmt_of_list(made.data(), AV_PIX_FMT_BGR24, 0, nullptr);
}

const AVCodec* FindAviEncoder(std::string_view name) {
    QuietFfmpeg();
    const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
    if (!avi) return nullptr;
    const AVCodec* codec = avcodec_find_encoder_by_name(std::string(name).c_str());
    if (!codec || codec->type != AVMEDIA_TYPE_VIDEO ||
        (codec->capabilities & (AV_CODEC_CAP_EXPERIMENTAL | AV_CODEC_CAP_HARDWARE | AV_CODEC_CAP_HYBRID)) ||
        WrapsHardware(codec) ||
        avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) != 1)
        return nullptr;
    // Encoders that take only hardware surfaces cannot be fed from memory.
    if (codec->id != AV_CODEC_ID_RAWVIDEO && EncoderPixelFormat(codec, 24) == AV_PIX_FMT_NONE) return nullptr;
    return codec;
}

std::vector<AviEncoderInfo> AviEncoders() {
    std::vector<AviEncoderInfo> list;
    void* it = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&it)) {
        if (!av_codec_is_encoder(codec) || FindAviEncoder(codec->name) != codec) continue;
        list.push_back({codec->name, codec->long_name ? codec->long_name : codec->name, TakesPal8(codec)});
    }
    std::sort(list.begin(), list.end(), [](const AviEncoderInfo& a, const AviEncoderInfo& b) {
        const bool rawA = a.name == kDefaultAviEncoder, rawB = b.name == kDefaultAviEncoder;
        return rawA != rawB ? rawA : a.name < b.name;
    });
    return list;
}

bool IsAviEncoder(std::string_view name) { return FindAviEncoder(name) != nullptr; }

bool AviEncoderTakes256Colours(std::string_view name) {
    const AVCodec* codec = FindAviEncoder(name);
    return codec && TakesPal8(codec);
}

}  // namespace kivo
