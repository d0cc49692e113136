#include "CaseBatch.h"

#include "CaseFile.h"
#include "results/ResultsExport.h"

#include <bit>
#include <cstdint>

namespace korvel {

namespace {

bool Same(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

} // namespace

bool ModelFromCaseFile(const std::string& path, Model& m, std::string& error) {
    Case c;
    if (!ReadCaseFile(path, c, error)) return false;
    m = Model{};
    ApplyCase(c, m);
    return true;
}

Case CaseOfModel(const Case& base, const CastingData& baseData, const Model& m, std::string& inexact) {
    const CastingData& d = m.data;
    Case c = base;
    c.params = m.params;
    DataWindowValues& w = c.window;
    // Values the window holds as the model does.
    w.C = d.C, w.Mn = d.Mn, w.Si = d.Si, w.S = d.S, w.P = d.P, w.Cr = d.Cr, w.Ni = d.Ni, w.Cu = d.Cu;
    w.Al = d.Al, w.V = d.V, w.Mg = d.Mg, w.H2 = d.H2, w.T0 = d.T0, w.Vlit = d.Vlit;
    w.Q1 = d.Q1, w.Q2 = d.Q2, w.Q3 = d.Q3, w.Q4 = d.Q4, w.Nn1 = d.Nn1, w.Nn2 = d.Nn2, w.Nn3 = d.Nn3;
    w.Nn4 = d.Nn4, w.Rkorvel = d.Rkorvel, w.Lzvo = d.Lzvo, w.Lkrist = d.Lkrist;
    // Converted values only where an override changed them, so the base keeps its own text.
    if (!Same(d.HalfX, baseData.HalfX)) w.DlomX = d.HalfX * 2000;
    if (!Same(d.HalfY, baseData.HalfY)) w.DlomY = d.HalfY * 2000;
    if (!Same(d.TauEnd, baseData.TauEnd)) w.Vp = d.TauEnd / 60;
    if (!Same(d.Lkrist, baseData.Lkrist) || !Same(d.Lend1, baseData.Lend1) ||
        !Same(d.Lend2, baseData.Lend2) || !Same(d.Lend3, baseData.Lend3) || !Same(d.Lend4, baseData.Lend4)) {
        const DataWindowValues r = RestoreDataWindow(d);
        w.l1 = r.l1, w.l2 = r.l2, w.l3 = r.l3, w.l4 = r.l4;
    }
    CastingData back;
    AcceptDataWindow(w, back);
    inexact.clear();
    for (const CastingDataField& f : CastingDataFields()) {
        if (Same(back.*f.member, d.*f.member)) continue;
        if (!inexact.empty()) inexact += ", ";
        inexact += f.key;
    }
    return c;
}

bool SaveCaseOfRun(const std::string& caseFile, bool builtin, const Model& m, const std::string& path,
                   std::string& error, std::string& note) {
    Case base;
    CastingData baseData;
    if (!caseFile.empty()) {
        if (!ReadCaseFile(caseFile, base, error)) return false;
        AcceptDataWindow(base.window, baseData);
    } else if (builtin) {
        base.window = RestoreDataWindow(baseData);
    } else {
        AcceptDataWindow(base.window, baseData);
    }
    std::string inexact;
    const Case c = CaseOfModel(base, baseData, m, inexact);
    note.clear();
    if (!inexact.empty())
        note = "вариант хранит значения в единицах окна исходных данных; при открытии " + inexact +
               " будут отличаться от заданных в последнем знаке";
    return WriteCaseFile(path, c, error);
}

} // namespace korvel
