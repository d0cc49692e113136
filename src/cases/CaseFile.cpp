#include "CaseFile.h"

#include "JsonReader.h"
#include "results/FileWrite.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace korvel {

namespace {

std::string Number(double v) {
    std::array<char, 64> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v);
    return std::string(buf.data(), r.ptr);
}

std::string IntegerCheck(const char* key, double v, bool side) {
    if (side) {
        if (v != 1 && v != -1) return "поле «SideFlag» должно быть 1 или -1, а не " + Number(v);
        return {};
    }
    if (!(v >= kMinNodes && v <= kMaxNodes) || v != std::floor(v))
        return std::string("поле «") + key + "» должно быть целым числом от 4 до 100, а не " + Number(v);
    return {};
}

// The reason a value of field f cannot be taken, or empty.
std::string ValueCheck(const CaseField& f, double v) {
    if (!std::isfinite(v)) return std::string("значение поля «") + f.key + "» не является конечным числом";
    switch (f.param) {
    case CaseField::Param::L:
    case CaseField::Param::M:
        return IntegerCheck(f.key, v, false);
    case CaseField::Param::SideFlag:
        return IntegerCheck(f.key, v, true);
    default:
        if (CaseFieldOptional(f) && !(v > 0 && v <= kMaxSprayFactor))
            return std::string("поле «") + f.key + "» должно быть больше 0 и не больше " +
                   Number(kMaxSprayFactor) + ", а не " + Number(v);
        return {};
    }
}

} // namespace

std::string CheckCase(const Case& c) {
    for (const CaseField& f : CaseFields())
        if (std::string why = ValueCheck(f, GetCaseValue(c, f)); !why.empty()) return why;
    return {};
}

std::string CaseToJson(const Case& c) {
    std::string s = "{\n  \"format\": ";
    s += json::Quote(kCaseFormatName);
    s += ",\n  \"version\": " + std::to_string(kCaseFormatVersion) + ",\n  \"fields\": {";
    bool first = true;
    for (const CaseField& f : CaseFields()) {
        if (CaseFieldOptional(f) && GetCaseValue(c, f) == 1) continue;
        s += first ? "\n    " : ",\n    ";
        first = false;
        s += json::Quote(f.key) + ": {\"value\": " + Number(GetCaseValue(c, f)) +
             ", \"unit\": " + json::Quote(f.unit) + "}";
    }
    s += "\n  }\n}\n";
    return s;
}

bool CaseFromJson(std::string_view text, Case& out, std::string& error) {
    json::Value doc;
    std::string why;
    if (!json::Parse(text, doc, why)) {
        error = "это не файл JSON (" + why + ")";
        return false;
    }
    using K = json::Value::Kind;
    if (doc.kind != K::Object) {
        error = "это не файл варианта: нет объекта с полями";
        return false;
    }
    const json::Value* format = doc.Find("format");
    if (!format || format->kind != K::String || format->text != kCaseFormatName) {
        error = std::string("это не файл варианта: нет отметки \"format\": \"") + kCaseFormatName + "\"";
        return false;
    }
    const json::Value* version = doc.Find("version");
    if (!version || version->kind != K::Number) {
        error = "не указана версия формата (\"version\")";
        return false;
    }
    if (version->number != kCaseFormatVersion) {
        error = "неизвестная версия формата " + version->text + " (программа читает версию " +
                std::to_string(kCaseFormatVersion) + ")";
        return false;
    }
    for (const auto& [key, v] : doc.members) {
        if (key != "format" && key != "version" && key != "fields") {
            error = "неизвестный раздел «" + key + "»";
            return false;
        }
    }
    const json::Value* fields = doc.Find("fields");
    if (!fields || fields->kind != K::Object) {
        error = "нет раздела \"fields\" со значениями";
        return false;
    }
    for (const auto& [key, v] : fields->members) {
        if (!FindCaseField(key)) {
            error = "неизвестное поле «" + key + "»";
            return false;
        }
    }
    Case c;
    for (const CaseField& f : CaseFields()) {
        const json::Value* entry = fields->Find(f.key);
        if (!entry && CaseFieldOptional(f)) continue;
        if (!entry) {
            error = std::string("нет поля «") + f.key + "»";
            return false;
        }
        if (entry->kind != K::Object) {
            error = std::string("поле «") + f.key + "» должно быть объектом {\"value\": ..., \"unit\": ...}";
            return false;
        }
        for (const auto& [key, v] : entry->members) {
            if (key != "value" && key != "unit") {
                error = std::string("в поле «") + f.key + "» неизвестный ключ «" + key + "»";
                return false;
            }
        }
        const json::Value* unit = entry->Find("unit");
        if (!unit || unit->kind != K::String) {
            error = std::string("у поля «") + f.key + "» не указана единица (\"unit\")";
            return false;
        }
        if (unit->text != f.unit) {
            error = std::string("у поля «") + f.key + "» единица «" + unit->text + "», а должна быть «" +
                    f.unit + "»";
            return false;
        }
        const json::Value* value = entry->Find("value");
        if (!value) {
            error = std::string("у поля «") + f.key + "» нет значения (\"value\")";
            return false;
        }
        if (value->kind != K::Number || !value->finite) {
            error = std::string("значение поля «") + f.key + "» не является конечным числом";
            return false;
        }
        if (std::string bad = ValueCheck(f, value->number); !bad.empty()) {
            error = bad;
            return false;
        }
        SetCaseValue(c, f, value->number);
    }
    out = c;
    return true;
}

bool ReadCaseFile(const std::string& path, Case& out, std::string& error) {
    const std::string where = "Файл варианта «" + path + "»: ";
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = where + "не удалось открыть: " + SystemErrorText(errno, true);
        return false;
    }
    std::string text;
    char buf[8192];
    bool tooLarge = false;
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        text.append(buf, n);
        if (text.size() > kMaxCaseFileBytes) {
            tooLarge = true;
            break;
        }
    }
    const bool readError = std::ferror(f) != 0;
    const int err = errno;
    std::fclose(f);
    if (readError) {
        error = where + "не удалось прочитать: " + SystemErrorText(err, true);
        return false;
    }
    if (tooLarge) {
        error = where + "слишком большой для файла варианта (больше 1 МБ)";
        return false;
    }
    std::string why;
    if (!CaseFromJson(text, out, why)) {
        error = where + why;
        return false;
    }
    return true;
}

bool WriteCaseFile(const std::string& path, const Case& c, std::string& error) {
    const std::string where = "Файл варианта «" + path + "» не записан: ";
    if (std::string bad = CheckCase(c); !bad.empty()) {
        error = where + bad;
        return false;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = where + "это папка";
        return false;
    }
    if (const int err = WriteFileAtomicallyErrno(path, CaseToJson(c)); err != 0) {
        error = where + SystemErrorText(err, true);
        return false;
    }
    return true;
}

std::string CaseNameOfPath(const std::string& path) {
    std::filesystem::path p(path);
    std::string name = p.filename().string();
    const std::string ext = kCaseFileExtension;
    if (name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
        name.resize(name.size() - ext.size());
    return name;
}

} // namespace korvel
