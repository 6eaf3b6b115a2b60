// Character search that understands code page 932 (Shift-JIS) double-byte codes,
// so that a trail byte equal to '\\' or '.' is never taken for that character.
// Path and name splitting in the engine goes through these.
#pragma once

#include <string>
#include <string_view>

namespace kivo {

bool IsCp932LeadByte(unsigned char c);
// First / last occurrence of ch (a single-byte character, or a lead*256+trail
// code) in the NUL-terminated string s; nullptr when absent.
const char* Cp932FindChar(const char* s, unsigned ch);
const char* Cp932FindLastChar(const char* s, unsigned ch);

// Decodes code page 932 text to UTF-8 (through iconv). False, with out
// unspecified, when bytes is not valid code page 932.
bool Cp932ToUtf8(std::string_view bytes, std::string& out);

}  // namespace kivo
