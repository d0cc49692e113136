#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace korvel {

namespace {

// The power of ten of the first significant digit of a number written as [digits][.digits][e[+-]n]
// (the text std::from_chars has accepted), to tell an overflow from an underflow.
long long DecimalMagnitude(std::string_view t) {
    long long intDigits = 0, leadingZeros = 0;
    bool seenPoint = false, seenNonZero = false;
    std::size_t k = 0;
    for (; k < t.size() && t[k] != 'e' && t[k] != 'E'; ++k) {
        const char ch = t[k];
        if (ch == '.') {
            seenPoint = true;
            continue;
        }
        if (!seenNonZero) {
            if (ch == '0') {
                if (seenPoint) ++leadingZeros;
                continue;
            }
            seenNonZero = true;
        }
        if (!seenPoint) ++intDigits;
    }
    long long exponent = 0;
    if (k < t.size()) {
        ++k;
        bool negative = false;
        if (k < t.size() && (t[k] == '+' || t[k] == '-')) negative = t[k++] == '-';
        for (; k < t.size(); ++k) {
            if (exponent < 1000000000) exponent = exponent * 10 + (t[k] - '0');
        }
        if (negative) exponent = -exponent;
    }
    return intDigits > 0 ? exponent + intDigits - 1 : exponent - leadingZeros - 1;
}

} // namespace

bool ParseDecimal(std::string_view text, double& value) {
    bool negative = false;
    std::string_view body = text;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    // One sign only, and a digit, a point or a word right after it.
    if (body.empty() || body.front() == '+' || body.front() == '-') return false;
    double v = 0;
    const char* end = body.data() + body.size();
    const auto [ptr, ec] = std::from_chars(body.data(), end, v);
    if (ptr != end) return false;
    if (ec == std::errc::result_out_of_range) {
        v = DecimalMagnitude(body) < 0 ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (ec != std::errc()) {
        return false;
    }
    value = negative ? -v : v;
    return true;
}

void AppendCsvNumber(std::string& out, double v) {
    if (!std::isfinite(v)) return;
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void AppendCsvQuoted(std::string& out, const std::string& text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char ch : text) {
        if (ch == '"') out += '"';
        out += ch;
    }
    out += '"';
}

} // namespace korvel
