#include "components/PaintIsoZone.h"

#include "components/graphprop.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

TpzPaintIsoZone::TpzPaintIsoZone(QWidget* parent) : QWidget(parent) {
    resize(205, 205);
    GraphEps = MachineEpsilon();
    FMachinEps = 10.0L * static_cast<long double>(GraphEps);
    FPointsRow = 2;
    FPointsCol = 2;
    FSimpleIsoZone = 1000.0L;
    FWidthNature = 1.0;
    FHeightNature = 1.0;
    AllocateGrid();
    update();
}

TpzPaintIsoZone::~TpzPaintIsoZone() = default;

void TpzPaintIsoZone::setPointsRow(int n) {
    if (n == FPointsRow) return;
    FPointsRow = std::max(n, 2);
    AllocateGrid();
    Changed();
}

void TpzPaintIsoZone::setPointsCol(int n) {
    if (n == FPointsCol) return;
    FPointsCol = std::max(n, 2);
    AllocateGrid();
    Changed();
}

void TpzPaintIsoZone::setSimpleIsoZone(long double v) {
    if (v == FSimpleIsoZone) return;
    FSimpleIsoZone = v;
    ResetGrid();
    Changed();
}

void TpzPaintIsoZone::setWidthNature(double v) {
    if (v == FWidthNature) return;
    FWidthNature = v > 0 ? v : 1e-8;
    Changed();
}

void TpzPaintIsoZone::setHeightNature(double v) {
    if (v == FHeightNature) return;
    FHeightNature = v > 0 ? v : 1e-8;
    Changed();
}

void TpzPaintIsoZone::setIsoLine(TpzPaintIsoLine* s) {
    if (s == FIsoLine.data()) return;
    FIsoLine = s;
    Changed();
}

void TpzPaintIsoZone::setDesignMode(bool on) {
    if (on == FDesignMode) return;
    FDesignMode = on;
    update();
}

void TpzPaintIsoZone::setDirectPaint(bool on) {
    if (on == FDirectPaint) return;
    FDirectPaint = on;
    Changed();
}

void TpzPaintIsoZone::Changed() {
    FBufferDirty = true;
    update();
}

void TpzPaintIsoZone::AllocateGrid() {
    FRowCoords.assign(FPointsRow, 0.0L);
    FColCoords.assign(FPointsCol, 0.0L);
    FValues.assign(static_cast<size_t>(FPointsRow) * FPointsCol, 0.0L);
    ResetGrid();
}

void TpzPaintIsoZone::ResetGrid() {
    std::fill(FValues.begin(), FValues.end(), FSimpleIsoZone);
    const double stepX = FWidthNature / (FPointsRow - 1);
    FRowCoords[0] = 0.0L;
    for (int k = 1; k < FPointsRow; ++k)
        FRowCoords[k] = FRowCoords[k - 1] + stepX;
    FRowCoords[FPointsRow - 1] = FWidthNature;
    const double stepY = FHeightNature / (FPointsCol - 1);
    FColCoords[0] = 0.0L;
    for (int k = 1; k < FPointsCol; ++k)
        FColCoords[k] = FColCoords[k - 1] + stepY;
    FColCoords[FPointsCol - 1] = FHeightNature;
}

long double TpzPaintIsoZone::NodeValue(int i, int j) const {
    i = std::clamp(i, 0, FPointsRow - 1);
    j = std::clamp(j, 0, FPointsCol - 1);
    return FValues[static_cast<size_t>(i) * FPointsCol + j];
}

void TpzPaintIsoZone::SetNodeValue(int i, int j, long double v) {
    if (i < 0 || i >= FPointsRow || j < 0 || j >= FPointsCol) return;
    long double& node = FValues[static_cast<size_t>(i) * FPointsCol + j];
    if (node != v) {
        node = v;
        FBufferDirty = true;
    }
}

long double TpzPaintIsoZone::RowCoord(int i) const {
    return FRowCoords[std::clamp(i, 0, FPointsRow - 1)];
}

long double TpzPaintIsoZone::ColCoord(int j) const {
    return FColCoords[std::clamp(j, 0, FPointsCol - 1)];
}

void TpzPaintIsoZone::SetRowCoord(int i, long double v) {
    if (i < 0 || i >= FPointsRow || FRowCoords[i] == v) return;
    FRowCoords[i] = v;
    Changed();
}

void TpzPaintIsoZone::SetColCoord(int j, long double v) {
    if (j < 0 || j >= FPointsCol || FColCoords[j] == v) return;
    FColCoords[j] = v;
    Changed();
}

int TpzPaintIsoZone::XToPixel(long double x) const {
    return RoundToPixel(x * static_cast<long double>(width()) / static_cast<long double>(FWidthNature));
}

int TpzPaintIsoZone::YToPixel(long double y) const {
    return RoundToPixel((1.0L - y / static_cast<long double>(FHeightNature)) *
                        static_cast<long double>(height()));
}

void TpzPaintIsoZone::DrawField() {
    // The widget can only be painted from its paint event: repaint() runs it synchronously. The host calls
    // this after writing node values, so the buffer is rendered anew.
    if (!FIsoLine) return;
    FBufferDirty = true;
    repaint();
}

void TpzPaintIsoZone::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (FDesignMode) {
        p.setPen(QPen(Qt::black, 0, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, width() - 1, height() - 1);
        p.setPen(QPen(Qt::black, 0, Qt::SolidLine));
    }
    TpzPaintIsoLine* scale = FIsoLine.data();
    if (!scale) return;
    // The masks hold device pixels: on a scaled device the painter draws the polygons itself.
    if (FDirectPaint || devicePixelRatioF() != 1.0) {
        PaintCells(p);
        return;
    }
    if (!BufferCurrent(*scale)) {
        if (FBuffer.size() != size()) FBuffer = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        FBuffer.fill(Qt::transparent);
        RenderCells(FBuffer);
        RememberBufferState(*scale);
    }
    // Opaque band pixels replace the canvas, transparent ones leave it as it was.
    p.drawImage(0, 0, FBuffer);
}

bool TpzPaintIsoZone::BufferCurrent(const TpzPaintIsoLine& scale) const {
    if (FBufferDirty || FBuffer.size() != size() || FBufferScale != &scale) return false;
    const int grades = scale.ColGrade();
    if (static_cast<int>(FBufferColours.size()) != grades) return false;
    for (int k = 0; k < grades; ++k)
        if (FBufferColours[k] != scale.GradeColor(k).rgba()) return false;
    for (int k = 0; k < grades - 1; ++k)
        if (FBufferLevels[k] != scale.GradeLevel(k)) return false;
    return true;
}

void TpzPaintIsoZone::RememberBufferState(const TpzPaintIsoLine& scale) {
    const int grades = scale.ColGrade();
    FBufferScale = &scale;
    FBufferColours.resize(grades);
    FBufferLevels.resize(std::max(grades - 1, 0));
    for (int k = 0; k < grades; ++k)
        FBufferColours[k] = scale.GradeColor(k).rgba();
    for (int k = 0; k < grades - 1; ++k)
        FBufferLevels[k] = scale.GradeLevel(k);
    FBufferDirty = false;
}

bool TpzPaintIsoZone::BilinearCoefficients(long double x0l, long double x1l, long double y0l, long double y1l,
                                           long double T00l, long double T01l, long double T10l,
                                           long double T11l, TBilinear& out) {
    const double x0 = static_cast<double>(x0l), x1 = static_cast<double>(x1l);
    const double y0 = static_cast<double>(y0l), y1 = static_cast<double>(y1l);
    const double T00 = static_cast<double>(T00l), T01 = static_cast<double>(T01l);
    const double T10 = static_cast<double>(T10l), T11 = static_cast<double>(T11l);
    const double den = x0 * y0 - x1 * y0 + x1 * y1 - x0 * y1;
    if (den == 0.0 || std::isnan(den)) return false;
    out.A = (T11 * x0 * y0 + T00 * x1 * y1 - T01 * x1 * y0 - T10 * x0 * y1) / den;
    out.B = (T10 * y1 - T00 * y1 + T01 * y0 - T11 * y0) / den;
    out.C = (T01 * x1 - T00 * x1 + T10 * x0 - T11 * x0) / den;
    out.D = (T00 - T01 - T10 + T11) / den;
    return true;
}

bool TpzPaintIsoZone::LevelCrossing(const TIsoVertex& P, const TIsoVertex& Q, long double levelL,
                                    const TBilinear& s, TClipPoint& out) const {
    const double sentinel = static_cast<double>(1.0L / FMachinEps);
    const double level = static_cast<double>(levelL);
    const double xP = static_cast<double>(P.X), yP = static_cast<double>(P.Y);
    const double xQ = static_cast<double>(Q.X), yQ = static_cast<double>(Q.Y);
    // A quotient whose divisor is (nearly) zero, or that overflows or is invalid, means no crossing.
    auto divide = [sentinel](double num, double den) {
        if (IsSame(den, 0.0)) return sentinel;
        const double q = num / den;
        return std::isfinite(q) ? q : sentinel;
    };
    double x = 0.0, y = 0.0;
    bool found = false;
    if (IsSame(xP, xQ)) {
        x = xP;
        y = divide(level - s.A - s.B * xP, s.D * xP + s.C);
        found = IsBetween(y, yP, yQ);
    } else if (IsSame(yP, yQ)) {
        y = yP;
        x = divide(level - s.A - s.C * yP, s.D * yP + s.B);
        found = IsBetween(x, xP, xQ);
    } else {
        const double m = (yQ - yP) / (xQ - xP);
        const double v = yP - m * xP;
        const double qa = s.D * m;
        const double qb = s.C * m + s.B + s.D * v;
        const double qc = s.C * v + s.A - level;
        auto onSegment = [&](double px, double py) { return IsBetween(px, xP, xQ) && IsBetween(py, yP, yQ); };
        if (IsSame(std::fabs(static_cast<long double>(qa)), 0.0L)) {
            x = divide(-qc, qb);
            y = m * x + v;
            found = onSegment(x, y);
        } else {
            const double disc = qb * qb - 4.0 * qa * qc;
            if (disc < 0.0) {
                found = false;
            } else if (IsSame(disc, 0.0)) {
                x = divide(-qb / 2.0, qa);
                y = m * x + v;
                found = onSegment(x, y);
            } else {
                const double root = std::sqrt(disc);
                const double x1 = (-qb + root) / 2.0 / qa, y1 = m * x1 + v;
                const double x2 = (-qb - root) / 2.0 / qa, y2 = m * x2 + v;
                if (onSegment(x1, y1)) {
                    x = x1, y = y1, found = true;
                } else if (onSegment(x2, y2)) {
                    x = x2, y = y2, found = true;
                }
            }
        }
    }
    out.X = found ? x : 0.0;
    out.Y = found ? y : 0.0;
    return found;
}

void TpzPaintIsoZone::AddClipPoint(long double x, long double y) {
    if (FClipCount >= ClipBufferSize) return; // cannot happen: a triangle yields at most 9 points
    FClipPoints[FClipCount].X = x;
    FClipPoints[FClipCount].Y = y;
    ++FClipCount;
}

void TpzPaintIsoZone::ClipEdge(const TIsoVertex& P, const TIsoVertex& Q, long double lo, long double hi,
                               const TBilinear& s) {
    const bool inP = IsBetween(P.V, lo, hi);
    const bool inQ = IsBetween(Q.V, lo, hi);
    if (inP && inQ) {
        AddClipPoint(P.X, P.Y);
        AddClipPoint(Q.X, Q.Y);
        return;
    }
    if (inP) AddClipPoint(P.X, P.Y);
    TClipPoint c1{}, c2{};
    const bool has1 = LevelCrossing(P, Q, lo, s, c1);
    const bool has2 = LevelCrossing(P, Q, hi, s, c2);
    if (has1 && has2) {
        const double px = static_cast<double>(P.X), py = static_cast<double>(P.Y);
        const double d1 = std::hypot(static_cast<double>(c1.X) - px, static_cast<double>(c1.Y) - py);
        const double d2 = std::hypot(static_cast<double>(c2.X) - px, static_cast<double>(c2.Y) - py);
        if (d1 < d2) {
            AddClipPoint(c1.X, c1.Y);
            AddClipPoint(c2.X, c2.Y);
        } else {
            AddClipPoint(c2.X, c2.Y);
            AddClipPoint(c1.X, c1.Y);
        }
    } else if (has1) {
        AddClipPoint(c1.X, c1.Y);
    } else if (has2) {
        AddClipPoint(c2.X, c2.Y);
    }
    if (inQ) AddClipPoint(Q.X, Q.Y);
}

int TpzPaintIsoZone::ClipTriangle(long double lo, long double hi, const TIsoVertex& a, const TIsoVertex& b,
                                  const TIsoVertex& c, const TBilinear& s) {
    FClipCount = 0;
    if (lo > a.V && lo > b.V && lo > c.V) return 0;
    if (hi < a.V && hi < b.V && hi < c.V) return 0;
    if (IsBetween(a.V, lo, hi) && IsBetween(b.V, lo, hi) && IsBetween(c.V, lo, hi)) {
        AddClipPoint(a.X, a.Y);
        AddClipPoint(b.X, b.Y);
        AddClipPoint(c.X, c.Y);
    } else {
        ClipEdge(a, b, lo, hi, s);
        ClipEdge(b, c, lo, hi, s);
        ClipEdge(c, a, lo, hi, s);
    }
    for (int k = 0; k < FClipCount; ++k)
        FPoints[k] = QPoint(XToPixel(FClipPoints[k].X), YToPixel(FClipPoints[k].Y));
    return FClipCount;
}

void TpzPaintIsoZone::UpdateGradeTools(const TpzPaintIsoLine& scale) {
    const int grades = scale.ColGrade();
    // One pen and brush per grade, kept between paints: handing shared ones to the painter allocates nothing.
    if (static_cast<int>(FGradeBrushes.size()) != grades) {
        FGradeBrushes.resize(grades);
        FGradePens.resize(grades);
    }
    for (int k = 0; k < grades; ++k) {
        const QColor colour = scale.GradeColor(k);
        if (FGradeBrushes[k].style() != Qt::SolidPattern || FGradeBrushes[k].color() != colour) {
            FGradeBrushes[k] = QBrush(colour, Qt::SolidPattern);
            FGradePens[k] = QPen(colour, 0, Qt::SolidLine);
        }
    }
}

void TpzPaintIsoZone::PaintCells(QPainter& p) {
    TpzPaintIsoLine* scale = FIsoLine.data();
    if (!scale) return;
    const long double plusInf = 1.0L / FMachinEps;
    const long double minusInf = -1.0L / FMachinEps;
    const int grades = scale->ColGrade();
    UpdateGradeTools(*scale);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i <= FPointsRow - 2; ++i) {
        for (int j = 0; j <= FPointsCol - 2; ++j) {
            const long double x0 = RowCoord(i), x1 = RowCoord(i + 1);
            const long double y0 = ColCoord(j), y1 = ColCoord(j + 1);
            const long double T00 = NodeValue(i, j), T01 = NodeValue(i, j + 1);
            const long double T10 = NodeValue(i + 1, j), T11 = NodeValue(i + 1, j + 1);
            TBilinear s{};
            if (!BilinearCoefficients(x0, x1, y0, y1, T00, T01, T10, T11, s)) continue; // cell without area
            const TIsoVertex v00{x0, y0, T00}, v01{x0, y1, T01}, v11{x1, y1, T11}, v10{x1, y0, T10};
            const TIsoVertex centre{(x0 + x1) / 2.0L, (y0 + y1) / 2.0L, (T00 + T01 + T11 + T10) / 4.0L};
            const TIsoVertex* corners[5] = {&v00, &v01, &v11, &v10, &v00};
            for (int k = 0; k < grades; ++k) {
                p.setPen(FGradePens[k]);
                p.setBrush(FGradeBrushes[k]);
                const long double hi = k == 0 ? plusInf : scale->GradeLevel(k - 1);
                const long double lo = k == grades - 1 ? minusInf : scale->GradeLevel(k);
                for (int t = 0; t < 4; ++t) {
                    const int n = ClipTriangle(lo, hi, *corners[t], *corners[t + 1], centre, s);
                    if (n > 0) p.drawPolygon(FPoints, n);
                }
            }
        }
    }
}

const TpzPaintIsoZone::TPolygonMask& TpzPaintIsoZone::MaskFor(std::uint64_t key, const QPoint* rel, int n) {
    const auto found = FMaskIndex.find(key);
    if (found != FMaskIndex.end()) return FMasks[found->second];
    // A new shape: let the raster engine fill and outline it once, away from the scratch image's edges, and
    // keep the pixels it set. Its pixels depend only on the points relative to each other.
    if (FMasks.size() >= (1u << 16)) {
        FMasks.clear();
        FMaskIndex.clear();
    }
    if (FMaskScratch.isNull()) FMaskScratch = QImage(MaskSize, MaskSize, QImage::Format_ARGB32_Premultiplied);
    FMaskScratch.fill(Qt::transparent);
    QPoint pts[MaskMaxPoints];
    for (int k = 0; k < n; ++k)
        pts[k] = rel[k] + QPoint(MaskMargin, MaskMargin);
    {
        QPainter p(&FMaskScratch);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(Qt::white, 0, Qt::SolidLine));
        p.setBrush(QBrush(Qt::white, Qt::SolidPattern));
        p.drawPolygon(pts, n);
    }
    TPolygonMask mask{};
    for (int y = 0; y < MaskSize; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(FMaskScratch.constScanLine(y));
        for (int x = 0; x < MaskSize; ++x)
            if (qAlpha(line[x]) != 0) mask.Rows[y] |= static_cast<std::uint16_t>(1u << x);
    }
    FMaskIndex.emplace(key, static_cast<std::uint32_t>(FMasks.size()));
    FMasks.push_back(mask);
    return FMasks.back();
}

void TpzPaintIsoZone::RenderCells(QImage& img) {
    TpzPaintIsoLine* scale = FIsoLine.data();
    if (!scale || img.isNull() || img.depth() != 32) return;
    const long double plusInf = 1.0L / FMachinEps;
    const long double minusInf = -1.0L / FMachinEps;
    const int grades = scale->ColGrade();
    UpdateGradeTools(*scale);
    FGradeLo.resize(grades);
    FGradeHi.resize(grades);
    QRgb colours[64];
    const int stamped = std::min(grades, 64); // grades beyond go through the painter
    for (int k = 0; k < grades; ++k) {
        FGradeHi[k] = k == 0 ? plusInf : scale->GradeLevel(k - 1);
        FGradeLo[k] = k == grades - 1 ? minusInf : scale->GradeLevel(k);
        if (k < stamped) colours[k] = 0xff000000u | scale->GradeColor(k).rgb();
    }
    // Pixel positions of every node and every cell centre, mapped once instead of at every triangle.
    const int rows = FPointsRow, cols = FPointsCol;
    FPixelX.resize(rows);
    FPixelY.resize(cols);
    FCentreX.resize(rows - 1);
    FCentreY.resize(cols - 1);
    for (int i = 0; i < rows; ++i)
        FPixelX[i] = XToPixel(FRowCoords[i]);
    for (int j = 0; j < cols; ++j)
        FPixelY[j] = YToPixel(FColCoords[j]);
    for (int i = 0; i + 1 < rows; ++i)
        FCentreX[i] = XToPixel((FRowCoords[i] + FRowCoords[i + 1]) / 2.0L);
    for (int j = 0; j + 1 < cols; ++j)
        FCentreY[j] = YToPixel((FColCoords[j] + FColCoords[j + 1]) / 2.0L);

    uchar* const bits = img.bits(); // taken before any painter opens on the image
    const qsizetype stride = img.bytesPerLine();
    const int imgW = img.width(), imgH = img.height();
    QPainter painter; // opened for the first polygon too large for a mask
    int painterGrade = -1;

    auto put = [&](int k, const QPoint* pts, int n) {
        int minX = pts[0].x(), maxX = minX, minY = pts[0].y(), maxY = minY;
        for (int m = 1; m < n; ++m) {
            minX = std::min(minX, pts[m].x());
            maxX = std::max(maxX, pts[m].x());
            minY = std::min(minY, pts[m].y());
            maxY = std::max(maxY, pts[m].y());
        }
        if (k < stamped && n <= MaskMaxPoints && maxX - minX <= MaskMaxSpan && maxY - minY <= MaskMaxSpan) {
            QPoint rel[MaskMaxPoints];
            std::uint64_t key = static_cast<std::uint64_t>(n);
            for (int m = 0; m < n; ++m) {
                rel[m] = QPoint(pts[m].x() - minX, pts[m].y() - minY);
                key |= static_cast<std::uint64_t>(rel[m].x() | rel[m].y() << 3) << (4 + 6 * m);
            }
            const TPolygonMask& mask = MaskFor(key, rel, n);
            const int left = minX - MaskMargin, top = minY - MaskMargin;
            const QRgb colour = colours[k];
            for (int r = 0; r < MaskSize; ++r) {
                std::uint32_t row = mask.Rows[r];
                const int y = top + r;
                if (row == 0 || y < 0 || y >= imgH) continue;
                auto* line = reinterpret_cast<QRgb*>(bits + y * stride);
                while (row != 0) {
                    const int x = left + __builtin_ctz(row);
                    row &= row - 1;
                    if (x >= 0 && x < imgW) line[x] = colour;
                }
            }
            return;
        }
        if (!painter.isActive()) {
            painter.begin(&img);
            painter.setRenderHint(QPainter::Antialiasing, false);
        }
        if (painterGrade != k) {
            painter.setPen(FGradePens[k]);
            painter.setBrush(FGradeBrushes[k]);
            painterGrade = k;
        }
        painter.drawPolygon(pts, n);
    };

    for (int i = 0; i + 1 < rows; ++i) {
        const long double x0 = FRowCoords[i], x1 = FRowCoords[i + 1];
        const long double* line0 = &FValues[static_cast<size_t>(i) * cols];
        const long double* line1 = line0 + cols;
        for (int j = 0; j + 1 < cols; ++j) {
            const long double y0 = FColCoords[j], y1 = FColCoords[j + 1];
            const long double T00 = line0[j], T01 = line0[j + 1], T10 = line1[j], T11 = line1[j + 1];
            TBilinear s{};
            if (!BilinearCoefficients(x0, x1, y0, y1, T00, T01, T10, T11, s)) continue; // cell without area
            // Corners in the order of the triangles, the centre last.
            const TIsoVertex v[5] = {{x0, y0, T00},
                                     {x0, y1, T01},
                                     {x1, y1, T11},
                                     {x1, y0, T10},
                                     {(x0 + x1) / 2.0L, (y0 + y1) / 2.0L, (T00 + T01 + T11 + T10) / 4.0L}};
            const QPoint px[5] = {{FPixelX[i], FPixelY[j]},
                                  {FPixelX[i], FPixelY[j + 1]},
                                  {FPixelX[i + 1], FPixelY[j + 1]},
                                  {FPixelX[i + 1], FPixelY[j]},
                                  {FCentreX[i], FCentreY[j]}};
            for (int k = 0; k < grades; ++k) {
                const long double lo = FGradeLo[k], hi = FGradeHi[k];
                // The whole cell outside the band: every triangle would be rejected.
                if (lo > v[0].V && lo > v[1].V && lo > v[2].V && lo > v[3].V && lo > v[4].V) continue;
                if (hi < v[0].V && hi < v[1].V && hi < v[2].V && hi < v[3].V && hi < v[4].V) continue;
                bool in[5];
                for (int m = 0; m < 5; ++m)
                    in[m] = IsBetween(v[m].V, lo, hi);
                for (int t = 0; t < 4; ++t) {
                    const int a = t, b = (t + 1) % 4;
                    if (lo > v[a].V && lo > v[b].V && lo > v[4].V) continue;
                    if (hi < v[a].V && hi < v[b].V && hi < v[4].V) continue;
                    if (in[a] && in[b] && in[4]) { // the triangle itself, its points mapped already
                        const QPoint tri[3] = {px[a], px[b], px[4]};
                        put(k, tri, 3);
                    } else {
                        const int n = ClipTriangle(lo, hi, v[a], v[b], v[4], s);
                        if (n > 0) put(k, FPoints, n);
                    }
                }
            }
        }
    }
}
