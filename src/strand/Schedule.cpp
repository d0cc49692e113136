#include "Schedule.h"

#include "results/FileWrite.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>

namespace korvel {

namespace {

constexpr std::size_t kMaxScheduleFileBytes = 16u << 20;
constexpr const char* kColumns[] = {"time_min", "Vlit", "Q1", "Q2", "Q3", "Q4"};

std::string Number(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string Line(std::size_t line) {
    return "строка " + std::to_string(line);
}

// Same value, NaN equal to NaN.
bool Same(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

double Flow(const SchedulePoint& p, int k, const CastingData& d) {
    if (!std::isnan(p.q[k])) return p.q[k];
    const double flows[4] = {d.Q1, d.Q2, d.Q3, d.Q4};
    return flows[k];
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> SplitCells(std::string_view line) {
    std::vector<std::string_view> cells;
    for (;;) {
        const std::size_t comma = line.find(',');
        cells.push_back(Trim(line.substr(0, comma)));
        if (comma == std::string_view::npos) break;
        line.remove_prefix(comma + 1);
    }
    return cells;
}

// A decimal number with a dot, whole cell, optional leading '+'.
bool ParseCell(std::string_view cell, double& v) {
    const char* b = cell.data();
    const char* e = b + cell.size();
    const bool plus = b != e && *b == '+';
    if (plus) ++b;
    if (b == e || *b == '+' || (plus && *b == '-')) return false;
    const auto r = std::from_chars(b, e, v);
    return r.ec == std::errc() && r.ptr == e && std::isfinite(v);
}

std::string Shown(std::string_view cell) {
    std::string s(cell.substr(0, 40));
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    return s + (cell.size() > 40 ? "…" : "");
}

} // namespace

bool operator==(const SchedulePoint& a, const SchedulePoint& b) {
    if (a.timeMin != b.timeMin || a.vlit != b.vlit) return false;
    for (int k = 0; k < 4; ++k)
        if (!Same(a.q[k], b.q[k])) return false;
    return true;
}

bool operator==(const Schedule& a, const Schedule& b) {
    return a.points == b.points;
}

CastingConditions ScheduleAt(const Schedule& s, double tMin, const CastingData& d) {
    CastingConditions c;
    const std::vector<SchedulePoint>& p = s.points;
    if (p.empty()) {
        c.vlit = d.Vlit;
        c.q = {d.Q1, d.Q2, d.Q3, d.Q4};
        return c;
    }
    auto take = [&](const SchedulePoint& a) {
        c.vlit = a.vlit;
        for (int k = 0; k < 4; ++k)
            c.q[k] = Flow(a, k, d);
    };
    if (!(tMin > p.front().timeMin)) {
        take(p.front());
        return c;
    }
    if (!(tMin < p.back().timeMin)) {
        take(p.back());
        return c;
    }
    // The first point after tMin; the one before it is at or before tMin.
    const auto after = std::upper_bound(p.begin(), p.end(), tMin,
                                        [](double t, const SchedulePoint& q) { return t < q.timeMin; });
    const SchedulePoint& b = *after;
    const SchedulePoint& a = *(after - 1);
    if (tMin == a.timeMin) {
        take(a);
        return c;
    }
    const double f = (tMin - a.timeMin) / (b.timeMin - a.timeMin);
    c.vlit = a.vlit + f * (b.vlit - a.vlit);
    for (int k = 0; k < 4; ++k) {
        const double qa = Flow(a, k, d), qb = Flow(b, k, d);
        c.q[k] = qa + f * (qb - qa);
    }
    return c;
}

bool ScheduleConstantOn(const Schedule& s, double t0Min, double t1Min) {
    // Linear between the points: constant when the values at both ends and at every point between are
    // alike. A flow left as in the case compares equal only to another left so.
    CastingData open;
    open.Q1 = open.Q2 = open.Q3 = open.Q4 = NAN;
    const CastingConditions ref = ScheduleAt(s, t0Min, open);
    auto same = [&](const CastingConditions& c) {
        if (c.vlit != ref.vlit) return false;
        for (int k = 0; k < 4; ++k)
            if (!Same(c.q[k], ref.q[k])) return false;
        return true;
    };
    if (!same(ScheduleAt(s, t1Min, open))) return false;
    for (const SchedulePoint& p : s.points)
        if (p.timeMin > t0Min && p.timeMin < t1Min && !same(ScheduleAt(s, p.timeMin, open))) return false;
    return true;
}

std::string CheckSchedule(const Schedule& s, int firstLine) {
    if (s.points.empty()) return "в расписании нет ни одной точки";
    if (s.points.size() > kMaxSchedulePoints)
        return "в расписании больше " + std::to_string(kMaxSchedulePoints) + " точек";
    for (std::size_t k = 0; k < s.points.size(); ++k) {
        const SchedulePoint& p = s.points[k];
        const std::string where = Line(k + static_cast<std::size_t>(firstLine)) + ": ";
        if (!std::isfinite(p.timeMin)) return where + "время должно быть числом";
        if (k > 0 && !(p.timeMin > s.points[k - 1].timeMin))
            return where + "время " + Number(p.timeMin) + " мин не больше времени предыдущей строки (" +
                   Number(s.points[k - 1].timeMin) + " мин): время должно возрастать";
        if (!std::isfinite(p.vlit) || !(p.vlit > 0))
            return where + "скорость разливки " + Number(p.vlit) + " м/мин: должна быть больше нуля";
        for (int f = 0; f < 4; ++f) {
            if (std::isnan(p.q[f])) continue;
            if (!std::isfinite(p.q[f]) || p.q[f] < 0)
                return where + "расход воды Q" + std::to_string(f + 1) + " = " + Number(p.q[f]) +
                       " м3/ч: не может быть отрицательным";
        }
    }
    return {};
}

bool ScheduleFromCsv(std::string_view text, Schedule& out, std::string& error) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Schedule s;
    // Column of each header cell: 0 time, 1 speed, 2..5 flows.
    std::vector<int> columns;
    std::size_t lineNo = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) eol = text.size();
        const std::string_view line = Trim(text.substr(pos, eol - pos));
        pos = eol + 1;
        ++lineNo;
        if (line.empty()) {
            if (eol == text.size()) break;
            continue;
        }
        const std::vector<std::string_view> cells = SplitCells(line);
        if (columns.empty()) {
            bool seen[6] = {};
            for (std::string_view cell : cells) {
                int col = -1;
                for (int c = 0; c < 6; ++c)
                    if (cell == kColumns[c]) col = c;
                if (col < 0) {
                    error = Line(lineNo) + ": неизвестный столбец «" + Shown(cell) +
                            "» (известны: time_min, Vlit, Q1, Q2, Q3, Q4)";
                    return false;
                }
                if (seen[col]) {
                    error = Line(lineNo) + ": столбец «" + kColumns[col] + "» повторяется";
                    return false;
                }
                seen[col] = true;
                columns.push_back(col);
            }
            if (!seen[0] || !seen[1]) {
                error = Line(lineNo) + ": нужны столбцы time_min и Vlit";
                return false;
            }
            continue;
        }
        if (cells.size() != columns.size()) {
            error = Line(lineNo) + ": " + std::to_string(cells.size()) + " значений, а столбцов " +
                    std::to_string(columns.size());
            return false;
        }
        if (s.points.size() >= kMaxSchedulePoints) {
            error = Line(lineNo) + ": в расписании больше " + std::to_string(kMaxSchedulePoints) + " точек";
            return false;
        }
        SchedulePoint p;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const int col = columns[c];
            if (cells[c].empty() && col >= 2) continue; // flow as in the case
            double v = 0;
            if (!ParseCell(cells[c], v)) {
                error = Line(lineNo) + ", столбец " + kColumns[col] + ": «" + Shown(cells[c]) +
                        "» не является числом (дробная часть — через точку)";
                return false;
            }
            if (col == 0)
                p.timeMin = v;
            else if (col == 1)
                p.vlit = v;
            else
                p.q[col - 2] = v;
        }
        s.points.push_back(p);
        // The point's own checks, named by its line in this file.
        Schedule probe;
        if (s.points.size() >= 2) probe.points.push_back(s.points[s.points.size() - 2]);
        probe.points.push_back(p);
        if (std::string why = CheckSchedule(probe); !why.empty()) {
            // CheckSchedule names the probe's own lines; put this file's line instead.
            const std::size_t colon = why.find(": ");
            error = Line(lineNo) + why.substr(colon);
            return false;
        }
    }
    if (columns.empty()) {
        error = "файл пуст: нужна строка заголовка time_min,Vlit[,Q1,Q2,Q3,Q4] и хотя бы одна точка";
        return false;
    }
    if (s.points.empty()) {
        error = "в расписании нет ни одной точки (после заголовка нет строк)";
        return false;
    }
    out = std::move(s);
    return true;
}

std::string ScheduleToCsv(const Schedule& s) {
    std::string t = "time_min,Vlit,Q1,Q2,Q3,Q4\n";
    for (const SchedulePoint& p : s.points) {
        t += Number(p.timeMin) + "," + Number(p.vlit);
        for (double q : p.q) {
            t += ',';
            if (!std::isnan(q)) t += Number(q);
        }
        t += "\n";
    }
    return t;
}

bool ReadScheduleFile(const std::string& path, Schedule& out, std::string& error) {
    const std::string where = "Файл расписания «" + path + "»: ";
    std::string text;
    if (!ReadWholeFile(path, kMaxScheduleFileBytes, "слишком большой для файла расписания (больше 16 МБ)",
                       text, error)) {
        error = where + error;
        return false;
    }
    std::string why;
    if (!ScheduleFromCsv(text, out, why)) {
        error = where + why;
        return false;
    }
    return true;
}

bool WriteScheduleFile(const std::string& path, const Schedule& s, std::string& error) {
    const std::string where = "Файл расписания «" + path + "» не записан: ";
    if (std::string bad = CheckSchedule(s); !bad.empty()) {
        error = where + bad;
        return false;
    }
    if (!WriteWholeFile(path, ScheduleToCsv(s), error)) {
        error = where + error;
        return false;
    }
    return true;
}

} // namespace korvel
