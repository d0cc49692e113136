#include "StepCache.h"

#include "Model.h"
#include "PropertyMemo.h"

#include <algorithm>
#include <cstring>

namespace korvel {

namespace {
// The inputs of the remembered values other than their own arguments.
std::array<double, 11> Chemistry(const Model& m) {
    const CastingData& d = m.data;
    return {d.Si, d.Mn, d.P, d.Ni, d.Cr, d.Al, d.Cu, d.Mg, d.V, m.state.RoLiq, m.state.SCell};
}

} // namespace

void StepCache::Clear() {
    for (auto& node : memo)
        for (RangeEntry& e : node)
            e.valid = false;
    for (MemoEntry& e : ro)
        e.valid = false;
    for (MemoEntry& e : diffusionTsol)
        e.valid = false;
    flowStamp.assign(flowStamp.size(), 0);
    endsStamp.assign(endsStamp.size(), 0);
    flowStep = 0;
    chemistryKnown = false;
}

void BeginStep(Model& m) {
    StepCache& c = m.cache;
    const int rows = m.params.L + 1;
    const int cols = m.params.M + 1;
    const std::size_t nodes = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
    if (c.memo.size() != nodes || c.fs.Rows() != rows || c.fs.Cols() != cols) {
        c.memo.assign(nodes, {});
        c.ro.assign(nodes, {});
        c.diffusionTsol.assign(nodes, {});
        c.flow.assign(nodes, {});
        c.flowStamp.assign(nodes, 0);
        c.endsStamp.assign(nodes, 0);
        c.fs.Resize(rows, cols);
        c.diffuses.Resize(rows, cols);
        c.density.Resize(rows, cols);
        for (NodeField* f : {&c.solidTs, &c.liquidTs, &c.liquidTL, &c.meanTs, &c.meanTL})
            f->Resize(rows, cols);
        c.liquidSolute.Resize(rows, cols);
        const std::size_t line = static_cast<std::size_t>(std::max(rows, cols) + 1) * kLineBlock;
        for (auto* a : {&c.lineA, &c.lineF, &c.lineAlfa, &c.lineBeta, &c.lineU})
            a->assign(line, 0.0);
        c.Clear();
    }
    const std::array<double, 11> chem = Chemistry(m);
    if (!c.chemistryKnown || std::memcmp(chem.data(), c.chemistry.data(), sizeof chem) != 0) {
        c.Clear();
        c.chemistry = chem;
        c.terms = MakePropertyTerms(m.data);
        c.chemistryKnown = true;
    }
    ++c.flowStep;
    c.active = true;
}

void EndStep(Model& m) {
    m.cache.active = false;
    m.cache.flowShared = false;
}

void RefreshSolidFraction(Model& m) {
    const ModelState& s = m.state;
    NodeField& fs = m.cache.fs;
    if (fs.Rows() != s.MSol.Rows() || fs.Cols() != s.MSol.Cols()) fs.Resize(s.MSol.Rows(), s.MSol.Cols());
    const double full = kRoSolid * s.SCell;
    for (int i = 0; i < s.MSol.Rows(); ++i) {
        const double* msol = s.MSol[i];
        double* out = fs[i];
        for (int j = 0; j < s.MSol.Cols(); ++j)
            out[j] = msol[j] / full;
    }
}

void RefreshFreezingRanges(Model& m) {
    const ModelState& s = m.state;
    StepCache& c = m.cache;
    for (int i = 1; i <= m.params.L; ++i) {
        for (int j = 1; j <= m.params.M; ++j) {
            c.solidTs[i][j] = MemoRange(m, Memo::Solid, i, j, s.CSol[i][j], s.SSol[i][j]).tsol;
            const RangeEntry& liquid = MemoRange(m, Memo::Liquid, i, j, s.CLiq[i][j], s.SLiq[i][j]);
            c.liquidTs[i][j] = liquid.tsol;
            c.liquidTL[i][j] = liquid.tliq;
            const RangeEntry& mean = MemoRange(m, Memo::Mean, i, j, s.CMean[i][j], s.SMean[i][j]);
            c.meanTs[i][j] = mean.tsol;
            c.meanTL[i][j] = mean.tliq;
        }
    }
}

void RefreshMeanRanges(Model& m) {
    const ModelState& s = m.state;
    StepCache& c = m.cache;
    for (int i = 1; i <= m.params.L; ++i) {
        for (int j = 1; j <= m.params.M; ++j) {
            const RangeEntry& mean = MemoRange(m, Memo::Mean, i, j, s.CMean[i][j], s.SMean[i][j]);
            c.meanTs[i][j] = mean.tsol;
            c.meanTL[i][j] = mean.tliq;
        }
    }
}

void RefreshDensity(Model& m) {
    for (int i = 1; i <= m.params.L; ++i)
        for (int j = 1; j <= m.params.M; ++j)
            m.cache.density[i][j] = MemoRo(m, i, j);
}

} // namespace korvel
