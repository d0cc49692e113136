#pragma once

// A small, strict JSON reader for the program's own files: the whole grammar of RFC 8259 and nothing
// more (no comments, no trailing commas, no NaN), UTF-8 only, duplicate object keys refused, nesting
// and size bounded. Errors are in Russian and give the line and column.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvel::json {

struct Value {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;        // for Number
    bool finite = true;       // false for a number beyond the range of double (e.g. 1e999)
    std::string text;         // for String: the decoded UTF-8 text; for Number: the number as written
    std::vector<Value> items; // for Array
    std::vector<std::pair<std::string, Value>> members; // for Object, in the order of the text

    // The member with this key, or nullptr (objects only).
    const Value* Find(std::string_view key) const;
};

// Longest nesting of arrays and objects accepted.
constexpr int kMaxDepth = 64;

// Parses the whole text (a leading UTF-8 byte-order mark is skipped). On failure returns false with
// the reason in `error`, e.g. "строка 3, позиция 7: ожидалась запятая или «}»".
bool Parse(std::string_view text, Value& out, std::string& error);

// A string as a JSON string literal, quotes included.
std::string Quote(std::string_view s);

} // namespace korvel::json
