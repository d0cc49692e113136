#pragma once

#include "model/CastingData.h"

#include <string>
#include <vector>

namespace korvel {

// One element's composition range of a steel grade in mass %; an element limited only from above has
// lo = 0.
struct ElementRange {
    double lo = 0;
    double hi = 0;
    double Middle() const { return (lo + hi) / 2; }
};

// A common steel grade with the composition ranges its standard gives, for the elements the data
// window holds. Elements the standard does not limit are zero.
struct SteelGrade {
    std::string name;     // e.g. "Ст3сп"
    std::string standard; // e.g. "ГОСТ 380-2005"
    ElementRange C, Mn, Si, S, P, Cr, Ni, Cu, Al, V, Mg;
};

// The grades the data window offers, in the order it lists them.
const std::vector<SteelGrade>& SteelGrades();

// The data window's values with the chemistry (C .. Mg) set to the middle of each of the grade's
// ranges; every other field (hydrogen included) is kept.
DataWindowValues WithGradeChemistry(const DataWindowValues& w, const SteelGrade& g);

// The index of the grade whose middle composition the window's chemistry holds, each element to
// within half a unit in the last decimal the field shows (2, 3 for phosphorus); -1 when none.
int GradeOfChemistry(const DataWindowValues& w);

} // namespace korvel
