#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvel {

// Text from a file or an argument made safe to echo in a message: control characters (and bytes that are
// not UTF-8) shown escaped, as \n, \t, \u001b or \xff, and a text longer than maxChars characters cut
// with "…".
std::string PrintableText(std::string_view text, std::size_t maxChars = 80);

} // namespace korvel
