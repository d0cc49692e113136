#include "KeyFigures.h"

#include <algorithm>
#include <cmath>

namespace korvel {

KeyFigures ComputeKeyFigures(const Model& m, const DerivedResults& r, bool completed) {
    KeyFigures k;
    k.completed = completed;
    k.tau = m.state.Tau;
    k.boundary = m.params.Boundary;
    k.centreTemperature = r.centreTemperature;
    if (r.metallurgicalReached) k.metallurgicalLength = r.metallurgicalLength;
    if (r.mouldExitSeen) k.mouldExitShell = std::min(r.mouldExit.faceX, r.mouldExit.faceY);
    k.maxReheat = std::max(r.reheatFaceX, r.reheatFaceY);
    const int L = m.params.L, M = m.params.M;
    if (L >= 1 && M >= 1 && m.state.CMean.Rows() > L && m.state.CMean.Cols() > M) {
        if (m.data.C > 0) k.centreCarbonRatio = m.state.CMean[L][M] / m.data.C;
        if (m.data.S > 0) k.centreSulphurRatio = m.state.SMean[L][M] / m.data.S;
    }
    return k;
}

} // namespace korvel
