#include "DesignText.h"

#include <charconv>
#include <cmath>

namespace korvel {

std::string FixedText(double v, int decimals) {
    if (!std::isfinite(v)) return "—";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

bool ReadNumbers(std::string_view text, char sep, std::vector<double>& out) {
    out.clear();
    for (;;) {
        const auto at = text.find(sep);
        std::string_view piece = text.substr(0, at);
        if (!piece.empty() && piece.front() == '+') piece.remove_prefix(1);
        double v = 0;
        const auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), v);
        if (piece.empty() || ec != std::errc() || end != piece.data() + piece.size() || !std::isfinite(v))
            return false;
        out.push_back(v);
        if (at == std::string_view::npos) return true;
        text.remove_prefix(at + 1);
    }
}

} // namespace korvel
