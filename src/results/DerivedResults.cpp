#include "DerivedResults.h"

#include "model/SteelProperties.h"

#include <algorithm>
#include <cmath>

namespace korvel {

namespace {
constexpr double kMm = 1000;
constexpr int kMaxLine = kMaxNodes + 1;

double Solidus(const Model& m) {
    return Tsol(m.data, m.data.C, m.data.S);
}
double Liquidus(const Model& m) {
    return Tliq(m.data, m.data.C, m.data.S);
}
} // namespace

double ThicknessAlong(const double* temps, int n, double h, double tCrit) {
    if (!(temps[1] < tCrit)) return 0;
    for (int k = 2; k <= n; ++k) {
        if (!(temps[k] < tCrit)) {
            const double t0 = temps[k - 1], t1 = temps[k];
            return (k - 1.5) * h + (tCrit - t0) / (t1 - t0) * h;
        }
    }
    return n * h;
}

ShellThickness ShellAt(const Model& m, bool solidShell) {
    const ModelState& s = m.state;
    const int L = m.params.L, M = m.params.M;
    const double t = solidShell ? Solidus(m) : Liquidus(m);
    double line[kMaxLine + 1] = {};
    ShellThickness out;
    for (int j = 1; j <= M; ++j)
        line[j] = s.Tem[L][j];
    out.faceX = ThicknessAlong(line, M, s.Hy, t) * kMm;
    for (int i = 1; i <= L; ++i)
        line[i] = s.Tem[i][M];
    out.faceY = ThicknessAlong(line, L, s.Hx, t) * kMm;
    const int n = std::min(L, M);
    for (int k = 1; k <= n; ++k)
        line[k] = s.Tem[k][k];
    out.diagonal = ThicknessAlong(line, n, std::hypot(s.Hx, s.Hy), t) * kMm;
    return out;
}

void ResultsTracker::Start(const Model& m) {
    r_ = DerivedResults{};
    pastMould_ = false;
    prevZ_ = m.Z();
    prevCentre_ = m.state.Tem[m.params.L][m.params.M];
}

void ResultsTracker::Step(const Model& m) {
    const ModelState& s = m.state;
    const int L = m.params.L, M = m.params.M;
    const double z = m.Z();
    const double centre = s.Tem[L][M];

    const double ts = Solidus(m);
    if (!r_.metallurgicalReached && centre < ts) {
        r_.metallurgicalReached = true;
        const double f =
            prevCentre_ >= ts && prevCentre_ != centre ? (prevCentre_ - ts) / (prevCentre_ - centre) : 1;
        r_.metallurgicalLength = prevZ_ + f * (z - prevZ_);
    }

    // Surface temperatures: the physical model computes them, the original takes the surface nodes'.
    const double faceX = SurfaceMidFaceY(m), faceY = SurfaceMidFaceX(m);
    if (pastMould_) {
        minFaceX_ = std::min(minFaceX_, faceX);
        minFaceY_ = std::min(minFaceY_, faceY);
        if (faceX - minFaceX_ > r_.reheatFaceX) {
            r_.reheatFaceX = faceX - minFaceX_;
            r_.reheatFaceXZ = z;
        }
        if (faceY - minFaceY_ > r_.reheatFaceY) {
            r_.reheatFaceY = faceY - minFaceY_;
            r_.reheatFaceYZ = z;
        }
    } else if (z > m.data.Lkrist) {
        pastMould_ = true;
        r_.mouldExitSeen = true;
        r_.mouldExitZ = z;
        r_.mouldExit = ShellAt(m, true);
        minFaceX_ = faceX;
        minFaceY_ = faceY;
    }
    prevZ_ = z;
    prevCentre_ = centre;
}

DerivedResults ResultsTracker::Results(const Model& m) const {
    DerivedResults r = r_;
    r.solid = ShellAt(m, true);
    r.liquid = ShellAt(m, false);
    r.centreTemperature = m.state.Tem[m.params.L][m.params.M];
    return r;
}

} // namespace korvel
