#include "UnConvergence.h"

#include "UiFormat.h"
#include "results/FileWrite.h"
#include "run/HeadlessRun.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace {

// Decimals of each key figure on screen, in the order of korvel::StudyFigures().
int FigureDecimals(std::size_t k) {
    static const int decimals[] = {2, 1, 1, 3, 3, 1, 0};
    return k < std::size(decimals) ? decimals[k] : 3;
}

QString Show(double v, int decimals) {
    if (!std::isfinite(v)) return QStringLiteral("—");
    return FormatFixed(v, 0, decimals);
}

QString RunHeader(int kind, const korvel::ModelParams& p) {
    return QStringLiteral("%1\n%2 x %3, %4 с")
        .arg(QString::fromUtf8(korvel::RunKindCaption(kind)))
        .arg(p.L)
        .arg(p.M)
        .arg(QLocale().toString(p.Dt, 'g', 12));
}

QTableWidget* MakeTable(QWidget* parent, const QString& name) {
    auto* t = new QTableWidget(parent);
    t->setObjectName(name);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->verticalHeader()->setVisible(false);
    t->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    t->horizontalHeader()->setStretchLastSection(true);
    t->horizontalHeader()->setFixedHeight(t->fontMetrics().height() * 2 + 10);
    return t;
}

void Put(QTableWidget* t, int row, int col, const QString& text,
         Qt::Alignment align = Qt::AlignRight | Qt::AlignVCenter) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(align);
    t->setItem(row, col, item);
}

} // namespace

TFormConvergence::TFormConvergence(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormConvergence"));
    setWindowTitle(QStringLiteral("Проверка сходимости"));
    auto* top = new QVBoxLayout(this);

    auto* controls = new QHBoxLayout;
    LabelRuns = new QLabel(
        QStringLiteral("Вариант из окна исходных данных будет рассчитан на своей сетке и шаге, на грубой и "
                       "мелкой сетке (вдвое меньше и вдвое больше узлов, в пределах 4..100) и с половинным "
                       "шагом."),
        this);
    LabelRuns->setObjectName(QStringLiteral("LabelRuns"));
    LabelRuns->setWordWrap(true);
    ButtonStart = new QPushButton(QStringLiteral("Начать"), this);
    ButtonStart->setObjectName(QStringLiteral("ButtonStart"));
    ButtonStart->setToolTip(
        QStringLiteral("Рассчитать вариант из окна исходных данных на трех сетках и двух шагах"));
    ButtonCancel = new QPushButton(QStringLiteral("Прервать"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setRange(0, kProgressSteps);
    Progress->setValue(0);
    controls->addWidget(LabelRuns, 3);
    controls->addWidget(ButtonStart);
    controls->addWidget(ButtonCancel);
    controls->addWidget(Progress, 1);
    top->addLayout(controls);
    LabelState = new QLabel(this);
    LabelState->setObjectName(QStringLiteral("LabelState"));
    top->addWidget(LabelState);

    TableFigures = MakeTable(this, QStringLiteral("TableFigures"));
    top->addWidget(TableFigures, 3);
    auto* note = new QLabel(
        QStringLiteral("Погрешность сетки — оценка ошибки исходного расчета: по Ричардсону с наблюдаемым "
                       "порядком сходимости по трем сеткам; где значения меняются немонотонно или разница не "
                       "убывает при измельчении (отмечено *), — наибольшая разница с соседней сеткой. "
                       "Разница по шагу — исходный расчет минус расчет с половинным шагом."),
        this);
    note->setWordWrap(true);
    top->addWidget(note);
    TableCriteria = MakeTable(this, QStringLiteral("TableCriteria"));
    top->addWidget(TableCriteria, 2);

    auto* bottom = new QHBoxLayout;
    ButtonSaveCsv = new QPushButton(QStringLiteral("Сохранить таблицу в CSV..."), this);
    ButtonSaveCsv->setObjectName(QStringLiteral("ButtonSaveCsv"));
    bottom->addStretch(1);
    bottom->addWidget(ButtonSaveCsv);
    top->addLayout(bottom);

    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(300);
    connect(m_progressTimer, &QTimer::timeout, this, [this] {
        if (m_check && !m_cancelled)
            Progress->setValue(int(std::floor(m_check->DoneShare() * kProgressSteps)));
    });
    connect(ButtonStart, &QPushButton::clicked, this, &TFormConvergence::Start);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormConvergence::Cancel);
    connect(ButtonSaveCsv, &QPushButton::clicked, this, &TFormConvergence::SaveCsv);
    updateButtons();
}

TFormConvergence::~TFormConvergence() {
    if (m_check) m_check->Cancel();
    if (m_thread.joinable()) m_thread.join();
}

void TFormConvergence::updateButtons() {
    ButtonStart->setEnabled(!Running());
    ButtonCancel->setEnabled(Running() && !m_cancelled);
    ButtonSaveCsv->setEnabled(!Running() && m_haveReport);
}

void TFormConvergence::Start() {
    if (Running()) return;
    m_case = m_caseSource ? m_caseSource() : korvel::Case();
    {
        korvel::Model m;
        korvel::ApplyCase(m_case, m);
        if (const std::string why = korvel::CheckRunInput(m.data, m.params); !why.empty()) {
            showMessage(QString::fromStdString(why) + QStringLiteral(" Проверка сходимости не запущена."));
            return;
        }
    }
    const korvel::QualityLimits limits = m_limitsSource ? m_limitsSource() : korvel::QualityLimits();
    const int jobs = m_jobs > 0 ? m_jobs : std::max(1, QThread::idealThreadCount());
    m_check = std::make_unique<korvel::ConvergenceCheck>(m_case, limits, jobs);
    m_check->SetBackground(true);
    m_cancelled = false;
    m_haveReport = false;
    TableFigures->clear();
    TableFigures->setRowCount(0);
    TableCriteria->clear();
    TableCriteria->setRowCount(0);
    QStringList runs;
    for (int k = 0; k < korvel::kConvergenceRuns; ++k)
        runs << RunHeader(k, m_check->Plan().params[k]).replace(QLatin1Char('\n'), QStringLiteral(": "));
    LabelRuns->setText(runs.join(QStringLiteral("; ")));
    LabelState->setText(
        QStringLiteral("Расчетов: %1, идут параллельно...").arg(korvel::StudyRunCount(m_check->GetStudy())));
    Progress->setValue(0);
    m_progressTimer->start();
    korvel::ConvergenceCheck* check = m_check.get();
    m_thread = std::thread([this, check] {
        const korvel::ConvergenceReport report = check->Run();
        QMetaObject::invokeMethod(
            this, [this, report] { checkEnded(report); }, Qt::QueuedConnection);
    });
    updateButtons();
}

void TFormConvergence::Cancel() {
    if (!m_check || !Running()) return;
    m_check->Cancel();
    m_cancelled = true;
    LabelState->setText(QStringLiteral("Прерывание: заканчиваются начатые расчеты..."));
    updateButtons();
}

void TFormConvergence::checkEnded(const korvel::ConvergenceReport& report) {
    if (m_thread.joinable()) m_thread.join();
    m_progressTimer->stop();
    m_check.reset();
    m_report = report;
    m_haveReport = true;
    if (!m_cancelled) Progress->setValue(kProgressSteps);
    LabelState->setText(m_cancelled ? QStringLiteral("Проверка прервана: таблица неполна.")
                        : report.complete ? QStringLiteral("Проверка завершена.")
                                          : QStringLiteral("Проверка завершена, но не все расчеты выполнены "
                                                           "(см. заголовки столбцов)."));
    showReport();
    updateButtons();
    emit Finished();
}

void TFormConvergence::showReport() {
    const korvel::ConvergenceReport& r = m_report;
    QStringList heads{QStringLiteral("Показатель")};
    for (int k = 0; k < korvel::kConvergenceRuns; ++k) {
        QString h = RunHeader(k, r.plan.params[k]);
        if (r.rows[k].status != korvel::StudyRunStatus::Completed) h += QStringLiteral(" (не выполнен)");
        heads << h;
    }
    heads << QStringLiteral("Погрешность\nсетки") << QStringLiteral("Порядок\nсходимости")
          << QStringLiteral("Разница\nпо шагу");
    TableFigures->setColumnCount(int(heads.size()));
    TableFigures->setHorizontalHeaderLabels(heads);
    TableFigures->setRowCount(int(r.figures.size()));
    const auto& list = korvel::StudyFigures();
    for (int row = 0; row < int(r.figures.size()); ++row) {
        const korvel::FigureConvergence& f = r.figures[std::size_t(row)];
        const int d = FigureDecimals(std::size_t(f.figure - list.data()));
        Put(TableFigures, row, 0, QString::fromUtf8(f.figure->caption), Qt::AlignLeft | Qt::AlignVCenter);
        for (int k = 0; k < korvel::kConvergenceRuns; ++k)
            Put(TableFigures, row, 1 + k, Show(f.values[std::size_t(k)], d));
        QString error = Show(f.gridError, d + 1);
        if (f.estimate == korvel::GridEstimate::LargestDifference) error += QStringLiteral(" *");
        Put(TableFigures, row, 5, error);
        Put(TableFigures, row, 6,
            f.estimate == korvel::GridEstimate::Richardson ? Show(f.order, 2) : QStringLiteral("—"));
        Put(TableFigures, row, 7, Show(f.stepDifference, d + 1));
    }
    TableFigures->resizeColumnsToContents();

    QStringList cheads{QStringLiteral("Критерий")};
    for (int k = 0; k < korvel::kConvergenceRuns; ++k)
        cheads << RunHeader(k, r.plan.params[k]);
    cheads << QStringLiteral("Оценка");
    TableCriteria->setColumnCount(int(cheads.size()));
    TableCriteria->setHorizontalHeaderLabels(cheads);
    TableCriteria->setRowCount(int(r.criteria.size()));
    const QString point = QLocale().decimalPoint();
    for (int row = 0; row < int(r.criteria.size()); ++row) {
        const korvel::CriterionConvergence& c = r.criteria[std::size_t(row)];
        Put(TableCriteria, row, 0, QString::fromUtf8(korvel::CriterionCaption(c.base.criterion)),
            Qt::AlignLeft | Qt::AlignVCenter);
        for (int k = 0; k < korvel::kConvergenceRuns; ++k) {
            const korvel::CriterionResult& run = c.runs[std::size_t(k)];
            QString v =
                QString::fromStdString(korvel::CriterionValueText(run)).replace(QLatin1Char('.'), point);
            if (std::isfinite(run.value))
                v += QString::fromStdString(korvel::CriterionValueUnit(run.criterion));
            Put(TableCriteria, row, 1 + k,
                v + QStringLiteral(" — ") + QString::fromUtf8(korvel::StateCaption(run.state)));
        }
        Put(TableCriteria, row, 5, QString::fromStdString(korvel::DependenceCaption(c)), Qt::AlignCenter);
        if (c.dependence != korvel::CriterionDependence::None)
            TableCriteria->item(row, 5)->setForeground(QColor(0xb0, 0x60, 0x00));
    }
    TableCriteria->resizeColumnsToContents();
}

bool TFormConvergence::SaveCsv() {
    if (Running() || !m_haveReport) return false;
    QString path = m_fileChooser ? m_fileChooser()
                                 : QFileDialog::getSaveFileName(
                                       this, QStringLiteral("Сохранить таблицу проверки сходимости"),
                                       m_lastFile.isEmpty() ? QStringLiteral("convergence.csv") : m_lastFile,
                                       QStringLiteral("Таблицы CSV (*.csv)"));
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
    const std::string error =
        korvel::WriteFileAtomically(QFile::encodeName(path).toStdString(), korvel::ConvergenceCsv(m_report));
    if (!error.empty()) {
        showMessage(QStringLiteral("Таблица не сохранена: %1.").arg(QString::fromStdString(error)));
        return false;
    }
    m_lastFile = path;
    LabelState->setText(QStringLiteral("Таблица сохранена: %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void TFormConvergence::showMessage(const QString& text) {
    if (m_messageHandler)
        m_messageHandler(text);
    else
        QMessageBox::warning(this, QStringLiteral("Проверка сходимости"), text);
}
