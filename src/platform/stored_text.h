// Texts stored in files (GIF comments, PNG and MNG text chunks) are byte
// strings in whatever encoding the writing program used. For showing them they
// are read as UTF-8 when they are valid UTF-8, otherwise as code page 932, the
// encoding of older files.
#pragma once

#include <string>
#include <string_view>

namespace kivo {

// UTF-8 as the standard defines it: no overlong forms, no surrogates, nothing
// above U+10FFFF, no sequence cut short. Anything looser lets through bytes
// that JSON parsers and terminals reject.
bool IsStrictUtf8(std::string_view bytes);

// The text as valid UTF-8: unchanged when it is UTF-8, else decoded as code
// page 932, else (neither) every byte as the Latin-1 character of its value.
// Control characters are kept; the caller escapes them as its output needs.
std::string StoredTextAsUtf8(std::string_view bytes);

}  // namespace kivo
