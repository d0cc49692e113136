#pragma once

// The casting data: everything the engineer describes about one casting, in the model's own units
// (mass %, °C, m/min, m³/h, m, s), and the data window's view of them (full sizes in mm, section
// lengths instead of cumulative ends, duration in minutes).

namespace korvel {

struct CastingData {
    // Chemistry, mass %.
    double C = 0.2;
    double Mn = 0.5;
    double Si = 0.22;
    double S = 0.04;
    double P = 0.035;
    double Cr = 0.25;
    double Ni = 0.25;
    double Cu = 0.25;
    double Al = 0.02;
    double V = 0;
    double Mg = 0;
    double H2 = 0.002;
    // Casting conditions.
    double T0 = 1515;                                // pouring temperature, °C
    double Vlit = 1.5;                               // casting speed, m/min
    double Q1 = 2.2, Q2 = 2.97, Q3 = 2.2, Q4 = 1.43; // water flow of spray sections 1..4, m³/h
    double Nn1 = 8, Nn2 = 12, Nn3 = 24, Nn4 = 40;    // nozzles of spray sections 1..4
    // Machine geometry, m.
    double Rkorvel = 14;
    double Lkrist = 0.8;
    double Lzvo = 6.28;
    double Lend1 = 1.4, Lend2 = 2.35, Lend3 = 4.17, Lend4 = 7.28; // section ends from the meniscus
    // Billet and duration.
    double HalfX = 0.08; // half of the billet's size along X, m
    double HalfY = 0.08; // half of the billet's size along Y, m
    double TauEnd = 600; // process duration, s
};

// What the data window's fields hold: the same values in the window's units.
struct DataWindowValues {
    double DlomX, DlomY; // full billet sizes, mm
    double Vp;           // process duration, min
    double C, Mn, Si, S, P, Cr, Ni, Cu, Al, V, Mg, H2;
    double T0, Vlit;
    double Q1, Q2, Q3, Q4;
    double Nn1, Nn2, Nn3, Nn4;
    double Rkorvel, Lkrist, Lzvo;
    double l1, l2, l3, l4; // lengths of the four spray sections, m
};

// The values the data window shows when the program starts (not the record's built-in defaults:
// Cr 0.35, flows 1.9 / 2.2 / 2.6 / 0 and a 0.4 m first section).
DataWindowValues DataWindowStartValues();

// "Принять": the window's values into the casting data, converting units.
void AcceptDataWindow(const DataWindowValues& w, CastingData& d);

// "Отменить": the casting data back into the window's units, the exact inverse of the accept.
DataWindowValues RestoreDataWindow(const CastingData& d);

} // namespace korvel
