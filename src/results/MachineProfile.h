#pragma once

#include "model/Model.h"

#include <vector>

// The slice's figures along the machine: what it showed at each display hand-over, and at the steps
// between them where its surface was coldest or hottest (ResultsTracker::RecordProfile), against its
// distance from the meniscus, with the boundaries of the machine's zones.

namespace korvel {

// One hand-over. Temperatures in °C, thicknesses in mm from the surface at the middle of the face.
struct ProfilePoint {
    double z = 0;                        // m from the meniscus, Vlit / 60 * Tau
    double tau = 0;                      // s
    double surfaceX = 0;                 // middle of the face j = 1, node (L, 1)
    double surfaceY = 0;                 // middle of the face i = 1, node (1, M)
    double corner = 0;                   // node (1, 1)
    double centre = 0;                   // node (L, M)
    double shellX = 0, shellY = 0;       // solid shell, to the solidus
    double liquidusX = 0, liquidusY = 0; // inner edge of the mushy zone, to the liquidus
};

// Where the zones of the machine end, m from the meniscus.
struct MachineZones {
    double mouldExit = 0;      // Lkrist
    double sectionEnd[4] = {}; // Lend1..Lend4
    double coolingEnd = 0;     // end of the secondary-cooling zone, Lkrist + Lzvo
};

MachineZones ZonesOf(const CastingData& d);

struct MachineProfile {
    std::vector<ProfilePoint> points; // in the order of time
    MachineZones zones;               // of the case at the latest hand-over
};

// The figures of the state as it stands.
ProfilePoint SampleProfile(const Model& m);

// Appends the state's point and takes the zones of its casting data. The same moment handed over twice
// (the final hand-over right after a periodic one) is kept once.
void RecordProfile(MachineProfile& p, const Model& m);

// The profile's values at distance z, interpolated linearly between the two points around it; false
// when z lies outside the points.
bool ProfileAt(const MachineProfile& p, double z, ProfilePoint& out);

} // namespace korvel
