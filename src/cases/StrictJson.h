#pragma once

// Strict reading of the program's own JSON files through nlohmann-json: the whole grammar of RFC 8259 and
// nothing more (no comments, no trailing commas, no NaN), UTF-8 only, duplicate object keys refused (found
// as the parser reports them, in linear time), nesting bounded. Errors are in Russian and give the line and
// the column, counted in characters.

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// Longest nesting of arrays and objects accepted.
constexpr int kMaxJsonDepth = 64;

struct JsonError {
    std::string message; // "строка 3, позиция 7: ..." or empty when the text was read
    // For a number beyond the range of double: the keys from the top to the number (e.g.
    // {"fields", "Vlit", "value"}); empty otherwise.
    std::vector<std::string> outOfRangeAt;
};

// Parses the whole text (a leading UTF-8 byte-order mark is skipped). On failure returns false, leaves
// `out` unspecified and describes the problem in `error`.
bool ParseStrictJson(std::string_view text, nlohmann::json& out, JsonError& error);

} // namespace korvel
