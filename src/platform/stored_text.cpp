#include "platform/stored_text.h"

#include "platform/cp932.h"

namespace kivo {

bool IsStrictUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        // Lead byte: how many continuation bytes follow, and the range the first
        // of them must lie in, which rules out overlong forms (E0, F0),
        // surrogates (ED) and code points above U+10FFFF (F4).
        int more;
        unsigned low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) more = 1;
        else if (c == 0xE0) more = 2, low = 0xA0;
        else if (c == 0xED) more = 2, high = 0x9F;
        else if (c >= 0xE1 && c <= 0xEF) more = 2;
        else if (c == 0xF0) more = 3, low = 0x90;
        else if (c == 0xF4) more = 3, high = 0x8F;
        else if (c >= 0xF1 && c <= 0xF3) more = 3;
        else return false;  // 80-C1 (continuation or overlong lead), F5-FF
        if (end - p <= more) return false;
        if (p[1] < low || p[1] > high) return false;
        for (int k = 2; k <= more; ++k)
            if ((p[k] & 0xC0) != 0x80) return false;
        p += more + 1;
    }
    return true;
}

std::string StoredTextAsUtf8(std::string_view bytes) {
    if (IsStrictUtf8(bytes)) return std::string(bytes);
    std::string out;
    if (Cp932ToUtf8(bytes, out)) return out;
    out.clear();
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace kivo
