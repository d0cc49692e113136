#pragma once

// A case: everything the engineer sets for one run, as the data window and the model parameters
// dialog hold it (the data window's own units: full sizes in mm, section lengths, minutes), and the
// table of its named inputs that case files, parameter studies and the batch runner share.

#include "model/CastingData.h"
#include "model/Model.h"
#include "model/ModelParams.h"
#include "strand/Schedule.h"

#include <string_view>
#include <vector>

namespace korvel {

struct Case {
    DataWindowValues window = DataWindowStartValues();
    ModelParams params;
    Schedule schedule; // casting schedule of the whole strand; empty: none
};

// One named input of a case: a data-window field or a model parameter.
struct CaseField {
    const char* key;     // the name in case files and on the command line, e.g. "Vlit", "l2", "Dt"
    const char* unit;    // the unit the value is given in, e.g. "м/мин" ("" for a count)
    const char* caption; // a short Russian caption for tables and choosers
    double DataWindowValues::*window = nullptr; // the data-window field, or nullptr for a parameter
    enum class Param { None, Dt, L, M, SideFlag } param = Param::None;
};

// Every input of a case, in the data window's order, then Dt, L, M, SideFlag.
const std::vector<CaseField>& CaseFields();

// The field with this key, or nullptr.
const CaseField* FindCaseField(std::string_view key);

double GetCaseValue(const Case& c, const CaseField& f);
// Sets the value; L, M and SideFlag take the value as an integer (the caller checks it is whole).
void SetCaseValue(Case& c, const CaseField& f, double v);

// The model a case runs with: the data window's values accepted into the casting data (as "Принять"
// does), and the parameters. The state is left empty: a run sizes and initialises it.
void ApplyCase(const Case& c, Model& m);

} // namespace korvel
