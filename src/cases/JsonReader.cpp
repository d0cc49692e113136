#include "JsonReader.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace korvel::json {

const Value* Value::Find(std::string_view key) const {
    for (const auto& [k, v] : members)
        if (k == key) return &v;
    return nullptr;
}

namespace {

class Parser {
public:
    explicit Parser(std::string_view t) : t_(t) {}

    bool Document(Value& out) {
        if (t_.substr(0, 3) == "\xEF\xBB\xBF") p_ = 3;
        if (!ValidUtf8()) return false;
        skipSpace();
        if (!parseValue(out, 0)) return false;
        skipSpace();
        if (p_ != t_.size()) return fail("после значения идет лишний текст");
        return true;
    }

    std::string error;

private:
    std::string_view t_;
    std::size_t p_ = 0;

    bool fail(const std::string& what, std::size_t at = std::string::npos) {
        if (at == std::string::npos) at = p_;
        int line = 1, column = 1;
        for (std::size_t k = 0; k < at && k < t_.size(); ++k) {
            const auto c = static_cast<unsigned char>(t_[k]);
            if (c == '\n') {
                ++line;
                column = 1;
            } else if ((c & 0xC0) != 0x80) {
                ++column; // count characters, not the continuation bytes of UTF-8
            }
        }
        error = "строка " + std::to_string(line) + ", позиция " + std::to_string(column) + ": " + what;
        return false;
    }

    bool ValidUtf8() {
        std::size_t k = p_;
        while (k < t_.size()) {
            const auto c = static_cast<unsigned char>(t_[k]);
            int more = 0;
            std::uint32_t cp = 0;
            if (c < 0x80) {
                ++k;
                continue;
            } else if (c >= 0xC2 && c <= 0xDF) {
                more = 1;
                cp = c & 0x1F;
            } else if (c >= 0xE0 && c <= 0xEF) {
                more = 2;
                cp = c & 0x0F;
            } else if (c >= 0xF0 && c <= 0xF4) {
                more = 3;
                cp = c & 0x07;
            } else {
                return fail("текст не в кодировке UTF-8", k);
            }
            for (int n = 1; n <= more; ++n) {
                if (k + n >= t_.size()) return fail("текст не в кодировке UTF-8", k);
                const auto d = static_cast<unsigned char>(t_[k + n]);
                if ((d & 0xC0) != 0x80) return fail("текст не в кодировке UTF-8", k);
                cp = (cp << 6) | (d & 0x3F);
            }
            // No overlong forms, no surrogates, nothing beyond U+10FFFF.
            if ((more == 2 && cp < 0x800) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
                (cp >= 0xD800 && cp <= 0xDFFF))
                return fail("текст не в кодировке UTF-8", k);
            k += more + 1;
        }
        return true;
    }

    void skipSpace() {
        while (p_ < t_.size() && (t_[p_] == ' ' || t_[p_] == '\t' || t_[p_] == '\n' || t_[p_] == '\r'))
            ++p_;
    }

    bool literal(std::string_view word) {
        if (t_.substr(p_, word.size()) != word) return fail("непонятное значение");
        p_ += word.size();
        return true;
    }

    bool parseValue(Value& v, int depth) {
        if (p_ >= t_.size()) return fail("текст оборвался, ожидалось значение");
        switch (t_[p_]) {
        case '{':
            return parseObject(v, depth + 1);
        case '[':
            return parseArray(v, depth + 1);
        case '"':
            v.kind = Value::Kind::String;
            return parseString(v.text);
        case 't':
            v.kind = Value::Kind::Bool;
            v.boolean = true;
            return literal("true");
        case 'f':
            v.kind = Value::Kind::Bool;
            v.boolean = false;
            return literal("false");
        case 'n':
            v.kind = Value::Kind::Null;
            return literal("null");
        default:
            return parseNumber(v);
        }
    }

    bool parseObject(Value& v, int depth) {
        if (depth > kMaxDepth) return fail("слишком глубокая вложенность");
        v.kind = Value::Kind::Object;
        ++p_;
        skipSpace();
        if (p_ < t_.size() && t_[p_] == '}') {
            ++p_;
            return true;
        }
        for (;;) {
            skipSpace();
            if (p_ >= t_.size() || t_[p_] != '"') return fail("ожидалось имя в кавычках");
            const std::size_t keyAt = p_;
            std::string key;
            if (!parseString(key)) return false;
            if (v.Find(key)) return fail("имя «" + key + "» повторяется", keyAt);
            skipSpace();
            if (p_ >= t_.size() || t_[p_] != ':') return fail("ожидалось двоеточие");
            ++p_;
            skipSpace();
            Value item;
            if (!parseValue(item, depth)) return false;
            v.members.emplace_back(std::move(key), std::move(item));
            skipSpace();
            if (p_ < t_.size() && t_[p_] == ',') {
                ++p_;
                continue;
            }
            if (p_ < t_.size() && t_[p_] == '}') {
                ++p_;
                return true;
            }
            return fail("ожидалась запятая или «}»");
        }
    }

    bool parseArray(Value& v, int depth) {
        if (depth > kMaxDepth) return fail("слишком глубокая вложенность");
        v.kind = Value::Kind::Array;
        ++p_;
        skipSpace();
        if (p_ < t_.size() && t_[p_] == ']') {
            ++p_;
            return true;
        }
        for (;;) {
            skipSpace();
            Value item;
            if (!parseValue(item, depth)) return false;
            v.items.push_back(std::move(item));
            skipSpace();
            if (p_ < t_.size() && t_[p_] == ',') {
                ++p_;
                continue;
            }
            if (p_ < t_.size() && t_[p_] == ']') {
                ++p_;
                return true;
            }
            return fail("ожидалась запятая или «]»");
        }
    }

    static void append(std::string& s, std::uint32_t cp) {
        if (cp < 0x80) {
            s += char(cp);
        } else if (cp < 0x800) {
            s += char(0xC0 | (cp >> 6));
            s += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            s += char(0xE0 | (cp >> 12));
            s += char(0x80 | ((cp >> 6) & 0x3F));
            s += char(0x80 | (cp & 0x3F));
        } else {
            s += char(0xF0 | (cp >> 18));
            s += char(0x80 | ((cp >> 12) & 0x3F));
            s += char(0x80 | ((cp >> 6) & 0x3F));
            s += char(0x80 | (cp & 0x3F));
        }
    }

    bool hex4(std::uint32_t& cp) {
        if (p_ + 4 > t_.size()) return fail("неверная последовательность \\u");
        cp = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = t_[p_ + k];
            cp <<= 4;
            if (c >= '0' && c <= '9')
                cp |= std::uint32_t(c - '0');
            else if (c >= 'a' && c <= 'f')
                cp |= std::uint32_t(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                cp |= std::uint32_t(c - 'A' + 10);
            else
                return fail("неверная последовательность \\u");
        }
        p_ += 4;
        return true;
    }

    bool parseString(std::string& out) {
        ++p_; // the opening quote
        out.clear();
        for (;;) {
            if (p_ >= t_.size()) return fail("строка не закрыта кавычкой");
            const char c = t_[p_];
            if (c == '"') {
                ++p_;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) return fail("управляющий символ внутри строки");
            if (c != '\\') {
                out += c;
                ++p_;
                continue;
            }
            ++p_;
            if (p_ >= t_.size()) return fail("строка не закрыта кавычкой");
            const char e = t_[p_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                std::uint32_t cp = 0;
                if (!hex4(cp)) return false;
                if (cp >= 0xDC00 && cp <= 0xDFFF) return fail("неверная пара суррогатов \\u");
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    std::uint32_t low = 0;
                    if (t_.substr(p_, 2) != "\\u") return fail("неверная пара суррогатов \\u");
                    p_ += 2;
                    if (!hex4(low)) return false;
                    if (low < 0xDC00 || low > 0xDFFF) return fail("неверная пара суррогатов \\u");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                append(out, cp);
                break;
            }
            default:
                return fail("неверная escape-последовательность в строке");
            }
        }
    }

    bool parseNumber(Value& v) {
        const std::size_t start = p_;
        auto digit = [&] { return p_ < t_.size() && t_[p_] >= '0' && t_[p_] <= '9'; };
        if (p_ < t_.size() && t_[p_] == '-') ++p_;
        if (!digit()) return fail("непонятное значение", start);
        if (t_[p_] == '0') {
            ++p_;
            if (digit()) return fail("число не может начинаться с нуля", start);
        } else {
            while (digit())
                ++p_;
        }
        if (p_ < t_.size() && t_[p_] == '.') {
            ++p_;
            if (!digit()) return fail("после точки в числе нужна цифра");
            while (digit())
                ++p_;
        }
        if (p_ < t_.size() && (t_[p_] == 'e' || t_[p_] == 'E')) {
            ++p_;
            if (p_ < t_.size() && (t_[p_] == '+' || t_[p_] == '-')) ++p_;
            if (!digit()) return fail("в порядке числа нужна цифра");
            while (digit())
                ++p_;
        }
        v.kind = Value::Kind::Number;
        v.text = std::string(t_.substr(start, p_ - start));
        double d = 0;
        const auto r = std::from_chars(v.text.data(), v.text.data() + v.text.size(), d);
        if (r.ec == std::errc::result_out_of_range) {
            // Beyond the range of a double: the caller says it is not a finite number.
            v.finite = false;
            v.number = NAN;
        } else if (r.ec != std::errc() || r.ptr != v.text.data() + v.text.size()) {
            return fail("непонятное число", start);
        } else {
            v.number = d;
            v.finite = std::isfinite(d);
        }
        return true;
    }
};

} // namespace

bool Parse(std::string_view text, Value& out, std::string& error) {
    Parser p(text);
    out = Value();
    if (!p.Document(out)) {
        error = p.error;
        out = Value();
        return false;
    }
    return true;
}

std::string Quote(std::string_view s) {
    std::string q = "\"";
    for (const char c : s) {
        switch (c) {
        case '"':
            q += "\\\"";
            break;
        case '\\':
            q += "\\\\";
            break;
        case '\n':
            q += "\\n";
            break;
        case '\r':
            q += "\\r";
            break;
        case '\t':
            q += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                static const char* hex = "0123456789abcdef";
                q += "\\u00";
                q += hex[(c >> 4) & 0xF];
                q += hex[c & 0xF];
            } else {
                q += c;
            }
        }
    }
    return q + "\"";
}

} // namespace korvel::json
