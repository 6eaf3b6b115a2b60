// kivo-cli blank: a new animation of white frames, the start of a drawing made
// frame by frame elsewhere.
#include <charconv>
#include <string>

#include "cli.h"
#include "io/open_save.h"
#include "frame_ops/blank_frame.h"

namespace kivo::cli {

namespace {

bool ParseInt(const std::string& s, int low, int high, int& v) {
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return !s.empty() && ec == std::errc() && p == s.data() + s.size() && v >= low && v <= high;
}

}  // namespace

int RunBlank(const Args& args, WriteOptions& options) {
    const Command& self = *FindCommand("blank");
    int width = 0, height = 0, count = 1, delay = 10;
    std::string output;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size() && (a == "--size" || a == "--count" || a == "--delay" || a == "-o"))
            return UsageError(self, "missing value after " + a);
        if (a == "--size") {
            const std::string v = args[++i];
            const size_t x = v.find_first_of("xX");
            if (x == std::string::npos || !ParseInt(v.substr(0, x), 1, 65535, width) ||
                !ParseInt(v.substr(x + 1), 1, 65535, height))
                return UsageError(self, "--size wants WIDTHxHEIGHT, each 1-65535, not '" + v + "'");
        } else if (a == "--count") {
            if (!ParseInt(args[++i], 1, 10000, count))
                return UsageError(self, "--count wants 1-10000, not '" + args[i] + "'");
        } else if (a == "--delay") {
            if (!ParseInt(args[++i], 0, 65535, delay))
                return UsageError(self, "--delay wants hundredths of a second 0-65535, not '" + args[i] + "'");
        } else if (a == "-o" || a == "--output") {
            output = args[++i];
        } else {
            return UsageError(self, "unknown argument '" + a + "'");
        }
    }
    if (width == 0) return UsageError(self, "no --size WIDTHxHEIGHT");
    if (output.empty()) return UsageError(self, "no output file (-o OUTPUT)");
    if (std::string why = OutputFormatProblem(output, count); !why.empty()) return UsageError(self, why);
    auto doc = NewDocument();
    Selection selection;
    for (int i = 0; i < count; ++i) {
        if (!AddBlankFrame(*doc, selection, 0, width, height)) {
            ShowError(nullptr, "メモリが足りません。");
            return 1;
        }
        doc->currentFrame->delay = delay;
    }
    return SaveDocument(nullptr, output, *doc, options) ? 0 : 1;
}

}  // namespace kivo::cli
