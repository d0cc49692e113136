#pragma once

#include "MachineProfile.h"
#include "model/Model.h"

// What casting engineers read first, derived from the temperature field and the nominal steel's
// solidus and liquidus: shell thickness, metallurgical length, mould-exit shell and surface reheating.

namespace korvel {

// Distance (m) from the surface to where a line of node temperatures first reaches tCrit from below.
// temps[k], k = 1..n, are the nodes' temperatures from the surface inwards, their centres lying at
// (k - 0.5) * h below the surface. The crossing is interpolated linearly between the two nodes; the
// whole length n * h when every node is below tCrit; 0 when the surface node is at or above it.
double ThicknessAlong(const double* temps, int n, double h, double tCrit);

// Shell thicknesses of one moment, mm: at the middle of the face j = 1 (along j at i = L), at the
// middle of the face i = 1 (along i at j = M) and along the diagonal from the corner.
struct ShellThickness {
    double faceX = 0, faceY = 0, diagonal = 0;
};

// To the solidus (solidShell = true) or to the liquidus (the inner edge of the mushy zone).
ShellThickness ShellAt(const Model& m, bool solidShell);

struct DerivedResults {
    ShellThickness solid, liquid; // at the end of the run
    bool metallurgicalReached = false;
    double metallurgicalLength = 0; // m from the meniscus where the centre fell below the solidus
    double centreTemperature = 0;   // °C at the end of the run
    bool mouldExitSeen = false;
    double mouldExitZ = 0;    // m: where the first step beyond the mould ended
    ShellThickness mouldExit; // solid shell then, mm
    // Largest rise of each mid-face node over its own earlier minimum after the mould, K, and where.
    double reheatFaceX = 0, reheatFaceXZ = 0; // node (L, 1)
    double reheatFaceY = 0, reheatFaceYZ = 0; // node (1, M)
    // Where the minimum lay that each of those rises is measured from, m.
    double reheatFaceXFromZ = 0, reheatFaceYFromZ = 0;
};

// Follows a run step by step. Start after the initialisation, Step after every time step.
class ResultsTracker {
public:
    void Start(const Model& m);
    void Step(const Model& m);
    // The results as they stand (the end-of-run figures from the state given).
    DerivedResults Results(const Model& m) const;
    // Appends to the profile the states between the previous hand-over and this one at which a surface
    // temperature (middle of either face, corner) was lowest or highest, and those that set the largest
    // reheating and its minimum, in the order of time; then the hand-over's own state (RecordProfile).
    // So every surface figure the run states lies on the profile, whatever the hand-overs' spacing.
    void RecordProfile(MachineProfile& p, const Model& m);

private:
    struct Kept {
        ProfilePoint point;
        double value = 0;
        bool set = false;
    };
    void keepExtremes(const Model& m);
    Kept low_[3], high_[3];      // since the last hand-over: middle of face X, of face Y, corner
    Kept peak_[2], peakFrom_[2]; // since the last hand-over: largest reheating of each face, its minimum
    ProfilePoint minPoint_[2];   // the state at each face's running minimum after the mould

    DerivedResults r_;
    double prevZ_ = 0, prevCentre_ = 0;
    double minFaceX_ = 0, minFaceY_ = 0;
    bool pastMould_ = false;
};

} // namespace korvel
