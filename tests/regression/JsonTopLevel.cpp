#include "JsonTopLevel.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace korvel {

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Position just past the string that starts at `pos` (a quote), or npos when it does not end.
std::size_t SkipString(std::string_view t, std::size_t pos) {
    for (std::size_t k = pos + 1; k < t.size(); ++k) {
        if (t[k] == '\\') {
            ++k;
        } else if (t[k] == '"') {
            return k + 1;
        }
    }
    return std::string_view::npos;
}

std::string Hex(std::uint64_t v) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

const std::string* Find(const std::vector<std::pair<std::string, std::string>>& members,
                        const std::string& key) {
    for (const auto& [k, v] : members)
        if (k == key) return &v;
    return nullptr;
}

// The first position where two texts differ, with a little of each around it.
std::string FirstDifference(const std::string& key, const std::string& want, const std::string& got) {
    std::size_t k = 0;
    while (k < want.size() && k < got.size() && want[k] == got[k])
        ++k;
    const std::size_t from = k < 30 ? 0 : k - 30;
    return "\"" + key + "\" differs at byte " + std::to_string(k) + ": expected …" + want.substr(from, 60) +
           "…, got …" + got.substr(from, 60) + "…";
}
} // namespace

bool SplitTopLevel(std::string_view t, std::vector<std::pair<std::string, std::string>>& members,
                   std::string& error) {
    members.clear();
    std::size_t p = 0;
    auto skipBlanks = [&] {
        while (p < t.size() && IsBlank(t[p]))
            ++p;
    };
    skipBlanks();
    if (p >= t.size() || t[p] != '{') {
        error = "the text does not start with an object";
        return false;
    }
    ++p;
    skipBlanks();
    if (p < t.size() && t[p] == '}') return true;
    while (true) {
        skipBlanks();
        if (p >= t.size() || t[p] != '"') {
            error = "a key was expected at byte " + std::to_string(p);
            return false;
        }
        const std::size_t keyEnd = SkipString(t, p);
        if (keyEnd == std::string_view::npos) {
            error = "a key does not end";
            return false;
        }
        std::string key(t.substr(p + 1, keyEnd - p - 2));
        p = keyEnd;
        skipBlanks();
        if (p >= t.size() || t[p] != ':') {
            error = "':' was expected after \"" + key + "\"";
            return false;
        }
        ++p;
        skipBlanks();
        const std::size_t start = p;
        int depth = 0;
        while (p < t.size()) {
            const char c = t[p];
            if (c == '"') {
                p = SkipString(t, p);
                if (p == std::string_view::npos) {
                    error = "a string in \"" + key + "\" does not end";
                    return false;
                }
                continue;
            }
            if (c == '{' || c == '[') {
                ++depth;
            } else if (c == '}' || c == ']') {
                if (depth == 0) break;
                --depth;
            } else if (c == ',' && depth == 0) {
                break;
            }
            ++p;
        }
        if (p >= t.size()) {
            error = "the object does not end";
            return false;
        }
        std::size_t end = p;
        while (end > start && IsBlank(t[end - 1]))
            --end;
        members.emplace_back(std::move(key), std::string(t.substr(start, end - start)));
        if (t[p] == '}') break;
        if (t[p] != ',') {
            error = "unbalanced brackets in \"" + members.back().first + "\"";
            return false;
        }
        ++p;
    }
    ++p;
    skipBlanks();
    if (p != t.size()) {
        error = "text follows the object";
        return false;
    }
    return true;
}

std::uint64_t Fnv1a64(std::string_view text) {
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

std::string FormatHashes(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string out;
    for (const auto& [k, v] : members)
        out += k + " " + std::to_string(v.size()) + " " + Hex(Fnv1a64(v)) + "\n";
    return out;
}

bool ParseHashes(std::string_view text, std::vector<MemberHash>& hashes, std::string& error) {
    hashes.clear();
    std::size_t p = 0;
    int line = 0;
    while (p < text.size()) {
        std::size_t eol = text.find('\n', p);
        if (eol == std::string_view::npos) eol = text.size();
        const std::string_view l = text.substr(p, eol - p);
        p = eol + 1;
        ++line;
        if (l.empty()) continue;
        const std::size_t a = l.find(' ');
        const std::size_t b = a == std::string_view::npos ? a : l.find(' ', a + 1);
        MemberHash h;
        if (b == std::string_view::npos ||
            std::from_chars(l.data() + a + 1, l.data() + b, h.length).ec != std::errc{} ||
            std::from_chars(l.data() + b + 1, l.data() + l.size(), h.hash, 16).ec != std::errc{}) {
            error = "line " + std::to_string(line) + " is not \"key length hash\"";
            return false;
        }
        h.key = std::string(l.substr(0, a));
        hashes.push_back(std::move(h));
    }
    if (hashes.empty()) {
        error = "no hashes";
        return false;
    }
    return true;
}

std::vector<std::string> CompareMembers(const std::vector<std::pair<std::string, std::string>>& expected,
                                        const std::vector<std::pair<std::string, std::string>>& actual) {
    std::vector<std::string> diffs;
    for (const auto& [k, want] : expected) {
        const std::string* got = Find(actual, k);
        if (!got) {
            diffs.push_back("\"" + k + "\" is missing");
        } else if (*got != want) {
            diffs.push_back(FirstDifference(k, want, *got));
        }
    }
    return diffs;
}

std::vector<std::string> CompareHashes(const std::vector<MemberHash>& expected,
                                       const std::vector<std::pair<std::string, std::string>>& actual) {
    std::vector<std::string> diffs;
    for (const MemberHash& h : expected) {
        const std::string* got = Find(actual, h.key);
        if (!got) {
            diffs.push_back("\"" + h.key + "\" is missing");
        } else if (got->size() != h.length || Fnv1a64(*got) != h.hash) {
            diffs.push_back("\"" + h.key + "\" differs: expected " + std::to_string(h.length) +
                            " bytes, hash " + Hex(h.hash) + "; got " + std::to_string(got->size()) +
                            " bytes, hash " + Hex(Fnv1a64(*got)));
        }
    }
    return diffs;
}

} // namespace korvel
