#include "SoluteTransport.h"

#include "../PropertyMemo.h"

#include "../SteelProperties.h"
#include "FlowField.h"

#include <cmath>

namespace korvel {

namespace {
constexpr double kCoherent = 0.8;

// One explicit transport step of a solute whose liquid concentration is `liq`, into `out`. The carbon
// transport also requires the node to be hotter than the solidus of its mean composition.
void Transport(Model& m, const NodeField& liq, NodeField& out, bool aboveMeanSolidus) {
    ModelState& s = m.state;
    const int L = m.params.L;
    const int M = m.params.M;
    const NodeField& U = s.FlowU;
    const NodeField& V = s.FlowV;
    const NodeField& fs = SolidFractions(m);
    // The liquid's solute per cell volume, (1 − fs) · liq, formed once per node.
    NodeField& g = m.cache.liquidSolute;
    if (g.Rows() != liq.Rows() || g.Cols() != liq.Cols()) g.Resize(liq.Rows(), liq.Cols());
    for (int i = 1; i <= L; ++i)
        for (int j = 1; j <= M; ++j)
            g[i][j] = (1 - fs[i][j]) * liq[i][j];

    for (int i = 1; i <= L; ++i)
        for (int j = 1; j <= M; ++j)
            out[i][j] = liq[i][j];

    for (int i = 1; i <= L; ++i) {
        for (int j = 1; j <= M; ++j) {
            const double f = fs[i][j];
            if (!(f < kCoherent)) continue;
            if (aboveMeanSolidus && !(MeanTsol(m, i, j) < s.Tem[i][j])) continue;
            if (i >= 2 && j >= 2) {
                // On the planes of symmetry the missing outer neighbour is the node itself.
                const int e = i == L ? i : i + 1;
                const int n = j == M ? j : j + 1;
                const double gx = (std::fabs(U[i][j] + U[e][j]) - std::fabs(U[i][j] + U[i - 1][j])) *
                                  (g[e][j] - g[i - 1][j]) / s.Hx;
                const double gy = (std::fabs(V[i][j] + V[i][n]) - std::fabs(V[i][j] + V[i][j - 1])) *
                                  (g[i][n] - g[i][j - 1]) / s.Hy;
                out[i][j] = liq[i][j] + (gx + gy) * (m.params.Dt / 2) / (1 - f);
            }
            if (out[i][j] < 0) out[i][j] = 0;
        }
    }
}
} // namespace

void TransportC(Model& m) {
    FlowField(m, 2);
    Transport(m, m.state.CLiq, m.state.CLiqNew, true);
}

void TransportS(Model& m) {
    FlowField(m, 1);
    Transport(m, m.state.SLiq, m.state.SLiqNew, false);
}

} // namespace korvel
