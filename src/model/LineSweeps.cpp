#include "LineSweeps.h"

#include "PropertyMemo.h"

#include "SteelProperties.h"
#include "segregation/DiffusionLine.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace korvel {

namespace {
constexpr int B = kLineBlock;

// Where the lines of one direction lie in a node field: node k of line `line` is at
// k * along + line * across.
struct Lines {
    int n;     // positions per line
    int count; // number of lines
    std::ptrdiff_t along, across;
    bool x; // lines along X: position k is i, the line is j; else the line is i and k is j
};

Lines AlongX(const Model& m) {
    return {m.params.L, m.params.M, m.params.M + 1, 1, true};
}
Lines AlongY(const Model& m) {
    return {m.params.M, m.params.L, 1, m.params.M + 1, false};
}

// Solves the kLineBlock systems held in the work arrays side by side, lane b of position k at
// k * B + b: sub- and super-diagonal A = C = a(k), except that position 1 has no sub-diagonal
// (A = 0) and position n no super-diagonal (C = 0); diagonal 1 − A − C; right-hand side f. The same
// operations as ForwardEliminate and SolveLine, lane by lane; lineU receives u.
template <int W> void SolveBlockOf(StepCache& c, int n) {
    const double* __restrict a = c.lineA.data();
    const double* __restrict f = c.lineF.data();
    double* __restrict alfa = c.lineAlfa.data();
    double* __restrict beta = c.lineBeta.data();
    double* __restrict u = c.lineU.data();
    // alfa(k), beta(k) of every lane, carried from one position to the next.
    double al[W], be[W];
    for (int b = 0; b < W; ++b) {
        const double C = a[1 * B + b];
        const double diag = 1 - 0.0 - C;
        al[b] = -C / diag;
        be[b] = f[1 * B + b] / diag;
        alfa[2 * B + b] = al[b];
        beta[2 * B + b] = be[b];
    }
    for (int k = 2; k <= n - 1; ++k) {
        for (int b = 0; b < W; ++b) {
            const double A = a[k * B + b];
            const double den = A * al[b] + (1 - A - A);
            al[b] = -A / den;
            be[b] = (f[k * B + b] - A * be[b]) / den;
            alfa[(k + 1) * B + b] = al[b];
            beta[(k + 1) * B + b] = be[b];
        }
    }
    double v[W];
    for (int b = 0; b < W; ++b) {
        const double A = a[n * B + b];
        v[b] = (f[n * B + b] - A * be[b]) / (A * al[b] + (1 - A - 0.0));
        u[n * B + b] = v[b];
    }
    for (int k = n - 1; k >= 1; --k) {
        for (int b = 0; b < W; ++b) {
            v[b] = alfa[(k + 1) * B + b] * v[b] + beta[(k + 1) * B + b];
            u[k * B + b] = v[b];
        }
    }
}

// Solves the first `width` lanes (8, 4 or 2).
void SolveBlock(StepCache& c, int n, int width) {
    if (width == 8) {
        SolveBlockOf<8>(c, n);
    } else if (width == 4) {
        SolveBlockOf<4>(c, n);
    } else {
        SolveBlockOf<2>(c, n);
    }
}

// How many lanes a block takes when `left` lines remain.
int BlockWidth(int left) {
    return left > 4 ? B : left > 2 ? 4 : 2;
}

// Lanes beyond the last line of a block hold a trivial system (1 · u = 0).
void ClearLanes(StepCache& c, int n, int from) {
    for (int k = 1; k <= n; ++k) {
        for (int b = from; b < B; ++b) {
            c.lineA[k * B + b] = 0;
            c.lineF[k * B + b] = 0;
        }
    }
}

// The heat sweeps of one direction: hAlong, hAcross the spacings, alfa and lamSurf indexed by line.
void HeatSweeps(Model& m, const Lines& g, double hAlong, double hAcross, const LineArray& alfa,
                LineArray& lamSurf) {
    ModelState& s = m.state;
    StepCache& c = m.cache;
    const PropertyTerms& terms = c.terms;
    const double Dt = m.params.Dt;
    double* tem = s.Tem[0];
    const double* csol = s.CSol[0];
    const double* solidTs = c.solidTs[0];
    const double* liquidTL = c.liquidTL[0];
    const double* fsField = c.fs[0];
    for (int first = 1, width = 0; first <= g.count; first += width) {
        width = BlockWidth(g.count - first + 1);
        const int lanes = std::min(width, g.count - first + 1);
        if (lanes < width) ClearLanes(c, g.n, lanes);
        for (int k = 1; k <= g.n; ++k) {
            for (int b = 0; b < lanes; ++b) {
                const int line = first + b;
                const std::ptrdiff_t at = k * g.along + line * g.across;
                // Properties of the node (solid, mushy or liquid; a later test overrides an earlier one).
                const double T = tem[at];
                const double fs = fsField[at];
                const double Ts = solidTs[at];
                const double TL = liquidTL[at];
                double cp = 0, lam = 0, ro = 0;
                if (Ts <= T && T <= TL) {
                    cp = CpsOf(csol[at], T) * fs + kCpLiquid * (1 - fs);
                    lam = LamOf(terms, csol[at], T) * fs + kLamLiquid * (1 - fs);
                    ro = (1 - fs) * s.RoLiq + kRoSolid * fs;
                }
                if (T < Ts) {
                    cp = CpsOf(csol[at], T);
                    lam = LamOf(terms, csol[at], T);
                    ro = kRoSolid;
                }
                if (T > TL) {
                    cp = kCpLiquid;
                    lam = kLamLiquid;
                    ro = s.RoLiq;
                }
                c.lineA[k * B + b] = -lam * Dt / (cp * ro * (hAlong * hAlong));
                c.lineF[k * B + b] = T;
                if (k == 1) {
                    // The surface loses heat explicitly.
                    lamSurf[line] = lam;
                    c.lineF[k * B + b] = T - (T - s.Tenv) * alfa[line] * hAcross * Dt / (cp * ro * s.SCell);
                }
            }
        }
        SolveBlock(c, g.n, width);
        for (int k = 1; k <= g.n; ++k)
            for (int b = 0; b < lanes; ++b)
                tem[k * g.along + (first + b) * g.across] = c.lineU[k * B + b];
    }
}

// The liquid concentration from the solution u = (1 − fs) · liq of `lanes` adjacent nodes; fully solid
// nodes keep theirs.
void StoreLiquid(int lanes, const double* __restrict u, const double* __restrict fs, double* __restrict liq) {
    for (int b = 0; b < lanes; ++b) {
        const double liquid = 1 - fs[b];
        const double value = u[b] / liquid;
        liq[b] = liquid > 0 ? value : liq[b];
    }
}

// The diffusion sweeps of one solute in one direction, into `liq`.
void DiffusionSweeps(Model& m, const Lines& g, double h, double D, NodeField& liqField) {
    StepCache& c = m.cache;
    const double Dt = m.params.Dt;
    double* liq = liqField[0];
    const double* fsField = c.fs[0];
    const double* diffuses = c.diffuses[0];
    const double coefficient = -D * Dt / (h * h);
    for (int first = 1, width = 0; first <= g.count; first += width) {
        width = BlockWidth(g.count - first + 1);
        const int lanes = std::min(width, g.count - first + 1);
        // The solution only ever changes nodes with liquid in them: a block of entirely solid lines
        // is left as it is.
        bool liquidNode = false;
        for (int k = 1; k <= g.n && !liquidNode; ++k)
            for (int b = 0; b < lanes; ++b)
                liquidNode = liquidNode || 1 - fsField[k * g.along + (first + b) * g.across] > 0;
        if (!liquidNode) continue;
        if (lanes < width) ClearLanes(c, g.n, lanes);
        for (int k = 1; k <= g.n; ++k) {
            for (int b = 0; b < lanes; ++b) {
                const std::ptrdiff_t at = k * g.along + (first + b) * g.across;
                // A node diffuses only while it is hotter than the solidus of its mean composition.
                c.lineA[k * B + b] = diffuses[at] != 0 ? coefficient : 0.0;
                c.lineF[k * B + b] = (1 - fsField[at]) * liq[at];
            }
        }
        SolveBlock(c, g.n, width);
        for (int k = 1; k <= g.n; ++k) {
            const std::ptrdiff_t at = k * g.along + first * g.across;
            if (g.across == 1) {
                StoreLiquid(lanes, &c.lineU[k * B], fsField + at, liq + at);
            } else {
                for (int b = 0; b < lanes; ++b) {
                    const double liquid = 1 - fsField[at + b * g.across];
                    if (liquid > 0) liq[at + b * g.across] = c.lineU[k * B + b] / liquid;
                }
            }
        }
    }
}
} // namespace

void HeatSweepsAlongX(Model& m) {
    ModelState& s = m.state;
    HeatSweeps(m, AlongX(m), s.Hx, s.Hy, s.AlfaX, s.LamX);
}

void HeatSweepsAlongY(Model& m) {
    ModelState& s = m.state;
    HeatSweeps(m, AlongY(m), s.Hy, s.Hx, s.AlfaY, s.LamY);
}

void MarkDiffusingNodes(Model& m) {
    ModelState& s = m.state;
    StepCache& c = m.cache;
    for (int i = 1; i <= m.params.L; ++i) {
        for (int j = 1; j <= m.params.M; ++j) {
            const double cm = s.CMean[i][j], sm = s.SMean[i][j];
            const std::uint64_t bc = std::bit_cast<std::uint64_t>(cm), bs = std::bit_cast<std::uint64_t>(sm);
            MemoEntry& e =
                c.diffusionTsol[static_cast<std::size_t>(i) * static_cast<std::size_t>(m.params.M + 1) +
                                static_cast<std::size_t>(j)];
            if (!(e.valid && e.c == bc && e.s == bs)) e = {bc, bs, TsolOf(c.terms, cm, sm), true};
            c.diffuses[i][j] = e.value < s.Tem[i][j];
        }
    }
}

void DiffusionSweepsAlongX(Model& m) {
    DiffusionSweeps(m, AlongX(m), m.state.Hx, kDiffusionS, m.state.SLiq);
    DiffusionSweeps(m, AlongX(m), m.state.Hx, kDiffusionC, m.state.CLiq);
}

void DiffusionSweepsAlongY(Model& m) {
    DiffusionSweeps(m, AlongY(m), m.state.Hy, kDiffusionS, m.state.SLiq);
    DiffusionSweeps(m, AlongY(m), m.state.Hy, kDiffusionC, m.state.CLiq);
}

} // namespace korvel
