#include "CastingData.h"

namespace korvel {

DataWindowValues DataWindowStartValues() {
    DataWindowValues w{};
    w.DlomX = 160;
    w.DlomY = 160;
    w.Vp = 10;
    w.C = 0.2;
    w.Mn = 0.5;
    w.Si = 0.22;
    w.S = 0.04;
    w.P = 0.035;
    w.Cr = 0.35;
    w.Ni = 0.25;
    w.Cu = 0.25;
    w.Al = 0.02;
    w.V = 0;
    w.Mg = 0;
    w.H2 = 0.002;
    w.T0 = 1515;
    w.Vlit = 1.5;
    w.Q1 = 1.9;
    w.Q2 = 2.2;
    w.Q3 = 2.6;
    w.Q4 = 0;
    w.Nn1 = 8;
    w.Nn2 = 12;
    w.Nn3 = 24;
    w.Nn4 = 40;
    w.Rkorvel = 14;
    w.Lkrist = 0.8;
    w.Lzvo = 6.28;
    w.l1 = 0.4;
    w.l2 = 0.95;
    w.l3 = 1.82;
    w.l4 = 3.11;
    return w;
}

void AcceptDataWindow(const DataWindowValues& w, CastingData& d) {
    d.HalfX = w.DlomX / 2000;
    d.HalfY = w.DlomY / 2000;
    d.C = w.C;
    d.Mn = w.Mn;
    d.Si = w.Si;
    d.S = w.S;
    d.P = w.P;
    d.Cr = w.Cr;
    d.Ni = w.Ni;
    d.Cu = w.Cu;
    d.Al = w.Al;
    d.V = w.V;
    d.Mg = w.Mg;
    d.H2 = w.H2;
    d.T0 = w.T0;
    d.Vlit = w.Vlit;
    d.Rkorvel = w.Rkorvel;
    d.Lzvo = w.Lzvo;
    d.Lkrist = w.Lkrist;
    // The section ends are cumulative from the mould exit just copied.
    d.Lend1 = d.Lkrist + w.l1;
    d.Lend2 = d.Lend1 + w.l2;
    d.Lend3 = d.Lend2 + w.l3;
    d.Lend4 = d.Lend3 + w.l4;
    d.Q1 = w.Q1;
    d.Q2 = w.Q2;
    d.Q3 = w.Q3;
    d.Q4 = w.Q4;
    d.Nn1 = w.Nn1;
    d.Nn2 = w.Nn2;
    d.Nn3 = w.Nn3;
    d.Nn4 = w.Nn4;
    d.TauEnd = w.Vp * 60;
}

DataWindowValues RestoreDataWindow(const CastingData& d) {
    DataWindowValues w{};
    w.DlomX = d.HalfX * 2000;
    w.DlomY = d.HalfY * 2000;
    w.C = d.C;
    w.Mn = d.Mn;
    w.Si = d.Si;
    w.S = d.S;
    w.P = d.P;
    w.Cr = d.Cr;
    w.Ni = d.Ni;
    w.Cu = d.Cu;
    w.Al = d.Al;
    w.V = d.V;
    w.Mg = d.Mg;
    w.H2 = d.H2;
    w.T0 = d.T0;
    w.Vlit = d.Vlit;
    w.Rkorvel = d.Rkorvel;
    w.Lzvo = d.Lzvo;
    w.Lkrist = d.Lkrist;
    w.l1 = d.Lend1 - d.Lkrist;
    w.l2 = d.Lend2 - d.Lend1;
    w.l3 = d.Lend3 - d.Lend2;
    w.l4 = d.Lend4 - d.Lend3;
    w.Q1 = d.Q1;
    w.Q2 = d.Q2;
    w.Q3 = d.Q3;
    w.Q4 = d.Q4;
    w.Nn1 = d.Nn1;
    w.Nn2 = d.Nn2;
    w.Nn3 = d.Nn3;
    w.Nn4 = d.Nn4;
    w.Vp = d.TauEnd / 60;
    return w;
}

} // namespace korvel
