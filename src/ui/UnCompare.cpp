#include "UnCompare.h"

#include "UnResults.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace {

// One colour per run, kept by the run's number so that a run keeps its colour while others come and go.
const QColor kColours[] = {QColor(200, 0, 0),   QColor(0, 90, 200),  QColor(0, 140, 0),
                           QColor(230, 130, 0), QColor(140, 0, 170), QColor(0, 150, 160)};

QColor colourOf(int number) {
    return kColours[(number - 1) % int(std::size(kColours))];
}

QString figure(double v, int decimals, const QString& missing = QStringLiteral("—")) {
    return std::isfinite(v) ? QLocale().toString(v, 'f', decimals) : missing;
}

} // namespace

TFormCompare::TFormCompare(korvel::RunArchive& archive, QWidget* parent)
    : QDialog(parent), m_archive(archive) {
    setObjectName(QStringLiteral("FormCompare"));
    setWindowTitle(QStringLiteral("Сравнение расчетов"));
    setModal(false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    auto* root = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    left->addWidget(
        new QLabel(QStringLiteral("Расчеты (последние %1):").arg(korvel::RunArchive::kCapacity), this));
    ListRuns = new QListWidget(this);
    ListRuns->setObjectName(QStringLiteral("ListRuns"));
    ListRuns->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListRuns->setToolTip(QStringLiteral("Отмеченные расчеты показаны на графике вместе с текущим"));
    left->addWidget(ListRuns, 1);
    ButtonRemove = new QPushButton(QStringLiteral("Убрать из сравнения"), this);
    ButtonRemove->setObjectName(QStringLiteral("ButtonRemove"));
    ButtonRemove->setAutoDefault(false);
    left->addWidget(ButtonRemove);
    left->addWidget(new QLabel(QStringLiteral("Температура в точке:"), this));
    ComboPoint = new QComboBox(this);
    ComboPoint->setObjectName(QStringLiteral("ComboPoint"));
    ComboPoint->addItem(QStringLiteral("Середина грани по оси X"), int(korvel::SectionPoint::MidFaceX));
    ComboPoint->addItem(QStringLiteral("Середина грани по оси Y"), int(korvel::SectionPoint::MidFaceY));
    ComboPoint->addItem(QStringLiteral("Угол слитка"), int(korvel::SectionPoint::Corner));
    ComboPoint->addItem(QStringLiteral("Центр слитка"), int(korvel::SectionPoint::Centre));
    left->addWidget(ComboPoint);
    root->addLayout(left, 0);

    auto* split = new QSplitter(Qt::Vertical, this);
    Chart = new QChart;
    Chart->setAnimationOptions(QChart::NoAnimation);
    Chart->setBackgroundRoundness(0);
    // Axis figures with the locale's decimal separator, as everywhere else on screen.
    Chart->setLocalizeNumbers(true);
    Chart->layout()->setContentsMargins(0, 0, 0, 0);
    Chart->legend()->setAlignment(Qt::AlignBottom);
    AxisZ = new QValueAxis;
    AxisZ->setTitleText(QStringLiteral("Расстояние от мениска, м"));
    AxisZ->setLabelFormat(QStringLiteral("%.1f"));
    AxisT = new QValueAxis;
    AxisT->setTitleText(QStringLiteral("Температура, град.С"));
    AxisT->setLabelFormat(QStringLiteral("%.0f"));
    Chart->addAxis(AxisZ, Qt::AlignBottom);
    Chart->addAxis(AxisT, Qt::AlignLeft);
    ChartView = new QChartView(Chart, split);
    ChartView->setObjectName(QStringLiteral("ChartCompare"));
    ChartView->setRenderHint(QPainter::Antialiasing);
    ChartView->setMinimumHeight(220);
    split->addWidget(ChartView);

    TableFigures = new QTableWidget(split);
    TableFigures->setObjectName(QStringLiteral("TableFigures"));
    TableFigures->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableFigures->setRowCount(int(FigureNames().size()));
    TableFigures->setVerticalHeaderLabels(FigureNames());
    TableFigures->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    split->addWidget(TableFigures);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    root->addWidget(split, 1);

    connect(ButtonRemove, &QPushButton::clicked, this, &TFormCompare::RemoveSelected);
    connect(ComboPoint, &QComboBox::currentIndexChanged, this, &TFormCompare::fillChart);
    connect(ListRuns, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const int number = item->data(Qt::UserRole).toInt();
        m_hidden.removeAll(number);
        if (item->checkState() != Qt::Checked) m_hidden << number;
        fillChart();
    });
    connect(ListRuns, &QListWidget::itemSelectionChanged, this,
            [this] { ButtonRemove->setEnabled(!ListRuns->selectedItems().isEmpty()); });
    resize(900, 600);
    Refresh();
}

QStringList TFormCompare::FigureNames() {
    return {QStringLiteral("Металлургическая длина, м"),
            QStringLiteral("Корочка на выходе из кристаллизатора, мм"),
            QStringLiteral("Наибольший разогрев поверхности, К"),
            QStringLiteral("Углерод в центре / в стали"),
            QStringLiteral("Сера в центре / в стали"),
            QStringLiteral("Расчет завершен"),
            QStringLiteral("Граничные условия")};
}

void TFormCompare::Refresh() {
    const QSignalBlocker block(ListRuns);
    ListRuns->clear();
    const korvel::ArchivedRun* latest = m_archive.Latest();
    QList<int> kept;
    for (const korvel::ArchivedRun& r : m_archive.Runs()) {
        kept << r.number;
        QString text = QString::fromStdString(r.name);
        if (&r == latest) text += QStringLiteral(" (текущий)");
        if (!r.figures.completed) text += QStringLiteral(", остановлен");
        if (!r.warning.empty()) text += QStringLiteral(", с предупреждением");
        auto* item = new QListWidgetItem(text, ListRuns);
        if (!r.warning.empty()) item->setToolTip(QString::fromStdString(r.warning));
        item->setData(Qt::UserRole, r.number);
        item->setForeground(colourOf(r.number));
        if (&r == latest) {
            // The current run is always drawn.
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
            QFont f = item->font();
            f.setBold(true);
            item->setFont(f);
        } else {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(m_hidden.contains(r.number) ? Qt::Unchecked : Qt::Checked);
        }
    }
    // Forget the choices of runs no longer kept.
    m_hidden.erase(std::remove_if(m_hidden.begin(), m_hidden.end(), [&](int n) { return !kept.contains(n); }),
                   m_hidden.end());
    ButtonRemove->setEnabled(false);
    fillChart();
    fillTable();
}

QList<int> TFormCompare::ShownRuns() const {
    QList<int> shown;
    const korvel::ArchivedRun* latest = m_archive.Latest();
    for (const korvel::ArchivedRun& r : m_archive.Runs())
        if (&r == latest || !m_hidden.contains(r.number)) shown << r.number;
    return shown;
}

void TFormCompare::RemoveSelected() {
    const QList<QListWidgetItem*> selected = ListRuns->selectedItems();
    if (selected.isEmpty()) return;
    QList<int> numbers;
    for (QListWidgetItem* item : selected)
        numbers << item->data(Qt::UserRole).toInt();
    for (int n : numbers)
        m_archive.Remove(n);
    Refresh();
}

void TFormCompare::fillChart() {
    Chart->removeAllSeries();
    const auto point = static_cast<korvel::SectionPoint>(ComboPoint->currentData().toInt());
    const korvel::ArchivedRun* latest = m_archive.Latest();
    const QList<int> shown = ShownRuns();
    double zMax = 0, tMin = INFINITY, tMax = -INFINITY;
    // The current run last, so it is drawn over the others.
    std::vector<const korvel::ArchivedRun*> order;
    for (const korvel::ArchivedRun& r : m_archive.Runs())
        if (&r != latest && shown.contains(r.number)) order.push_back(&r);
    if (latest) order.push_back(latest);
    for (const korvel::ArchivedRun* r : order) {
        auto* s = new QLineSeries;
        s->setName(QString::fromStdString(r->name));
        QPen pen(colourOf(r->number));
        pen.setWidth(r == latest ? 3 : 2);
        if (r != latest) pen.setStyle(Qt::DashLine);
        s->setPen(pen);
        QList<QPointF> points;
        for (const auto& [z, t] : korvel::TemperatureProfile(*r, point)) {
            if (!std::isfinite(z) || !std::isfinite(t)) continue;
            points << QPointF(z, t);
            zMax = std::max(zMax, z);
            tMin = std::min(tMin, t);
            tMax = std::max(tMax, t);
        }
        s->replace(points);
        Chart->addSeries(s);
        s->attachAxis(AxisZ);
        s->attachAxis(AxisT);
    }
    if (!(tMin <= tMax)) {
        tMin = 0;
        tMax = 1600;
    }
    AxisZ->setRange(0, zMax > 0 ? zMax : 10);
    const double pad = std::max(10.0, (tMax - tMin) * 0.05);
    AxisT->setRange(std::floor((tMin - pad) / 50) * 50, std::ceil((tMax + pad) / 50) * 50);
    AxisZ->applyNiceNumbers();
    AxisT->applyNiceNumbers();
    // Gridlines every 50 or 100 degrees.
    AxisT->setTickType(QValueAxis::TicksDynamic);
    AxisT->setTickAnchor(0);
    AxisT->setTickInterval(AxisT->max() - AxisT->min() <= 600 ? 50 : 100);
    Chart->legend()->setVisible(!order.empty());
}

void TFormCompare::fillTable() {
    const std::vector<korvel::ArchivedRun>& runs = m_archive.Runs();
    TableFigures->setColumnCount(int(runs.size()));
    QStringList headers;
    for (int c = 0; c < int(runs.size()); ++c) {
        const korvel::ArchivedRun& r = runs[c];
        const korvel::KeyFigures& k = r.figures;
        headers << QString::fromStdString(r.name);
        const QString cells[] = {
            figure(k.metallurgicalLength, 2, QStringLiteral("не достигнута")),
            figure(k.mouldExitShell, 1),
            figure(k.maxReheat, 1),
            figure(k.centreCarbonRatio, 3),
            figure(k.centreSulphurRatio, 3),
            (k.completed ? QStringLiteral("да")
                         : QStringLiteral("нет, остановлен на %1 с").arg(QLocale().toString(k.tau, 'f', 1))) +
                (r.warning.empty()
                     ? QString()
                     : QStringLiteral(" (внимание: шаг расчета или сетка не разрешают машину)")),
            k.boundary == korvel::BoundaryModel::Physical ? QStringLiteral("физические")
                                                          : QStringLiteral("по исходной методике"),
        };
        for (int row = 0; row < int(std::size(cells)); ++row) {
            auto* item = new QTableWidgetItem(cells[row]);
            item->setTextAlignment(Qt::AlignCenter);
            if (row == int(std::size(cells)) - 1 && !r.warning.empty())
                item->setToolTip(LocaliseFigures(QString::fromStdString(r.warning)));
            TableFigures->setItem(row, c, item);
        }
    }
    TableFigures->setHorizontalHeaderLabels(headers);
    // Every figure in sight without scrolling.
    TableFigures->resizeRowsToContents();
    TableFigures->setMinimumHeight(TableFigures->verticalHeader()->length() +
                                   TableFigures->horizontalHeader()->sizeHint().height() +
                                   2 * TableFigures->frameWidth() + 2);
}
