#include "components/SchemaKorvel.h"

#include "components/graphprop.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr long double Pi = 3.1415926535897932385L;

// Zone count of one part: its share of the strand's zones, rounded with ties to even. A non-finite share
// (degenerate geometry) counts as no zone.
int ZoneShare(long double part, long double total, int zones) {
    const long double share = part / total * zones;
    if (!std::isfinite(share)) return 0;
    return static_cast<int>(std::nearbyint(std::clamp(share, 0.0L, static_cast<long double>(zones))));
}

} // namespace

TpzSchemaKorvel::TpzSchemaKorvel(QWidget* parent) : QWidget(parent) {
    resize(205, 205);
    AllocateStations();
    update();
}

TpzSchemaKorvel::~TpzSchemaKorvel() = default;

long double TpzSchemaKorvel::HeightNature() const {
    return FLkris + FRkorvel + FWidthMould;
}

long double TpzSchemaKorvel::WidthNature() const {
    return FHkris + FZazorkris + FWidthMould + FRkorvel + FLZoneVit;
}

void TpzSchemaKorvel::setLkris(long double v) {
    if (v == FLkris || !(v > 0)) return;
    FLkris = v;
    BuildStations();
    update();
}

void TpzSchemaKorvel::setHkris(long double v) {
    if (v == FHkris || !(v > 0)) return;
    FHkris = v;
    BuildStations();
    update();
}

void TpzSchemaKorvel::setZazorkris(long double v) {
    if (v == FZazorkris || !(v >= 0)) return;
    FZazorkris = v;
    BuildStations();
    update();
}

void TpzSchemaKorvel::setWidthMould(long double v) {
    if (v == FWidthMould || !(v > 0)) return;
    FWidthMould = v;
    BuildStations();
    update();
}

void TpzSchemaKorvel::setRkorvel(long double v) {
    if (v == FRkorvel || !(v > 0)) return;
    FRkorvel = v;
    BuildStations();
    update();
}

void TpzSchemaKorvel::setLZoneVit(long double v) {
    if (v == FLZoneVit || !(v >= 0)) return;
    FLZoneVit = v;
    BuildStations();
    update();
}

void TpzSchemaKorvel::setLmenisk(long double v) {
    if (v == FLmenisk || !(v >= 0)) return;
    FLmenisk = v;
    if (FDesignMode) update();
}

void TpzSchemaKorvel::setNZoneMould(int n) {
    if (n == FNZoneMould || n < 4) return;
    FNZoneMould = n;
    AllocateStations();
    BuildStations();
    update();
}

void TpzSchemaKorvel::setColorNoMould(const QColor& c) {
    if (c == FColorNoMould) return;
    FColorNoMould = c;
    update();
}

void TpzSchemaKorvel::setColorMould(const QColor& c) {
    if (c == FColorMould) return;
    FColorMould = c;
    update();
}

void TpzSchemaKorvel::setColorKris(const QColor& c) {
    if (c == FColorKris) return;
    FColorKris = c;
    update();
}

void TpzSchemaKorvel::setStyleKris(Qt::BrushStyle s) {
    if (s == FStyleKris) return;
    FStyleKris = s;
    update();
}

void TpzSchemaKorvel::setDesignMode(bool on) {
    if (on == FDesignMode) return;
    FDesignMode = on;
    update();
}

void TpzSchemaKorvel::AllocateStations() {
    FStations.assign(FNZoneMould, TSchemaStation{0, 0, 0, 0, 0});
    BuildStations();
}

void TpzSchemaKorvel::BuildStations() {
    const long double L = FLkris, H = FHkris, Z = FZazorkris, W = FWidthMould, R = FRkorvel, V = FLZoneVit;
    const int N = FNZoneMould;
    const int zones = N - 1;
    const long double HN = HeightNature();
    const long double bend = Pi * R / 2.0L;
    const long double S = bend + L + V;
    const long double Xc = H + Z + W / 2.0L + R;
    const long double Yc = W / 2.0L + R;

    // Zones per part in proportion to the part's length.
    int nm = std::max(ZoneShare(L, S, zones), 1);
    int nb = std::max(ZoneShare(bend, S, zones), 1);
    int nr = ZoneShare(V, S, zones);
    switch (nm + nb + nr - zones) {
    case -1:
        nb += 1;
        break;
    case 0:
        break;
    case 1:
        nb -= 1;
        break;
    case 2:
        nm -= 1;
        nb -= 1;
        break;
    default:
        // Only reachable with degenerate lengths: give the bend whatever keeps the total right.
        nb = std::max(zones - nm - nr, 0);
        nm = zones - nb - nr;
        break;
    }
    FNm = nm;
    FNb = nb;
    FNr = nr;
    FStations.resize(N);

    FStations[0] = {H + Z + W, HN, H + Z, HN, 0.0L};
    int s = 1;
    for (int k = 1; k <= nm && s < N; ++k, ++s) {
        const long double y = HN - k * L / nm;
        FStations[s] = {H + Z + W, y, H + Z, y, k * L / nm};
    }
    for (int k = 1; k <= nb && s < N; ++k, ++s) {
        const long double phi = static_cast<long double>(k) / nb * Pi / 2.0L;
        const long double c = std::cos(phi), sn = std::sin(phi);
        FStations[s] = {Xc - c * (R - W / 2.0L), Yc - sn * (R - W / 2.0L), Xc - c * (R + W / 2.0L),
                        Yc - sn * (R + W / 2.0L), L + bend * k / nb};
    }
    for (int k = 1; k <= nr && s < N; ++k, ++s) {
        const long double x = Xc + k * V / nr;
        FStations[s] = {x, W, x, 0.0L, L + bend + V * k / nr};
    }
}

int TpzSchemaKorvel::XToPixel(long double x) const {
    return RoundToPixel(x * static_cast<long double>(width()) / WidthNature());
}

int TpzSchemaKorvel::YToPixel(long double y) const {
    return RoundToPixel((1.0L - y / HeightNature()) * static_cast<long double>(height()));
}

void TpzSchemaKorvel::DrawMould(QPainter& p) {
    const long double L = FLkris, H = FHkris, Z = FZazorkris, W = FWidthMould, HN = HeightNature();
    const QBrush brush(FColorKris, FStyleKris);
    auto fill = [&](long double xa, long double xb) {
        const int left = XToPixel(xa), right = XToPixel(xb);
        const int top = YToPixel(HN), bottom = YToPixel(HN - L);
        if (right > left && bottom > top) p.fillRect(QRect(left, top, right - left, bottom - top), brush);
    };
    fill(0.0L, H);                                   // left wall
    fill(H + 2.0L * Z + W, 2.0L * H + 2.0L * Z + W); // right wall
}

void TpzSchemaKorvel::DrawZones(QPainter& p) {
    QPen pen(Qt::black, 0, Qt::SolidLine);
    for (size_t s = 1; s < FStations.size(); ++s) {
        const TSchemaStation& a = FStations[s - 1];
        const TSchemaStation& b = FStations[s];
        const QColor colour = FLmenisk >= b.Distance ? FColorMould : FColorNoMould;
        pen.setColor(colour);
        p.setPen(pen);
        p.setBrush(QBrush(colour, Qt::SolidPattern));
        const QPoint quad[4] = {
            QPoint(XToPixel(a.OuterX), YToPixel(a.OuterY)), QPoint(XToPixel(a.InnerX), YToPixel(a.InnerY)),
            QPoint(XToPixel(b.InnerX), YToPixel(b.InnerY)), QPoint(XToPixel(b.OuterX), YToPixel(b.OuterY))};
        p.drawPolygon(quad, 4);
    }
}

void TpzSchemaKorvel::Paint() {
    repaint();
}

void TpzSchemaKorvel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (FDesignMode) {
        p.setPen(QPen(Qt::black, 0, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, width() - 1, height() - 1);
        p.setPen(QPen(Qt::black, 0, Qt::SolidLine));
    }
    DrawMould(p);
    DrawZones(p);
}
