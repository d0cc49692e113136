#pragma once

// Pieces of the JSON the program writes, through nlohmann-json: the files keep their own fixed layout and
// number forms, the library escapes every text.

#include <string>
#include <string_view>

namespace korvel {

// A text as a JSON string literal, quotes included (UTF-8 kept; bytes that are not UTF-8 replaced).
std::string JsonQuote(std::string_view s);

} // namespace korvel
