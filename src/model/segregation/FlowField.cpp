#include "FlowField.h"

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

void GasPore(Model& m, int i, int j, PressureSource& pressure) {
    ModelState& s = m.state;
    const double tem = s.Tem[i][j];
    const double h = m.data.H2 * Pow10(1670 / (tem + 273) + 1.68);
    const double pH = 100000 * (h * h);
    const double c = s.CLiq[i][j];
    const double sl = s.SLiq[i][j];
    const double sigma2 = 1.798 - CarbonTension(c, sl) - SulphurTension(c, sl);
    pressure.Refresh();
    if (std::fabs(4 * sigma2 / s.ArmSpacing2[i][j] - s.PFerro) < pH) s.FlowDrive = 0;
}

struct Pos {
    int i, j;
};
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
    const CastingData& d = m.data;
    const int L = m.params.L;
    const int M = m.params.M;
    const double Hx = s.Hx, Hy = s.Hy;
    const double k1 = s.AreaK1 * s.AreaK1 * s.AreaK1;
    const double k2 = s.AreaK2 * s.AreaK2 * s.AreaK2;

    PressureSource pressure{m, 0};
    if (!m.ReferenceFerroPressure) {
        const double fsCentre = m.Fs(L, M);
        pressure.value = FerroPressureWithMean(m, fsCentre, fsCentre <= 0 ? 0.0 : SumFs(m));
    }

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
            const double fs = m.Fs(i, j);
            const double x = mode == 2 ? s.CLiq[i][j] : s.SLiq[i][j];
            const double xlim = mode == 2 ? 0.00254 * tem + 1.34 : kSulphurLimit;
            if (!(x < xlim && kLoose <= fs && fs <= kCoherent &&
                  Tsol(d, s.CMean[i][j], s.SMean[i][j]) < tem &&
                  tem < Tliq(d, s.CMean[i][j], s.SMean[i][j]) && tem != temOld)) {
                continue;
            }

            // 3. Surface tension with the surface-active term of the solute in hand.
            const double c = s.CLiq[i][j];
            const double sl = s.SLiq[i][j];
            const double sigma = mode == 2 ? 1.798 - CarbonTension(c, sl) : 1.798 - SulphurTension(c, sl);

            // 4. Arm spacings from the cooling rate, as running minima.
            const double r = std::fabs(temOld - tem) / m.params.Dt;
            const double lnr = std::log(r);
            double a = 8.5e-6 / std::exp(0.466 * lnr);
            double b = 1.241e-5 / std::exp(0.29 * lnr);
            s.ArmSpacing2[i][j] = std::min(s.ArmSpacing2[i][j], a);
            a = s.ArmSpacing2[i][j];
            s.ArmSpacing1[i][j] = std::min(s.ArmSpacing1[i][j], b);
            b = s.ArmSpacing1[i][j];

            // 5. Permeability over viscosity; 6. capillary against ferrostatic pressure.
            s.FlowDrive = a * b * (1 - fs) / 24 / s.RoLiqK / kPi;
            pressure.Refresh();
            s.FlowDrive = (4 * sigma / a - s.PFerro) * s.FlowDrive;

            // 7.
            GasPore(m, i, j, pressure);

            if (i == L && j == M) continue; // the centre carries no flow

            // 8. Ends of the mushy zone on the line through the node and the centre.
            Pos p1{1, M};
            if (i < L) {
                bool found = false;
                for (int q = i; q >= 1 && !found; --q) {
                    const int col = Nint(M - static_cast<double>((M - j) * (L - q)) / (L - i));
                    if (col < 1) {
                        p1 = {Nint(L - static_cast<double>((L - i) * (M - 1)) / (M - j)), 1};
                        found = true;
                    } else if (m.Fs(q, col) >= kCoherent) {
                        p1 = {q, col};
                        found = true;
                    } else if (q == 1) {
                        p1 = {q, col};
                    }
                }
            } else {
                p1 = {L, 1};
                for (int col = j; col >= 1; --col) {
                    if (m.Fs(L, col) >= kCoherent) {
                        p1 = {L, col};
                        break;
                    }
                }
            }
            Pos p2{L, M};
            if (j < M) {
                for (int col = j; col <= M; ++col) {
                    const int q = Nint(L - static_cast<double>((L - i) * (M - col)) / (M - j));
                    if (m.Fs(q, col) <= kLoose) {
                        p2 = {q, col};
                        break;
                    }
                }
            } else {
                for (int q = i; q <= L; ++q) {
                    if (m.Fs(q, M) <= kLoose) {
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

            // 10. Velocities along the line to the centre.
            if (i < L)
                s.FlowU[i][j] =
                    std::cos(std::atan(static_cast<double>(M - j) / (L - i))) * s.FlowDrive / dX / k1;
            if (j < M)
                s.FlowV[i][j] =
                    std::cos(std::atan(static_cast<double>(L - i) / (M - j))) * s.FlowDrive / dY / k2;

            // 11. A coherent neighbour on the surface side stops flow towards it.
            if (m.Fs(i - 1, j) > kCoherent && s.FlowU[i][j] < 0) s.FlowU[i][j] = 0;
            if (m.Fs(i, j - 1) > kCoherent && s.FlowV[i][j] < 0) s.FlowV[i][j] = 0;
        }
    }
}

} // namespace korvel
