#include "MachineProfile.h"

#include "DerivedResults.h"

namespace korvel {

MachineZones ZonesOf(const CastingData& d) {
    MachineZones z;
    z.mouldExit = d.Lkrist;
    z.sectionEnd[0] = d.Lend1;
    z.sectionEnd[1] = d.Lend2;
    z.sectionEnd[2] = d.Lend3;
    z.sectionEnd[3] = d.Lend4;
    z.coolingEnd = d.Lkrist + d.Lzvo;
    return z;
}

ProfilePoint SampleProfile(const Model& m) {
    const ModelState& s = m.state;
    const int L = m.params.L, M = m.params.M;
    ProfilePoint p;
    p.z = m.Z();
    p.tau = s.Tau;
    p.surfaceX = SurfaceMidFaceY(m);
    p.surfaceY = SurfaceMidFaceX(m);
    p.corner = SurfaceCorner(m);
    p.centre = s.Tem[L][M];
    const ShellThickness solid = ShellAt(m, true);
    const ShellThickness liquid = ShellAt(m, false);
    p.shellX = solid.faceX;
    p.shellY = solid.faceY;
    p.liquidusX = liquid.faceX;
    p.liquidusY = liquid.faceY;
    return p;
}

void RecordProfile(MachineProfile& p, const Model& m) {
    const ProfilePoint point = SampleProfile(m);
    p.zones = ZonesOf(m.data);
    if (!p.points.empty() && p.points.back().tau == point.tau)
        p.points.back() = point;
    else
        p.points.push_back(point);
}

bool ProfileAt(const MachineProfile& p, double z, ProfilePoint& out) {
    const std::vector<ProfilePoint>& v = p.points;
    if (v.empty() || !(z >= v.front().z) || !(z <= v.back().z)) return false;
    for (std::size_t k = 1; k < v.size(); ++k) {
        const ProfilePoint &a = v[k - 1], &b = v[k];
        if (z > b.z) continue;
        const double f = b.z > a.z ? (z - a.z) / (b.z - a.z) : 1;
        auto mix = [f](double x, double y) { return x + f * (y - x); };
        out.z = z;
        out.tau = mix(a.tau, b.tau);
        out.surfaceX = mix(a.surfaceX, b.surfaceX);
        out.surfaceY = mix(a.surfaceY, b.surfaceY);
        out.corner = mix(a.corner, b.corner);
        out.centre = mix(a.centre, b.centre);
        out.shellX = mix(a.shellX, b.shellX);
        out.shellY = mix(a.shellY, b.shellY);
        out.liquidusX = mix(a.liquidusX, b.liquidusX);
        out.liquidusY = mix(a.liquidusY, b.liquidusY);
        return true;
    }
    out = v.back();
    return true;
}

} // namespace korvel
