#include "StrictJson.h"

#include "PrintableText.h"

#include <cmath>

namespace korvel {

namespace {

using Json = nlohmann::json;

// "строка L, позиция C: what", where the byte offset `at` falls.
std::string Where(std::string_view text, std::size_t at, const std::string& what) {
    int line = 1, column = 1;
    for (std::size_t k = 0; k < at && k < text.size(); ++k) {
        const auto c = static_cast<unsigned char>(text[k]);
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++column; // characters, not the continuation bytes of UTF-8
        }
    }
    return "строка " + std::to_string(line) + ", позиция " + std::to_string(column) + ": " + what;
}

// The Russian reason for one of the parser's errors.
std::string Reason(const nlohmann::detail::exception& ex, const std::string& token) {
    const std::string what = ex.what();
    const auto has = [&](const char* s) { return what.find(s) != std::string::npos; };
    if (ex.id == 406) return "число вне допустимого диапазона";
    if (has("UTF-8")) return "текст не в кодировке UTF-8";
    if (has("expected end of input")) return "после значения идет лишний текст";
    if (has("unexpected end of input")) return "текст оборвался";
    if (has("control character")) return "управляющий символ внутри строки";
    if (has("surrogate") || has("\\u")) return "неверная последовательность \\u";
    if (has("escape")) return "неверная escape-последовательность в строке";
    if (has("missing closing quote")) return "строка не закрыта кавычкой";
    if (has("name-separator")) return "ожидалось двоеточие";
    if (has("object separator") || has("end of object")) return "ожидалась запятая или «}»";
    if (has("array separator") || has("end of array")) return "ожидалась запятая или «]»";
    if (has("object key")) return "ожидалось имя в кавычках";
    if (has("number") || has("exponent") || has("after '-'") || has("fractional"))
        return "неверная запись числа";
    // "... unexpected ']'; expected ...": name what stood there.
    if (const auto at = what.find("unexpected '"); at != std::string::npos) {
        const auto from = at + 12, to = what.find('\'', from);
        if (to != std::string::npos)
            return "неожиданное «" + PrintableText(what.substr(from, to - from), 40) + "»";
    }
    return "непонятное значение «" + PrintableText(token, 40) + "»";
}

// Builds the document from the parser's events, refusing repeated keys and deep nesting as they come.
class Builder {
public:
    Builder(std::string_view text, Json& root, JsonError& error) : text_(text), root_(root), error_(error) {}

    bool null() { return put(Json(nullptr)); }
    bool boolean(bool v) { return put(Json(v)); }
    bool number_integer(Json::number_integer_t v) { return put(Json(v)); }
    bool number_unsigned(Json::number_unsigned_t v) { return put(Json(v)); }
    bool number_float(Json::number_float_t v, const std::string&) { return put(Json(v)); }
    bool string(std::string& v) { return put(Json(std::move(v))); }
    bool binary(Json::binary_t&) { return false; }

    bool start_object(std::size_t) { return open(Json::object()); }
    bool start_array(std::size_t) { return open(Json::array()); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }

    bool key(std::string& k) {
        Level& top = stack_.back();
        if (top.node->contains(k)) {
            error_.message = "имя «" + PrintableText(k) + "» повторяется в одном объекте";
            return false;
        }
        top.key = std::move(k);
        return true;
    }

    bool parse_error(std::size_t position, const std::string& token, const nlohmann::detail::exception& ex) {
        if (error_.message.empty()) {
            const std::size_t at = position > 0 ? position - 1 : 0;
            error_.message = Where(text_, at, Reason(ex, token));
            if (ex.id == 406) {
                for (const Level& l : stack_)
                    if (l.node->is_object()) error_.outOfRangeAt.push_back(l.key);
            }
        }
        return false;
    }

private:
    struct Level {
        Json* node;
        std::string key; // the key whose value comes next (objects)
    };
    std::string_view text_;
    Json& root_;
    JsonError& error_;
    std::vector<Level> stack_;

    Json* slot(Json&& v) {
        if (stack_.empty()) {
            root_ = std::move(v);
            return &root_;
        }
        Level& top = stack_.back();
        if (top.node->is_array()) {
            top.node->push_back(std::move(v));
            return &top.node->back();
        }
        return &((*top.node)[top.key] = std::move(v));
    }
    bool put(Json&& v) {
        slot(std::move(v));
        return true;
    }
    bool open(Json&& v) {
        if (static_cast<int>(stack_.size()) >= kMaxJsonDepth) {
            error_.message = "слишком глубокая вложенность (больше " + std::to_string(kMaxJsonDepth) + ")";
            return false;
        }
        stack_.push_back({slot(std::move(v)), {}});
        return true;
    }
    bool close() {
        stack_.pop_back();
        return true;
    }
};

} // namespace

bool ParseStrictJson(std::string_view text, nlohmann::json& out, JsonError& error) {
    error = {};
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Builder builder(text, out, error);
    bool ok = false;
    try {
        ok = Json::sax_parse(text.begin(), text.end(), &builder, nlohmann::json::input_format_t::json, true,
                             false);
    } catch (const nlohmann::json::exception& ex) {
        // sax_parse reports through parse_error; anything thrown is refused all the same.
        if (error.message.empty())
            error.message = std::string("непонятный текст: ") + PrintableText(ex.what());
        return false;
    }
    if (!ok && error.message.empty()) error.message = "непонятный текст";
    return ok;
}

} // namespace korvel
