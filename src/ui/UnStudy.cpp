#include "UnStudy.h"

#include "AxisTicks.h"
#include "UiFormat.h"
#include "UnResults.h"
#include "results/FileWrite.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QSplitter>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace {

QString FieldTitle(const korvel::CaseField& f) {
    const QString caption = QString::fromUtf8(f.caption);
    return *f.unit ? caption + QStringLiteral(", ") + QString::fromUtf8(f.unit) : caption;
}

// A locale without digit grouping, for values that are typed back in.
QLocale TypingLocale() {
    QLocale loc;
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    return loc;
}

// A long caption over several lines of at most about `width` characters, for a narrow column heading.
QString WrapCaption(const QString& text, int width = 14) {
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty()) lines << line;
    return lines.join(QLatin1Char('\n'));
}

QString ShowNumber(double v, int decimals = -1) {
    if (!std::isfinite(v)) return QStringLiteral("—");
    if (decimals >= 0) return FormatFixed(v, 0, decimals);
    return TypingLocale().toString(v, 'g', 12);
}

// Decimals of each key figure on screen, in the order of korvel::StudyFigures().
int FigureDecimals(std::size_t k) {
    static const int decimals[] = {2, 1, 1, 3, 3, 1, 0};
    return k < std::size(decimals) ? decimals[k] : 3;
}

QString StatusText(korvel::StudyRunStatus s) {
    switch (s) {
    case korvel::StudyRunStatus::Completed:
        return QStringLiteral("завершен");
    case korvel::StudyRunStatus::Stopped:
        return QStringLiteral("остановлен");
    case korvel::StudyRunStatus::NotFinite:
        return QStringLiteral("не число");
    case korvel::StudyRunStatus::Refused:
        return QStringLiteral("отклонен");
    case korvel::StudyRunStatus::Unstable:
        return QStringLiteral("неустойчив");
    }
    return QString();
}

QString Duration(double seconds) {
    if (seconds < 9.95) return FormatFixed(std::max(0.0, seconds), 0, 1) + QStringLiteral(" с");
    const long long s = std::llround(seconds);
    if (s < 60) return QStringLiteral("%1 с").arg(s);
    if (s < 3600) return QStringLiteral("%1 мин %2 с").arg(s / 60).arg(s % 60);
    return QStringLiteral("%1 ч %2 мин").arg(s / 3600).arg((s % 3600) / 60);
}

} // namespace

TFormStudy::TFormStudy(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormStudy"));
    setWindowTitle(QStringLiteral("Серия расчетов"));

    auto* top = new QVBoxLayout(this);

    auto* inputs = new QGroupBox(QStringLiteral("Изменяемые параметры"), this);
    auto* grid = new QGridLayout(inputs);
    buildInputRow(0, grid, 0);
    buildInputRow(1, grid, 1);
    grid->setColumnStretch(1, 1);

    auto* controls = new QHBoxLayout;
    LabelCount = new QLabel(this);
    LabelCount->setObjectName(QStringLiteral("LabelCount"));
    LabelCount->setWordWrap(true);
    ButtonStart = new QPushButton(QStringLiteral("Начать"), this);
    ButtonStart->setObjectName(QStringLiteral("ButtonStart"));
    ButtonStart->setToolTip(
        QStringLiteral("Рассчитать все варианты серии от варианта в окне исходных данных"));
    ButtonCancel = new QPushButton(QStringLiteral("Прервать"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setToolTip(QStringLiteral("Прервать серию; готовые строки останутся"));
    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setRange(0, 1);
    Progress->setValue(0);
    LabelTimeLeft = new QLabel(this);
    LabelTimeLeft->setObjectName(QStringLiteral("LabelTimeLeft"));
    // The labels take the room the stretch gives them and wrap their text, so the buttons stay where they
    // are whatever the labels say, and nothing is cut.
    for (QLabel* label : {LabelCount, LabelTimeLeft}) {
        label->setWordWrap(true);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    controls->addWidget(LabelCount, 2);
    controls->addWidget(ButtonStart);
    controls->addWidget(ButtonCancel);
    controls->addWidget(Progress, 2);
    controls->addWidget(LabelTimeLeft, 1);
    auto* inputsLayout = new QVBoxLayout;
    inputsLayout->addLayout(controls);
    grid->addLayout(inputsLayout, 2, 0, 1, grid->columnCount());
    top->addWidget(inputs);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    Table = new QTableWidget(splitter);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->verticalHeader()->setVisible(false);
    Table->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    Table->setWordWrap(false);
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 8);
    connect(Table, &QTableWidget::cellDoubleClicked, this, [this] { OpenSelectedCase(); });
    connect(Table, &QTableWidget::itemSelectionChanged, this, &TFormStudy::updateButtons);

    auto* chartPane = new QWidget(splitter);
    auto* chartLayout = new QVBoxLayout(chartPane);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    auto* chooserLine = new QHBoxLayout;
    chooserLine->addWidget(new QLabel(QStringLiteral("На графике:"), chartPane));
    FigureChooser = new QComboBox(chartPane);
    FigureChooser->setObjectName(QStringLiteral("FigureChooser"));
    for (const korvel::StudyFigure& f : korvel::StudyFigures())
        FigureChooser->addItem(QString::fromUtf8(f.caption), QString::fromLatin1(f.key));
    chooserLine->addWidget(FigureChooser, 1);
    chartLayout->addLayout(chooserLine);
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setLocalizeNumbers(true);
    chart->legend()->setAlignment(Qt::AlignBottom);
    ChartView = new QChartView(chart, chartPane);
    ChartView->setObjectName(QStringLiteral("ChartView"));
    ChartView->setRenderHint(QPainter::Antialiasing);
    ChartView->setMinimumWidth(320);
    chartLayout->addWidget(ChartView, 1);
    connect(FigureChooser, &QComboBox::currentIndexChanged, this, &TFormStudy::rebuildChart);
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(300);
    connect(m_progressTimer, &QTimer::timeout, this, &TFormStudy::showProgress);
    m_chartTimer = new QTimer(this);
    m_chartTimer->setSingleShot(true);
    m_chartTimer->setInterval(250);
    connect(m_chartTimer, &QTimer::timeout, this, &TFormStudy::rebuildChart);
    splitter->addWidget(Table);
    splitter->addWidget(chartPane);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setSizes({600, 400});
    top->addWidget(splitter, 1);

    auto* bottom = new QHBoxLayout;
    ButtonOpenCase = new QPushButton(QStringLiteral("Открыть вариант в окне исходных данных"), this);
    ButtonOpenCase->setObjectName(QStringLiteral("ButtonOpenCase"));
    ButtonOpenCase->setToolTip(QStringLiteral("Перенести значения выбранной строки в окно исходных данных "
                                              "и в параметры модели (двойной щелчок по строке — то же)"));
    ButtonSaveCsv = new QPushButton(QStringLiteral("Сохранить таблицу в CSV..."), this);
    ButtonSaveCsv->setObjectName(QStringLiteral("ButtonSaveCsv"));
    bottom->addWidget(ButtonOpenCase);
    bottom->addStretch(1);
    bottom->addWidget(ButtonSaveCsv);
    top->addLayout(bottom);

    connect(ButtonStart, &QPushButton::clicked, this, &TFormStudy::Start);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormStudy::Cancel);
    connect(ButtonOpenCase, &QPushButton::clicked, this, &TFormStudy::OpenSelectedCase);
    connect(ButtonSaveCsv, &QPushButton::clicked, this, &TFormStudy::SaveCsv);

    const int vlit = Inputs[0].field->findData(QStringLiteral("Vlit"));
    Inputs[0].field->setCurrentIndex(vlit >= 0 ? vlit : 0);
    const int t0 = Inputs[1].field->findData(QStringLiteral("T0"));
    Inputs[1].field->setCurrentIndex(t0 >= 0 ? t0 : 0);
    rebuildTable();
    rebuildChart();
    UpdateCount();
}

TFormStudy::~TFormStudy() {
    stopThread();
}

void TFormStudy::buildInputRow(int k, QGridLayout* grid, int line) {
    InputRow& r = Inputs[k];
    QWidget* box = grid->parentWidget();
    const QString n = QString::number(k + 1);
    if (k == 0) {
        grid->addWidget(new QLabel(QStringLiteral("Первый параметр:"), box), line, 0);
    } else {
        r.use = new QCheckBox(QStringLiteral("Второй параметр:"), box);
        r.use->setObjectName(QStringLiteral("CheckInput2"));
        grid->addWidget(r.use, line, 0);
        connect(r.use, &QCheckBox::toggled, this, &TFormStudy::UpdateCount);
    }
    r.field = new QComboBox(box);
    r.field->setObjectName(QStringLiteral("ComboField") + n);
    for (const korvel::CaseField& f : korvel::CaseFields())
        r.field->addItem(FieldTitle(f), QString::fromLatin1(f.key));
    r.field->setMinimumContentsLength(22);
    r.field->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    grid->addWidget(r.field, line, 1);
    r.mode = new QComboBox(box);
    r.mode->setObjectName(QStringLiteral("ComboMode") + n);
    r.mode->addItems({QStringLiteral("от, до, шаг"), QStringLiteral("список значений")});
    grid->addWidget(r.mode, line, 2);

    auto* values = new QWidget(box);
    auto* valuesLayout = new QHBoxLayout(values);
    valuesLayout->setContentsMargins(0, 0, 0, 0);
    r.rangeBox = new QWidget(values);
    auto* range = new QHBoxLayout(r.rangeBox);
    range->setContentsMargins(0, 0, 0, 0);
    auto edit = [&](QLineEdit*& e, const QString& name, const QString& label) {
        e = new QLineEdit(r.rangeBox);
        e->setObjectName(name + n);
        e->setMaximumWidth(110);
        range->addWidget(new QLabel(label, r.rangeBox));
        range->addWidget(e);
        connect(e, &QLineEdit::textChanged, this, &TFormStudy::UpdateCount);
    };
    edit(r.from, QStringLiteral("EditFrom"), QStringLiteral("от"));
    edit(r.to, QStringLiteral("EditTo"), QStringLiteral("до"));
    edit(r.step, QStringLiteral("EditStep"), QStringLiteral("шаг"));
    range->addStretch(1);
    r.list = new QLineEdit(values);
    r.list->setObjectName(QStringLiteral("EditList") + n);
    r.list->setPlaceholderText(QStringLiteral("значения через точку с запятой, например 1,4; 1,5; 1,7"));
    r.list->setVisible(false);
    connect(r.list, &QLineEdit::textChanged, this, &TFormStudy::UpdateCount);
    valuesLayout->addWidget(r.rangeBox, 1);
    valuesLayout->addWidget(r.list, 1);
    grid->addWidget(values, line, 3);
    grid->setColumnStretch(3, 2);

    connect(r.mode, &QComboBox::currentIndexChanged, this, [this, k](int mode) {
        Inputs[k].rangeBox->setVisible(mode == 0);
        Inputs[k].list->setVisible(mode == 1);
        UpdateCount();
    });
    connect(r.field, &QComboBox::currentIndexChanged, this, [this, k] { fieldChosen(k); });
}

void TFormStudy::fieldChosen(int k) {
    // Start from the value on screen, three values around it.
    InputRow& r = Inputs[k];
    const korvel::CaseField* f = korvel::FindCaseField(r.field->currentData().toString().toStdString());
    if (!f) return;
    const korvel::Case base = m_caseSource ? m_caseSource() : korvel::Case();
    const double v = korvel::GetCaseValue(base, *f);
    double step = 1;
    if (f->param == korvel::CaseField::Param::SideFlag) {
        r.from->setText(QStringLiteral("1"));
        r.to->setText(QStringLiteral("-1"));
        r.step->setText(QStringLiteral("-2"));
        r.list->setText(QStringLiteral("1; -1"));
        UpdateCount();
        return;
    }
    if (f->param != korvel::CaseField::Param::L && f->param != korvel::CaseField::Param::M && v != 0)
        step = std::pow(10.0, std::floor(std::log10(std::fabs(v))) - (std::fabs(v) >= 100 ? 2 : 1));
    if (f->param == korvel::CaseField::Param::L || f->param == korvel::CaseField::Param::M) step = 5;
    const double to = v + 2 * step;
    const QLocale loc = TypingLocale();
    r.from->setText(loc.toString(v, 'g', 12));
    r.to->setText(loc.toString(to, 'g', 12));
    r.step->setText(loc.toString(step, 'g', 12));
    r.list->setText(loc.toString(v, 'g', 12) + QStringLiteral("; ") + loc.toString(to, 'g', 12));
    UpdateCount();
}

korvel::Study TFormStudy::StudyFromControls(QString& problem) const {
    korvel::Study s;
    s.base = m_caseSource ? m_caseSource() : korvel::Case();
    problem.clear();
    for (int k = 0; k < 2; ++k) {
        const InputRow& r = Inputs[k];
        if (r.use && !r.use->isChecked()) continue;
        const QString which = k == 0 ? QStringLiteral("Первый параметр") : QStringLiteral("Второй параметр");
        korvel::StudyInput in;
        in.field = korvel::FindCaseField(r.field->currentData().toString().toStdString());
        if (r.mode->currentIndex() == 0) {
            double v[3] = {};
            const QLineEdit* edits[3] = {r.from, r.to, r.step};
            const QString names[3] = {QStringLiteral("от"), QStringLiteral("до"), QStringLiteral("шаг")};
            for (int j = 0; j < 3; ++j) {
                if (!ReadTypedNumber(edits[j]->text(), v[j])) {
                    problem = QStringLiteral("%1: в поле «%2» нужно число.").arg(which, names[j]);
                    return s;
                }
            }
            std::string why;
            if (!korvel::RangeValues(v[0], v[1], v[2], in.values, why)) {
                problem = QStringLiteral("%1: %2.").arg(which, QString::fromStdString(why));
                return s;
            }
        } else {
            const QStringList items =
                r.list->text().split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
            for (const QString& item : items) {
                double v = 0;
                if (!ReadTypedNumber(item, v)) {
                    problem =
                        QStringLiteral("%1: «%2» не является числом (значения списка разделяются точкой "
                                       "с запятой).")
                            .arg(which, item);
                    return s;
                }
                in.values.push_back(v);
            }
            if (in.values.size() > korvel::kMaxStudyValues) {
                problem = QStringLiteral("%1: слишком много значений.").arg(which);
                return s;
            }
        }
        if (const std::string why = korvel::CheckStudyInputValues(in); !why.empty()) {
            problem = QStringLiteral("%1: %2.").arg(which, QString::fromStdString(why));
            return s;
        }
        s.inputs.push_back(std::move(in));
    }
    if (const std::string why = korvel::CheckStudy(s); !why.empty()) {
        problem = QString::fromStdString(why);
        problem[0] = problem[0].toUpper();
        problem += QLatin1Char('.');
    } else if (korvel::StudyRunCount(s) > kMaxWindowRuns) {
        problem = QStringLiteral("Слишком много расчетов для окна серии: %1 (не более %2). Большую серию "
                                 "считайте в korvel-batch (--sweep, --part).")
                      .arg(korvel::StudyRunCount(s))
                      .arg(kMaxWindowRuns);
    }
    return s;
}

void TFormStudy::UpdateCount() {
    QString problem;
    const korvel::Study s = StudyFromControls(problem);
    if (!problem.isEmpty()) {
        LabelCount->setText(problem);
        LabelCount->setStyleSheet(QStringLiteral("color: #b00000"));
    } else {
        LabelCount->setText(QStringLiteral("Расчетов в серии: %1").arg(korvel::StudyRunCount(s)));
        LabelCount->setStyleSheet(QString());
    }
    for (int k = 0; k < 2; ++k) {
        const bool on = !Inputs[k].use || Inputs[k].use->isChecked();
        Inputs[k].field->setEnabled(on && !Running());
        Inputs[k].mode->setEnabled(on && !Running());
        Inputs[k].rangeBox->setEnabled(on && !Running());
        Inputs[k].list->setEnabled(on && !Running());
    }
    ButtonStart->setEnabled(problem.isEmpty() && !Running());
}

void TFormStudy::updateButtons() {
    ButtonCancel->setEnabled(Running() && !m_cancelled);
    const int row = Table->currentRow();
    ButtonOpenCase->setEnabled(row >= 0 && row < int(m_rows.size()));
    ButtonSaveCsv->setEnabled(!Running() && !m_rows.empty());
    UpdateCount();
}

void TFormStudy::Start() {
    if (Running()) return;
    QString problem;
    korvel::Study study = StudyFromControls(problem);
    if (!problem.isEmpty()) {
        showMessage(problem + QStringLiteral(" Серия не запущена."));
        return;
    }
    m_study = std::move(study);
    m_rows.clear();
    m_total = korvel::StudyRunCount(m_study);
    m_cancelled = false;
    rebuildTable();
    rebuildChart();
    Progress->setRange(0, kProgressSteps);
    Progress->setValue(0);
    Progress->setFormat(QStringLiteral("0 из %1").arg(m_total));
    LabelTimeLeft->setText(QStringLiteral("Осталось: оценка через несколько секунд"));
    const int jobs = m_jobs > 0 ? m_jobs : std::max(1, QThread::idealThreadCount());
    m_runner = std::make_unique<korvel::StudyRunner>(m_study, korvel::StudySlice{0, m_total}, jobs);
    m_runner->SetBackground(true);
    m_clock.start();
    m_progressTimer->start();
    korvel::StudyRunner* runner = m_runner.get();
    // The runs go on the runner's threads; every row is handed to the window thread as it is done.
    m_thread = std::thread([this, runner] {
        runner->Run([this](const korvel::StudyRow& row, std::size_t done, std::size_t total) {
            QMetaObject::invokeMethod(
                this, [this, row, done, total] { addRow(row, done, total); }, Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(
            this, [this] { studyEnded(); }, Qt::QueuedConnection);
    });
    updateButtons();
}

void TFormStudy::Cancel() {
    if (!m_runner || !Running()) return;
    m_runner->Cancel();
    m_cancelled = true;
    LabelTimeLeft->setText(QStringLiteral("Прерывание: заканчиваются начатые расчеты..."));
    ButtonCancel->setEnabled(false);
}

QString TFormStudy::ProgressText() const {
    return QStringLiteral("готово %1 из %2 расчетов").arg(m_rows.size()).arg(m_total);
}

void TFormStudy::stopThread() {
    if (m_runner) m_runner->Cancel();
    if (m_thread.joinable()) m_thread.join();
}

void TFormStudy::closeEvent(QCloseEvent* e) {
    // Closing the window does not end the study: it goes on and the window keeps its rows.
    QWidget::closeEvent(e);
}

void TFormStudy::addRow(const korvel::StudyRow& row, std::size_t done, std::size_t total) {
    m_rows.push_back(row);
    Progress->setFormat(QStringLiteral("%1 из %2").arg(done).arg(total));
    showProgress();
    const int line = Table->rowCount();
    Table->setRowCount(line + 1);
    auto put = [&](int col, const QString& text, Qt::Alignment align = Qt::AlignRight | Qt::AlignVCenter) {
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(align);
        Table->setItem(line, col, item);
    };
    int col = 0;
    put(col++, QString::number(row.index + 1));
    for (double v : row.inputs)
        put(col++, ShowNumber(v));
    // A run done with a step or grid that cannot resolve the machine never reads plainly "завершен".
    put(col++,
        StatusText(row.status) + (row.warned && row.status != korvel::StudyRunStatus::Refused
                                      ? QStringLiteral(" (!)")
                                      : QString()),
        Qt::AlignCenter);
    const bool figures =
        row.status == korvel::StudyRunStatus::Completed || row.status == korvel::StudyRunStatus::Stopped;
    const auto& list = korvel::StudyFigures();
    for (std::size_t k = 0; k < list.size(); ++k)
        put(col++, figures ? ShowNumber(list[k].get(row.figures), FigureDecimals(k)) : QString());
    put(col++, LocaliseFigures(QString::fromStdString(row.message)), Qt::AlignLeft | Qt::AlignVCenter);
    if (QTableWidgetItem* note = Table->item(line, col - 1)) note->setToolTip(note->text());
    // The chart follows the rows a few times a second, not at every row of a long study.
    if (!m_chartTimer->isActive()) m_chartTimer->start();
    updateButtons();
}

void TFormStudy::showProgress() {
    if (!m_runner || m_cancelled) return;
    // The share done counts the part done of the runs going, so that long runs move the bar too.
    const double share = m_runner->DoneShare();
    Progress->setValue(int(std::floor(share * kProgressSteps)));
    const double elapsed = m_clock.elapsed() / 1000.0;
    if (share > 0.01 && share < 1 && elapsed > 1)
        LabelTimeLeft->setText(
            QStringLiteral("Осталось примерно %1").arg(Duration(elapsed / share * (1 - share))));
}

void TFormStudy::studyEnded() {
    if (m_thread.joinable()) m_thread.join();
    m_progressTimer->stop();
    if (!m_cancelled) Progress->setValue(kProgressSteps);
    m_runner.reset();
    const double elapsed = m_clock.elapsed() / 1000.0;
    std::size_t failed = 0, warned = 0;
    for (const korvel::StudyRow& r : m_rows) {
        if (r.status == korvel::StudyRunStatus::Refused || r.status == korvel::StudyRunStatus::NotFinite ||
            r.status == korvel::StudyRunStatus::Unstable)
            ++failed;
        if (r.warned && r.status != korvel::StudyRunStatus::Refused) ++warned;
    }
    QString text = m_cancelled ? QStringLiteral("Серия прервана: готово %1 из %2 за %3")
                                     .arg(m_rows.size())
                                     .arg(m_total)
                                     .arg(Duration(elapsed))
                               : QStringLiteral("Серия завершена за %1").arg(Duration(elapsed));
    if (failed > 0) text += QStringLiteral("; не удалось расчетов: %1").arg(failed);
    if (m_rows.size() < m_total) text += QStringLiteral("; не запущено: %1").arg(m_total - m_rows.size());
    if (warned > 0) text += QStringLiteral("; с предупреждением (!): %1").arg(warned);
    LabelTimeLeft->setText(text);
    Table->resizeColumnsToContents();
    m_chartTimer->stop();
    rebuildChart();
    updateButtons();
    emit Finished();
}

void TFormStudy::rebuildTable() {
    QStringList headers{QStringLiteral("№")};
    for (const korvel::StudyInput& in : m_study.inputs)
        headers << WrapCaption(FieldTitle(*in.field));
    headers << QStringLiteral("Итог");
    for (const korvel::StudyFigure& f : korvel::StudyFigures())
        headers << WrapCaption(QString::fromUtf8(f.caption));
    headers << QStringLiteral("Примечание");
    Table->clear();
    Table->setRowCount(0);
    Table->setColumnCount(int(headers.size()));
    Table->setHorizontalHeaderLabels(headers);
    // Long captions wrap onto two or three lines instead of widening the table.
    Table->horizontalHeader()->setMinimumSectionSize(60);
    Table->horizontalHeader()->setFixedHeight(Table->fontMetrics().height() * 4 + 10);
    for (int c = 0; c < int(headers.size()); ++c)
        if (QTableWidgetItem* h = Table->horizontalHeaderItem(c))
            h->setToolTip(QString(headers[c]).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    Table->horizontalHeader()->setStretchLastSection(true);
    Table->resizeColumnsToContents();
    // The result column is filled while the study runs: room for its longest word from the start.
    const int status = 1 + int(m_study.inputs.size());
    Table->setColumnWidth(
        status, std::max(Table->columnWidth(status),
                         Table->fontMetrics().horizontalAdvance(QStringLiteral("остановлен")) + 16));
}

QChart* TFormStudy::Chart() const {
    return ChartView->chart();
}

void TFormStudy::rebuildChart() {
    QChart* chart = Chart();
    chart->removeAllSeries();
    // The chart gives up an axis it removes: delete it here.
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    const auto& list = korvel::StudyFigures();
    const int fig = std::clamp(FigureChooser->currentIndex(), 0, int(list.size()) - 1);
    if (m_study.inputs.empty()) {
        chart->setTitle(QString());
        return;
    }
    const korvel::CaseField& first = *m_study.inputs[0].field;
    const korvel::CaseField* second = m_study.inputs.size() > 1 ? m_study.inputs[1].field : nullptr;
    // One curve per value of the second input, in the order of its values.
    std::vector<double> keys;
    std::map<double, std::vector<QPointF>> curves;
    double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
    for (const korvel::StudyRow& r : m_rows) {
        const double key = second ? r.inputs[1] : 0;
        if (!curves.count(key)) keys.push_back(key);
        auto& points = curves[key];
        const bool figures =
            r.status == korvel::StudyRunStatus::Completed || r.status == korvel::StudyRunStatus::Stopped;
        const double y = figures ? list[fig].get(r.figures) : NAN;
        if (!std::isfinite(y)) continue;
        points.emplace_back(r.inputs[0], y);
        x0 = std::min(x0, r.inputs[0]);
        x1 = std::max(x1, r.inputs[0]);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
    }
    auto* ax = new QValueAxis;
    ax->setTitleText(FieldTitle(first));
    auto* ay = new QValueAxis;
    ay->setTitleText(QString::fromUtf8(list[fig].caption));
    chart->addAxis(ax, Qt::AlignBottom);
    chart->addAxis(ay, Qt::AlignLeft);
    for (double key : keys) {
        const auto& points = curves[key];
        QXYSeries* series = nullptr;
        if (points.size() == 1) {
            auto* dot = new QScatterSeries;
            dot->setMarkerSize(8);
            series = dot;
        } else {
            auto* line = new QLineSeries;
            line->setPointsVisible(true);
            series = line;
        }
        series->setName(
            second
                ? QStringLiteral("%1 = %2%3")
                      .arg(QString::fromUtf8(second->key), ShowNumber(key),
                           *second->unit ? QStringLiteral(" ") + QString::fromUtf8(second->unit) : QString())
                : QString::fromUtf8(list[fig].caption));
        series->replace(QList<QPointF>(points.begin(), points.end()));
        chart->addSeries(series);
        series->attachAxis(ax);
        series->attachAxis(ay);
    }
    if (std::isfinite(x0)) {
        if (x0 == x1) {
            x0 -= 0.5 * std::max(1e-9, std::fabs(x0) * 0.1);
            x1 += 0.5 * std::max(1e-9, std::fabs(x1) * 0.1);
        }
        if (y0 == y1) {
            y0 -= std::max(1e-9, std::fabs(y0) * 0.05);
            y1 += std::max(1e-9, std::fabs(y1) * 0.05);
        }
        // Ticks at round values; the range a little wider than the points, so the points at the ends
        // and their markers lie inside the plot.
        for (auto [axis, lo, hi] : {std::tuple{ax, x0, x1}, std::tuple{ay, y0, y1}}) {
            const double step = RoundStep(hi - lo, 5, 1e-12);
            const double margin = 0.05 * (hi - lo);
            axis->setRange(lo - margin, hi + margin);
            axis->setTickType(QValueAxis::TicksDynamic);
            axis->setTickAnchor(std::ceil((lo - margin) / step) * step);
            axis->setTickInterval(step);
            axis->setLabelFormat(QStringLiteral("%.%1f").arg(StepDecimals(step)));
        }
    }
    chart->legend()->setVisible(second != nullptr);
    chart->setTitle(QString::fromUtf8(list[fig].caption) +
                    (std::isfinite(x0) || m_rows.empty() ? QString() : QStringLiteral(": нет значений")));
}

void TFormStudy::OpenSelectedCase() {
    const int line = Table->currentRow();
    if (line < 0 || line >= int(m_rows.size())) return;
    const korvel::StudyRow& row = m_rows[std::size_t(line)];
    emit OpenCase(korvel::StudyRunCase(m_study, row.index), int(row.index) + 1);
}

bool TFormStudy::SaveCsv() {
    if (Running() || m_rows.empty()) return false;
    QString path =
        m_fileChooser
            ? m_fileChooser()
            : QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить таблицу серии"),
                                           m_lastFile.isEmpty() ? QStringLiteral("study.csv") : m_lastFile,
                                           QStringLiteral("Таблицы CSV (*.csv)"));
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
    const std::string error =
        korvel::WriteFileAtomically(QFile::encodeName(path).toStdString(), korvel::StudyCsv(m_study, m_rows));
    if (!error.empty()) {
        showMessage(QStringLiteral("Таблица не сохранена: %1.").arg(QString::fromStdString(error)));
        return false;
    }
    m_lastFile = path;
    LabelTimeLeft->setText(QStringLiteral("Таблица сохранена: %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void TFormStudy::showMessage(const QString& text) {
    if (m_messageHandler)
        m_messageHandler(text);
    else
        QMessageBox::warning(this, QStringLiteral("Серия расчетов"), text);
}
