#include "UnProfile.h"

#include "ChartTool.h"
#include "UiFormat.h"
#include "UnResults.h"

#include <QApplication>
#include <QChart>
#include <QClipboard>
#include <QCoreApplication>
#include <QFrame>
#include <QGraphicsLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

struct SeriesDef {
    const char* title;
    QColor colour;
    Qt::PenStyle style;
    bool shell; // on the right axis
};

const SeriesDef kSeries[8] = {
    {"Поверхность X", QColor(230, 110, 0), Qt::SolidLine, false},
    {"Поверхность Y", QColor(200, 160, 0), Qt::DashLine, false},
    {"Угол", QColor(0, 140, 0), Qt::SolidLine, false},
    {"Центр", QColor(210, 0, 0), Qt::SolidLine, false},
    {"Корочка X", QColor(0, 60, 200), Qt::SolidLine, true},
    {"Корочка Y", QColor(0, 150, 220), Qt::DashLine, true},
    {"Ликвидус X", QColor(120, 60, 180), Qt::SolidLine, true},
    {"Ликвидус Y", QColor(170, 110, 220), Qt::DashLine, true},
};

// Short captions for the panel; the full ones are in the tool tips.
const char* kShortCaption[6] = {"Корочка на выходе",       "Разогрев поверхности", "Поверхность при правке",
                                "Затвердевание до правки", "Ликвация C в центре",  "Ликвация S в центре"};

const QColor kZoneColours[6] = {QColor(255, 222, 214), QColor(214, 232, 255), QColor(226, 240, 255),
                                QColor(214, 232, 255), QColor(226, 240, 255), QColor(236, 236, 236)};

const char* kShortZone[6] = {"Кр.", "С1", "С2", "С3", "С4", "Воздух"};

QFont SmallFont(const QFont& base, int pixels, bool bold = false) {
    QFont f(base);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// The smallest of 1, 2 or 5 times a power of ten not below raw.
double NiceStep(double raw) {
    if (!(raw > 0) || !std::isfinite(raw)) return 1;
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 5.0})
        if (f * decade >= raw * (1 - 1e-12)) return f * decade;
    return 10 * decade;
}

// Below this height the axis titles give their room to the curves.
constexpr int kCompactHeight = 240;

QString StateColour(korvel::CriterionState s) {
    switch (s) {
    case korvel::CriterionState::Ok:
        return QStringLiteral("#007000");
    case korvel::CriterionState::Violated:
        return QStringLiteral("#c00000");
    case korvel::CriterionState::NotReached:
    case korvel::CriterionState::NotJudged:
        return QStringLiteral("#707070");
    }
    return QString();
}

// A short text with a pale box behind it, kept inside `bounds`.
void Tag(QPainter* p, QPointF at, const QString& text, const QColor& colour, const QRectF& bounds) {
    const QFontMetricsF fm(p->font());
    QRectF box(at, QSizeF(fm.horizontalAdvance(text) + 6, fm.height() + 2));
    if (box.right() > bounds.right()) box.moveRight(at.x() - 2);
    if (box.bottom() > bounds.bottom()) box.moveBottom(bounds.bottom());
    if (box.top() < bounds.top()) box.moveTop(bounds.top());
    p->setPen(Qt::NoPen);
    p->setBrush(QColor(255, 255, 255, 215));
    p->drawRect(box);
    p->setPen(colour);
    p->drawText(box, Qt::AlignCenter, text);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------

TProfileChartView::TProfileChartView(QChart* chart, TFormProfile* owner)
    : QChartView(chart, owner), m_owner(owner) {
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

void TProfileChartView::drawBackground(QPainter* painter, const QRectF& rect) {
    painter->fillRect(rect, palette().window());
    m_owner->paintZones(painter);
}

void TProfileChartView::drawForeground(QPainter* painter, const QRectF& rect) {
    QChartView::drawForeground(painter, rect);
    m_owner->paintMarkers(painter);
}

void TProfileChartView::mouseMoveEvent(QMouseEvent* event) {
    QChartView::mouseMoveEvent(event);
    const QPointF pos = mapToScene(event->position().toPoint());
    if (!chart()->plotArea().contains(pos)) {
        m_owner->setCursor(NAN);
        QToolTip::hideText();
        return;
    }
    m_owner->setCursor(chart()->mapToValue(pos, m_owner->m_series[0]).x());
    if (!m_owner->m_cursorText.isEmpty())
        QToolTip::showText(event->globalPosition().toPoint(), m_owner->m_cursorText, this);
    else
        QToolTip::hideText();
}

void TProfileChartView::leaveEvent(QEvent* event) {
    QChartView::leaveEvent(event);
    m_owner->setCursor(NAN);
}

// ---------------------------------------------------------------------------------------------------------

QStringList TFormProfile::ZoneNames() {
    return {QStringLiteral("Кристаллизатор"), QStringLiteral("Секция 1"), QStringLiteral("Секция 2"),
            QStringLiteral("Секция 3"),       QStringLiteral("Секция 4"), QStringLiteral("Воздух")};
}

TFormProfile::TFormProfile(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Параметры по длине машины"));
    resize(640, 360);
    const QFont small = SmallFont(font(), 11);

    Chart1 = new QChart;
    Chart1->setAnimationOptions(QChart::NoAnimation);
    Chart1->setBackgroundVisible(false); // the view paints the background and the zones
    Chart1->setPlotAreaBackgroundVisible(false);
    Chart1->layout()->setContentsMargins(0, 0, 0, 0);
    Chart1->setMargins(QMargins(4, 2, 4, 2));
    Chart1->setLocale(QLocale());
    Chart1->setLocalizeNumbers(true);
    // The legend is the window's (see Legend1): the chart's own keeps to one row and cuts the names short.
    Chart1->legend()->setVisible(false);

    AxisBottom = new QValueAxis;
    AxisBottom->setTitleText(QStringLiteral("Расстояние от мениска, м"));
    AxisBottom->setLabelFormat(QStringLiteral("%.0f"));
    // Ticks at round distances from the meniscus, whatever the length of the run.
    AxisBottom->setTickType(QValueAxis::TicksDynamic);
    AxisBottom->setTickAnchor(0);
    AxisLeft = new QValueAxis;
    AxisLeft->setTitleText(QStringLiteral("Температура, °C"));
    AxisLeft->setLabelFormat(QStringLiteral("%.0f"));
    AxisLeft->setTickType(QValueAxis::TicksDynamic);
    AxisRight = new QValueAxis;
    AxisRight->setTitleText(QStringLiteral("Толщина, мм"));
    AxisRight->setLabelFormat(QStringLiteral("%.0f"));
    for (QValueAxis* a : {AxisBottom, AxisLeft, AxisRight}) {
        a->setLabelsFont(small);
        a->setTitleFont(small);
        a->setGridLineColor(QColor(200, 200, 200));
    }
    AxisRight->setGridLineVisible(false);
    AxisRight->setTickType(QValueAxis::TicksDynamic);
    Chart1->addAxis(AxisBottom, Qt::AlignBottom);
    Chart1->addAxis(AxisLeft, Qt::AlignLeft);
    Chart1->addAxis(AxisRight, Qt::AlignRight);

    for (int k = 0; k < 8; ++k) {
        auto* s = new QLineSeries;
        s->setName(QString::fromUtf8(kSeries[k].title));
        QPen pen(kSeries[k].colour);
        pen.setWidthF(2);
        pen.setStyle(kSeries[k].style);
        s->setPen(pen);
        Chart1->addSeries(s);
        s->attachAxis(AxisBottom);
        s->attachAxis(kSeries[k].shell ? AxisRight : AxisLeft);
        m_series[static_cast<std::size_t>(k)] = s;
    }

    ChartView1 = new TProfileChartView(Chart1, this);
    ChartView1->setRenderHint(QPainter::Antialiasing, true);
    ChartView1->setRubberBand(QChartView::RectangleRubberBand);

    ChartTool1 = MakeChartToolBar(this);
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::ResetZoom), QStringLiteral("Исходный масштаб"),
                          this, &TFormProfile::ZoomReset);
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::ZoomIn), QStringLiteral("Увеличить"), this,
                          &TFormProfile::ZoomIn);
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::ZoomOut), QStringLiteral("Уменьшить"), this,
                          &TFormProfile::ZoomOut);
    ChartTool1->addSeparator();
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::Save), QStringLiteral("Сохранить рисунок..."),
                          this, &TFormProfile::saveAs);
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::Copy), QStringLiteral("Копировать рисунок"), this,
                          &TFormProfile::CopyToClipboard);

    // The verdict beside the chart, under the tool bar, so that the chart keeps the window's full height.
    PanelVerdict = new QFrame(this);
    PanelVerdict->setObjectName(QStringLiteral("PanelVerdict"));
    m_verdictGrid = new QGridLayout(PanelVerdict);
    m_verdictGrid->setContentsMargins(4, 0, 4, 2);
    m_verdictGrid->setHorizontalSpacing(8);
    m_verdictGrid->setVerticalSpacing(0);
    for (int r = 0; r < 6; ++r) {
        const korvel::CriterionResult none{static_cast<korvel::Criterion>(r)};
        for (int c = 0; c < 4; ++c) {
            auto* l = new QLabel(PanelVerdict);
            l->setFont(small);
            l->setTextFormat(Qt::PlainText);
            l->setToolTip(QString::fromUtf8(korvel::CriterionCaption(none.criterion)));
            m_verdictLabels[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = l;
        }
        m_verdictLabels[static_cast<std::size_t>(r)][0]->setText(QString::fromUtf8(kShortCaption[r]));
    }
    m_verdictCompact = true; // so that the first layout places the labels
    layoutVerdict(false);

    // Legend: a sample of each series' line and its full name, in as many columns as the chart's width
    // allows (8 or 4 when it can, so that temperatures and thicknesses keep rows of their own).
    Legend1 = new QWidget(this);
    m_legendGrid = new QGridLayout(Legend1);
    m_legendGrid->setContentsMargins(0, 2, 6, 0);
    m_legendGrid->setHorizontalSpacing(4);
    m_legendGrid->setVerticalSpacing(0);
    const QFont legendFont = SmallFont(font(), 10);
    for (int k = 0; k < 8; ++k) {
        QPixmap sample(22, 10);
        sample.fill(Qt::transparent);
        {
            QPainter p(&sample);
            QPen pen(kSeries[k].colour);
            pen.setWidthF(2);
            pen.setStyle(kSeries[k].style);
            p.setPen(pen);
            p.drawLine(QPointF(1, 5), QPointF(21, 5));
        }
        auto* mark = new QLabel(Legend1);
        mark->setPixmap(sample);
        mark->setContentsMargins(8, 0, 0, 0); // apart from the name before it
        auto* title = new QLabel(QString::fromUtf8(kSeries[k].title), Legend1);
        title->setFont(legendFont);
        title->setTextFormat(Qt::PlainText);
        m_legendItems[static_cast<std::size_t>(k)] = {mark, title};
    }
    layoutLegend(width());

    auto* chartColumn = new QVBoxLayout;
    chartColumn->setContentsMargins(0, 0, 0, 0);
    chartColumn->setSpacing(0);
    chartColumn->addWidget(Legend1);
    chartColumn->addWidget(ChartView1, 1);

    auto* right = new QWidget(this);
    m_right = right;
    // As wide as the verdict asks (fitToWidth makes it ask for less when the chart needs the room).
    right->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 4, 0);
    top->addWidget(ChartTool1);
    m_verdictHeading = new QLabel(QStringLiteral("Критерии качества"), right);
    m_verdictHeading->setFont(SmallFont(font(), 11, true));
    top->addWidget(m_verdictHeading, 1, Qt::AlignRight | Qt::AlignVCenter);
    rightLayout->addLayout(top);
    rightLayout->addWidget(PanelVerdict, 1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(chartColumn, 1);
    layout->addWidget(right, 0);

    auto userZoom = [this] {
        if (!m_settingRange) m_zoomed = true;
    };
    connect(AxisBottom, &QValueAxis::rangeChanged, this, userZoom);
    for (QValueAxis* a : {AxisBottom, AxisLeft, AxisRight})
        connect(a, &QValueAxis::rangeChanged, this, [this] { setTicks(); });
    connect(AxisLeft, &QValueAxis::rangeChanged, this, userZoom);

    ShowVerdict({});
    applyRanges();
}

TFormProfile::~TFormProfile() = default;

QLineSeries* TFormProfile::Series(int k) const {
    return k >= 0 && k < 8 ? m_series[static_cast<std::size_t>(k)] : nullptr;
}

int TFormProfile::PointCount() const {
    return static_cast<int>(m_series[0]->count());
}

void TFormProfile::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const bool roomy = height() >= kCompactHeight;
    for (QValueAxis* a : {AxisBottom, AxisLeft, AxisRight})
        a->setTitleVisible(roomy);
    if (!m_zoomed) applyRanges();
    if (m_right) fitToWidth();
}

int TFormProfile::chartWidthNeeded() const {
    // The widest tick label of a vertical axis (every tick and both ends, as the chart writes them),
    // its title beside it and the chart's paddings.
    auto axisWidth = [this](const QValueAxis* a) {
        const QString format = a->labelFormat();
        const qsizetype dot = format.indexOf(QLatin1Char('.'));
        const int decimals = dot < 0 ? 0 : format.mid(dot + 1, format.size() - dot - 2).toInt();
        const QLocale locale = Chart1->localizeNumbers() ? Chart1->locale() : QLocale::c();
        const QFontMetrics fm(a->labelsFont());
        int widest = 0;
        auto measure = [&](double v) {
            widest = std::max(widest, fm.horizontalAdvance(locale.toString(v, 'f', decimals)));
        };
        measure(a->min());
        measure(a->max());
        const double step = a->tickInterval();
        if (step > 0 && std::isfinite(step) && (a->max() - a->min()) / step < 100)
            for (double v = std::ceil(a->min() / step) * step; v <= a->max(); v += step)
                measure(v);
        const int title = a->isTitleVisible() ? QFontMetrics(a->titleFont()).height() : 0;
        return widest + title + 16;
    };
    // The chart's layout gives each vertical axis at most a fifth of the chart's width and cuts its
    // labels short beyond that.
    const int axis = std::max(axisWidth(AxisLeft), axisWidth(AxisRight));
    const QMargins m = Chart1->margins();
    return 5 * axis + m.left() + m.right();
}

void TFormProfile::layoutVerdict(bool compact) {
    if (compact == m_verdictCompact) return;
    m_verdictCompact = compact;
    for (auto& row : m_verdictLabels)
        for (QLabel* l : row)
            m_verdictGrid->removeWidget(l);
    for (int r = 0; r <= 12; ++r)
        m_verdictGrid->setRowStretch(r, 0);
    for (int r = 0; r < 6; ++r) {
        auto& row = m_verdictLabels[static_cast<std::size_t>(r)];
        if (compact) {
            // The caption above, the value, limit and state indented below it.
            m_verdictGrid->addWidget(row[0], 2 * r, 0, 1, 3);
            row[1]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            row[1]->setIndent(10);
            for (int c = 1; c < 4; ++c)
                m_verdictGrid->addWidget(row[static_cast<std::size_t>(c)], 2 * r + 1, c - 1);
        } else {
            row[1]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            row[1]->setIndent(-1);
            for (int c = 0; c < 4; ++c)
                m_verdictGrid->addWidget(row[static_cast<std::size_t>(c)], r, c);
        }
    }
    m_verdictGrid->setRowStretch(compact ? 12 : 6, 1);
}

void TFormProfile::layoutLegend(int availableWidth) {
    // The width of the legend in c columns: each column as wide as its widest sample and name.
    auto needed = [this](int c) {
        const QMargins margins = m_legendGrid->contentsMargins();
        int w = margins.left() + margins.right() + (2 * c - 1) * m_legendGrid->horizontalSpacing();
        for (int col = 0; col < c; ++col) {
            int widest = 0;
            for (int k = col; k < 8; k += c) {
                const auto& [mark, title] = m_legendItems[static_cast<std::size_t>(k)];
                widest = std::max(widest, mark->sizeHint().width() + title->sizeHint().width());
            }
            w += widest;
        }
        return w;
    };
    int columns = 1;
    for (int c : {8, 4, 3, 2})
        if (needed(c) <= availableWidth) {
            columns = c;
            break;
        }
    if (columns == m_legendColumns) return;
    m_legendColumns = columns;
    for (const auto& [mark, title] : m_legendItems) {
        m_legendGrid->removeWidget(mark);
        m_legendGrid->removeWidget(title);
    }
    for (int c = 0; c < 16; ++c)
        m_legendGrid->setColumnStretch(c, 0);
    for (int k = 0; k < 8; ++k) {
        const auto& [mark, title] = m_legendItems[static_cast<std::size_t>(k)];
        const int row = k / columns, col = (k % columns) * 2;
        m_legendGrid->addWidget(mark, row, col);
        m_legendGrid->addWidget(title, row, col + 1);
        m_legendGrid->setColumnStretch(col + 1, 1);
    }
}

void TFormProfile::fitToWidth() {
    // The verdict panel gives up its width first: with a caption above its figures it is about half as
    // wide, and the chart gets the width its axes need to show their labels whole.
    auto columnWidth = [this](int c) {
        int w = 0;
        for (const auto& row : m_verdictLabels)
            w = std::max(w, row[static_cast<std::size_t>(c)]->sizeHint().width());
        return w;
    };
    const QMargins gm = m_verdictGrid->contentsMargins();
    const int spacing = m_verdictGrid->horizontalSpacing();
    const int headingRow = ChartTool1->sizeHint().width() + m_verdictHeading->sizeHint().width() + 8;
    const int figures = columnWidth(1) + columnWidth(2) + columnWidth(3) + 2 * spacing;
    const int wide = std::max(gm.left() + gm.right() + columnWidth(0) + spacing + figures, headingRow);
    const int narrow =
        std::max({gm.left() + gm.right() + std::max(columnWidth(0), figures + 10), headingRow});
    const int gap = layout() ? layout()->spacing() : 0;
    const bool compact = width() - wide - gap < chartWidthNeeded() && narrow < wide;
    const bool wasCompact = m_verdictCompact;
    const int legendColumns = m_legendColumns;
    layoutVerdict(compact);
    PanelVerdict->updateGeometry();
    if (m_right->layout()) m_right->layout()->invalidate();
    layoutLegend(width() - m_right->sizeHint().width() - gap);
    if (compact == wasCompact && legendColumns == m_legendColumns) return;
    // Lay the window out again at once, with the panel's and the legend's new sizes.
    for (QWidget* w : {PanelVerdict, m_right, Legend1})
        w->updateGeometry();
    if (layout()) {
        layout()->invalidate();
        layout()->activate();
    }
}

QRect TFormProfile::LegendTitleRect(int k) const {
    if (k < 0 || k >= 8) return QRect();
    const QLabel* title = m_legendItems[static_cast<std::size_t>(k)].second;
    if (!title->isVisibleTo(Legend1)) return QRect();
    return title->geometry();
}

void TFormProfile::Start(const korvel::MachineZones& zones, double zEnd, double halfSize,
                         double straightening) {
    m_zones = zones;
    m_hasZones = true;
    m_zEnd = std::isfinite(zEnd) && zEnd > 0 ? zEnd : 0;
    m_halfSize = std::isfinite(halfSize) && halfSize > 0 ? halfSize : 0.08;
    m_straightening = straightening;
    m_profile = {};
    m_results = {};
    for (QLineSeries* s : m_series)
        s->clear();
    m_zoomed = false;
    setCursor(NAN);
    ShowVerdict({});
    applyRanges();
}

void TFormProfile::ShowProfile(const korvel::MachineProfile& profile, const korvel::DerivedResults& results,
                               const std::vector<korvel::CriterionResult>& verdict) {
    m_profile = profile;
    m_zones = profile.zones;
    m_hasZones = true;
    m_results = results;
    std::array<QList<QPointF>, 8> pts;
    for (auto& list : pts)
        list.reserve(static_cast<qsizetype>(profile.points.size()));
    for (const korvel::ProfilePoint& p : profile.points) {
        const double v[8] = {p.surfaceX, p.surfaceY, p.corner,    p.centre,
                             p.shellX,   p.shellY,   p.liquidusX, p.liquidusY};
        for (std::size_t k = 0; k < 8; ++k)
            pts[k].append(QPointF(p.z, v[k]));
    }
    for (std::size_t k = 0; k < 8; ++k)
        m_series[k]->replace(pts[k]);
    ShowVerdict(verdict);
    if (!m_zoomed) applyRanges();
    if (std::isfinite(m_cursorZ)) setCursor(m_cursorZ);
    ChartView1->viewport()->update();
}

void TFormProfile::ShowVerdict(const std::vector<korvel::CriterionResult>& verdict) {
    m_verdict = verdict;
    for (int r = 0; r < 6; ++r) {
        auto& row = m_verdictLabels[static_cast<std::size_t>(r)];
        const korvel::CriterionResult* found = nullptr;
        for (const korvel::CriterionResult& c : verdict)
            if (static_cast<int>(c.criterion) == r) found = &c;
        if (!found) {
            row[1]->setText(QString());
            row[2]->setText(QString());
            row[3]->setText(QStringLiteral("—"));
            row[3]->setStyleSheet(QString());
            continue;
        }
        QString value = QString::fromStdString(korvel::CriterionValueText(*found));
        if (std::isfinite(found->value))
            value += QString::fromStdString(korvel::CriterionValueUnit(found->criterion));
        row[1]->setText(LocaliseFigures(value));
        row[2]->setText(LocaliseFigures(QString::fromStdString(korvel::CriterionLimitText(*found))));
        row[3]->setText(QString::fromUtf8(korvel::StateCaption(found->state)));
        row[3]->setStyleSheet(QStringLiteral("color: %1; font-weight: bold;").arg(StateColour(found->state)));
    }
    if (m_right) fitToWidth();
}

QString TFormProfile::StateText(int k) const {
    if (k < 0 || k >= 6) return QString();
    return m_verdictLabels[static_cast<std::size_t>(k)][3]->text();
}

void TFormProfile::applyRanges() {
    double x1 = std::max(m_zEnd, m_hasZones ? m_zones.mouldExit : 0.0);
    double tMin = INFINITY, tMax = -INFINITY;
    for (const korvel::ProfilePoint& p : m_profile.points) {
        x1 = std::max(x1, p.z);
        for (double t : {p.surfaceX, p.surfaceY, p.corner, p.centre}) {
            tMin = std::min(tMin, t);
            tMax = std::max(tMax, t);
        }
    }
    if (!(x1 > 0) || !std::isfinite(x1)) x1 = 1;
    if (!std::isfinite(tMin) || !std::isfinite(tMax)) {
        tMin = 600;
        tMax = 1600;
    }
    if (!(tMax > tMin)) tMax = tMin + 1;
    const double pad = 0.03 * (tMax - tMin);
    // Whole hundreds of degrees.
    double lo = std::floor((tMin - pad) / 100) * 100, hi = std::ceil((tMax + pad) / 100) * 100;
    if (!std::isfinite(lo) || !std::isfinite(hi) || !(hi > lo)) {
        lo = tMin;
        hi = tMin + 1;
    }
    double shells = m_halfSize * 1000;
    if (!std::isfinite(shells) || !(shells > 0)) shells = 80;
    // Qt lays the ticks out for the new range with the interval of the old one: an interval that suits
    // both ranges first, the new range, then the interval that suits it.
    auto setAxis = [](QValueAxis* a, double from, double to, double step) {
        a->setTickInterval(std::max(step, NiceStep((a->max() - a->min()) / 8)));
        a->setRange(from, to);
        a->setTickInterval(step);
    };
    const int most = height() >= kCompactHeight ? 8 : 3;
    m_settingRange = true;
    setAxis(AxisBottom, 0, x1, NiceStep(x1 / 8));
    setAxis(AxisLeft, lo, hi, NiceStep((hi - lo) / most));
    setAxis(AxisRight, 0, shells, shells / (most > 3 ? 4 : 2));
    m_settingRange = false;
    setTicks();
}

void TFormProfile::setTicks() {
    // Ticks at round values, as many as the window's height leaves room for, whatever the range (a
    // fixed interval over a range zoomed far out would ask for millions of them).
    const int most = height() >= kCompactHeight ? 8 : 3;
    auto set = [](QValueAxis* a, double step) {
        if (!(step > 0) || !std::isfinite(step)) return;
        a->setTickInterval(step);
        const int decimals =
            step >= 1 ? 0 : std::min(6, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
        a->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
    };
    set(AxisBottom, NiceStep((AxisBottom->max() - AxisBottom->min()) / 8));
    set(AxisLeft, NiceStep((AxisLeft->max() - AxisLeft->min()) / most));
    // The whole half thickness: the centre at the top, halves or quarters of it.
    const double h = AxisRight->max() - AxisRight->min();
    if (AxisRight->min() == 0 && (AxisRight->max() == m_halfSize * 1000 || AxisRight->max() == 80))
        set(AxisRight, h / (most > 3 ? 4 : 2));
    else
        set(AxisRight, NiceStep(h / most));
}

void TFormProfile::ZoomReset() {
    // The ranges are set afresh (the chart's own reset would restore them with the zoomed intervals).
    m_zoomed = false;
    applyRanges();
}

void TFormProfile::ZoomIn() {
    Chart1->zoomIn();
    m_zoomed = true;
}

void TFormProfile::ZoomOut() {
    Chart1->zoomOut();
    m_zoomed = true;
}

QImage TFormProfile::ChartImage() {
    // The legend above the chart, as on screen.
    QImage image(ChartView1->width(), Legend1->height() + ChartView1->height(), QImage::Format_RGB32);
    image.fill(palette().window().color());
    QPainter p(&image);
    Legend1->render(&p);
    static_cast<QWidget*>(ChartView1)->render(&p, QPoint(0, Legend1->height()));
    p.end();
    return image;
}

void TFormProfile::CopyToClipboard() {
    QApplication::clipboard()->setImage(ChartImage());
}

void TFormProfile::saveAs() {
    const QString name = AskPngFileName(this);
    if (!name.isEmpty()) ChartImage().save(name, "PNG");
}

QImage TFormProfile::RenderImage(const QSize& size) const {
    // A twin of the window at the size asked for, drawn off screen.
    TFormProfile twin;
    twin.setAttribute(Qt::WA_DontShowOnScreen);
    twin.resize(size);
    twin.m_straightening = m_straightening;
    twin.m_zEnd = m_zEnd;
    twin.m_halfSize = m_halfSize;
    if (m_hasZones) {
        twin.m_zones = m_zones;
        twin.m_hasZones = true;
    }
    twin.ShowProfile(m_profile, m_results, m_verdict);
    if (!m_hasZones) twin.m_hasZones = false;
    // A picture, not a window: no tool buttons in it.
    twin.ChartTool1->hide();
    twin.show();
    // Lay the twin out at its size before drawing it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    twin.layout()->activate();
    twin.applyRanges();
    QImage image = twin.grab().toImage();
    twin.hide();
    return image;
}

QString TFormProfile::ValuesAt(double z) const {
    korvel::ProfilePoint p;
    if (!korvel::ProfileAt(m_profile, z, p)) return QString();
    QString zone;
    if (m_hasZones) {
        const QStringList names = ZoneNames();
        if (z <= m_zones.mouldExit)
            zone = names[0];
        else if (z > m_zones.coolingEnd)
            zone = names[5];
        else
            for (int k = 0; k < 4; ++k)
                if (z <= m_zones.sectionEnd[k]) {
                    zone = names[k + 1];
                    break;
                }
    }
    QString text = QStringLiteral("%1 м").arg(FormatFixed(z, 0, 2));
    if (!zone.isEmpty()) text += QStringLiteral(" (%1)").arg(zone);
    text += QStringLiteral("\nПоверхность X %1 °C, Y %2 °C, угол %3 °C, центр %4 °C")
                .arg(FormatFixed(p.surfaceX, 0, 0), FormatFixed(p.surfaceY, 0, 0),
                     FormatFixed(p.corner, 0, 0), FormatFixed(p.centre, 0, 0));
    text += QStringLiteral("\nКорочка X %1 мм, Y %2 мм; ликвидус X %3 мм, Y %4 мм")
                .arg(FormatFixed(p.shellX, 0, 1), FormatFixed(p.shellY, 0, 1), FormatFixed(p.liquidusX, 0, 1),
                     FormatFixed(p.liquidusY, 0, 1));
    return text;
}

void TFormProfile::setCursor(double z) {
    m_cursorZ = z;
    m_cursorText = std::isfinite(z) ? ValuesAt(z) : QString();
    ChartView1->viewport()->update();
}

void TFormProfile::paintZones(QPainter* p) {
    if (!m_hasZones) return;
    const QRectF area = Chart1->plotArea();
    if (area.isEmpty()) return;
    const double x0 = AxisBottom->min(), x1 = AxisBottom->max();
    if (!(x1 > x0)) return;
    auto xOf = [&](double z) { return area.left() + (z - x0) / (x1 - x0) * area.width(); };

    double from[6], to[6];
    from[0] = 0;
    to[0] = m_zones.mouldExit;
    double prev = m_zones.mouldExit;
    for (int k = 0; k < 4; ++k) {
        from[k + 1] = prev;
        to[k + 1] = std::min(m_zones.sectionEnd[k], m_zones.coolingEnd);
        prev = std::max(prev, m_zones.sectionEnd[k]);
    }
    from[5] = m_zones.coolingEnd;
    to[5] = std::max(x1, m_zones.coolingEnd);

    const QStringList names = ZoneNames();
    p->save();
    p->setClipRect(area);
    p->setFont(SmallFont(font(), 10));
    const QFontMetricsF fm(p->font());
    for (int k = 0; k < 6; ++k) {
        if (!(to[k] > from[k])) continue;
        const double a = std::max(xOf(from[k]), area.left()), b = std::min(xOf(to[k]), area.right());
        if (!(b > a)) continue;
        const QRectF band(a, area.top(), b - a, area.height());
        p->fillRect(band, kZoneColours[k]);
        QString name = names[k];
        if (fm.horizontalAdvance(name) + 4 > band.width()) name = QString::fromUtf8(kShortZone[k]);
        if (fm.horizontalAdvance(name) + 4 > band.width()) continue;
        p->setPen(QColor(90, 90, 90));
        p->drawText(band.adjusted(0, 1, 0, 0), Qt::AlignHCenter | Qt::AlignTop, name);
    }
    p->restore();
}

void TFormProfile::paintMarkers(QPainter* p) {
    const QRectF area = Chart1->plotArea();
    if (area.isEmpty()) return;
    const double x0 = AxisBottom->min(), x1 = AxisBottom->max();
    if (!(x1 > x0)) return;
    auto xOf = [&](double z) { return area.left() + (z - x0) / (x1 - x0) * area.width(); };
    auto inside = [&](double z) { return std::isfinite(z) && z >= x0 && z <= x1; };
    p->save();
    p->setClipRect(area.adjusted(-1, -1, 1, 1));
    p->setRenderHint(QPainter::Antialiasing, true);
    p->setFont(SmallFont(font(), 10, true));
    const double lineH = QFontMetricsF(p->font()).height() + 3;

    // Straightening point.
    if (inside(m_straightening)) {
        const double x = xOf(m_straightening);
        p->setPen(QPen(QColor(90, 90, 90), 1, Qt::DashDotLine));
        p->drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        Tag(p, QPointF(x + 2, area.top() + lineH), QStringLiteral("правка"), QColor(60, 60, 60), area);
    }
    // Mould exit with the shell there.
    if (m_hasZones && inside(m_zones.mouldExit)) {
        const double x = xOf(m_zones.mouldExit);
        const QColor c(0, 60, 200);
        p->setPen(QPen(c, 1, Qt::DashLine));
        p->drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        if (m_results.mouldExitSeen) {
            const double shell = std::min(m_results.mouldExit.faceX, m_results.mouldExit.faceY);
            const QPointF at = Chart1->mapToPosition(QPointF(m_zones.mouldExit, shell), m_series[4]);
            p->setPen(QPen(c, 1.5));
            p->setBrush(Qt::white);
            p->drawEllipse(at, 3.5, 3.5);
            Tag(p, QPointF(x + 3, at.y() - lineH), QStringLiteral("%1 мм").arg(FormatFixed(shell, 0, 1)), c,
                area);
        }
    }
    // Metallurgical length.
    if (m_results.metallurgicalReached && inside(m_results.metallurgicalLength)) {
        const double x = xOf(m_results.metallurgicalLength);
        const QColor c(200, 0, 0);
        p->setPen(QPen(c, 1.5));
        p->drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        const QPointF at =
            Chart1->mapToPosition(QPointF(m_results.metallurgicalLength, m_halfSize * 1000), m_series[4]);
        p->setBrush(Qt::white);
        p->drawEllipse(QPointF(x, std::clamp(at.y(), area.top(), area.bottom())), 3.5, 3.5);
        Tag(p, QPointF(x + 3, area.top() + 2 * lineH),
            QStringLiteral("Lмет %1 м").arg(FormatFixed(m_results.metallurgicalLength, 0, 2)), c, area);
    }
    // Largest reheating: from the face's minimum to where the rise ends, both on the face's curve.
    {
        const bool xLarger = m_results.reheatFaceX >= m_results.reheatFaceY;
        const double reheat = xLarger ? m_results.reheatFaceX : m_results.reheatFaceY;
        const double zTop = xLarger ? m_results.reheatFaceXZ : m_results.reheatFaceYZ;
        const double zLow = xLarger ? m_results.reheatFaceXFromZ : m_results.reheatFaceYFromZ;
        korvel::ProfilePoint low, top;
        if (reheat > 0 && inside(zTop) && korvel::ProfileAt(m_profile, zTop, top) &&
            korvel::ProfileAt(m_profile, zLow, low)) {
            QLineSeries* face = m_series[xLarger ? 0 : 1];
            const QPointF a =
                Chart1->mapToPosition(QPointF(zLow, xLarger ? low.surfaceX : low.surfaceY), face);
            const QPointF b =
                Chart1->mapToPosition(QPointF(zTop, xLarger ? top.surfaceX : top.surfaceY), face);
            const QColor c(170, 0, 170);
            p->setPen(QPen(c, 1.5, Qt::DotLine));
            p->drawLine(a, QPointF(b.x(), a.y()));
            p->drawLine(QPointF(b.x(), a.y()), b);
            p->setPen(QPen(c, 1.5));
            p->setBrush(Qt::white);
            p->drawEllipse(a, 3.5, 3.5);
            p->drawEllipse(b, 3.5, 3.5);
            Tag(p, QPointF(b.x() + 3, b.y() - lineH),
                QStringLiteral("разогрев %1 К").arg(FormatFixed(reheat, 0, 0)), c, area);
        }
    }
    // Cursor.
    if (std::isfinite(m_cursorZ) && inside(m_cursorZ)) {
        const double x = xOf(m_cursorZ);
        p->setPen(QPen(QColor(0, 0, 0, 140), 1));
        p->drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        // The values in one line beside it, at the bottom of the plot; the tool tip has them in full.
        korvel::ProfilePoint v;
        if (korvel::ProfileAt(m_profile, m_cursorZ, v)) {
            const QString line =
                QStringLiteral("%1 м: поверхность %2/%3, угол %4, центр %5 °C; корочка %6/%7 мм")
                    .arg(FormatFixed(m_cursorZ, 0, 2), FormatFixed(v.surfaceX, 0, 0),
                         FormatFixed(v.surfaceY, 0, 0), FormatFixed(v.corner, 0, 0),
                         FormatFixed(v.centre, 0, 0), FormatFixed(v.shellX, 0, 1),
                         FormatFixed(v.shellY, 0, 1));
            p->setFont(SmallFont(font(), 10));
            Tag(p, QPointF(x + 3, area.bottom() - lineH), line, QColor(20, 20, 20), area);
        }
    }
    p->restore();
}
