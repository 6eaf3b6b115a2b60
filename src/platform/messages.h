// The one table of the engine's user-facing texts (error messages, progress
// lines and titles) with their English. The engine keeps showing its Japanese
// texts verbatim; front ends look the English up by that text, so no call site
// in the engine has to change, and texts with numbers or names in them match
// through their printf pattern.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kivo {

struct MessageText {
    std::string_view id;        // stable name, for front ends that want one text
    std::string_view japanese;  // as the engine shows it; %d, %4d, %02X, %s stand for values
    std::string_view english;   // %1, %2 ... are the values in the order the Japanese has them
};

std::span<const MessageText> MessageTable();
const MessageText* FindMessageById(std::string_view id);

// The English of a text the engine showed, with its values carried over; empty
// when the text is not in the table (the engine's English texts are not).
std::string EnglishFor(std::string_view shown);

// True when the user's locale for messages (LC_ALL, else LC_MESSAGES, else
// LANG) is Japanese; the English lines are for everyone else.
bool UserReadsJapanese();

}  // namespace kivo
