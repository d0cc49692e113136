#include "UnTemTau.h"

#include "AxisTicks.h"
#include "ChartTool.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGraphicsLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QResizeEvent>
#include <QToolBar>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

struct SeriesDef {
    const char* title;
    QColor colour;
};

// Titles and colours of Series1..Series6, in the order the points are appended.
const SeriesDef kSeries[6] = {
    {"Центр слитка", QColor(255, 0, 0)},
    {"Угол слитка", QColor(0, 128, 0)},
    {"Середина грани по оси X", QColor(255, 255, 0)},
    {"Середина грани по оси Y", QColor(0, 0, 255)},
    {"1/4 грани по оси X", QColor(255, 255, 255)},
    {"1/4 грани по оси Y", QColor(128, 128, 128)},
};

// Ranges of the axes while there are no points.
constexpr double kEmptyMinX = 0, kEmptyMaxX = 10;
constexpr double kEmptyMinY = 0, kEmptyMaxY = 1600;

} // namespace

TFormTempTau::TFormTempTau(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Температурный режим заготовки по длине Korvel"));
    resize(455, 480);
    setMinimumSize(240, 100);

    Chart1 = new QChart;
    Chart1->setTitle(QString());
    Chart1->setAnimationOptions(QChart::NoAnimation);
    // The legend is drawn below the chart by the window (see Legend1): the chart's own legend keeps to one
    // row and cuts the titles short.
    Chart1->legend()->setAlignment(Qt::AlignBottom);
    Chart1->legend()->setVisible(false);
    // The back wall is white but not filled: the chart's own background shows through it.
    Chart1->setPlotAreaBackgroundBrush(Qt::white);
    Chart1->setPlotAreaBackgroundVisible(false);
    Chart1->setBackgroundBrush(palette().window());
    Chart1->setBackgroundRoundness(0);
    // Tight margins: in a tiled main window the chart may get little height.
    Chart1->layout()->setContentsMargins(0, 0, 0, 0);
    Chart1->setMargins(QMargins(6, 4, 10, 2));

    AxisBottom = new QValueAxis;
    AxisBottom->setTitleText(QStringLiteral("Время, мин"));
    AxisBottom->setLabelFormat(QStringLiteral("%.1f"));
    AxisLeft = new QValueAxis;
    AxisLeft->setTitleText(QStringLiteral("Температура, град.С"));
    AxisLeft->setLabelFormat(QStringLiteral("%.0f"));
    m_leftTitle = AxisLeft->titleText();
    // Figures on the axes with the locale's decimal separator.
    Chart1->setLocalizeNumbers(true);
    Chart1->setLocale(QLocale());
    Chart1->addAxis(AxisBottom, Qt::AlignBottom);
    Chart1->addAxis(AxisLeft, Qt::AlignLeft);

    // The light series (white and yellow) run over a thin dark casing, so they stand out from the plot.
    for (int k : {2, 4}) {
        auto* casing = new QLineSeries;
        QPen pen(QColor(70, 70, 70));
        pen.setWidth(5);
        casing->setPen(pen);
        casing->setUseOpenGL(false);
        Chart1->addSeries(casing);
        casing->attachAxis(AxisBottom);
        casing->attachAxis(AxisLeft);
        m_casings[static_cast<std::size_t>(k)] = casing;
    }
    for (int k = 0; k < 6; ++k) {
        auto* s = new QLineSeries;
        s->setName(QString::fromUtf8(kSeries[k].title));
        s->setUseOpenGL(false);
        QPen pen(kSeries[k].colour);
        pen.setWidth(3);
        s->setPen(pen);
        s->setPointsVisible(false);
        Chart1->addSeries(s);
        s->attachAxis(AxisBottom);
        s->attachAxis(AxisLeft);
        m_series[static_cast<std::size_t>(k)] = s;
    }
    Series1 = m_series[0];
    Series2 = m_series[1];
    Series3 = m_series[2];
    Series4 = m_series[3];
    Series5 = m_series[4];
    Series6 = m_series[5];

    ChartView1 = new QChartView(Chart1, this);
    ChartView1->setRenderHint(QPainter::Antialiasing, true);
    ChartView1->setRubberBand(QChartView::RectangleRubberBand);

    ChartTool1 = MakeChartToolBar(this);
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::ResetZoom), QStringLiteral("Исходный масштаб"),
                          this, &TFormTempTau::ZoomReset);
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::ZoomIn), QStringLiteral("Увеличить"), this,
                          &TFormTempTau::ZoomIn);
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::ZoomOut), QStringLiteral("Уменьшить"), this,
                          &TFormTempTau::ZoomOut);
    ChartTool1->addSeparator();
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::Save), QStringLiteral("Сохранить рисунок..."),
                          this, &TFormTempTau::saveAs);
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::Copy), QStringLiteral("Копировать рисунок"), this,
                          &TFormTempTau::CopyToClipboard);

    // Legend: a swatch of each series' colour and its full title, in as many columns as the width allows.
    Legend1 = new QWidget(this);
    Legend1->setAutoFillBackground(true);
    QPalette legendPalette = Legend1->palette();
    legendPalette.setBrush(QPalette::Window, Chart1->backgroundBrush());
    Legend1->setPalette(legendPalette);
    m_legendGrid = new QGridLayout(Legend1);
    m_legendGrid->setContentsMargins(8, 2, 8, 4);
    m_legendGrid->setHorizontalSpacing(6);
    m_legendGrid->setVerticalSpacing(2);
    for (int k = 0; k < 6; ++k) {
        QPixmap swatch(22, 10);
        swatch.fill(Qt::transparent);
        {
            QPainter p(&swatch);
            p.setPen(QColor(90, 90, 90));
            p.setBrush(kSeries[k].colour);
            p.drawRect(0, 2, 21, 5);
        }
        auto* mark = new QLabel(Legend1);
        mark->setPixmap(swatch);
        auto* title = new QLabel(QString::fromUtf8(kSeries[k].title), Legend1);
        m_legendItems[static_cast<std::size_t>(k)] = {mark, title};
    }
    // Where the axes' titles go when the plot is too small to hold them.
    m_legendTitle = new QLabel(m_leftTitle + QLatin1Char(':'), Legend1);
    m_legendTitle->setObjectName(QStringLiteral("LegendAxisTitle"));
    m_legendTitle->hide();
    m_legendBottomTitle = new QLabel(AxisBottom->titleText(), Legend1);
    m_legendBottomTitle->setObjectName(QStringLiteral("LegendBottomTitle"));
    m_legendBottomTitle->hide();
    layoutLegend(width());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ChartTool1);
    layout->addWidget(ChartView1, 1);
    layout->addWidget(Legend1);

    // A range change that is not ours is a zoom by the user (rubber band, wheel): new points then
    // leave the axes alone until the zoom is reset.
    auto userZoom = [this] {
        if (!m_settingRange) m_zoomed = true;
    };
    connect(AxisBottom, &QValueAxis::rangeChanged, this, userZoom);
    connect(AxisLeft, &QValueAxis::rangeChanged, this, userZoom);

    applyRanges();
}

TFormTempTau::~TFormTempTau() = default;

void TFormTempTau::layoutLegend(int availableWidth) {
    int itemWidth = 0;
    for (const auto& [mark, title] : m_legendItems)
        itemWidth = std::max(itemWidth, mark->sizeHint().width() + title->sizeHint().width());
    itemWidth += 6 + 24;
    const QMargins margins = m_legendGrid->contentsMargins();
    const int room = availableWidth - margins.left() - margins.right();
    int columns = std::clamp(room / std::max(itemWidth, 1), 1, 6);
    if (columns == 4 || columns == 5) columns = 3; // rows of equal length
    // The axis titles that move here when the plot is short of room stand beside the items when that
    // leaves the items three columns or more, else in a row of their own above them: either way the
    // items keep their columns and every title stays whole.
    const int titles = m_legendTitle->sizeHint().width() + m_legendBottomTitle->sizeHint().width() + 12;
    const bool beside = (room - titles) / std::max(itemWidth, 1) >= std::min(columns, 3);
    if (columns == m_legendColumns && beside == m_legendBeside) return;
    m_legendColumns = columns;
    m_legendBeside = beside;
    for (const auto& [mark, title] : m_legendItems) {
        m_legendGrid->removeWidget(mark);
        m_legendGrid->removeWidget(title);
    }
    for (int c = 0; c < 14; ++c)
        m_legendGrid->setColumnStretch(c, 0);
    m_legendGrid->removeWidget(m_legendTitle);
    m_legendGrid->removeWidget(m_legendBottomTitle);
    // The axis titles that move here when the plot is short of room take a row of their own above the
    // items, so the items keep their columns and every title stays whole.
    const int first = beside ? 0 : 1;
    for (int k = 0; k < 6; ++k) {
        const auto& [mark, title] = m_legendItems[static_cast<std::size_t>(k)];
        const int row = first + k / columns, col = 1 + (k % columns) * 2;
        m_legendGrid->addWidget(mark, row, col);
        m_legendGrid->addWidget(title, row, col + 1);
        m_legendGrid->setColumnStretch(col + 1, 1);
    }
    if (beside) {
        m_legendGrid->addWidget(m_legendTitle, 0, 0);
        m_legendGrid->addWidget(m_legendBottomTitle, 0, 1 + 2 * columns);
    } else {
        m_legendGrid->addWidget(m_legendTitle, 0, 0, 1, 1 + 2 * columns, Qt::AlignLeft);
        m_legendGrid->addWidget(m_legendBottomTitle, 0, 0, 1, 1 + 2 * columns, Qt::AlignRight);
    }
}

void TFormTempTau::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutLegend(width());
    if (layout()) layout()->activate();
    fitTextToSize();
    if (!m_zoomed) applyRanges();
}

int TFormTempTau::LegendColumns() const {
    return m_legendColumns;
}

QLineSeries* TFormTempTau::Series(int k) const {
    if (k < 1 || k > 6) return nullptr;
    return m_series[static_cast<std::size_t>(k - 1)];
}

int TFormTempTau::PointCount() const {
    return static_cast<int>(Series1->count());
}

void TFormTempTau::ClearSeries() {
    for (QLineSeries* s : m_series)
        s->clear();
    for (QLineSeries* s : m_casings)
        if (s) s->clear();
    m_hasData = false;
    m_zoomed = false;
    applyRanges();
}

void TFormTempTau::appendOrdered(QLineSeries* s, double x, double y) {
    const qsizetype n = s->count();
    if (n == 0 || s->at(n - 1).x() <= x) {
        s->append(x, y);
        return;
    }
    // Out of order: insert after every point with an x not greater than this one.
    qsizetype lo = 0, hi = n;
    while (lo < hi) {
        const qsizetype mid = (lo + hi) / 2;
        if (s->at(mid).x() <= x)
            lo = mid + 1;
        else
            hi = mid;
    }
    s->insert(lo, QPointF(x, y));
}

void TFormTempTau::AppendPoints(const korvel::Model& m) {
    const korvel::NodeField& tem = m.state.Tem;
    const int L = m.params.L;
    const int M = m.params.M;
    if (L < 1 || M < 1 || tem.Rows() <= L || tem.Cols() <= M) return;

    AppendSample(korvel::SampleChartNodes(m));
}

void TFormTempTau::AppendSample(const korvel::ChartSample& sample) {
    AppendSamples({sample});
}

void TFormTempTau::AppendSamples(const std::vector<korvel::ChartSample>& samples) {
    if (samples.empty()) return;
    // A series and its casing take the same points.
    for (std::size_t n = 0; n < 12; ++n) {
        const std::size_t k = n % 6;
        QLineSeries* s = n < 6 ? m_series[k] : m_casings[k];
        if (!s) continue;
        // Points in order after the last one go in at once (one redraw of the series); others are
        // put in their place one by one.
        QList<QPointF> tail;
        tail.reserve(static_cast<qsizetype>(samples.size()));
        for (const korvel::ChartSample& sample : samples) {
            const double x = sample.tau / 60;
            const double y[6] = {sample.center, sample.corner,   sample.midX,
                                 sample.midY,   sample.quarterX, sample.quarterY};
            const double lastX = !tail.isEmpty()  ? tail.back().x()
                                 : s->count() > 0 ? s->at(s->count() - 1).x()
                                                  : x;
            if (lastX <= x) {
                tail.append(QPointF(x, y[k]));
            } else {
                if (!tail.isEmpty()) s->append(tail);
                tail.clear();
                appendOrdered(s, x, y[k]);
            }
        }
        if (!tail.isEmpty()) s->append(tail);
    }

    for (const korvel::ChartSample& sample : samples) {
        const double x = sample.tau / 60;
        const double y[6] = {sample.center, sample.corner,   sample.midX,
                             sample.midY,   sample.quarterX, sample.quarterY};
        const auto [yMin, yMax] = std::minmax_element(y, y + 6);
        if (!m_hasData) {
            m_minX = m_maxX = x;
            m_minY = *yMin;
            m_maxY = *yMax;
            m_hasData = true;
        } else {
            m_minX = std::min(m_minX, x);
            m_maxX = std::max(m_maxX, x);
            m_minY = std::min(m_minY, *yMin);
            m_maxY = std::max(m_maxY, *yMax);
        }
    }
    if (!m_zoomed) applyRanges();
}

void TFormTempTau::applyRanges() {
    double x0 = kEmptyMinX, x1 = kEmptyMaxX, y0 = kEmptyMinY, y1 = kEmptyMaxY;
    if (m_hasData && std::isfinite(m_minX) && std::isfinite(m_maxX) && std::isfinite(m_minY) &&
        std::isfinite(m_maxY)) {
        x0 = m_minX;
        x1 = m_maxX;
        y0 = m_minY;
        y1 = m_maxY;
    }
    // As many round ticks as the plot has room for: temperatures in tens or hundreds of degrees, times
    // in round minutes (or tenths of one).
    // A tick label needs its own height and some padding, or the chart cuts it to an ellipsis.
    const QFontMetrics labels(AxisLeft->labelsFont());
    const QFontMetrics titles(AxisBottom->titleFont());
    const int viewH = ChartView1 ? ChartView1->height() : 400;
    const int plotH = viewH - labels.height() - (AxisBottom->isTitleVisible() ? titles.height() : 0) - 28;
    // Ticks at multiples of the step; the range itself fits the data to a fifth of a step, so the curves
    // fill the plot.
    const int yTicks = std::clamp(plotH / (labels.height() + 12), 2, 9);
    const int yParts = yTicks >= 3 ? yTicks - 1 : yTicks;
    const int viewW = ChartView1 ? ChartView1->width() : 455;
    const int xParts =
        std::clamp((viewW - 90) / (labels.horizontalAdvance(QStringLiteral("00,0")) + 40), 2, 12);
    double yStep = RoundStep(y1 - y0, yParts, 10);
    const double xStep = RoundStep(x1 - x0, xParts, 0.1);
    // Where the plot has room for three labels, at least three ticks: a finer round step when the
    // fitted range would hold fewer.
    auto rangeTicks = [&](double step) {
        const double minor = std::max(10.0, step / 5);
        const double lo = std::floor(y0 / minor) * minor, hi = std::ceil(y1 / minor) * minor;
        return int(std::floor(hi / step + 1e-9) - std::ceil(lo / step - 1e-9)) + 1;
    };
    for (int parts = yParts + 1; yTicks >= 3 && yStep > 10 && rangeTicks(yStep) < 3 && parts <= 20; ++parts)
        yStep = std::min(yStep, RoundStep(y1 - y0, parts, 10));
    const double yMinor = std::max(10.0, yStep / 5);
    double ylo = std::floor(y0 / yMinor) * yMinor, yhi = std::ceil(y1 / yMinor) * yMinor;
    if (!(yhi > ylo)) yhi = ylo + yMinor;
    if (std::ceil(ylo / yStep) * yStep > yhi + 1e-9) {
        // Not one round tick inside: widen to the nearest ones.
        ylo = std::floor(ylo / yStep) * yStep;
        yhi = std::max(yhi, ylo + yStep);
    }
    double xlo = std::floor(x0 / xStep + 1e-9) * xStep, xhi = std::ceil(x1 / xStep - 1e-9) * xStep;
    if (!(xhi > xlo)) xhi = xlo + xStep;

    m_settingRange = true;
    // Only what changed is set: every point of a run passes here.
    auto ticks = [](QValueAxis* axis, double step, const QString& format) {
        if (axis->tickType() != QValueAxis::TicksDynamic) axis->setTickType(QValueAxis::TicksDynamic);
        if (axis->tickAnchor() != 0) axis->setTickAnchor(0);
        if (axis->tickInterval() != step) axis->setTickInterval(step);
        if (axis->labelFormat() != format) axis->setLabelFormat(format);
    };
    ticks(AxisBottom, xStep, QStringLiteral("%.%1f").arg(StepDecimals(xStep)));
    ticks(AxisLeft, yStep, QStringLiteral("%.0f"));
    AxisBottom->setRange(xlo, xhi);
    AxisLeft->setRange(ylo, yhi);
    m_settingRange = false;
}

void TFormTempTau::fitTextToSize() {
    // Short of room (a tiled strip): smaller texts, and the left axis' title beside the legend when the
    // plot is too low for it to stand whole along the axis.
    const int h = ChartView1->height();
    const bool small = h < 260;
    QFont labels = font();
    labels.setPixelSize(small ? 10 : 12);
    QFont titles = font();
    titles.setPixelSize(small ? 10 : 12);
    titles.setBold(true);
    for (QValueAxis* a : {AxisBottom, AxisLeft}) {
        if (a->labelsFont() != labels) a->setLabelsFont(labels);
        if (a->titleFont() != titles) a->setTitleFont(titles);
    }
    const int plotHeight = h - QFontMetrics(labels).height() - QFontMetrics(titles).height() - 16;
    const bool leftTitleFits = QFontMetrics(titles).horizontalAdvance(m_leftTitle) + 8 <= plotHeight;
    AxisLeft->setTitleVisible(leftTitleFits);
    m_legendTitle->setVisible(!leftTitleFits);
    const bool smallBottom = h < 120;
    AxisBottom->setTitleVisible(!smallBottom);
    m_legendBottomTitle->setVisible(smallBottom);
}

void TFormTempTau::ZoomReset() {
    m_zoomed = false;
    Chart1->zoomReset();
    applyRanges();
}

void TFormTempTau::ZoomIn() {
    Chart1->zoomIn();
    m_zoomed = true;
}

void TFormTempTau::ZoomOut() {
    Chart1->zoomOut();
    m_zoomed = true;
}

QImage TFormTempTau::ChartImage() {
    // The chart and its legend together.
    QImage image(ChartView1->width(), ChartView1->height() + Legend1->height(), QImage::Format_RGB32);
    image.fill(palette().window().color());
    QPainter p(&image);
    ChartView1->render(&p);
    Legend1->render(&p, QPoint(0, ChartView1->height()));
    p.end();
    return image;
}

QImage TFormTempTau::RenderPicture(QSize size) const {
    if (size.isEmpty()) return QImage();
    // A large picture is drawn at a smaller logical size and magnified as vectors, so that its texts and
    // lines keep their proportion to the plot.
    const double k = std::clamp(std::min(size.width() / 800.0, size.height() / 500.0), 1.0, 4.0);
    const QSize logical(int(std::lround(size.width() / k)), int(std::lround(size.height() / k)));
    // A twin of this window at the picture's size, with the same points and axis ranges.
    TFormTempTau twin;
    twin.setAttribute(Qt::WA_DontShowOnScreen);
    for (int k = 0; k < 6; ++k) {
        const auto n = static_cast<std::size_t>(k);
        twin.m_series[n]->replace(m_series[n]->points());
        if (m_casings[n]) twin.m_casings[n]->replace(m_casings[n]->points());
    }
    twin.m_minX = m_minX;
    twin.m_maxX = m_maxX;
    twin.m_minY = m_minY;
    twin.m_maxY = m_maxY;
    twin.m_hasData = m_hasData;
    // The tool bar is not part of the picture.
    twin.ChartTool1->hide();
    twin.resize(logical);
    twin.ensurePolished();
    QResizeEvent resize(logical, logical);
    QCoreApplication::sendEvent(&twin, &resize);
    twin.layout()->setGeometry(QRect(QPoint(0, 0), logical));
    twin.layout()->activate();
    twin.fitTextToSize();
    twin.applyRanges();
    if (m_zoomed) {
        twin.m_settingRange = true;
        twin.AxisBottom->setRange(AxisBottom->min(), AxisBottom->max());
        twin.AxisLeft->setRange(AxisLeft->min(), AxisLeft->max());
        twin.m_settingRange = false;
    }
    twin.Chart1->resize(twin.ChartView1->size());
    twin.Chart1->layout()->activate();
    QImage image(size, QImage::Format_RGB32);
    image.fill(palette().window().color());
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(double(size.width()) / logical.width(), double(size.height()) / logical.height());
    static_cast<QWidget*>(twin.ChartView1)->render(&p, twin.ChartView1->pos());
    twin.Legend1->render(&p, twin.Legend1->pos());
    p.end();
    return image;
}

bool TFormTempTau::SaveImage(const QString& fileName) {
    return ChartImage().save(fileName, "PNG");
}

void TFormTempTau::CopyToClipboard() {
    QApplication::clipboard()->setImage(ChartImage());
}

void TFormTempTau::saveAs() {
    const QString name = AskPngFileName(this);
    if (!name.isEmpty()) SaveImage(name);
}
