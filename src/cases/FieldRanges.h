#pragma once

// The physical range of every input of a case: what a billet caster and the model's formulas can
// have. The data window, case files, the batch runner's KEY=VALUE and the rows of a study refuse the
// same values with the same words. The README's table lists every range with its source.

#include "model/CastingData.h"
#include "model/ModelParams.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvel {

struct FieldRange {
    const char* key;     // the case-file key ("DlomX", "l2", "Dt"), or a casting-data key ("HalfX", "Lend1")
    const char* caption; // a Russian name for messages
    const char* unit;    // the unit of min and max ("" for counts)
    double min, max;
    bool minOpen;       // the minimum itself is refused (a length must be above 0)
    bool whole;         // only whole numbers
    const char* reason; // where the bounds come from (the README's table)
};

// Every range: the data window's fields, then Dt, L, M, SideFlag, then the casting-data fields held in
// other units (HalfX, HalfY, TauEnd, Lend1..Lend4).
const std::vector<FieldRange>& FieldRanges();

// The range of a key, or nullptr.
const FieldRange* FindFieldRange(std::string_view key);

// Empty when v lies in the range, else a Russian message naming `name`, the value and the range, e.g.
// "C: значение -0.2 % вне диапазона 0..2 %".
std::string CheckFieldValue(const FieldRange& r, double v, std::string_view name);

// The same for a key; keys without a range are accepted.
std::string CheckFieldValue(std::string_view key, double v, std::string_view name);

// Values given by key (KEY=VALUE: a case-file key or a casting-data key), each against its range, named
// by the key and its caption: "L («Количество узлов по оси X»): значение 3 вне диапазона 4..100". Keys
// without a range are left to the caller. Empty when all lie inside.
std::string CheckOverrideRanges(const std::vector<std::pair<std::string, double>>& values);

// How a check names a field: by default "«caption» (key)".
using FieldNamer = std::function<std::string(const FieldRange&)>;

// The data window's values (and the parameters, when given) against their ranges, in the window's
// order, then what the fields say together (see CheckTogether). Empty when they can run.
std::string CheckWindowRanges(const DataWindowValues& w, const ModelParams* p = nullptr,
                              const FieldNamer& name = {});

// The casting data and parameters in the model's units against the same ranges (the section lengths as
// differences of the ends), then CheckTogether. Empty when they can run.
std::string CheckDataRanges(const CastingData& d, const ModelParams& p, const FieldNamer& name = {});

// What fields say together: the sum of the alloying elements, a freezing range (liquidus above
// solidus), a pouring temperature above the solidus of the steel given, a nozzle at least where a
// section has water.
std::string CheckTogether(const CastingData& d, const FieldNamer& name = {});

// The shortest text that reads back as v, with a decimal point ("0.2", "1e+300", "nan"); when that
// takes more than 15 characters, v to 12 significant digits ("-0.3" for -0.30000000000000004).
std::string NumberForMessage(double v);

} // namespace korvel
