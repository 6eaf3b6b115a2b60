#include "platform/cp932.h"

#include <iconv.h>

namespace kivo {

bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

namespace {

// Walks s as codes; calls visit(position, code) for each, stopping after the
// code whose low byte is 0 (the terminator, possibly the trail of a lead byte).
template <typename Visit>
void WalkCodes(const char* s, Visit visit) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    for (;;) {
        unsigned code = p[0];
        const unsigned char* at = p;
        if (IsCp932LeadByte(p[0])) {
            code = unsigned(p[0]) << 8 | p[1];
            p += p[1] ? 2 : 1;  // never step over the terminator
        } else {
            ++p;
        }
        if (!visit(reinterpret_cast<const char*>(at), code)) return;
        if ((code & 0xFF) == 0) return;
    }
}

}  // namespace

const char* Cp932FindChar(const char* s, unsigned ch) {
    const char* found = nullptr;
    WalkCodes(s, [&](const char* at, unsigned code) {
        if (code == ch) {
            found = at;
            return false;
        }
        return true;
    });
    return found;
}

const char* Cp932FindLastChar(const char* s, unsigned ch) {
    const char* found = nullptr;
    WalkCodes(s, [&](const char* at, unsigned code) {
        if (code == ch) found = at;
        return true;
    });
    return found;
}

bool Cp932ToUtf8(std::string_view bytes, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == iconv_t(-1)) return false;
    out.assign(bytes.size() * 3 + 4, '\0');  // a code page 932 code never takes more
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    const bool ok = iconv(cd, &in, &inLeft, &dst, &outLeft) != size_t(-1) && inLeft == 0;
    iconv_close(cd);
    if (ok) out.resize(out.size() - outLeft);
    return ok;
}

}  // namespace kivo
