#include "CaseFile.h"

#include "CaseSchedule.h"
#include "PrintableText.h"
#include "StrictJson.h"
#include "results/FileWrite.h"
#include "results/JsonWrite.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

namespace korvel {

namespace {

std::string Number(double v) {
    // A negative zero keeps its sign only as a fraction: the JSON reader takes "-0" for the integer 0.
    if (v == 0 && std::signbit(v)) return "-0.0";
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
        if (CaseFieldIsSprayFactor(f)) {
            if (!(v > 0 && v <= kMaxSprayFactor))
                return std::string("поле «") + f.key + "» должно быть больше 0 и не больше " +
                       Number(kMaxSprayFactor) + ", а не " + Number(v);
            return {};
        }
        return BoundaryFieldCheck(f, v);
    }
}

} // namespace

std::string CheckCase(const Case& c) {
    for (const CaseField& f : CaseFields())
        if (std::string why = ValueCheck(f, GetCaseValue(c, f)); !why.empty()) return why;
    return {};
}

std::string CaseToJson(const Case& c) {
    // The document through the JSON library, in the file's fixed layout: one field a line, each value in
    // the shortest form that reads back to the same double.
    nlohmann::ordered_json doc = {{"format", kCaseFormatName}, {"version", kCaseFormatVersion}};
    nlohmann::ordered_json& fields = doc["fields"] = nlohmann::ordered_json::object();
    for (const CaseField& f : CaseFields())
        if (!CaseFieldOptional(f) || GetCaseValue(c, f) != GetCaseValue(Case{}, f))
            fields[f.key] = {{"value", GetCaseValue(c, f)}, {"unit", f.unit}};

    std::string s = "{\n  \"format\": " + doc["format"].dump() +
                    ",\n  \"version\": " + doc["version"].dump() + ",\n  \"fields\": {";
    bool first = true;
    for (const auto& [key, entry] : fields.items()) {
        s += first ? "\n    " : ",\n    ";
        first = false;
        s += JsonQuote(key) + ": {\"value\": " + Number(entry["value"].get<double>()) +
             ", \"unit\": " + JsonQuote(entry["unit"].get<std::string>()) + "}";
    }
    s += "\n  }";
    if (!c.schedule.Empty()) s += ",\n  \"schedule\": " + ScheduleJsonText(c.schedule);
    s += "\n}\n";
    return s;
}

bool CaseFromJson(std::string_view text, Case& out, std::string& error) {
    using Json = nlohmann::json;
    Json doc;
    JsonError why;
    if (!ParseStrictJson(text, doc, why)) {
        // A number beyond double where a field's value stands is that field's fault.
        const auto& at = why.outOfRangeAt;
        if (at.size() == 3 && at[0] == "fields" && at[2] == "value" && FindCaseField(at[1])) {
            error = "значение поля «" + at[1] + "» не является конечным числом";
            return false;
        }
        error = "это не файл JSON (" + why.message + ")";
        return false;
    }
    if (!doc.is_object()) {
        error = "это не файл варианта: нет объекта с полями";
        return false;
    }
    const auto format = doc.find("format");
    if (format == doc.end() || !format->is_string() || format->get<std::string>() != kCaseFormatName) {
        error = std::string("это не файл варианта: нет отметки \"format\": \"") + kCaseFormatName + "\"";
        return false;
    }
    const auto version = doc.find("version");
    if (version == doc.end() || !version->is_number()) {
        error = "не указана версия формата (\"version\")";
        return false;
    }
    if (version->get<double>() != kCaseFormatVersion) {
        error = "неизвестная версия формата " + version->dump() + " (программа читает версию " +
                std::to_string(kCaseFormatVersion) + ")";
        return false;
    }
    for (const auto& [key, v] : doc.items()) {
        if (key != "format" && key != "version" && key != "fields" && key != "schedule") {
            error = "неизвестный раздел «" + PrintableText(key) + "»";
            return false;
        }
    }
    const auto fields = doc.find("fields");
    if (fields == doc.end() || !fields->is_object()) {
        error = "нет раздела \"fields\" со значениями";
        return false;
    }
    for (const auto& [key, v] : fields->items()) {
        if (!FindCaseField(key)) {
            error = "неизвестное поле «" + PrintableText(key) + "»";
            return false;
        }
    }
    Case c;
    for (const CaseField& f : CaseFields()) {
        const auto entry = fields->find(f.key);
        if (entry == fields->end() && f.optional) continue;
        if (entry == fields->end()) {
            error = std::string("нет поля «") + f.key + "»";
            return false;
        }
        if (!entry->is_object()) {
            error = std::string("поле «") + f.key + "» должно быть объектом {\"value\": ..., \"unit\": ...}";
            return false;
        }
        for (const auto& [key, v] : entry->items()) {
            if (key != "value" && key != "unit") {
                error = std::string("в поле «") + f.key + "» неизвестный ключ «" + PrintableText(key) + "»";
                return false;
            }
        }
        const auto unit = entry->find("unit");
        if (unit == entry->end() || !unit->is_string()) {
            error = std::string("у поля «") + f.key + "» не указана единица (\"unit\")";
            return false;
        }
        if (const std::string u = unit->get<std::string>(); u != f.unit) {
            error = std::string("у поля «") + f.key + "» единица «" + PrintableText(u) +
                    "», а должна быть «" + f.unit + "»";
            return false;
        }
        const auto value = entry->find("value");
        if (value == entry->end()) {
            error = std::string("у поля «") + f.key + "» нет значения (\"value\")";
            return false;
        }
        if (!value->is_number() || !std::isfinite(value->get<double>())) {
            error = std::string("значение поля «") + f.key + "» не является конечным числом";
            return false;
        }
        const double number = value->get<double>();
        if (std::string bad = ValueCheck(f, number); !bad.empty()) {
            error = bad;
            return false;
        }
        SetCaseValue(c, f, number);
    }
    if (const auto schedule = doc.find("schedule"); schedule != doc.end())
        if (!ScheduleFromJson(*schedule, c.schedule, error)) return false;
    out = c;
    return true;
}

bool ReadCaseFile(const std::string& path, Case& out, std::string& error) {
    const std::string where = "Файл варианта «" + path + "»: ";
    std::string text;
    if (!ReadWholeFile(path, kMaxCaseFileBytes, "слишком большой для файла варианта (больше 1 МБ)", text,
                       error)) {
        error = where + error;
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
    if (!WriteWholeFile(path, CaseToJson(c), error)) {
        error = where + error;
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
