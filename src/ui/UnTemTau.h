#pragma once

#include "model/Model.h"
#include "results/ResultsExport.h"

#include <QWidget>

#include <QString>

#include <array>
#include <utility>
#include <vector>

class QChart;
class QGridLayout;
class QLabel;
class QChartView;
class QLineSeries;
class QToolBar;
class QValueAxis;

// Temperature against time at six points of the section: centre, corner, the middles and the quarter
// points of the two faces.
class TFormTempTau : public QWidget {
    Q_OBJECT

public:
    explicit TFormTempTau(QWidget* parent = nullptr);
    ~TFormTempTau() override;

    // Empties all six series; the axes go back to their empty ranges.
    void ClearSeries();
    // One point per series: x = Tau / 60 (minutes), y = the temperature at the series' node.
    void AppendPoints(const korvel::Model& m);
    // The same from the temperatures at the six nodes, sampled at a hand-over.
    void AppendSample(const korvel::ChartSample& sample);
    // Several samples in order, the chart redrawn once for all of them.
    void AppendSamples(const std::vector<korvel::ChartSample>& samples);
    // Points in each series (they all hold the same number).
    int PointCount() const;

    // Tool bar actions.
    void ZoomReset();
    void ZoomIn();
    void ZoomOut();
    QImage ChartImage();
    // The chart with its legend drawn at the given size, whatever the window's own size and state.
    QImage RenderPicture(QSize size) const;
    bool SaveImage(const QString& fileName);
    void CopyToClipboard();

    QToolBar* ChartTool1 = nullptr;
    QChartView* ChartView1 = nullptr;
    QChart* Chart1 = nullptr;
    QWidget* Legend1 = nullptr; // below the chart
    QValueAxis* AxisBottom = nullptr;
    QValueAxis* AxisLeft = nullptr;
    QLineSeries* Series1 = nullptr;
    QLineSeries* Series2 = nullptr;
    QLineSeries* Series3 = nullptr;
    QLineSeries* Series4 = nullptr;
    QLineSeries* Series5 = nullptr;
    QLineSeries* Series6 = nullptr;

    QLineSeries* Series(int k) const; // k = 1..6
    // Columns of the legend at the window's present width.
    int LegendColumns() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void appendOrdered(QLineSeries* s, double x, double y);
    void applyRanges();
    void saveAs();
    void layoutLegend(int availableWidth);
    void fitTextToSize();

    std::array<QLineSeries*, 6> m_series{};
    std::array<QLineSeries*, 6> m_casings{}; // dark casings under the light series, else null
    QString m_leftTitle;
    QLabel* m_legendTitle = nullptr;
    QLabel* m_legendBottomTitle = nullptr;
    double m_minX = 0, m_maxX = 0, m_minY = 0, m_maxY = 0;
    bool m_hasData = false;
    bool m_zoomed = false;
    bool m_settingRange = false;
    QGridLayout* m_legendGrid = nullptr;
    std::array<std::pair<QLabel*, QLabel*>, 6> m_legendItems{};
    int m_legendColumns = 0;
    bool m_legendBeside = true; // the moved axis titles beside the items, else above them
};
