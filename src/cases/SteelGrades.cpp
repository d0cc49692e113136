#include "SteelGrades.h"

#include <cmath>

namespace korvel {

namespace {

// Ranges as the standards give them (mass %); the README names where each was checked and which could not
// be confirmed. Sulphur, phosphorus and the residual chromium, nickel and copper are limited from above
// only.
std::vector<SteelGrade> makeGrades() {
    auto upTo = [](double hi) { return ElementRange{0, hi}; };
    std::vector<SteelGrade> g;
    // Carbon steel of ordinary quality, killed: ГОСТ 380-2005, table 1 and 5.
    g.push_back({"Ст3сп",
                 "ГОСТ 380-2005",
                 {0.14, 0.22},
                 {0.40, 0.65},
                 {0.15, 0.30},
                 upTo(0.050),
                 upTo(0.040),
                 upTo(0.30),
                 upTo(0.30),
                 upTo(0.30),
                 {},
                 {},
                 {}});
    // Quality carbon steels: ГОСТ 1050-2013.
    g.push_back({"20",
                 "ГОСТ 1050-2013",
                 {0.17, 0.24},
                 {0.35, 0.65},
                 {0.17, 0.37},
                 upTo(0.035),
                 upTo(0.030),
                 upTo(0.25),
                 upTo(0.30),
                 upTo(0.30),
                 {},
                 {},
                 {}});
    g.push_back({"45",
                 "ГОСТ 1050-2013",
                 {0.42, 0.50},
                 {0.50, 0.80},
                 {0.17, 0.37},
                 upTo(0.035),
                 upTo(0.030),
                 upTo(0.25),
                 upTo(0.30),
                 upTo(0.30),
                 {},
                 {},
                 {}});
    // Low-alloy high-strength steel: ГОСТ 19281-2014.
    g.push_back({"09Г2С",
                 "ГОСТ 19281-2014",
                 upTo(0.12),
                 {1.30, 1.70},
                 {0.50, 0.80},
                 upTo(0.035),
                 upTo(0.030),
                 upTo(0.30),
                 upTo(0.30),
                 upTo(0.30),
                 {},
                 {},
                 {}});
    // Reinforcing bar steels: ГОСТ 5781-82.
    g.push_back({"35ГС",
                 "ГОСТ 5781-82",
                 {0.30, 0.37},
                 {0.80, 1.20},
                 {0.60, 0.90},
                 upTo(0.045),
                 upTo(0.040),
                 upTo(0.30),
                 upTo(0.30),
                 upTo(0.30),
                 {},
                 {},
                 {}});
    g.push_back({"25Г2С",
                 "ГОСТ 5781-82",
                 {0.20, 0.29},
                 {1.20, 1.60},
                 {0.60, 0.90},
                 upTo(0.045),
                 upTo(0.040),
                 upTo(0.30),
                 upTo(0.30),
                 upTo(0.30),
                 {},
                 {},
                 {}});
    // Alloyed structural steel: ГОСТ 4543-2016.
    g.push_back({"40Х",
                 "ГОСТ 4543-2016",
                 {0.36, 0.44},
                 {0.50, 0.80},
                 {0.17, 0.37},
                 upTo(0.035),
                 upTo(0.035),
                 {0.80, 1.10},
                 upTo(0.30),
                 upTo(0.30),
                 {},
                 {},
                 {}});
    return g;
}

struct Element {
    double DataWindowValues::*field;
    ElementRange SteelGrade::*range;
    int decimals; // what the data window's field shows
};

const Element kElements[] = {
    {&DataWindowValues::C, &SteelGrade::C, 2},   {&DataWindowValues::Mn, &SteelGrade::Mn, 2},
    {&DataWindowValues::Si, &SteelGrade::Si, 2}, {&DataWindowValues::S, &SteelGrade::S, 2},
    {&DataWindowValues::P, &SteelGrade::P, 3},   {&DataWindowValues::Cr, &SteelGrade::Cr, 2},
    {&DataWindowValues::Ni, &SteelGrade::Ni, 2}, {&DataWindowValues::Cu, &SteelGrade::Cu, 2},
    {&DataWindowValues::Al, &SteelGrade::Al, 2}, {&DataWindowValues::V, &SteelGrade::V, 2},
    {&DataWindowValues::Mg, &SteelGrade::Mg, 2},
};

} // namespace

const std::vector<SteelGrade>& SteelGrades() {
    static const std::vector<SteelGrade> grades = makeGrades();
    return grades;
}

DataWindowValues WithGradeChemistry(const DataWindowValues& w, const SteelGrade& g) {
    DataWindowValues r = w;
    for (const Element& e : kElements)
        r.*(e.field) = (g.*(e.range)).Middle();
    return r;
}

int GradeOfChemistry(const DataWindowValues& w) {
    const std::vector<SteelGrade>& grades = SteelGrades();
    for (size_t k = 0; k < grades.size(); ++k) {
        bool same = true;
        for (const Element& e : kElements) {
            // Half a unit in the field's last decimal, with room for the binary representation.
            const double tolerance = 0.5 * std::pow(10.0, -e.decimals) + 1e-9;
            if (!(std::fabs(w.*(e.field) - (grades[k].*(e.range)).Middle()) <= tolerance)) {
                same = false;
                break;
            }
        }
        if (same) return int(k);
    }
    return -1;
}

} // namespace korvel
