#pragma once

#include "results/DerivedResults.h"
#include "results/MachineProfile.h"
#include "results/QualityVerdict.h"

#include <QChartView>
#include <QWidget>

#include <array>
#include <utility>
#include <vector>

class QChart;
class QGridLayout;
class QLabel;
class QLineSeries;
class QToolBar;
class QValueAxis;
class TFormProfile;

// The chart of the profile: the machine's zones shaded behind the curves, markers at the mould exit,
// the metallurgical length and the straightening point, and a cursor line with the values under the
// mouse.
class TProfileChartView : public QChartView {
    Q_OBJECT

public:
    TProfileChartView(QChart* chart, TFormProfile* owner);

protected:
    void drawBackground(QPainter* painter, const QRectF& rect) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TFormProfile* m_owner;
};

// "Параметры по длине машины": the slice's surface, corner and centre temperatures (left axis) and its
// shell and liquidus front at the middles of the faces (right axis) against the distance from the
// meniscus, with a compact panel of the quality criteria beside the chart.
class TFormProfile : public QWidget {
    Q_OBJECT

public:
    explicit TFormProfile(QWidget* parent = nullptr);
    ~TFormProfile() override;

    // Before a run: the zones of the case, the distance the run will cover (m) and the billet's larger
    // half size (m) for the shell axis. Empties the curves and the verdict.
    void Start(const korvel::MachineZones& zones, double zEnd, double halfSize, double straightening);
    // At a hand-over: the profile so far, the figures derived so far and the verdict as it stands.
    void ShowProfile(const korvel::MachineProfile& profile, const korvel::DerivedResults& results,
                     const std::vector<korvel::CriterionResult>& verdict);
    // Only the verdict (after the limits have changed).
    void ShowVerdict(const std::vector<korvel::CriterionResult>& verdict);

    // The window's picture at the given size, whatever its size on screen.
    QImage RenderImage(const QSize& size) const;

    // Tool bar actions.
    void ZoomReset();
    void ZoomIn();
    void ZoomOut();
    QImage ChartImage();
    void CopyToClipboard();

    // The values at distance z as the cursor shows them; empty when there is no profile there.
    QString ValuesAt(double z) const;
    // What the cursor shows now.
    QString CursorText() const { return m_cursorText; }
    // The verdict panel's state caption of criterion k (0..5), for tests.
    QString StateText(int k) const;
    int PointCount() const;

    QToolBar* ChartTool1 = nullptr;
    TProfileChartView* ChartView1 = nullptr;
    QChart* Chart1 = nullptr;
    QValueAxis* AxisBottom = nullptr;
    QValueAxis* AxisLeft = nullptr;
    QValueAxis* AxisRight = nullptr;
    QWidget* Legend1 = nullptr; // above the chart
    QWidget* PanelVerdict = nullptr;

    // Columns of the legend now (8, 4, 3, 2 or 1).
    int LegendColumns() const { return m_legendColumns; }
    // Where the legend's title k (0..7) is drawn, in the legend's coordinates; empty when hidden.
    QRect LegendTitleRect(int k) const;
    // The verdict panel in two lines per criterion (caption above value, limit and state), which it
    // takes when the chart would otherwise be too narrow for its axes.
    bool VerdictCompact() const { return m_verdictCompact; }

    // Series in order: surface X, surface Y, corner, centre, shell X, shell Y, liquidus X, liquidus Y.
    QLineSeries* Series(int k) const;

    // The names of the zones, mould first, air last.
    static QStringList ZoneNames();

private:
    friend class TProfileChartView;
    void applyRanges();
    void setTicks();
    void saveAs();
    void setCursor(double z);
    void paintZones(QPainter* p);
    void paintMarkers(QPainter* p);
    // The width the chart needs for its axes to keep their tick labels and titles whole.
    int chartWidthNeeded() const;
    void layoutVerdict(bool compact);
    void layoutLegend(int availableWidth);
    void fitToWidth();

    std::array<QLineSeries*, 8> m_series{};
    korvel::MachineZones m_zones;
    bool m_hasZones = false;
    double m_zEnd = 0, m_halfSize = 0.08, m_straightening = NAN;
    korvel::MachineProfile m_profile;
    korvel::DerivedResults m_results;
    std::vector<korvel::CriterionResult> m_verdict;
    bool m_zoomed = false;
    bool m_settingRange = false;
    double m_cursorZ = NAN;
    QString m_cursorText;

    QGridLayout* m_verdictGrid = nullptr;
    QLabel* m_verdictHeading = nullptr;
    QWidget* m_right = nullptr; // tool bar, heading and verdict
    bool m_verdictCompact = false;
    QGridLayout* m_legendGrid = nullptr;
    std::array<std::pair<QLabel*, QLabel*>, 8> m_legendItems{}; // swatch, title
    int m_legendColumns = 0;
    void resizeEvent(QResizeEvent* event) override;
    std::array<std::array<QLabel*, 4>, 6> m_verdictLabels{}; // caption, value, limit, state
};
