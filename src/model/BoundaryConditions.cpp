#include "BoundaryConditions.h"

#include <cmath>

namespace korvel {

namespace {
// Emissivity and ambient temperature inside and beyond the secondary-cooling zone.
constexpr double kEpsSecondary = 0.5, kTenvSecondary = 50;
constexpr double kEpsBeyond = 0.95, kTenvBeyond = 15;
constexpr double kStefanBoltzmann = 5.67e-8;
constexpr double kSecondEmissivity = 1.25;
constexpr double kKFaceShort = 1.3, kKFaceLong = 0.7;
constexpr double kSprayBase = 293.19;

// Surface drawn from the pouring temperature at the meniscus down to 1101 °C at the mould exit.
double MouldSurface(double t0, double lkrist, double z) {
    return kMouldSurfaceTarget + std::exp(std::log(t0 - kMouldSurfaceTarget) * (lkrist - z) / lkrist);
}

// Convection and radiation to the surroundings beyond the secondary-cooling zone.
double AirCoefficient(const ModelState& s, double t) {
    return AirLaw(t, s.Tenv, s.EpsSurf, s.KFace);
}
} // namespace

double AirLaw(double t, double tenv, double epsSurf, double kface) {
    const double eps = 1 / (1 / epsSurf + kSecondEmissivity - 1);
    const double a = t + 273;
    const double b = tenv + 273;
    return (0.06 * t + 10) * kface +
           kStefanBoltzmann * eps * ((a * a) * (a * a) - (b * b) * (b * b)) / (t - tenv);
}

AirTerms MakeAirTerms(double tenv, double epsSurf, double kface) {
    AirTerms r;
    const double eps = 1 / (1 / epsSurf + kSecondEmissivity - 1);
    const double b = tenv + 273;
    r.tenv = tenv;
    r.kface = kface;
    r.radiation = kStefanBoltzmann * eps;
    r.env4 = (b * b) * (b * b);
    return r;
}

double SprayCoefficient(double q, double nn) {
    if (nn == 0) return kSprayBase;
    return 1.35 * q * 1000 / nn + kSprayBase;
}

void ZoneScalarsAtStepStart(Model& m) {
    const CastingData& d = m.data;
    ModelState& s = m.state;
    const double z = m.Z();
    if (d.Lkrist < z && z <= d.Lkrist + d.Lzvo) {
        s.EpsSurf = kEpsSecondary;
        s.Tenv = kTenvSecondary;
    }
    if (z > d.Lkrist + d.Lzvo) {
        s.EpsSurf = kEpsBeyond;
        s.Tenv = kTenvBeyond;
    }
}

void SurfaceCoefficientsAtStepEnd(Model& m) {
    const CastingData& d = m.data;
    const int L = m.params.L;
    const int M = m.params.M;
    ModelState& s = m.state;
    const double z = m.Z();

    // 1. The mould: the surface is held on its curve and the coefficient carries the first cell's
    //    conductive flux to the mould's reference temperature. Each node's coefficient follows right
    //    after that node is drawn.
    if (z <= d.Lkrist) {
        for (int j = 1; j <= M; ++j) {
            if (s.Tem[1][j] > kMouldSurfaceTarget) s.Tem[1][j] = MouldSurface(d.T0, d.Lkrist, z);
            s.AlfaX[j] = (s.Tem[2][j] - s.Tem[1][j]) / (s.Tem[1][j] - kMouldReference) / s.Hx * s.LamX[j];
            if (j == 1) s.AlfaX[1] = s.AlfaX[1] / 2;
        }
        for (int i = 1; i <= L; ++i) {
            if (s.Tem[i][1] > kMouldSurfaceTarget) s.Tem[i][1] = MouldSurface(d.T0, d.Lkrist, z);
            s.AlfaY[i] = (s.Tem[i][2] - s.Tem[i][1]) / (s.Tem[i][1] - kMouldReference) / s.Hy * s.LamY[i];
            if (i == 1) s.AlfaY[1] = s.AlfaY[1] / 2;
        }
    }

    // 2. Which side of the section faces the short radius.
    s.KFace = m.params.SideFlag == 1 ? kKFaceShort : kKFaceLong;

    // 3. Spray sections: the coefficient rises from the corner to the middle of the face.
    if (d.Lkrist < z && z <= d.Lend4) {
        int section = 0;
        if (z <= d.Lend1) {
            s.AlfaSec = SprayCoefficient(d.Q1, d.Nn1);
        } else if (z <= d.Lend2) {
            s.AlfaSec = SprayCoefficient(d.Q2, d.Nn2);
            section = 1;
        } else if (z <= d.Lend3) {
            s.AlfaSec = SprayCoefficient(d.Q3, d.Nn3);
            section = 2;
        } else {
            s.AlfaSec = SprayCoefficient(d.Q4, d.Nn4);
            section = 3;
        }
        // A calibrated section's coefficient; left untouched at a factor of 1.
        if (const double k = m.params.SprayFactor[section]; k != 1) s.AlfaSec = s.AlfaSec * k;
        for (int j = 1; j <= M; ++j)
            s.AlfaX[j] = std::sqrt(static_cast<double>(j) / M) * s.AlfaSec;
        for (int i = 1; i <= L; ++i)
            s.AlfaY[i] = std::sqrt(static_cast<double>(i) / L) * s.AlfaSec;
        s.AlfaX[1] = s.AlfaX[1] / 2;
        s.AlfaY[1] = s.AlfaY[1] / 2;
    }

    // 4. Beyond the secondary-cooling zone each surface node follows its own temperature, with the
    //    ambient values set at the start of this step.
    if (z > d.Lkrist + d.Lzvo) {
        for (int j = 1; j <= M; ++j)
            s.AlfaX[j] = AirCoefficient(s, s.Tem[1][j]);
        s.AlfaX[1] = s.AlfaX[1] / 2;
        for (int i = 1; i <= L; ++i)
            s.AlfaY[i] = AirCoefficient(s, s.Tem[i][1]);
        s.AlfaY[1] = s.AlfaY[1] / 2;
    }
}

} // namespace korvel
