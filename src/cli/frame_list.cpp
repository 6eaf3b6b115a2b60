#include "frame_list.h"

#include <algorithm>
#include <charconv>

namespace kivo::cli {

std::string ParseFrameList(const std::string& list, int count, std::vector<int32_t>& out) {
    if (list.empty()) {
        for (int i = 0; i < count; ++i) out.push_back(i);
        return {};
    }
    size_t pos = 0;
    while (pos <= list.size()) {
        const size_t comma = std::min(list.find(',', pos), list.size());
        const std::string item = list.substr(pos, comma - pos);
        const size_t dash = item.find('-');
        int first = 0, last = 0;
        auto number = [](const std::string& s, int& v) {
            auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
            return !s.empty() && ec == std::errc() && p == s.data() + s.size();
        };
        const bool ok = dash == std::string::npos
                            ? number(item, first) && (last = first, true)
                            : number(item.substr(0, dash), first) && number(item.substr(dash + 1), last);
        if (!ok || first < 1 || last < first)
            return "--frames wants numbers and ranges such as 1,3-5, not '" + item + "'";
        if (last > count)
            return "frame " + std::to_string(last) + " does not exist (the file has " +
                   std::to_string(count) + ")";
        for (int n = first; n <= last; ++n) out.push_back(n - 1);
        pos = comma + 1;
    }
    return {};
}

}  // namespace kivo::cli
