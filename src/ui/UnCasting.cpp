#include "UnCasting.h"
#include "ui/UiFormat.h"

#include "strand/StrandExport.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QScrollArea>
#include <QSlider>
#include <QSplitter>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

namespace {

const char* kColumnCaptions[] = {"Время, мин", "Скорость, м/мин", "Q1, м3/ч",
                                 "Q2, м3/ч",   "Q3, м3/ч",        "Q4, м3/ч"};
const char* kCsvFilter = "Расписание разливки (*.csv);;Все файлы (*)";
// The most pyrometers a run plots.
constexpr int kMaxPyrometers = 12;

QString Shown(double v, int decimals = -1) {
    if (!std::isfinite(v)) return QString();
    return decimals < 0 ? QLocale().toString(v, 'g', 10) : QLocale().toString(v, 'f', decimals);
}

// The criteria in the order of the verdict chart's rows, bottom up, and their short names for its axis
// (the full ones in the chart's tool tip).
const korvel::Criterion kCriteria[] = {korvel::Criterion::MouldExitShell, korvel::Criterion::Reheating,
                                       korvel::Criterion::Ductility,      korvel::Criterion::Straightening,
                                       korvel::Criterion::CentreCarbon,   korvel::Criterion::CentreSulphur};
const char* kCriterionShort[] = {"Корочка",         "Разогрев",   "Пластичность",
                                 "Лунка до правки", "Ликвация C", "Ликвация S"};

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QValueAxis* Axis(QChart* chart, Qt::Alignment where, const QString& title) {
    auto* axis = new QValueAxis(chart);
    axis->setTitleText(title);
    axis->setLabelFormat(QStringLiteral("%.6g")); // "%g" alone gives no labels where numbers are localised
    chart->addAxis(axis, where);
    return axis;
}

QLineSeries* Line(QChart* chart, const QString& name, QValueAxis* x, QValueAxis* y) {
    auto* s = new QLineSeries(chart);
    s->setName(name);
    chart->addSeries(s);
    s->attachAxis(x);
    s->attachAxis(y);
    return s;
}

QChartView* MakeView(QWidget* parent, const QString& title, const QString& name) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->setLocalizeNumbers(true);
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* view = new QChartView(chart, parent);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    // Room for the verdict's six rows with their names, the axes and the legend; a smaller window
    // scrolls the pictures instead of squeezing them.
    view->setMinimumSize(400, 275);
    return view;
}

// Round ends for an axis showing lo..hi.
void SetRange(QValueAxis* axis, double lo, double hi) {
    if (!(hi > lo)) hi = lo + 1;
    axis->setRange(lo, hi);
    axis->applyNiceNumbers();
}

} // namespace

TFormCasting::TFormCasting(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormCasting"));
    setWindowTitle(QStringLiteral("Динамика разливки"));

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->addWidget(
        new QLabel(QStringLiteral("Расписание разливки (пустой расход — как в варианте):"), left));
    TableSchedule = new QTableWidget(0, 6, left);
    TableSchedule->setObjectName(QStringLiteral("TableSchedule"));
    QStringList headers;
    for (const char* c : kColumnCaptions)
        headers << QString::fromUtf8(c);
    TableSchedule->setHorizontalHeaderLabels(headers);
    TableSchedule->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    leftLayout->addWidget(TableSchedule, 1);
    auto* rowButtons = new QHBoxLayout;
    ButtonAddRow = new QPushButton(QStringLiteral("Добавить строку"), left);
    ButtonRemoveRow = new QPushButton(QStringLiteral("Удалить строку"), left);
    ButtonOpenCsv = new QPushButton(QStringLiteral("Открыть CSV..."), left);
    ButtonSaveCsv = new QPushButton(QStringLiteral("Сохранить CSV..."), left);
    for (QPushButton* b : {ButtonAddRow, ButtonRemoveRow, ButtonOpenCsv, ButtonSaveCsv})
        rowButtons->addWidget(b);
    leftLayout->addLayout(rowButtons);

    auto* options = new QGridLayout;
    options->addWidget(new QLabel(QStringLiteral("Слиток каждые, с:"), left), 0, 0);
    EditLaunch = new QLineEdit(QLocale().toString(10), left);
    EditLaunch->setObjectName(QStringLiteral("EditLaunch"));
    options->addWidget(EditLaunch, 0, 1);
    options->addWidget(new QLabel(QStringLiteral("Длительность разливки, мин:"), left), 1, 0);
    EditDuration = new QLineEdit(QLocale().toString(60), left);
    EditDuration->setObjectName(QStringLiteral("EditDuration"));
    options->addWidget(EditDuration, 1, 1);
    options->addWidget(new QLabel(QStringLiteral("Пирометры, м:"), left), 2, 0);
    EditPyrometers = new QLineEdit(left);
    EditPyrometers->setObjectName(QStringLiteral("EditPyrometers"));
    EditPyrometers->setToolTip(
        QStringLiteral(
            "Расстояния пирометров от мениска, м, через «;» или пробел (не больше %1). Пустое поле — "
            "как в варианте: выход из кристаллизатора, концы секций ЗВО, точка правки.")
            .arg(kMaxPyrometers));
    options->addWidget(EditPyrometers, 3, 0, 1, 2);
    ButtonDefaultPyrometers = new QPushButton(QStringLiteral("Как в варианте"), left);
    ButtonDefaultPyrometers->setObjectName(QStringLiteral("ButtonDefaultPyrometers"));
    options->addWidget(ButtonDefaultPyrometers, 3, 2);
    leftLayout->addLayout(options);
    auto* runButtons = new QHBoxLayout;
    ButtonStart = new QPushButton(QStringLiteral("Расчет"), left);
    ButtonStart->setObjectName(QStringLiteral("ButtonStart"));
    ButtonCancel = new QPushButton(QStringLiteral("Прервать"), left);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    runButtons->addWidget(ButtonStart);
    runButtons->addWidget(ButtonCancel);
    leftLayout->addLayout(runButtons);
    LabelStatus = new QLabel(left);
    LabelStatus->setWordWrap(true);
    leftLayout->addWidget(LabelStatus);

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    auto* sliderRow = new QHBoxLayout;
    SliderTime = new QSlider(Qt::Horizontal, right);
    SliderTime->setObjectName(QStringLiteral("SliderTime"));
    SliderTime->setEnabled(false);
    LabelMoment = new QLabel(right);
    LabelMoment->setObjectName(QStringLiteral("LabelMoment"));
    sliderRow->addWidget(new QLabel(QStringLiteral("Момент:"), right));
    sliderRow->addWidget(SliderTime, 1);
    rightLayout->addLayout(sliderRow);
    rightLayout->addWidget(LabelMoment);
    auto* charts = new QGridLayout;
    ViewStrand = MakeView(right, QStringLiteral("Ручей в момент разливки"), QStringLiteral("ViewStrand"));
    ViewCrater = MakeView(right, QStringLiteral("Конец лунки"), QStringLiteral("ViewCrater"));
    ViewPyrometers =
        MakeView(right, QStringLiteral("Пирометры: середина грани X"), QStringLiteral("ViewPyrometers"));
    // A column of distances beside the plot: each whole, however many pyrometers are chosen.
    ViewPyrometers->chart()->legend()->setAlignment(Qt::AlignRight);
    ViewVerdict = MakeView(right, QStringLiteral("Критерии качества"), QStringLiteral("ViewVerdict"));
    QStringList criteria;
    for (int k = 5; k >= 0; --k)
        criteria << QStringLiteral("%1 — %2").arg(QString::fromUtf8(kCriterionShort[k]),
                                                  QString::fromUtf8(korvel::CriterionCaption(kCriteria[k])));
    ViewVerdict->setToolTip(criteria.join(QLatin1Char('\n')));
    charts->addWidget(ViewStrand, 0, 0);
    charts->addWidget(ViewCrater, 0, 1);
    charts->addWidget(ViewPyrometers, 1, 0);
    charts->addWidget(ViewVerdict, 1, 1);
    rightLayout->addLayout(charts, 1);

    auto* split = new QSplitter(this);
    split->addWidget(left);
    auto* rightScroll = new QScrollArea(this);
    rightScroll->setObjectName(QStringLiteral("ScrollCharts"));
    rightScroll->setWidgetResizable(true);
    rightScroll->setFrameShape(QFrame::NoFrame);
    rightScroll->setWidget(right);
    split->addWidget(rightScroll);
    split->setStretchFactor(1, 3);
    split->setSizes({380, 1000});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split);

    m_refresh = new QTimer(this);
    m_refresh->setInterval(250);
    connect(m_refresh, &QTimer::timeout, this, &TFormCasting::refreshCharts);
    connect(ButtonStart, &QPushButton::clicked, this, &TFormCasting::Start);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormCasting::Cancel);
    connect(ButtonOpenCsv, &QPushButton::clicked, this, &TFormCasting::OpenCsv);
    connect(ButtonSaveCsv, &QPushButton::clicked, this, &TFormCasting::SaveCsv);
    connect(ButtonDefaultPyrometers, &QPushButton::clicked, this, [this] { fillDefaultPyrometers(true); });
    connect(ButtonAddRow, &QPushButton::clicked, this, [this] {
        const int row = TableSchedule->rowCount();
        TableSchedule->insertRow(row);
        if (row > 0) {
            // A new point a minute after the last, at the same speed.
            double t = 0;
            if (QTableWidgetItem* item = TableSchedule->item(row - 1, 0);
                item && ReadTypedNumber(item->text(), t))
                TableSchedule->setItem(row, 0, new QTableWidgetItem(Shown(t + 1)));
            if (QTableWidgetItem* item = TableSchedule->item(row - 1, 1))
                TableSchedule->setItem(row, 1, new QTableWidgetItem(item->text()));
        }
    });
    connect(ButtonRemoveRow, &QPushButton::clicked, this, [this] {
        const int row = TableSchedule->currentRow();
        if (row >= 0) TableSchedule->removeRow(row);
        tableEdited();
    });
    connect(TableSchedule, &QTableWidget::cellChanged, this, [this] { tableEdited(); });
    connect(SliderTime, &QSlider::valueChanged, this, &TFormCasting::ShowMoment);
    SetSchedule({});
    updateButtons();
}

TFormCasting::~TFormCasting() {
    stopThread();
}

QChart* TFormCasting::StrandChart() const {
    return ViewStrand->chart();
}
QChart* TFormCasting::CraterChart() const {
    return ViewCrater->chart();
}

void TFormCasting::SetSchedule(const korvel::Schedule& s) {
    m_filling = true;
    korvel::Schedule shown = s;
    if (shown.Empty())
        shown.points.push_back({0, m_modelSource ? m_modelSource().data.Vlit : korvel::CastingData{}.Vlit});
    TableSchedule->setRowCount(0);
    TableSchedule->setRowCount(int(shown.points.size()));
    for (int r = 0; r < int(shown.points.size()); ++r) {
        const korvel::SchedulePoint& p = shown.points[std::size_t(r)];
        TableSchedule->setItem(r, 0, new QTableWidgetItem(Shown(p.timeMin)));
        TableSchedule->setItem(r, 1, new QTableWidgetItem(Shown(p.vlit)));
        for (int f = 0; f < 4; ++f)
            TableSchedule->setItem(r, 2 + f, new QTableWidgetItem(Shown(p.q[std::size_t(f)])));
    }
    m_filling = false;
    m_schedule = s;
}

void TFormCasting::showEvent(QShowEvent* event) {
    fillDefaultPyrometers(false);
    QWidget::showEvent(event);
}

void TFormCasting::fillDefaultPyrometers(bool force) {
    const QString now = EditPyrometers->text().trimmed();
    if (!force && !now.isEmpty() && now != m_defaultPyrometersText) return;
    const korvel::Model base = m_modelSource ? m_modelSource() : korvel::Model{};
    const korvel::QualityLimits limits = m_limitsSource ? m_limitsSource() : korvel::QualityLimits{};
    QStringList cells;
    for (double z : korvel::DefaultPyrometers(base.data, limits))
        cells << Shown(std::round(z * 100) / 100);
    m_defaultPyrometersText = cells.join(QStringLiteral("; "));
    EditPyrometers->setText(m_defaultPyrometersText);
}

std::vector<double> TFormCasting::PyrometersFromField(double length, QString& problem) const {
    problem.clear();
    const QString text = EditPyrometers->text().trimmed();
    // The case's own, exactly as the case gives them (not as rounded for the field).
    if (text.isEmpty() || text == m_defaultPyrometersText) return {};
    const QString field = QStringLiteral("Поле «Пирометры, м»: ");
    const QStringList cells = text.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
    if (cells.size() > kMaxPyrometers) {
        problem = field + QStringLiteral("задано %1 расстояний, а пирометров может быть не больше %2.")
                              .arg(cells.size())
                              .arg(kMaxPyrometers);
        return {};
    }
    std::vector<double> z;
    for (const QString& cell : cells) {
        double v = 0;
        if (!ReadTypedNumber(cell, v)) {
            problem = field + QStringLiteral("«%1» не является числом.").arg(cell);
            return {};
        }
        if (!(v > 0)) {
            problem = field + QStringLiteral("расстояние %1 м должно быть больше нуля.").arg(Shown(v));
            return {};
        }
        if (v > length) {
            problem = field + QStringLiteral("расстояние %1 м лежит за концом рассчитываемого участка ручья "
                                             "(%2 м от мениска).")
                                  .arg(Shown(v), Shown(length, 2));
            return {};
        }
        z.push_back(v);
    }
    return z;
}

korvel::Schedule TFormCasting::ScheduleFromTable(QString& problem) const {
    korvel::Schedule s;
    problem.clear();
    for (int r = 0; r < TableSchedule->rowCount(); ++r) {
        korvel::SchedulePoint p;
        bool blank = true;
        for (int c = 0; c < 6; ++c) {
            const QTableWidgetItem* item = TableSchedule->item(r, c);
            if (item && !item->text().trimmed().isEmpty()) blank = false;
        }
        if (blank) continue; // an empty row is no point
        for (int c = 0; c < 6; ++c) {
            const QTableWidgetItem* item = TableSchedule->item(r, c);
            const QString text = item ? item->text().trimmed() : QString();
            if (text.isEmpty() && c >= 2) continue;
            double v = 0;
            if (!ReadTypedNumber(text, v)) {
                problem = QStringLiteral("Расписание, строка %1, столбец «%2»: «%3» не является числом.")
                              .arg(r + 1)
                              .arg(QString::fromUtf8(kColumnCaptions[c]), text);
                return {};
            }
            if (c == 0)
                p.timeMin = v;
            else if (c == 1)
                p.vlit = v;
            else
                p.q[std::size_t(c - 2)] = v;
        }
        // The point against the one before it, named by its row in the table.
        korvel::Schedule probe;
        if (!s.points.empty()) probe.points.push_back(s.points.back());
        probe.points.push_back(p);
        if (const std::string why = korvel::CheckSchedule(probe, r + 2 - int(probe.points.size()));
            !why.empty()) {
            problem = QStringLiteral("Расписание, %1.").arg(QString::fromStdString(why));
            return {};
        }
        s.points.push_back(p);
    }
    if (s.points.empty()) problem = QStringLiteral("В расписании нет ни одной точки.");
    return s;
}

void TFormCasting::tableEdited() {
    if (m_filling) return;
    QString problem;
    korvel::Schedule s = ScheduleFromTable(problem);
    if (!problem.isEmpty()) {
        LabelStatus->setText(problem);
        return;
    }
    LabelStatus->clear();
    if (!(s == m_schedule)) {
        m_schedule = std::move(s);
        emit ScheduleChanged();
    }
}

void TFormCasting::showMessage(const QString& text) {
    if (m_messageHandler)
        m_messageHandler(text);
    else
        QMessageBox::warning(this, QStringLiteral("Динамика разливки"), text);
}

bool TFormCasting::OpenCsv() {
    const QString path = m_fileChooser
                             ? m_fileChooser(false)
                             : QFileDialog::getOpenFileName(this, QStringLiteral("Открыть расписание"),
                                                            QString(), QString::fromUtf8(kCsvFilter));
    if (path.isEmpty()) return false;
    korvel::Schedule s;
    std::string error;
    if (!korvel::ReadScheduleFile(LocalPath(path), s, error)) {
        showMessage(QStringLiteral("Расписание не открыто. %1.").arg(QString::fromStdString(error)));
        return false;
    }
    SetSchedule(s);
    emit ScheduleChanged();
    return true;
}

bool TFormCasting::SaveCsv() {
    QString problem;
    const korvel::Schedule s = ScheduleFromTable(problem);
    if (!problem.isEmpty()) {
        showMessage(problem + QStringLiteral(" Расписание не сохранено."));
        return false;
    }
    const QString path = m_fileChooser
                             ? m_fileChooser(true)
                             : QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить расписание"),
                                                            QString(), QString::fromUtf8(kCsvFilter));
    if (path.isEmpty()) return false;
    std::string error;
    if (!korvel::WriteScheduleFile(LocalPath(path), s, error)) {
        showMessage(QString::fromStdString(error));
        return false;
    }
    return true;
}

void TFormCasting::Start() {
    if (Running()) return;
    QString problem;
    const korvel::Schedule s = ScheduleFromTable(problem);
    korvel::StrandOptions o;
    double launch = 0, duration = 0;
    if (problem.isEmpty() && !ReadTypedNumber(EditLaunch->text(), launch))
        problem = QStringLiteral("Поле «Слиток каждые, с»: нужно число.");
    if (problem.isEmpty() && !ReadTypedNumber(EditDuration->text(), duration))
        problem = QStringLiteral("Поле «Длительность разливки, мин»: нужно число.");
    korvel::Model base = m_modelSource ? m_modelSource() : korvel::Model{};
    o.launch = launch;
    o.durationMin = duration;
    if (m_limitsSource) o.limits = m_limitsSource();
    if (problem.isEmpty())
        if (const std::string why = korvel::CheckStrand(base, s, o); !why.empty())
            problem = QString::fromStdString(why);
    if (problem.isEmpty()) o.pyrometers = PyrometersFromField(korvel::StrandSetupOf(base, o).length, problem);
    if (!problem.isEmpty()) {
        // Nothing on screen changes: the last run's pictures stay.
        showMessage(problem + QStringLiteral(" Расчет не запущен."));
        return;
    }
    fillDefaultPyrometers(false); // the case's own, should the case have changed since
    m_schedule = s;
    m_base = base;
    m_options = o;
    m_options.jobs = m_jobs;
    const korvel::StrandSetup setup = korvel::StrandSetupOf(m_base, m_options);
    m_pyrometers = setup.pyrometers;
    m_straightening = setup.straightening;
    m_options.pyrometers = m_pyrometers;
    m_moments.clear();
    m_shown = -1;
    m_stop.store(false);
    SliderTime->setEnabled(false);
    SliderTime->setRange(0, 0);
    LabelStatus->setText(QStringLiteral("Идет расчет..."));

    // Fresh charts for this run: the strand's length and the casting's duration fix the axes.
    for (QChartView* v : {ViewStrand, ViewCrater, ViewPyrometers, ViewVerdict}) {
        QChart* c = v->chart();
        c->removeAllSeries();
        for (QAbstractAxis* a : c->axes()) {
            c->removeAxis(a);
            delete a;
        }
    }
    const double T0 = m_base.data.T0;
    {
        QChart* c = StrandChart();
        QValueAxis* x = Axis(c, Qt::AlignBottom, QStringLiteral("Расстояние от мениска, м"));
        QValueAxis* y = Axis(c, Qt::AlignLeft, QStringLiteral("Температура, °C"));
        QValueAxis* shell = Axis(c, Qt::AlignRight, QStringLiteral("Корочка, мм"));
        SetRange(x, 0, setup.length);
        SetRange(y, 500, T0 + 20);
        SetRange(shell, 0, 1000 * std::max(m_base.data.HalfX, m_base.data.HalfY));
        Line(c, QStringLiteral("Грань X"), x, y);
        Line(c, QStringLiteral("Грань Y"), x, y);
        Line(c, QStringLiteral("Угол"), x, y);
        Line(c, QStringLiteral("Центр"), x, y);
        Line(c, QStringLiteral("Корочка"), x, shell);
    }
    {
        QChart* c = CraterChart();
        QValueAxis* x = Axis(c, Qt::AlignBottom, QStringLiteral("Время разливки, мин"));
        QValueAxis* y = Axis(c, Qt::AlignLeft, QStringLiteral("м от мениска"));
        SetRange(x, 0, std::max(o.durationMin, 1e-3));
        SetRange(y, 0, std::max(setup.length, m_straightening) * 1.05);
        Line(c, QStringLiteral("Конец лунки"), x, y);
        QLineSeries* straight = Line(c, QStringLiteral("Точка правки"), x, y);
        straight->append(0, m_straightening);
        straight->append(o.durationMin, m_straightening);
        QPen pen = straight->pen();
        pen.setStyle(Qt::DashLine);
        straight->setPen(pen);
    }
    {
        QChart* c = ViewPyrometers->chart();
        QValueAxis* x = Axis(c, Qt::AlignBottom, QStringLiteral("Время разливки, мин"));
        QValueAxis* y = Axis(c, Qt::AlignLeft, QStringLiteral("Температура, °C"));
        SetRange(x, 0, std::max(o.durationMin, 1e-3));
        SetRange(y, 500, T0 + 20);
        for (double z : m_pyrometers)
            Line(c, QStringLiteral("%1 м").arg(QLocale().toString(z, 'f', 2)), x, y);
    }
    {
        QChart* c = ViewVerdict->chart();
        QValueAxis* x = Axis(c, Qt::AlignBottom, QStringLiteral("Время разливки, мин"));
        SetRange(x, 0, std::max(o.durationMin, 1e-3));
        auto* y = new QCategoryAxis(c);
        y->setRange(-0.5, 5.5);
        y->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        for (int k = 0; k < 6; ++k)
            y->append(QString::fromUtf8(kCriterionShort[k]), k);
        c->addAxis(y, Qt::AlignLeft);
        const std::pair<QString, QColor> kinds[] = {{QStringLiteral("в норме"), QColor(0, 150, 0)},
                                                    {QStringLiteral("нарушено"), QColor(210, 0, 0)},
                                                    {QStringLiteral("не достигнуто"), QColor(160, 160, 160)}};
        for (const auto& [name, colour] : kinds) {
            auto* s = new QScatterSeries(c);
            s->setName(name);
            s->setColor(colour);
            s->setBorderColor(colour);
            s->setMarkerSize(6);
            c->addSeries(s);
            s->attachAxis(x);
            s->attachAxis(y);
        }
    }

    // The slices go on the strand's threads; every moment is handed to the window thread when complete.
    m_thread = std::thread([this, base = m_base, schedule = m_schedule, options = m_options] {
        const korvel::StrandOutcome out = korvel::RunStrand(
            base, schedule, options,
            [this](korvel::StrandMoment&& m) {
                QMetaObject::invokeMethod(
                    this, [this, m = std::move(m)]() mutable { addMoment(std::move(m)); },
                    Qt::QueuedConnection);
            },
            &m_stop);
        QMetaObject::invokeMethod(
            this, [this, out] { runEnded(out); }, Qt::QueuedConnection);
    });
    m_refresh->start();
    updateButtons();
}

void TFormCasting::Cancel() {
    if (!Running()) return;
    m_stop.store(true);
    LabelStatus->setText(QStringLiteral("Прерывание..."));
    ButtonCancel->setEnabled(false);
}

void TFormCasting::stopThread() {
    m_stop.store(true);
    if (m_thread.joinable()) m_thread.join();
}

void TFormCasting::addMoment(korvel::StrandMoment&& m) {
    m_moments.push_back(std::move(m));
    m_dirty = true;
}

void TFormCasting::runEnded(korvel::StrandOutcome outcome) {
    if (m_thread.joinable()) m_thread.join();
    m_refresh->stop();
    m_dirty = true;
    refreshCharts();
    switch (outcome.end) {
    case korvel::StrandEnd::Finished:
        LabelStatus->setText(
            QStringLiteral("Готово: %1 моментов, %2 слитков.").arg(m_moments.size()).arg(outcome.slices));
        break;
    case korvel::StrandEnd::Stopped:
        LabelStatus->setText(QStringLiteral("Расчет прерван: готово %1 моментов.").arg(m_moments.size()));
        break;
    case korvel::StrandEnd::Failed:
        LabelStatus->setText(QStringLiteral("Расчет остановлен."));
        showMessage(QString::fromStdString(outcome.message));
        break;
    }
    if (!m_moments.empty()) {
        SliderTime->setRange(0, int(m_moments.size()) - 1);
        SliderTime->setEnabled(true);
        SliderTime->setValue(int(m_moments.size()) - 1);
        ShowMoment(int(m_moments.size()) - 1);
    }
    updateButtons();
    emit Finished();
}

void TFormCasting::refreshCharts() {
    if (!m_dirty) return;
    m_dirty = false;
    // The series over time, rebuilt whole (a few hundred points each).
    QList<QPointF> crater;
    std::vector<QList<QPointF>> pyro(m_pyrometers.size());
    QList<QPointF> marks[3];
    for (const korvel::StrandMoment& m : m_moments) {
        const double t = m.t / 60;
        if (std::isfinite(m.craterEnd)) crater << QPointF(t, m.craterEnd);
        for (std::size_t k = 0; k < pyro.size() && k < m.pyrometers.size(); ++k)
            if (std::isfinite(m.pyrometers[k].surfaceX)) pyro[k] << QPointF(t, m.pyrometers[k].surfaceX);
        for (int c = 0; c < int(m.verdict.size()) && c < 6; ++c) {
            const korvel::CriterionState st = m.verdict[std::size_t(c)].state;
            const int kind = st == korvel::CriterionState::Ok         ? 0
                             : st == korvel::CriterionState::Violated ? 1
                                                                      : 2;
            marks[kind] << QPointF(t, c);
        }
    }
    const QList<QAbstractSeries*> craterSeries = CraterChart()->series();
    if (!craterSeries.isEmpty()) static_cast<QLineSeries*>(craterSeries[0])->replace(crater);
    const QList<QAbstractSeries*> pyroSeries = ViewPyrometers->chart()->series();
    for (std::size_t k = 0; k < pyro.size() && k < std::size_t(pyroSeries.size()); ++k)
        static_cast<QLineSeries*>(pyroSeries[int(k)])->replace(pyro[k]);
    const QList<QAbstractSeries*> verdictSeries = ViewVerdict->chart()->series();
    for (int k = 0; k < 3 && k < verdictSeries.size(); ++k)
        static_cast<QScatterSeries*>(verdictSeries[k])->replace(marks[k]);
    // While the run goes, the strand picture follows the latest moment.
    if (Running() && !m_moments.empty()) ShowMoment(int(m_moments.size()) - 1);
}

void TFormCasting::ShowMoment(int index) {
    if (index < 0 || index >= int(m_moments.size())) return;
    m_shown = index;
    const korvel::StrandMoment& m = m_moments[std::size_t(index)];
    QList<QPointF> pts[5];
    for (const korvel::SliceSample& s : m.slices) {
        pts[0] << QPointF(s.at.z, s.at.surfaceX);
        pts[1] << QPointF(s.at.z, s.at.surfaceY);
        pts[2] << QPointF(s.at.z, s.at.corner);
        pts[3] << QPointF(s.at.z, s.at.centre);
        pts[4] << QPointF(s.at.z, s.at.shellX);
    }
    const QList<QAbstractSeries*> series = StrandChart()->series();
    for (int k = 0; k < 5 && k < series.size(); ++k)
        static_cast<QLineSeries*>(series[k])->replace(pts[k]);
    QString text = QStringLiteral("%1 мин, скорость %2 м/мин, конец лунки: %3")
                       .arg(Shown(m.t / 60, 2), Shown(m.vlit, 2),
                            std::isfinite(m.craterEnd) ? Shown(m.craterEnd, 2) + QStringLiteral(" м")
                                                       : QStringLiteral("ручей не затвердел"));
    QStringList violated;
    for (const korvel::CriterionResult& r : m.verdict)
        if (r.state == korvel::CriterionState::Violated)
            violated << QString::fromUtf8(korvel::CriterionCaption(r.criterion));
    if (!violated.isEmpty()) text += QStringLiteral("; нарушено: ") + violated.join(QStringLiteral(", "));
    LabelMoment->setText(text);
    if (!Running() && SliderTime->value() != index) SliderTime->setValue(index);
}

void TFormCasting::updateButtons() {
    const bool running = Running();
    ButtonStart->setEnabled(!running);
    ButtonCancel->setEnabled(running);
    TableSchedule->setEnabled(!running);
    for (QWidget* w : {static_cast<QWidget*>(ButtonAddRow), static_cast<QWidget*>(ButtonRemoveRow),
                       static_cast<QWidget*>(ButtonOpenCsv), static_cast<QWidget*>(EditLaunch),
                       static_cast<QWidget*>(EditDuration), static_cast<QWidget*>(EditPyrometers),
                       static_cast<QWidget*>(ButtonDefaultPyrometers)})
        w->setEnabled(!running);
}
