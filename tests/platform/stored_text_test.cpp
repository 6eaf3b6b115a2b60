#include "platform/stored_text.h"

#include <gtest/gtest.h>

#include <string>

namespace kivo {
namespace {

TEST(StoredText, Utf8IsAcceptedOnlyAsTheStandardDefinesIt) {
    const struct {
        const char* what;
        std::string bytes;
        bool valid;
    } cases[] = {
        {"ASCII", "plain", true},
        {"empty", "", true},
        {"two bytes", "\xC3\xA9", true},
        {"three bytes", "\xE3\x81\x82", true},
        {"four bytes", "\xF0\x9F\x98\x80", true},
        {"highest code point", "\xF4\x8F\xBF\xBF", true},
        {"last before surrogates", "\xED\x9F\xBF", true},
        {"first after surrogates", "\xEE\x80\x80", true},
        {"overlong slash, 2 bytes", "\xC0\xAF", false},
        {"overlong C1 lead", "\xC1\xBF", false},
        {"overlong, 3 bytes", "\xE0\x80\xAF", false},
        {"overlong, 4 bytes", "\xF0\x8F\xBF\xBF", false},
        {"high surrogate", "\xED\xA0\x80", false},
        {"low surrogate", "\xED\xBF\xBF", false},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
        {"F5 lead", "\xF5\x80\x80\x80", false},
        {"lone continuation", "a\x80", false},
        {"cut short", "\xE3\x81", false},
        {"bad continuation", "\xE3\x41\x82", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsStrictUtf8(c.bytes), c.valid) << c.what;
}

TEST(StoredText, ShownAsUtf8ElseCodePage932ElseByteByByte) {
    const struct {
        const char* what;
        std::string bytes, shown;
    } cases[] = {
        {"UTF-8 unchanged", "\xE3\x81\x82 a\x1B", "\xE3\x81\x82 a\x1B"},
        {"Shift-JIS", "\x82\xA0\x83\x5C", "\xE3\x81\x82\xE3\x82\xBD"},  // "あソ"
        // Looks like UTF-8 to a loose check, but is an overlong form; as code
        // page 932 it is two half-width katakana.
        {"overlong read as code page 932", "\xC0\xAF", "\xEF\xBE\x80\xEF\xBD\xAF"},
        {"neither: Latin-1", "\x81", "\xC2\x81"},
    };
    for (const auto& c : cases) {
        const std::string shown = StoredTextAsUtf8(c.bytes);
        EXPECT_EQ(shown, c.shown) << c.what;
        EXPECT_TRUE(IsStrictUtf8(shown)) << c.what;
    }
}

}  // namespace
}  // namespace kivo
