// The one table of the engine's user-facing texts (error messages, progress
// lines and titles) with their English. The engine keeps showing its Japanese
// texts verbatim; front ends look the translation up by that text, so no call
// site in the engine has to change, and texts with numbers or names in them
// match through their printf pattern, which is translated as a whole. The
// command line takes the English from here; the editor takes it from Qt's
// translation of the row's Japanese (context "Messages"), which says the same.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

// A row's text in another language, %1, %2 ... standing for the values in the
// order the Japanese has them.
using RowTranslation = std::function<std::string(const MessageText& row)>;
// A value's text in that language (the name of a new document); none keeps it.
using ValueTranslation = std::function<std::string(std::string_view value)>;

// A shown text in another language: the row matching the whole text, else
// every line by a row of its own, the values put into the translation. Empty
// when no row matches (or, line by line, when one line has none).
std::string TranslateShown(std::string_view shown, const RowTranslation& translate,
                           const ValueTranslation& translateValue = {});

// Matches text against a printf pattern of the table's kind (%d, %4d, %02X,
// %s; a %s never spans a line break), giving the text of each value in order.
bool MatchPattern(std::string_view pattern, std::string_view text, std::vector<std::string_view>& values);
// translated with %1 ... %9 replaced by the values.
std::string FillPattern(std::string_view translated, std::span<const std::string> values);

// True when the user's locale for messages (LC_ALL, else LC_MESSAGES, else
// LANG) is Japanese; the English lines are for everyone else.
bool UserReadsJapanese();

}  // namespace kivo
