#include "UnSprayDesign.h"
#include "ui/UiFormat.h"

#include "UnProfile.h"
#include "design/DesignText.h"
#include "study/Study.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>

namespace {

QString Show(double v, int decimals) {
    return std::isfinite(v) ? QLocale().toString(v, 'f', decimals) : QStringLiteral("—");
}

const char* kLimitKeys[7] = {"mouldExitShell", "reheating",    "ductilityLow", "ductilityHigh",
                             "straightening",  "centreCarbon", "centreSulphur"};
const char* kLimitCaptions[7] = {"Корочка на выходе из кристаллизатора не менее, мм",
                                 "Разогрев поверхности не более, К",
                                 "Зона низкой пластичности от, °C",
                                 "до, °C",
                                 "Точка правки, м от мениска (пусто — конец дуги)",
                                 "Осевая ликвация углерода не более (пусто — без предела)",
                                 "Осевая ликвация серы не более (пусто — без предела)"};

QLineEdit* NumberEdit(QWidget* parent, const QString& name, const QString& text) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setMaximumWidth(90);
    return e;
}

} // namespace

TFormSprayDesign::TFormSprayDesign(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormSprayDesign"));
    setWindowTitle(QStringLiteral("Подбор расходов воды"));
    auto* top = new QHBoxLayout(this);
    auto* split = new QSplitter(Qt::Horizontal, this);
    top->addWidget(split);

    // Left: targets, bounds, speeds, buttons.
    auto* left = new QWidget(split);
    auto* lv = new QVBoxLayout(left);
    auto* targets = new QGroupBox(QStringLiteral("Цели"), left);
    auto* tg = new QGridLayout(targets);
    const korvel::QualityLimits defaults;
    const double values[7] = {defaults.mouldExitShell,
                              defaults.reheating,
                              defaults.ductilityLow,
                              defaults.ductilityHigh,
                              NAN,
                              NAN,
                              NAN};
    for (int k = 0; k < 7; ++k) {
        tg->addWidget(new QLabel(QString::fromUtf8(kLimitCaptions[k]), targets), k, 0);
        EditLimit[k] = NumberEdit(targets, QStringLiteral("EditLimit_") + QLatin1String(kLimitKeys[k]),
                                  std::isfinite(values[k]) ? QLocale().toString(values[k]) : QString());
        tg->addWidget(EditLimit[k], k, 1);
    }
    CheckSectionEnds = new QCheckBox(QStringLiteral("Поверхность в конце каждой секции, °C: от"), targets);
    CheckSectionEnds->setObjectName(QStringLiteral("CheckSectionEnds"));
    tg->addWidget(CheckSectionEnds, 7, 0);
    auto* band = new QHBoxLayout;
    EditBandLow = NumberEdit(targets, QStringLiteral("EditBandLow"), QStringLiteral("900"));
    EditBandHigh = NumberEdit(targets, QStringLiteral("EditBandHigh"), QStringLiteral("1150"));
    band->addWidget(EditBandLow);
    band->addWidget(new QLabel(QStringLiteral("до"), targets));
    band->addWidget(EditBandHigh);
    tg->addLayout(band, 7, 1);
    tg->addWidget(new QLabel(QStringLiteral("Еще полосы «Z:от:до» через «;» (м, °C)"), targets), 8, 0);
    EditBands = new QLineEdit(targets);
    EditBands->setObjectName(QStringLiteral("EditBands"));
    tg->addWidget(EditBands, 8, 1);
    lv->addWidget(targets);

    auto* bounds = new QGroupBox(QStringLiteral("Границы расхода, м3/ч"), left);
    auto* bg = new QGridLayout(bounds);
    for (int k = 0; k < 4; ++k) {
        bg->addWidget(new QLabel(QStringLiteral("Секция %1: от").arg(k + 1), bounds), k, 0);
        EditFlowLow[k] = NumberEdit(bounds, QStringLiteral("EditFlowLow%1").arg(k + 1),
                                    QLocale().toString(korvel::kDefaultFlowLow));
        bg->addWidget(EditFlowLow[k], k, 1);
        bg->addWidget(new QLabel(QStringLiteral("до"), bounds), k, 2);
        EditFlowHigh[k] = NumberEdit(bounds, QStringLiteral("EditFlowHigh%1").arg(k + 1),
                                     QLocale().toString(korvel::kDefaultFlowHigh));
        bg->addWidget(EditFlowHigh[k], k, 3);
    }
    lv->addWidget(bounds);

    auto* speeds = new QGroupBox(QStringLiteral("Таблица по скоростям разливки, м/мин"), left);
    auto* sg = new QHBoxLayout(speeds);
    CheckSpeeds = new QCheckBox(QStringLiteral("от"), speeds);
    CheckSpeeds->setObjectName(QStringLiteral("CheckSpeeds"));
    EditSpeedFrom = NumberEdit(speeds, QStringLiteral("EditSpeedFrom"), QLocale().toString(1.2));
    EditSpeedTo = NumberEdit(speeds, QStringLiteral("EditSpeedTo"), QLocale().toString(3.0, 'f', 1));
    EditSpeedStep = NumberEdit(speeds, QStringLiteral("EditSpeedStep"), QLocale().toString(0.2));
    sg->addWidget(CheckSpeeds);
    sg->addWidget(EditSpeedFrom);
    sg->addWidget(new QLabel(QStringLiteral("до"), speeds));
    sg->addWidget(EditSpeedTo);
    sg->addWidget(new QLabel(QStringLiteral("шаг"), speeds));
    sg->addWidget(EditSpeedStep);
    lv->addWidget(speeds);

    auto* buttons = new QHBoxLayout;
    ButtonStart = new QPushButton(QStringLiteral("Подобрать"), left);
    ButtonStart->setObjectName(QStringLiteral("ButtonStart"));
    ButtonCancel = new QPushButton(QStringLiteral("Отмена"), left);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonApply = new QPushButton(QStringLiteral("Применить"), left);
    ButtonApply->setObjectName(QStringLiteral("ButtonApply"));
    ButtonApply->setToolTip(QStringLiteral("Поставить расходы выбранной строки в окно исходных данных"));
    buttons->addWidget(ButtonStart);
    buttons->addWidget(ButtonCancel);
    buttons->addWidget(ButtonApply);
    ButtonSaveCsv = new QPushButton(QStringLiteral("Сохранить CSV..."), left);
    ButtonSaveCsv->setObjectName(QStringLiteral("ButtonSaveCsv"));
    buttons->addWidget(ButtonSaveCsv);
    lv->addLayout(buttons);
    LabelProgress = new QLabel(left);
    LabelProgress->setObjectName(QStringLiteral("LabelProgress"));
    LabelProgress->setWordWrap(true);
    lv->addWidget(LabelProgress);
    lv->addStretch(1);
    connect(ButtonStart, &QPushButton::clicked, this, &TFormSprayDesign::Start);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormSprayDesign::Cancel);
    connect(ButtonApply, &QPushButton::clicked, this, &TFormSprayDesign::Apply);
    connect(ButtonSaveCsv, &QPushButton::clicked, this, &TFormSprayDesign::SaveCsv);

    // Right: the rows, the targets of the selected row, its profile and the chart over speeds.
    auto* right = new QSplitter(Qt::Vertical, split);
    Table = new QTableWidget(0, 10, right);
    Table->setObjectName(QStringLiteral("TableRows"));
    Table->setHorizontalHeaderLabels({QStringLiteral("Скорость, м/мин"), QStringLiteral("Q1, м3/ч"),
                                      QStringLiteral("Q2, м3/ч"), QStringLiteral("Q3, м3/ч"),
                                      QStringLiteral("Q4, м3/ч"), QStringLiteral("Всего, м3/ч"),
                                      QStringLiteral("Мет. длина, м"), QStringLiteral("Разогрев, К"),
                                      QStringLiteral("Расчетов"), QStringLiteral("Итог")});
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->horizontalHeader()->setStretchLastSection(true);
    connect(Table, &QTableWidget::currentCellChanged, this, [this](int row) { showRow(row); });
    auto* tabs = new QTabWidget(right);
    TableTargets = new QTableWidget(0, 3, tabs);
    TableTargets->setObjectName(QStringLiteral("TableTargets"));
    TableTargets->setHorizontalHeaderLabels(
        {QStringLiteral("Цель"), QStringLiteral("Значение"), QStringLiteral("Выполнена")});
    TableTargets->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableTargets->horizontalHeader()->setStretchLastSection(true);
    tabs->addTab(TableTargets, QStringLiteral("Цели"));
    Profile = new TFormProfile(tabs);
    tabs->addTab(Profile, QStringLiteral("Профиль по длине машины"));
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTitle(QStringLiteral("Расход воды по секциям от скорости разливки"));
    ChartView = new QChartView(chart, tabs);
    ChartView->setObjectName(QStringLiteral("ChartFlows"));
    ChartView->setRenderHint(QPainter::Antialiasing);
    tabs->addTab(ChartView, QStringLiteral("Расходы по скоростям"));
    split->setStretchFactor(1, 1);
    updateButtons();
}

TFormSprayDesign::~TFormSprayDesign() {
    m_cancel.store(true);
    if (m_thread.joinable()) m_thread.join();
}

QChart* TFormSprayDesign::FlowChart() const {
    return ChartView->chart();
}

korvel::SprayDesignSettings TFormSprayDesign::SettingsFromControls(const korvel::Case& base,
                                                                   std::vector<double>& speeds,
                                                                   QString& problem) const {
    korvel::SprayDesignSettings s;
    speeds.clear();
    auto number = [&](QLineEdit* e, const QString& what, double& v) {
        if (ReadTypedNumber(e->text(), v)) return true;
        problem = QStringLiteral("%1: «%2» — не число.").arg(what, e->text());
        return false;
    };
    for (int k = 0; k < 7; ++k) {
        double v = NAN;
        const bool optional = k >= 4;
        if (optional && EditLimit[k]->text().trimmed().isEmpty()) continue;
        if (!number(EditLimit[k], QString::fromUtf8(kLimitCaptions[k]), v)) return s;
        korvel::SetQualityLimit(s.targets.limits, kLimitKeys[k], v);
    }
    if (CheckSectionEnds->isChecked()) {
        double lo = 0, hi = 0;
        if (!number(EditBandLow, QStringLiteral("Поверхность в конце секций, от"), lo) ||
            !number(EditBandHigh, QStringLiteral("Поверхность в конце секций, до"), hi))
            return s;
        std::string error;
        if (!korvel::ParseSprayTarget("sectionEnds=" + korvel::FixedText(lo, 6) + ":" +
                                          korvel::FixedText(hi, 6),
                                      base, s.targets, error)) {
            problem = QString::fromStdString(error) + QLatin1Char('.');
            return s;
        }
    }
    for (const QString& item : EditBands->text().split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList parts = item.trimmed().split(QLatin1Char(':'));
        double v[3] = {};
        bool ok = parts.size() == 3;
        for (int k = 0; ok && k < 3; ++k)
            ok = ReadTypedNumber(parts[k], v[k]);
        std::string error;
        if (!ok ||
            !korvel::ParseSprayTarget("surface=" + korvel::FixedText(v[0], 6) + ":" +
                                          korvel::FixedText(v[1], 6) + ":" + korvel::FixedText(v[2], 6),
                                      base, s.targets, error)) {
            problem = ok ? QString::fromStdString(error) + QLatin1Char('.')
                         : QStringLiteral("Полоса «%1»: нужно Z:от:до (м, °C, °C).").arg(item.trimmed());
            return s;
        }
    }
    for (int k = 0; k < 4; ++k) {
        if (!number(EditFlowLow[k], QStringLiteral("Секция %1, расход от").arg(k + 1), s.bounds.low[k]) ||
            !number(EditFlowHigh[k], QStringLiteral("Секция %1, расход до").arg(k + 1), s.bounds.high[k]))
            return s;
    }
    if (std::string why = korvel::CheckSprayDesign(s); !why.empty()) {
        problem = QString::fromStdString(why) + QLatin1Char('.');
        return s;
    }
    if (CheckSpeeds->isChecked()) {
        double from = 0, to = 0, step = 0;
        if (!number(EditSpeedFrom, QStringLiteral("Скорость от"), from) ||
            !number(EditSpeedTo, QStringLiteral("Скорость до"), to) ||
            !number(EditSpeedStep, QStringLiteral("Шаг скорости"), step))
            return s;
        std::string error;
        if (!korvel::RangeValues(from, to, step, speeds, error)) {
            problem = QStringLiteral("Скорости разливки: %1.").arg(QString::fromStdString(error));
            speeds.clear();
            return s;
        }
        if (!(from > 0) || !(to > 0)) {
            problem = QStringLiteral("Скорости разливки должны быть больше нуля.");
            speeds.clear();
            return s;
        }
    } else {
        speeds.push_back(base.window.Vlit);
    }
    return s;
}

void TFormSprayDesign::Start() {
    if (Running()) return;
    const korvel::Case base = m_caseSource ? m_caseSource() : korvel::Case();
    std::vector<double> speeds;
    QString problem;
    korvel::SprayDesignSettings s = SettingsFromControls(base, speeds, problem);
    if (!problem.isEmpty()) {
        showMessage(problem + QStringLiteral(" Подбор не запущен."));
        return;
    }
    m_settings = s;
    m_rows.clear();
    Table->setRowCount(0);
    TableTargets->setRowCount(0);
    rebuildChart();
    m_cancel.store(false);
    LabelProgress->setText(QStringLiteral("Подбор начат..."));
    const int jobs = m_jobs > 0 ? m_jobs : std::max(1, QThread::idealThreadCount());
    const bool table = CheckSpeeds->isChecked();
    m_thread = std::thread([this, base, s, speeds, jobs, table] {
        auto deliver = [this](const korvel::SprayTableRow& row) {
            QMetaObject::invokeMethod(
                this, [this, row] { addRow(row); }, Qt::QueuedConnection);
        };
        if (table) {
            korvel::DesignSprayTable(base, speeds, 0, speeds.size(), s, jobs, &m_cancel, deliver);
        } else {
            korvel::SprayDesignSettings one = s;
            one.jobs = jobs;
            korvel::SprayTableRow row;
            row.vlit = base.window.Vlit;
            row.design =
                korvel::DesignSprays(base, one, &m_cancel, [this](int runs, const korvel::PracticeRun& b) {
                    korvel::PracticeRun best = b;
                    QMetaObject::invokeMethod(
                        this, [this, runs, best] { showBest(runs, best); }, Qt::QueuedConnection);
                });
            deliver(row);
        }
        QMetaObject::invokeMethod(
            this, [this] { designEnded(); }, Qt::QueuedConnection);
    });
    updateButtons();
}

void TFormSprayDesign::Cancel() {
    if (!Running()) return;
    m_cancel.store(true);
    LabelProgress->setText(
        QStringLiteral("Прерывание: заканчиваются начатые расчеты; лучший режим сохранится..."));
    ButtonCancel->setEnabled(false);
}

void TFormSprayDesign::Apply() {
    const int line = Table->currentRow();
    if (line < 0 || line >= int(m_rows.size())) {
        showMessage(QStringLiteral("Выберите строку с найденным режимом."));
        return;
    }
    const korvel::SprayTableRow& row = m_rows[std::size_t(line)];
    if (!row.design.best.ran) {
        showMessage(QStringLiteral("У этой строки нет рассчитанного режима."));
        return;
    }
    if (!m_apply) return;
    if (const QString why = m_apply(row.vlit, row.design.best.flows); !why.isEmpty()) showMessage(why);
}

bool TFormSprayDesign::SaveCsv() {
    if (m_rows.empty()) return false;
    const QString path =
        m_fileChooser ? m_fileChooser()
                      : QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить таблицу расходов"),
                                                     QString(), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) return false;
    if (const std::string why = korvel::WriteSprayCsv(QFile::encodeName(path).toStdString(), m_rows);
        !why.empty()) {
        showMessage(QString::fromStdString(why));
        return false;
    }
    return true;
}

void TFormSprayDesign::showBest(int runs, const korvel::PracticeRun& best) {
    if (!Running()) return;
    QString flows;
    for (int k = 0; k < 4; ++k)
        flows += (k ? QStringLiteral(", ") : QString()) + Show(best.flows[k], 2);
    LabelProgress->setText(QStringLiteral("Расчетов: %1. Лучший режим: %2 м3/ч, всего %3 м3/ч — %4.")
                               .arg(runs)
                               .arg(flows, Show(best.TotalWater(), 2),
                                    best.Met() ? QStringLiteral("все цели выполнены")
                                               : QStringLiteral("цели пока не выполнены")));
}

void TFormSprayDesign::addRow(const korvel::SprayTableRow& row) {
    m_rows.push_back(row);
    const int line = Table->rowCount();
    Table->setRowCount(line + 1);
    const korvel::SprayDesignResult& d = row.design;
    const QString cells[10] = {
        Show(row.vlit, 2),
        Show(d.best.flows[0], 2),
        Show(d.best.flows[1], 2),
        Show(d.best.flows[2], 2),
        Show(d.best.flows[3], 2),
        Show(d.best.TotalWater(), 2),
        Show(d.best.ran ? d.best.figures.metallurgicalLength : NAN, 2),
        Show(d.best.ran ? d.best.figures.maxReheat : NAN, 0),
        QString::number(d.runs),
        QString::fromUtf8(korvel::DesignStatusCaption(d.status)) +
            (d.message.empty() ? QString() : QStringLiteral(": ") + QString::fromStdString(d.message))};
    for (int c = 0; c < 10; ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        item->setTextAlignment(c < 9 ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
        Table->setItem(line, c, item);
    }
    if (line == 0) Table->setCurrentCell(0, 0);
    rebuildChart();
    LabelProgress->setText(QStringLiteral("Готово строк: %1").arg(m_rows.size()));
}

void TFormSprayDesign::showRow(int line) {
    if (line < 0 || line >= int(m_rows.size())) return;
    const korvel::SprayDesignResult& d = m_rows[std::size_t(line)].design;
    TableTargets->setRowCount(int(d.best.targets.size()));
    for (int k = 0; k < int(d.best.targets.size()); ++k) {
        const korvel::TargetResult& t = d.best.targets[std::size_t(k)];
        TableTargets->setItem(k, 0, new QTableWidgetItem(QString::fromStdString(t.caption)));
        TableTargets->setItem(k, 1, new QTableWidgetItem(Show(t.value, 2)));
        TableTargets->setItem(k, 2,
                              new QTableWidgetItem(t.met ? QStringLiteral("да") : QStringLiteral("нет")));
    }
    if (!d.best.ran) return;
    korvel::CastingData data;
    korvel::AcceptDataWindow(d.bestCase.window, data);
    const korvel::MachineZones zones = korvel::ZonesOf(data);
    const double zEnd = d.best.profile.points.empty() ? 0 : d.best.profile.points.back().z;
    Profile->Start(zones, zEnd, std::max(data.HalfX, data.HalfY),
                   korvel::StraighteningPoint(data, m_settings.targets.limits));
    Profile->ShowProfile(d.best.profile, d.best.results, d.best.verdict);
}

void TFormSprayDesign::rebuildChart() {
    QChart* chart = FlowChart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes())
        chart->removeAxis(axis), delete axis;
    auto* ax = new QValueAxis;
    ax->setTitleText(QStringLiteral("Скорость разливки, м/мин"));
    auto* ay = new QValueAxis;
    ay->setTitleText(QStringLiteral("Расход воды, м3/ч"));
    chart->addAxis(ax, Qt::AlignBottom);
    chart->addAxis(ay, Qt::AlignLeft);
    double xmin = INFINITY, xmax = -INFINITY, ymax = 0;
    for (int k = 0; k < 4; ++k) {
        auto* series = new QLineSeries;
        series->setName(QStringLiteral("Секция %1").arg(k + 1));
        series->setPointsVisible(true);
        for (const korvel::SprayTableRow& r : m_rows) {
            if (!r.design.best.ran) continue;
            series->append(r.vlit, r.design.best.flows[k]);
            xmin = std::min(xmin, r.vlit);
            xmax = std::max(xmax, r.vlit);
            ymax = std::max(ymax, r.design.best.flows[k]);
        }
        chart->addSeries(series);
        series->attachAxis(ax);
        series->attachAxis(ay);
    }
    if (std::isfinite(xmin)) ax->setRange(xmin == xmax ? xmin - 0.1 : xmin, xmin == xmax ? xmax + 0.1 : xmax);
    ay->setRange(0, ymax > 0 ? ymax * 1.1 : 1);
}

void TFormSprayDesign::designEnded() {
    if (m_thread.joinable()) m_thread.join();
    const bool cancelled = m_cancel.load();
    int met = 0;
    for (const korvel::SprayTableRow& r : m_rows)
        if (r.design.status == korvel::DesignStatus::Met) ++met;
    LabelProgress->setText(QStringLiteral("%1 Строк: %2, все цели выполнены в %3.")
                               .arg(cancelled
                                        ? QStringLiteral("Подбор прерван, сохранен лучший найденный режим.")
                                        : QStringLiteral("Подбор закончен."))
                               .arg(m_rows.size())
                               .arg(met));
    updateButtons();
    emit Finished();
}

void TFormSprayDesign::updateButtons() {
    ButtonStart->setEnabled(!Running());
    ButtonCancel->setEnabled(Running());
    ButtonApply->setEnabled(!m_rows.empty());
    ButtonSaveCsv->setEnabled(!Running() && !m_rows.empty());
}

void TFormSprayDesign::showMessage(const QString& text) {
    if (m_messageHandler)
        m_messageHandler(text);
    else
        QMessageBox::warning(this, QStringLiteral("Korvel"), text);
}
