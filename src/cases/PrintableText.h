#pragma once

// Text from a file or the command line made safe to show in a message or on a terminal.

#include <cstddef>
#include <string>
#include <string_view>

namespace korvel {

// The text with every control character shown escaped (a C0 or C1 control, DEL, a line or paragraph
// separator and the bidirectional overrides as \uXXXX, a byte that is not UTF-8 as \xNN; a NUL stays
// visible as \u0000) and, when longer than maxChars characters, cut there with "…" appended. Valid
// UTF-8 (Cyrillic and all) passes unchanged.
std::string PrintableText(std::string_view text, std::size_t maxChars = 80);

} // namespace korvel
