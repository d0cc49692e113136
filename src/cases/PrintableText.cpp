#include "PrintableText.h"

#include <cstdio>

namespace korvel {

namespace {

// Length of the valid UTF-8 sequence starting at s[k], or 0.
std::size_t Utf8Length(std::string_view s, std::size_t k) {
    const auto c = static_cast<unsigned char>(s[k]);
    std::size_t n = 0;
    unsigned cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (k + n > s.size()) return 0;
    for (std::size_t i = 1; i < n; ++i) {
        const auto d = static_cast<unsigned char>(s[k + i]);
        if ((d & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
        return 0;
    if (cp >= 0x80 && cp <= 0x9F) return 0; // C1 controls are shown escaped
    return n;
}

} // namespace

std::string PrintableText(std::string_view text, std::size_t maxChars) {
    std::string out;
    std::size_t chars = 0;
    for (std::size_t k = 0; k < text.size();) {
        if (chars == maxChars) {
            out += "…";
            break;
        }
        const auto c = static_cast<unsigned char>(text[k]);
        char buf[16];
        if (c < 0x80) {
            switch (c) {
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
            }
            ++k;
        } else if (const std::size_t n = Utf8Length(text, k); n > 0) {
            out.append(text.substr(k, n));
            k += n;
        } else {
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
            ++k;
        }
        ++chars;
    }
    return out;
}

} // namespace korvel
