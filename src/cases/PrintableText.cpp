#include "PrintableText.h"

#include <cstdint>
#include <cstdio>

namespace korvel {

namespace {

// The length of the UTF-8 sequence at the start of t and its code point, or 0 when it is not one
// (a stray continuation byte, an overlong form, a surrogate, beyond U+10FFFF, cut short).
std::size_t DecodeUtf8(std::string_view t, std::uint32_t& cp) {
    const auto b0 = static_cast<unsigned char>(t[0]);
    std::size_t n = 0;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2, cp = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3, cp = b0 & 0x0Fu;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4, cp = b0 & 0x07u;
    } else {
        return 0;
    }
    if (t.size() < n) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(t[k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3Fu);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

bool Invisible(std::uint32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029 ||
           (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069) || cp == 0xFEFF;
}

} // namespace

std::string PrintableText(std::string_view text, std::size_t maxChars) {
    std::string out;
    out.reserve(text.size() < 4 * maxChars ? text.size() : 4 * maxChars);
    std::size_t chars = 0;
    char buf[16];
    while (!text.empty()) {
        if (chars == maxChars) {
            out += "…";
            break;
        }
        std::uint32_t cp = 0;
        const std::size_t n = DecodeUtf8(text, cp);
        if (n == 0) {
            std::snprintf(buf, sizeof buf, "\\x%02X",
                          static_cast<unsigned>(static_cast<unsigned char>(text[0])));
            out += buf;
            text.remove_prefix(1);
        } else {
            if (Invisible(cp)) {
                std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(cp));
                out += buf;
            } else {
                out.append(text.data(), n);
            }
            text.remove_prefix(n);
        }
        ++chars;
    }
    return out;
}

} // namespace korvel
