// kivo-cli codecs: the encoders an AVI export can use, for convert --codec.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "cli.h"
#include "avi/avi_encoders.h"

namespace kivo::cli {

int RunCodecs(const Args& args, WriteOptions&) {
    if (!args.empty()) return UsageError(*FindCommand("codecs"), "no arguments expected");
    const std::vector<AviEncoderInfo> encoders = AviEncoders();
    size_t width = 0;
    for (const AviEncoderInfo& e : encoders) width = std::max(width, e.name.size());
    for (const AviEncoderInfo& e : encoders)
        std::printf("%-*s  %s%s\n", int(width), e.name.c_str(), e.description.c_str(),
                    e.takes256Colours ? " (keeps 256-colour frames)" : "");
    return 0;
}

}  // namespace kivo::cli
