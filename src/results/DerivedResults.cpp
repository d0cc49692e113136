#include "DerivedResults.h"

#include "model/SteelProperties.h"

#include <algorithm>
#include <cmath>
#include <vector>

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
    for (Kept* k : {low_, high_})
        for (int n = 0; n < 3; ++n)
            k[n] = Kept{};
    for (int n = 0; n < 2; ++n)
        peak_[n] = peakFrom_[n] = Kept{};
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
    // The profile's states are sampled only when one of them is kept.
    ProfilePoint point;
    bool sampled = false;
    auto sample = [&]() -> const ProfilePoint& {
        if (!sampled) point = SampleProfile(m);
        sampled = true;
        return point;
    };
    if (pastMould_) {
        const double face[2] = {faceX, faceY};
        double* minFace[2] = {&minFaceX_, &minFaceY_};
        double* reheat[2] = {&r_.reheatFaceX, &r_.reheatFaceY};
        double* reheatZ[2] = {&r_.reheatFaceXZ, &r_.reheatFaceYZ};
        double* fromZ[2] = {&r_.reheatFaceXFromZ, &r_.reheatFaceYFromZ};
        for (int n = 0; n < 2; ++n) {
            if (face[n] < *minFace[n]) {
                *minFace[n] = face[n];
                minPoint_[n] = sample();
            }
            if (face[n] - *minFace[n] > *reheat[n]) {
                *reheat[n] = face[n] - *minFace[n];
                *reheatZ[n] = z;
                *fromZ[n] = minPoint_[n].z;
                peak_[n] = {sample(), face[n], true};
                peakFrom_[n] = {minPoint_[n], *minFace[n], true};
            }
        }
    } else if (z > m.data.Lkrist) {
        pastMould_ = true;
        r_.mouldExitSeen = true;
        r_.mouldExitZ = z;
        r_.mouldExit = ShellAt(m, true);
        minFaceX_ = faceX;
        minFaceY_ = faceY;
        minPoint_[0] = minPoint_[1] = sample();
    }
    const double surface[3] = {faceX, faceY, s.Tem[1][1]};
    for (int n = 0; n < 3; ++n) {
        if (!low_[n].set || surface[n] < low_[n].value) low_[n] = {sample(), surface[n], true};
        if (!high_[n].set || surface[n] > high_[n].value) high_[n] = {sample(), surface[n], true};
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

void ResultsTracker::RecordProfile(MachineProfile& p, const Model& m) {
    std::vector<ProfilePoint> kept;
    for (Kept* k : {low_, high_})
        for (int n = 0; n < 3; ++n)
            if (k[n].set) kept.push_back(k[n].point);
    for (Kept* k : {peak_, peakFrom_})
        for (int n = 0; n < 2; ++n)
            if (k[n].set) kept.push_back(k[n].point);
    std::sort(kept.begin(), kept.end(),
              [](const ProfilePoint& a, const ProfilePoint& b) { return a.tau < b.tau; });
    const double now = m.state.Tau;
    for (const ProfilePoint& point : kept) {
        const double last = p.points.empty() ? -INFINITY : p.points.back().tau;
        if (point.tau > last && point.tau < now) p.points.push_back(point);
    }
    for (Kept* k : {low_, high_})
        for (int n = 0; n < 3; ++n)
            k[n] = Kept{};
    for (int n = 0; n < 2; ++n)
        peak_[n] = peakFrom_[n] = Kept{};
    korvel::RecordProfile(p, m);
}

} // namespace korvel
