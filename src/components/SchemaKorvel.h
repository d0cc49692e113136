#pragma once

#include <QColor>
#include <QWidget>

#include <vector>

class QPainter;

// One station across the strand of the machine schematic.
struct TSchemaStation {
    long double InnerX; // edge on the side of the bend's centre
    long double InnerY;
    long double OuterX; // opposite edge
    long double OuterY;
    long double Distance; // along the strand from the meniscus
};

// Side view of a curved casting machine: the hatched mould walls and the strand as a chain of zones through
// the mould, a quarter-circle bend and a horizontal run. Zones already passed by the cross-section (Lmenisk)
// are filled with ColorMould, the others with ColorNoMould.
//
// Extended (long double) values are exposed to the meta-object system as double; the C++ accessors keep
// the full precision.
class TpzSchemaKorvel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double HeightNature READ HeightNature)
    Q_PROPERTY(double WidthNature READ WidthNature)
    Q_PROPERTY(double Lkris READ Lkris WRITE setLkris)
    Q_PROPERTY(double Hkris READ Hkris WRITE setHkris)
    Q_PROPERTY(double Zazorkris READ Zazorkris WRITE setZazorkris)
    Q_PROPERTY(double WidthMould READ WidthMould WRITE setWidthMould)
    Q_PROPERTY(double Rkorvel READ Rkorvel WRITE setRkorvel)
    Q_PROPERTY(double LZoneVit READ LZoneVit WRITE setLZoneVit)
    Q_PROPERTY(double Lmenisk READ Lmenisk WRITE setLmenisk)
    Q_PROPERTY(int NZoneMould READ NZoneMould WRITE setNZoneMould)
    Q_PROPERTY(QColor ColorNoMould READ ColorNoMould WRITE setColorNoMould)
    Q_PROPERTY(QColor ColorMould READ ColorMould WRITE setColorMould)
    Q_PROPERTY(QColor ColorKris READ ColorKris WRITE setColorKris)
    Q_PROPERTY(Qt::BrushStyle StyleKris READ StyleKris WRITE setStyleKris)
    Q_PROPERTY(bool DesignMode READ DesignMode WRITE setDesignMode)

public:
    explicit TpzSchemaKorvel(QWidget* parent = nullptr);
    ~TpzSchemaKorvel() override;

    long double HeightNature() const; // Lkris + Rkorvel + WidthMould
    long double WidthNature() const;  // Hkris + Zazorkris + WidthMould + Rkorvel + LZoneVit

    long double Lkris() const { return FLkris; }
    void setLkris(long double v);
    long double Hkris() const { return FHkris; }
    void setHkris(long double v);
    long double Zazorkris() const { return FZazorkris; }
    void setZazorkris(long double v);
    long double WidthMould() const { return FWidthMould; }
    void setWidthMould(long double v);
    long double Rkorvel() const { return FRkorvel; }
    void setRkorvel(long double v);
    long double LZoneVit() const { return FLZoneVit; }
    void setLZoneVit(long double v);
    // Current distance of the cross-section from the meniscus. Repaints only in design mode: the host
    // calls Paint() after writing it.
    long double Lmenisk() const { return FLmenisk; }
    void setLmenisk(long double v);
    int NZoneMould() const { return FNZoneMould; }
    void setNZoneMould(int n);
    QColor ColorNoMould() const { return FColorNoMould; }
    void setColorNoMould(const QColor& c);
    QColor ColorMould() const { return FColorMould; }
    void setColorMould(const QColor& c);
    QColor ColorKris() const { return FColorKris; }
    void setColorKris(const QColor& c);
    Qt::BrushStyle StyleKris() const { return FStyleKris; }
    void setStyleKris(Qt::BrushStyle s);
    bool DesignMode() const { return FDesignMode; }
    void setDesignMode(bool on);

    // New array of NZoneMould zeroed stations, then BuildStations.
    void AllocateStations();
    // Computes every station from the geometry.
    void BuildStations();
    const std::vector<TSchemaStation>& Stations() const { return FStations; }
    // Zones of the last BuildStations in the mould, the bend and the horizontal run.
    int Nm() const { return FNm; }
    int Nb() const { return FNb; }
    int Nr() const { return FNr; }

    int XToPixel(long double x) const;
    int YToPixel(long double y) const;

    void DrawMould(QPainter& p);
    void DrawZones(QPainter& p);
    // Paints the schematic at once.
    void Paint();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    long double FLkris = 2.0L;
    long double FHkris = 0.4L;
    long double FZazorkris = 0.25L;
    long double FWidthMould = 0.6L;
    long double FRkorvel = 14.0L;
    long double FLZoneVit = 3.0L;
    long double FLmenisk = 0.0L;
    int FNZoneMould = 40;
    QColor FColorNoMould{0, 255, 0};
    QColor FColorMould{255, 0, 0};
    QColor FColorKris{128, 128, 128};
    Qt::BrushStyle FStyleKris = Qt::DiagCrossPattern;
    bool FDesignMode = false;

    std::vector<TSchemaStation> FStations;
    int FNm = 0;
    int FNb = 0;
    int FNr = 0;
};
