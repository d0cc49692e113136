#include "FlowField.h"

#include "../PropertyMemo.h"

#include "../SteelProperties.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvel {

namespace {
constexpr double kPi = std::numbers::pi;
// The mushy zone that carries interdendritic flow, as solid fractions.
constexpr double kCoherent = 0.8;
constexpr double kLoose = 0.2;
constexpr double kSulphurLimit = 0.18;
constexpr double kLn10 = std::numbers::ln10;

double Pow10(double x) {
    return std::exp(x * kLn10);
}
// Surface-active terms of carbon and sulphur in the surface tension of the melt, N/m.
double CarbonTension(double c, double s) {
    return 0.037329 * std::log(1 + 334299000 * c * Pow10(0.14 * c + 0.046 * s));
}
double SulphurTension(double c, double s) {
    return 0.309656 * std::log(1 + 1.03691 * s * Pow10(0.11 * c - 0.028 * s));
}

int Nint(double x) {
    return static_cast<int>(std::nearbyint(x));
}

double FerroPressureWithMean(const Model& m, double fsCentre, double sumFs) {
    const ModelState& s = m.state;
    const double hd = s.HDepth;
    if (fsCentre <= 0) {
        return std::sin(kPi * hd / m.data.Rkorvel / 180) * m.params.SideFlag * s.RoLiq * hd * kGravity;
    }
    const double fsMean = sumFs / m.params.L / m.params.M;
    return s.RoLiq * hd * kGravity / fsMean * kRoSolid / s.RoLiq;
}

double SumFs(const Model& m) {
    double sum = 0;
    for (int i = 1; i <= m.params.L; ++i)
        for (int j = 1; j <= m.params.M; ++j)
            sum += m.Fs(i, j);
    return sum;
}

// The pressure that the flow field refreshes at every node. Nothing it depends on (the solid masses,
// HDepth, the radius, the side) changes while the field is being evaluated, so the fast way sums the
// solid fractions once per evaluation; the reference way re-sums them at every refresh.
struct PressureSource {
    Model& m;
    double value;
    void Refresh() {
        if (m.ReferenceFerroPressure) {
            FerroPressure(m);
        } else {
            m.state.PFerro = value;
        }
    }
};

// Hydrogen pressure term of the gas-pore test at temperature tem.
double HydrogenPressure(const Model& m, double tem) {
    const double h = m.data.H2 * Pow10(1670 / (tem + 273) + 1.68);
    return 100000 * (h * h);
}

// The gas-pore test with the node's surface-active terms and hydrogen pressure term in hand.
void GasPoreWith(Model& m, int i, int j, const StepCache::FlowNode& q, PressureSource& pressure) {
    ModelState& s = m.state;
    const double sigma2 = 1.798 - q.carbonTension - q.sulphurTension;
    pressure.Refresh();
    if (std::fabs(4 * sigma2 / s.ArmSpacing2[i][j] - s.PFerro) < q.pH) s.FlowDrive = 0;
}

// What a node's flow works out from its own values alone (tensions, hydrogen pressure term, arm
// spacings of the cooling rate): the same in the carbon and the sulphur evaluation of a step.
void NodeTerms(const Model& m, int i, int j, StepCache::FlowNode& q) {
    const ModelState& s = m.state;
    const double tem = s.Tem[i][j];
    const double c = s.CLiq[i][j];
    const double sl = s.SLiq[i][j];
    q.carbonTension = CarbonTension(c, sl);
    q.sulphurTension = SulphurTension(c, sl);
    q.pH = HydrogenPressure(m, tem);
    const double r = std::fabs(s.TemOld[i][j] - tem) / m.params.Dt;
    const double lnr = std::log(r);
    q.armA = 8.5e-6 / std::exp(0.466 * lnr);
    q.armB = 1.241e-5 / std::exp(0.29 * lnr);
}

void GasPore(Model& m, int i, int j, PressureSource& pressure) {
    StepCache::FlowNode q;
    NodeTerms(m, i, j, q);
    GasPoreWith(m, i, j, q, pressure);
}

struct Pos {
    int i, j;
};
// Steps 8 and 9 of the flow at node (i, j), not the centre: the projected lengths of the mushy zone
// on the line through the node and the centre, and the cosines of that line's angles with the axes.
template <class SolidFraction>
void MushyZone(const Model& m, int i, int j, SolidFraction Fs, StepCache::FlowNode& out) {
    const int L = m.params.L;
    const int M = m.params.M;
    const double Hx = m.state.Hx, Hy = m.state.Hy;
    // 8. Ends of the mushy zone on the line through the node and the centre.
    Pos p1{1, M};
    if (i < L) {
        bool found = false;
        for (int q = i; q >= 1 && !found; --q) {
            const int col = Nint(M - static_cast<double>((M - j) * (L - q)) / (L - i));
            if (col < 1) {
                p1 = {Nint(L - static_cast<double>((L - i) * (M - 1)) / (M - j)), 1};
                found = true;
            } else if (Fs(q, col) >= kCoherent) {
                p1 = {q, col};
                found = true;
            } else if (q == 1) {
                p1 = {q, col};
            }
        }
    } else {
        p1 = {L, 1};
        for (int col = j; col >= 1; --col) {
            if (Fs(L, col) >= kCoherent) {
                p1 = {L, col};
                break;
            }
        }
    }
    Pos p2{L, M};
    if (j < M) {
        for (int col = j; col <= M; ++col) {
            const int q = Nint(L - static_cast<double>((L - i) * (M - col)) / (M - j));
            if (Fs(q, col) <= kLoose) {
                p2 = {q, col};
                break;
            }
        }
    } else {
        for (int q = i; q <= L; ++q) {
            if (Fs(q, M) <= kLoose) {
                p2 = {q, M};
                break;
            }
        }
    }

    // 9. Lengths of the mushy zone projected on the axes, at least one spacing each.
    double dX = Hx, dY = 0;
    if (i < L) {
        const double ex = (p2.i - p1.i) * Hx;
        const double ey = (p2.j - p1.j) * Hy;
        const double len = std::sqrt(ex * ex + ey * ey);
        const double phi = std::atan(static_cast<double>(M - j) / (L - i));
        dX = std::cos(phi) * len;
        dY = std::sin(phi) * len;
    } else {
        dY = (p2.j - p1.j) * Hy;
    }
    dX = std::max(dX, Hx);
    dY = std::max(dY, Hy);

    out.dX = dX;
    out.dY = dY;
    // 10. (the angles)
    out.cosU = i < L ? std::cos(std::atan(static_cast<double>(M - j) / (L - i))) : 0.0;
    out.cosV = j < M ? std::cos(std::atan(static_cast<double>(L - i) / (M - j))) : 0.0;
}
} // namespace

void FerroPressure(Model& m) {
    const int L = m.params.L;
    const int M = m.params.M;
    const double fsCentre = m.Fs(L, M);
    m.state.PFerro = FerroPressureWithMean(m, fsCentre, fsCentre <= 0 ? 0.0 : SumFs(m));
}

void GasPoreTest(Model& m, int i, int j) {
    PressureSource pressure{m, 0};
    FerroPressure(m);
    pressure.value = m.state.PFerro;
    GasPore(m, i, j, pressure);
}

void FlowField(Model& m, int mode) {
    ModelState& s = m.state;
    const int L = m.params.L;
    const int M = m.params.M;
    const double k1 = s.AreaK1 * s.AreaK1 * s.AreaK1;
    const double k2 = s.AreaK2 * s.AreaK2 * s.AreaK2;

    PressureSource pressure{m, 0};
    if (!m.ReferenceFerroPressure) {
        const double fsCentre = m.Fs(L, M);
        pressure.value = FerroPressureWithMean(m, fsCentre, fsCentre <= 0 ? 0.0 : SumFs(m));
    }

    // Within one step the carbon and the sulphur evaluation share what they work out alike (StepCache).
    StepCache& cache = m.cache;
    const bool shared = cache.active && cache.flowShared;
    const NodeField& fsField = SolidFractions(m);
    auto Fs = [&fsField](int i, int j) { return fsField[i][j]; };
    StepCache::FlowNode local;

    s.FlowDrive = 0;
    for (int i = 1; i <= L; ++i) {
        for (int j = 1; j <= M; ++j) {
            // 1.
            s.FlowU[i][j] = 0;
            s.FlowV[i][j] = 0;

            // 2. Only a mushy node inside its mean freezing range, below its solute limit, that changed
            //    temperature in the step carries flow.
            const double tem = s.Tem[i][j];
            const double temOld = s.TemOld[i][j];
            const double fs = Fs(i, j);
            const double x = mode == 2 ? s.CLiq[i][j] : s.SLiq[i][j];
            const double xlim = mode == 2 ? 0.00254 * tem + 1.34 : kSulphurLimit;
            if (!(x < xlim && kLoose <= fs && fs <= kCoherent && MeanTsol(m, i, j) < tem &&
                  tem < MeanTliq(m, i, j) && tem != temOld)) {
                continue;
            }
            const std::size_t node = static_cast<std::size_t>(i) * static_cast<std::size_t>(M + 1) + j;
            StepCache::FlowNode& q = shared ? cache.flow[node] : local;
            if (!shared || cache.flowStamp[node] != cache.flowStep) {
                NodeTerms(m, i, j, q);
                if (shared) cache.flowStamp[node] = cache.flowStep;
            }

            // 3. Surface tension with the surface-active term of the solute in hand.
            const double sigma = mode == 2 ? 1.798 - q.carbonTension : 1.798 - q.sulphurTension;

            // 4. Arm spacings from the cooling rate, as running minima.
            double a = q.armA;
            double b = q.armB;
            s.ArmSpacing2[i][j] = std::min(s.ArmSpacing2[i][j], a);
            a = s.ArmSpacing2[i][j];
            s.ArmSpacing1[i][j] = std::min(s.ArmSpacing1[i][j], b);
            b = s.ArmSpacing1[i][j];

            // 5. Permeability over viscosity; 6. capillary against ferrostatic pressure.
            s.FlowDrive = a * b * (1 - fs) / 24 / s.RoLiqK / kPi;
            pressure.Refresh();
            s.FlowDrive = (4 * sigma / a - s.PFerro) * s.FlowDrive;

            // 7.
            GasPoreWith(m, i, j, q, pressure);

            if (i == L && j == M) continue; // the centre carries no flow
            if (!shared || cache.endsStamp[node] != cache.flowStep) {
                MushyZone(m, i, j, Fs, q);
                if (shared) cache.endsStamp[node] = cache.flowStep;
            }
            const double dX = q.dX, dY = q.dY;

            // 10. Velocities along the line to the centre.
            if (i < L) s.FlowU[i][j] = q.cosU * s.FlowDrive / dX / k1;
            if (j < M) s.FlowV[i][j] = q.cosV * s.FlowDrive / dY / k2;

            // 11. A coherent neighbour on the surface side stops flow towards it.
            if (Fs(i - 1, j) > kCoherent && s.FlowU[i][j] < 0) s.FlowU[i][j] = 0;
            if (Fs(i, j - 1) > kCoherent && s.FlowV[i][j] < 0) s.FlowV[i][j] = 0;
        }
    }
}

} // namespace korvel
