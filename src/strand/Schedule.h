#pragma once

// The casting schedule: the casting speed and, where given, the water flow of each spray section against
// the casting time. A table of points, linear between them; before the first point the first point's
// values hold, after the last the last's. A flow not given at a point is the case's own flow.
//
// CSV form (UTF-8, decimal point in every locale), one header line naming the columns, then one line per
// point:
//
//   time_min,Vlit,Q1,Q2,Q3,Q4
//   0,2.0,,,,
//   5,1.2,1.5,,,
//
// time_min (minutes from the start of casting) and Vlit (m/min) are required; Q1..Q4 (m³/h) may be left
// out as columns or as cells.

#include "model/CastingData.h"

#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

struct SchedulePoint {
    double timeMin = 0; // minutes from the start of casting
    double vlit = 0;    // m/min
    // Water flows of spray sections 1..4, m³/h; NaN: as in the case.
    std::array<double, 4> q = {NAN, NAN, NAN, NAN};
};

struct Schedule {
    std::vector<SchedulePoint> points; // times strictly increasing
    bool Empty() const { return points.empty(); }
};

bool operator==(const SchedulePoint& a, const SchedulePoint& b);
bool operator==(const Schedule& a, const Schedule& b);

// The most points a schedule may have.
constexpr std::size_t kMaxSchedulePoints = 100000;

// The casting conditions at one moment.
struct CastingConditions {
    double vlit = 0;
    std::array<double, 4> q{}; // m³/h
};

// The conditions at tMin minutes of casting, the missing flows taken from the casting data. An empty
// schedule gives the casting data's own speed and flows.
CastingConditions ScheduleAt(const Schedule& s, double tMin, const CastingData& d);

// Whether the conditions stay the same from t0 to t1 minutes (no change of speed or flow in between).
bool ScheduleConstantOn(const Schedule& s, double t0Min, double t1Min);

// Empty when the schedule can be used, else a Russian message naming the point as "строка N", N being
// the point's line: firstLine for the first point (2 in the CSV form, whose line 1 is the header; 1 in
// the editor's table). Times must be finite and increasing, speeds above zero, flows not negative.
std::string CheckSchedule(const Schedule& s, int firstLine = 2);

// Reads the CSV form. On failure returns false, leaves `out` unchanged and puts the reason, naming the
// line, into `error` (without the file's name).
bool ScheduleFromCsv(std::string_view text, Schedule& out, std::string& error);

// The CSV form: every column, an empty cell for a flow as in the case; numbers in their shortest form
// that reads back to the same value.
std::string ScheduleToCsv(const Schedule& s);

// Reads a schedule file; the message names the file.
bool ReadScheduleFile(const std::string& path, Schedule& out, std::string& error);

// Writes a schedule file atomically; the message names the file.
bool WriteScheduleFile(const std::string& path, const Schedule& s, std::string& error);

} // namespace korvel
