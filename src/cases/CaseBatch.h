#pragma once

// Cases in the batch runner: a run that starts from a case file, and the case file of a run whose
// values were given on the command line (in the model's units).

#include "Case.h"

#include <string>

namespace korvel {

// The model a case file runs with (as ApplyCase), the state left empty. On failure returns false
// with a message naming the file and the problem, and leaves m unchanged.
bool ModelFromCaseFile(const std::string& path, Model& m, std::string& error);

// The case whose accept gives m's casting data and whose parameters are m's, written in the data
// window's units. base is the case the run started from and baseData the casting data it gave
// before the overrides: values the overrides left alone keep the base's own text. Where a value in
// the window's units cannot give the model's value to the last bit (e.g. a section end given in
// metres from the meniscus), `inexact` lists the casting-data fields concerned, else it is empty.
Case CaseOfModel(const Case& base, const CastingData& baseData, const Model& m, std::string& inexact);

// Writes the case of a batch run: the run started from caseFile (when not empty), from the record's
// built-in defaults (builtin) or from the data window's start values, and m holds its data and
// parameters after the overrides. On failure returns false with a message; `note` then or otherwise
// tells of values the case cannot hold exactly.
bool SaveCaseOfRun(const std::string& caseFile, bool builtin, const Model& m, const std::string& path,
                   std::string& error, std::string& note);

} // namespace korvel
