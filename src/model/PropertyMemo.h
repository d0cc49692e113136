#pragma once

#include "Model.h"
#include "SteelProperties.h"

#include <bit>
#include <cstddef>

// Solidus, liquidus, density and solid fraction of a node as a time step asks for them: remembered in
// the model's StepCache while the step's caches are active, computed afresh otherwise. Either way the
// value is the same bits.

namespace korvel {

namespace detail {
inline std::size_t NodeIndex(const Model& m, int i, int j) {
    return static_cast<std::size_t>(i) * static_cast<std::size_t>(m.params.M + 1) +
           static_cast<std::size_t>(j);
}
} // namespace detail

// Solidus and liquidus of (c, s) for node (i, j) and the composition `which`.
inline const RangeEntry& MemoRange(const Model& m, Memo which, int i, int j, double c, double s) {
    StepCache& cache = m.cache;
    RangeEntry& e = cache.memo[detail::NodeIndex(m, i, j)][static_cast<int>(which)];
    const std::uint64_t bc = std::bit_cast<std::uint64_t>(c), bs = std::bit_cast<std::uint64_t>(s);
    if (!(e.valid && e.c == bc && e.s == bs))
        e = {bc, bs, TsolOf(cache.terms, c, s), TliqOf(cache.terms, c, s), true};
    return e;
}
inline double MemoTsol(const Model& m, Memo which, int i, int j, double c, double s) {
    return m.cache.active ? MemoRange(m, which, i, j, c, s).tsol : Tsol(m.data, c, s);
}
inline double MemoTliq(const Model& m, Memo which, int i, int j, double c, double s) {
    return m.cache.active ? MemoRange(m, which, i, j, c, s).tliq : Tliq(m.data, c, s);
}

// Mixture density of node (i, j), remembered by its solid mass.
inline double MemoRo(const Model& m, int i, int j) {
    StepCache& cache = m.cache;
    if (!cache.active) return Ro(m, i, j);
    MemoEntry& e = cache.ro[detail::NodeIndex(m, i, j)];
    const std::uint64_t bm = std::bit_cast<std::uint64_t>(m.state.MSol[i][j]);
    if (e.valid && e.c == bm) return e.value;
    e = {bm, 0, Ro(m, i, j), true};
    return e.value;
}

// Solidus and liquidus of node (i, j)'s mean composition before the step's cell-mean update: from the
// step's fields while the caches are active.
inline double MeanTsol(const Model& m, int i, int j) {
    return m.cache.active ? m.cache.meanTs[i][j] : Tsol(m.data, m.state.CMean[i][j], m.state.SMean[i][j]);
}
inline double MeanTliq(const Model& m, int i, int j) {
    return m.cache.active ? m.cache.meanTL[i][j] : Tliq(m.data, m.state.CMean[i][j], m.state.SMean[i][j]);
}

// The solid fraction field: the step's while the caches are active, else formed afresh from MSol.
inline const NodeField& SolidFractions(Model& m) {
    if (!m.cache.active) RefreshSolidFraction(m);
    return m.cache.fs;
}

// Solid fraction of node (i, j): the step's field while the caches are active, else from MSol.
inline double CachedFs(const Model& m, int i, int j) {
    return m.cache.active ? m.cache.fs[i][j] : m.Fs(i, j);
}

} // namespace korvel
