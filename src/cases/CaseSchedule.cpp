#include "CaseSchedule.h"

#include <nlohmann/json.hpp>

#include <charconv>

namespace korvel {

namespace {
constexpr const char* kFlowKeys[] = {"Q1", "Q2", "Q3", "Q4"};

std::string Number(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}
} // namespace

std::string ScheduleJsonText(const Schedule& s) {
    std::string t = "[";
    for (std::size_t k = 0; k < s.points.size(); ++k) {
        const SchedulePoint& p = s.points[k];
        t += k ? ",\n    " : "\n    ";
        t += "{\"time_min\": " + Number(p.timeMin) + ", \"Vlit\": " + Number(p.vlit);
        for (int f = 0; f < 4; ++f)
            if (!std::isnan(p.q[f])) t += std::string(", \"") + kFlowKeys[f] + "\": " + Number(p.q[f]);
        t += "}";
    }
    t += "\n  ]";
    return t;
}

bool ScheduleFromJson(const nlohmann::json& value, Schedule& out, std::string& error) {
    if (!value.is_array()) {
        error = "раздел «schedule» должен быть списком точек";
        return false;
    }
    if (value.size() > kMaxSchedulePoints) {
        error = "в расписании больше " + std::to_string(kMaxSchedulePoints) + " точек";
        return false;
    }
    Schedule s;
    for (std::size_t k = 0; k < value.size(); ++k) {
        const nlohmann::json& point = value[k];
        const std::string where = "расписание, строка " + std::to_string(k + 1) + ": ";
        if (!point.is_object()) {
            error = where + "точка должна быть объектом {\"time_min\": ..., \"Vlit\": ...}";
            return false;
        }
        SchedulePoint p;
        bool time = false, speed = false;
        for (const auto& [key, v] : point.items()) {
            if (!v.is_number()) {
                error = where + "значение «" + key + "» должно быть числом";
                return false;
            }
            const double x = v.get<double>();
            if (key == "time_min") {
                p.timeMin = x;
                time = true;
            } else if (key == "Vlit") {
                p.vlit = x;
                speed = true;
            } else {
                int f = 0;
                while (f < 4 && key != kFlowKeys[f])
                    ++f;
                if (f == 4) {
                    error = where + "неизвестный столбец «" + key +
                            "» (известны: time_min, Vlit, Q1, Q2, Q3, Q4)";
                    return false;
                }
                p.q[f] = x;
            }
        }
        if (!time || !speed) {
            error = where + "нужны time_min и Vlit";
            return false;
        }
        s.points.push_back(p);
    }
    if (std::string why = CheckSchedule(s, 1); !why.empty()) {
        error = "расписание, " + why;
        return false;
    }
    out = std::move(s);
    return true;
}

} // namespace korvel
