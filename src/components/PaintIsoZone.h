#pragma once

#include "components/PaintIsoLine.h"

#include <QBrush>
#include <QImage>
#include <QPen>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <unordered_map>
#include <vector>

class QPainter;

// A grid node seen by the band clipping: coordinates and value.
struct TIsoVertex {
    long double X;
    long double Y;
    long double V;
};

// A point of a clipped polygon, in node coordinates.
struct TClipPoint {
    long double X;
    long double Y;
};

// The bilinear surface T(x, y) = A + B x + C y + D x y of one grid cell.
struct TBilinear {
    double A;
    double B;
    double C;
    double D;
};

// Isotherm field: paints a scalar field given at the nodes of a rectangular grid as filled bands between the
// levels of a linked colour scale. The bands follow the exact level curves of the bilinear surface of each
// cell, found in closed form on four triangles per cell.
//
// Extended (long double) values are exposed to the meta-object system as double; the C++ accessors keep
// the full precision.
class TpzPaintIsoZone : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int PointsRow READ PointsRow WRITE setPointsRow)
    Q_PROPERTY(int PointsCol READ PointsCol WRITE setPointsCol)
    Q_PROPERTY(double SimpleIsoZone READ SimpleIsoZone WRITE setSimpleIsoZone)
    Q_PROPERTY(double WidthNature READ WidthNature WRITE setWidthNature)
    Q_PROPERTY(double HeightNature READ HeightNature WRITE setHeightNature)
    Q_PROPERTY(TpzPaintIsoLine* IsoLine READ IsoLine WRITE setIsoLine)
    Q_PROPERTY(double MachinEps READ MachinEps)
    Q_PROPERTY(bool DesignMode READ DesignMode WRITE setDesignMode)

public:
    static constexpr int ClipBufferSize = 13;

    explicit TpzPaintIsoZone(QWidget* parent = nullptr);
    ~TpzPaintIsoZone() override;

    int PointsRow() const { return FPointsRow; }
    void setPointsRow(int n);
    int PointsCol() const { return FPointsCol; }
    void setPointsCol(int n);
    long double SimpleIsoZone() const { return FSimpleIsoZone; }
    void setSimpleIsoZone(long double v);
    double WidthNature() const { return FWidthNature; }
    void setWidthNature(double v);
    double HeightNature() const { return FHeightNature; }
    void setHeightNature(double v);
    // The linked scale, not owned; the link clears itself when the scale is destroyed.
    TpzPaintIsoLine* IsoLine() const { return FIsoLine.data(); }
    void setIsoLine(TpzPaintIsoLine* s);
    long double MachinEps() const { return FMachinEps; }
    bool DesignMode() const { return FDesignMode; }
    void setDesignMode(bool on);

    // Node values and coordinates. Reads clamp the index; writes out of range do nothing.
    long double NodeValue(int i, int j) const;
    void SetNodeValue(int i, int j, long double v); // never repaints
    long double RowCoord(int i) const;
    long double ColCoord(int j) const;
    void SetRowCoord(int i, long double v);
    void SetColCoord(int j, long double v);

    // Paints the bands at once if a scale is linked.
    void DrawField();
    // Paints the bands of every cell with the given painter (nothing without a scale), one polygon fill
    // after the other.
    void PaintCells(QPainter& p);
    // The same bands into a 32-bit image (RGB32, ARGB32 or ARGB32_Premultiplied) whose pixels are those of
    // the control: small polygons are stamped from cached pixel masks of the raster engine's own fill and
    // outline, larger ones go through a painter. Pixels no band covers are left alone.
    void RenderCells(QImage& img);

    // Paint events draw every polygon with the painter (PaintCells) instead of blitting the field from its
    // off-screen buffer; for comparing the two.
    bool DirectPaint() const { return FDirectPaint; }
    void setDirectPaint(bool on);

    int XToPixel(long double x) const;
    int YToPixel(long double y) const;

    // Surface through the four corners of a cell; returns false when the cell has no area (Den = 0).
    static bool BilinearCoefficients(long double x0, long double x1, long double y0, long double y1,
                                     long double T00, long double T01, long double T10, long double T11,
                                     TBilinear& out);
    // Point of segment P Q where the surface equals level; false when there is none.
    bool LevelCrossing(const TIsoVertex& P, const TIsoVertex& Q, long double level, const TBilinear& s,
                       TClipPoint& out) const;
    // Part of triangle a b c where lo <= value <= hi: fills ClipPoints() and Points() and returns the count.
    int ClipTriangle(long double lo, long double hi, const TIsoVertex& a, const TIsoVertex& b,
                     const TIsoVertex& c, const TBilinear& s);
    // Result of the last ClipTriangle, in node coordinates and in pixels.
    const TClipPoint* ClipPoints() const { return FClipPoints; }
    int ClipCount() const { return FClipCount; }
    const QPoint* Points() const { return FPoints; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Pixels of one small polygon, fill and outline, as rows of bits; bit x of row y is the pixel
    // (x - MaskMargin, y - MaskMargin) relative to the top-left corner of the polygon's bounding box.
    static constexpr int MaskMargin = 4;
    static constexpr int MaskSize = 16;
    static constexpr int MaskMaxSpan = 7; // largest bounding-box extent (max - min) stamped from a mask
    static constexpr int MaskMaxPoints = 9;
    struct TPolygonMask {
        std::uint16_t Rows[MaskSize];
    };

    void Changed(); // the painted field is out of date; asks for a repaint
    void UpdateGradeTools(const TpzPaintIsoLine& scale);
    bool BufferCurrent(const TpzPaintIsoLine& scale) const;
    void RememberBufferState(const TpzPaintIsoLine& scale);
    const TPolygonMask& MaskFor(std::uint64_t key, const QPoint* rel, int n);

    void AllocateGrid();
    void ResetGrid();
    void ClipEdge(const TIsoVertex& P, const TIsoVertex& Q, long double lo, long double hi,
                  const TBilinear& s);
    void AddClipPoint(long double x, long double y);

    int FPointsRow = 2;
    int FPointsCol = 2;
    long double FSimpleIsoZone = 1000.0L;
    double FWidthNature = 1.0;
    double FHeightNature = 1.0;
    QPointer<TpzPaintIsoLine> FIsoLine;
    long double FMachinEps = 0.0L;
    bool FDesignMode = false;

    std::vector<long double> FRowCoords;
    std::vector<long double> FColCoords;
    std::vector<long double> FValues; // row-major: index i * PointsCol + j

    std::vector<QBrush> FGradeBrushes;
    std::vector<QPen> FGradePens;

    // Off-screen buffer of the last rendering and what it was rendered from: values and coordinates (the
    // dirty flag, set by every writer), the size, and the scale's grades, colours and levels (compared at
    // each paint, as the scale does not tell the field when a level changes).
    bool FDirectPaint = false;
    bool FBufferDirty = true;
    QImage FBuffer;
    const TpzPaintIsoLine* FBufferScale = nullptr;
    std::vector<QRgb> FBufferColours;
    std::vector<long double> FBufferLevels;

    // Pixel masks of small polygons by shape (point count and points relative to the bounding box).
    std::unordered_map<std::uint64_t, std::uint32_t> FMaskIndex;
    std::vector<TPolygonMask> FMasks;
    QImage FMaskScratch;

    // Per rendering: band bounds of each grade, pixel positions of the nodes and cell centres.
    std::vector<long double> FGradeLo;
    std::vector<long double> FGradeHi;
    std::vector<int> FPixelX;
    std::vector<int> FPixelY;
    std::vector<int> FCentreX;
    std::vector<int> FCentreY;

    QPoint FPoints[ClipBufferSize];
    TClipPoint FClipPoints[ClipBufferSize];
    int FClipCount = 0;
};
