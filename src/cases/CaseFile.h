#pragma once

// Case files (".korvel"): one case as UTF-8 JSON with a format version and every value with its unit,
//
//   {
//     "format": "korvel-case",
//     "version": 1,
//     "fields": {
//       "DlomX": {"value": 160, "unit": "мм"},
//       ...
//       "SideFlag": {"value": 1, "unit": ""}
//     }
//   }
//
// "fields" holds every key of CaseFields() (the spray multipliers Kspray1..4 only when not 1; a file
// without them reads them as 1), no other, each with the value in the data window's own
// units and the unit it is given in. Numbers are written in their shortest form that reads back to the
// same double, so a case saved and opened again is the same to the last bit. Reading is strict: a
// malformed file, another format or version, a missing, repeated or unknown field, a wrong unit, a
// value that is not a finite number, L or M not a whole number from 4 to 100, SideFlag not +1 or -1
// are all refused with a message naming the file and the problem.

#include "Case.h"

#include <string>
#include <string_view>

namespace korvel {

constexpr const char* kCaseFormatName = "korvel-case";
constexpr int kCaseFormatVersion = 1;
constexpr const char* kCaseFileExtension = ".korvel";
// The largest spray multiplier a case may hold.
constexpr double kMaxSprayFactor = 10;
// Larger files are refused before reading (a case is about 2 KB).
constexpr std::size_t kMaxCaseFileBytes = 1 << 20;

// Empty when the case can be written and read back, else the reason (Russian, naming the field).
std::string CheckCase(const Case& c);

// The text of a case file.
std::string CaseToJson(const Case& c);

// Reads a case from the text of a case file. On failure returns false, leaves `out` unchanged and
// puts the reason into `error` (without the file's name).
bool CaseFromJson(std::string_view text, Case& out, std::string& error);

// Reads a case file. On failure returns false, leaves `out` unchanged and puts a message naming the
// file and the problem into `error`.
bool ReadCaseFile(const std::string& path, Case& out, std::string& error);

// Writes a case file atomically: into a temporary file in the same folder, then renamed over `path`,
// so the old file stays whole when anything fails. On failure returns false with a message naming
// the file and the system's reason.
bool WriteCaseFile(const std::string& path, const Case& c, std::string& error);

// The name of a case: the file name without its folder and without the ".korvel" extension.
std::string CaseNameOfPath(const std::string& path);

} // namespace korvel
