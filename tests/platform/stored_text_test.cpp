#include "platform/stored_text.h"

#include <gtest/gtest.h>

#include <string>

namespace kivo {
namespace {

// The boundaries of each UTF-8 form, on both sides; anything accepted here
// reaches JSON parsers and terminals as it is.
TEST(StoredText, Utf8IsAcceptedOnlyAsTheStandardDefinesIt) {
    const struct {
        std::string bytes;
        bool valid;
    } cases[] = {
        {"plain", true},
        {"\xC3\xA9", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
        {"\xED\x9F\xBF", true},       // last before the surrogates
        {"\xEE\x80\x80", true},       // first after them
        {"\xC0\xAF", false},          // overlong, 2 bytes
        {"\xC1\xBF", false},
        {"\xE0\x80\xAF", false},      // overlong, 3 bytes
        {"\xF0\x8F\xBF\xBF", false},  // overlong, 4 bytes
        {"\xED\xA0\x80", false},      // surrogates
        {"\xED\xBF\xBF", false},
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"a\x80", false},             // lone continuation
        {"\xE3\x81", false},          // cut short
        {"\xE3\x41\x82", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsStrictUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
    // Neither UTF-8 nor code page 932: still valid UTF-8 for showing.
    EXPECT_EQ(StoredTextAsUtf8("\x81"), "\xC2\x81");
}

}  // namespace
}  // namespace kivo
