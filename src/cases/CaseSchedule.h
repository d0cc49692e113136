#pragma once

// The casting schedule inside a case file: an optional member "schedule", a list of points
//
//   "schedule": [{"time_min": 0, "Vlit": 2.0}, {"time_min": 5, "Vlit": 1.2, "Q1": 1.5}, ...]
//
// each with time_min (minutes from the start of casting) and Vlit (m/min) and, where the flow is not the
// case's own, Q1..Q4 (m³/h). A case file without it has no schedule.

#include "strand/Schedule.h"

#include <nlohmann/json_fwd.hpp>

#include <string>

namespace korvel {

// The member's value as JSON text (numbers in their shortest exact form), for a non-empty schedule.
std::string ScheduleJsonText(const Schedule& s);

// Reads the member's value. On failure returns false with a Russian message naming the point, and
// leaves `out` unchanged.
bool ScheduleFromJson(const nlohmann::json& value, Schedule& out, std::string& error);

} // namespace korvel
