#pragma once

#include "CastingData.h"

namespace korvel {

// The products of the alloying contents in Tsol and Tliq, formed once for a casting data; TsolOf and
// TliqOf with them give the same bits as Tsol and Tliq with the same data.
struct PropertyTerms {
    long double sol[6];        // Si, Mn, P, Ni, Cr, Al terms of the solidus
    long double liq[8];        // Si, Mn, Ni, Cu, Mg, V, Cr, P terms of the liquidus
    long double lamMn, lamMn2; // manganese terms of the solid's conductivity
};
PropertyTerms MakePropertyTerms(const CastingData& d);
inline double TsolOf(const PropertyTerms& t, double c, double s) {
    const long double sum =
        415.5L * c + t.sol[0] + t.sol[1] + t.sol[2] + 183.9L * s + t.sol[3] + t.sol[4] + t.sol[5];
    return static_cast<double>(1536.0L - sum);
}
// Lam and Cps (SteelProperties.h) with the terms in hand: the same bits.
inline double LamOf(const PropertyTerms& t, double c, double temperature) {
    if (temperature > 1200) return 26; // the liquid's conductivity
    const long double T = temperature;
    return static_cast<double>(45.79L - 0.0555L * T - 6.323L * c + t.lamMn + 0.000024L * T * T - t.lamMn2);
}
inline double CpsOf(double c, double temperature) {
    if (temperature > 1300) return 840; // the liquid's specific heat
    const long double C = c;
    return static_cast<double>(0.192L * temperature + 487.955L - 103.0L * C + 130.0L * C * C);
}
inline double TliqOf(const PropertyTerms& t, double c, double s) {
    const long double sum = 88.0L * c + t.liq[0] + t.liq[1] + t.liq[2] + t.liq[3] + t.liq[4] + t.liq[5] +
                            t.liq[6] + 25.0L * s + t.liq[7];
    return static_cast<double>(1537.0L - sum);
}

} // namespace korvel
