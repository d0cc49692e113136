#include "UnIsxDan.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMutex>
#include <QMutexLocker>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <cmath>

#include "cases/FieldRanges.h"
#include "cases/SteelGrades.h"
#include "run/HeadlessRun.h"

#include <algorithm>

using korvel::DataWindowValues;

namespace {

struct FieldDef {
    const char* value; // name of the value in DataWindowValues
    double DataWindowValues::*member;
    const char* caption; // the caption beside the field
    const char* pattern;
    int decimals;
};

// Every field of the window with the value it writes, its caption, display pattern and decimals.
const FieldDef kFields[] = {
    {"DlomX", &DataWindowValues::DlomX, "Заготовка, X  x  Y, мм", ",0", 2},
    {"DlomY", &DataWindowValues::DlomY, "x", ",0", 2},
    {"Vp", &DataWindowValues::Vp, "Время процесса непрерывной разливки, мин", ",0.00", 2},
    {"C", &DataWindowValues::C, "C =", ",0.00%", 2},
    {"Mn", &DataWindowValues::Mn, "Mn =", ",0.00%", 2},
    {"Si", &DataWindowValues::Si, "Si =", ",0.00%", 2},
    {"S", &DataWindowValues::S, " S =", ",0.00%", 2},
    {"P", &DataWindowValues::P, "P  =", ",0.000%", 3},
    {"Cr", &DataWindowValues::Cr, "Cr =", ",0.00%", 2},
    {"Ni", &DataWindowValues::Ni, "Ni =", ",0.00%", 2},
    {"Cu", &DataWindowValues::Cu, "Cu =", ",0.00%", 2},
    {"Al", &DataWindowValues::Al, "Al =", ",0.00%", 2},
    {"V", &DataWindowValues::V, " V =", ",0.00%", 2},
    {"Mg", &DataWindowValues::Mg, "Mg =", ",0.00%", 2},
    {"H2", &DataWindowValues::H2, "H2 =", ",0.000%", 3},
    {"T0", &DataWindowValues::T0, "Температура разливки, град С =", ",0", 0},
    {"Vlit", &DataWindowValues::Vlit, "Скорость разливки, м/мин =", ",0.00", 2},
    {"Q1", &DataWindowValues::Q1, "первую", ",0.00", 2},
    {"Q2", &DataWindowValues::Q2, "вторую", ",0.00", 2},
    {"Q3", &DataWindowValues::Q3, "третью", ",0.00", 2},
    {"Q4", &DataWindowValues::Q4, "четвертую", ",0.00", 2},
    {"Nn1", &DataWindowValues::Nn1, "Количество форсунок на секцию, шт", ",0", 2},
    {"Nn2", &DataWindowValues::Nn2, "Количество форсунок на секцию, шт", ",0", 2},
    {"Nn3", &DataWindowValues::Nn3, "Количество форсунок на секцию, шт", ",0", 2},
    {"Nn4", &DataWindowValues::Nn4, "Количество форсунок на секцию, шт", ",0", 2},
    {"Rkorvel", &DataWindowValues::Rkorvel, "Радиус Korvel, м =", ",0.0", 1},
    {"Lkrist", &DataWindowValues::Lkrist, "Длина кристаллизатора, м =", ",0.00", 2},
    {"Lzvo", &DataWindowValues::Lzvo, "Зона  вторичного охлаждения, м =", ",0.00", 2},
    {"l1", &DataWindowValues::l1, "Длина 1-й секции ЗВО, м =", ",0.00", 2},
    {"l2", &DataWindowValues::l2, "Длина 2-й секции ЗВО, м =", ",0.00", 2},
    {"l3", &DataWindowValues::l3, "Длина 3-й секции ЗВО, м =", ",0.00", 2},
    {"l4", &DataWindowValues::l4, "Длина 4-й секции ЗВО, м =", ",0.00", 2},
};

const FieldDef* findDef(const QString& value) {
    for (const FieldDef& d : kFields)
        if (value == QLatin1String(d.value)) return &d;
    return nullptr;
}

QLabel* label(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    return l;
}

} // namespace

TFormIsxDan::TFormIsxDan(korvel::CastingData& data, QWidget* parent) : QWidget(parent), m_data(data) {
    setObjectName(QStringLiteral("FormIsxDan"));
    setWindowTitle(QStringLiteral("Исходные данные для расчета"));
    const DataWindowValues start = korvel::DataWindowStartValues();
    auto field = [&](const char* name) {
        const FieldDef* d = findDef(QLatin1String(name));
        return makeField(name, QLatin1String(d->pattern), d->decimals, start.*(d->member));
    };

    // The fields lie on a page of their own in a scroll area: below its natural size the window
    // scrolls, and no group or field is ever squeezed.
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("ScrollIsxDan"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);
    m_page = new QWidget;
    m_page->setObjectName(QStringLiteral("PageIsxDan"));
    auto* root = new QVBoxLayout(m_page);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    // 1. Billet size and process time.
    auto* top = new QWidget(this);
    auto* topLay = new QHBoxLayout(top);
    topLay->setContentsMargins(8, 6, 8, 6);
    topLay->addWidget(label(QStringLiteral("Заготовка, X  x  Y, мм"), top));
    CurrencyDlomX = field("DlomX");
    topLay->addWidget(CurrencyDlomX);
    topLay->addWidget(label(QStringLiteral("x"), top));
    CurrencyDlomY = field("DlomY");
    topLay->addWidget(CurrencyDlomY);
    topLay->addSpacing(24);
    topLay->addWidget(label(QStringLiteral("Время процесса непрерывной разливки, мин"), top));
    CurrencyVp = field("Vp");
    topLay->addWidget(CurrencyVp);
    topLay->addStretch(1);
    root->addWidget(top);

    // 2. Chemistry: six columns of two fields.
    m_chemGroup = new QGroupBox(QStringLiteral("Химический состав стали "), this);
    auto* chemOuter = new QVBoxLayout(m_chemGroup);
    chemOuter->setContentsMargins(0, 4, 0, 4);
    chemOuter->setSpacing(0);
    auto* gradeRow = new QHBoxLayout;
    gradeRow->setContentsMargins(8, 2, 8, 2);
    auto* gradeLabel = label(QStringLiteral("Марка стали"), m_chemGroup);
    ComboGrade = new QComboBox(m_chemGroup);
    ComboGrade->setObjectName(QStringLiteral("ComboGrade"));
    ComboGrade->setToolTip(
        QStringLiteral("Заполняет химический состав серединами диапазонов стандарта на марку"));
    ComboGrade->addItem(QStringLiteral("свой состав"));
    for (const korvel::SteelGrade& g : korvel::SteelGrades())
        ComboGrade->addItem(QStringLiteral("%1 (%2)").arg(QString::fromStdString(g.name),
                                                          QString::fromStdString(g.standard)));
    gradeLabel->setBuddy(ComboGrade);
    gradeRow->addWidget(gradeLabel);
    gradeRow->addWidget(ComboGrade);
    gradeRow->addStretch(1);
    chemOuter->addLayout(gradeRow);
    auto* chemLay = new QHBoxLayout;
    chemLay->setContentsMargins(0, 0, 0, 0);
    chemLay->setSpacing(0);
    chemOuter->addLayout(chemLay);
    const char* columns[6][2] = {{"C", "Mn"},  {"Si", "S"}, {"P", "Cr"},
                                 {"Ni", "Cu"}, {"Al", "V"}, {"Mg", "H2"}};
    NumericEdit** chemFields[6][2] = {{&CurrencyC, &CurrencyMn}, {&CurrencySi, &CurrencyS},
                                      {&CurrencyP, &CurrencyCr}, {&CurrencyNi, &CurrencyCu},
                                      {&CurrencyAl, &CurrencyV}, {&CurrencyMg, &CurrencyH2}};
    for (int k = 0; k < 6; ++k) {
        auto* col = new QWidget(m_chemGroup);
        col->setObjectName(QStringLiteral("PanelChem%1").arg(k + 1));
        auto* g = new QGridLayout(col);
        g->setContentsMargins(8, 2, 8, 2);
        for (int r = 0; r < 2; ++r) {
            const FieldDef* d = findDef(QLatin1String(columns[k][r]));
            QLabel* lab = label(QString::fromUtf8(d->caption), col);
            NumericEdit* e = field(columns[k][r]);
            e->setParent(col);
            *chemFields[k][r] = e;
            g->addWidget(lab, r, 0, Qt::AlignRight);
            g->addWidget(e, r, 1);
            if (k == 5 && r == 1) LabelH2 = lab;
        }
        g->setColumnStretch(1, 1);
        chemLay->addWidget(col, k == 5 ? 1 : 0);
        m_chemColumns[k] = col;
    }
    // Hydrogen takes part in accept and restore but is not shown.
    LabelH2->hide();
    CurrencyH2->hide();
    root->addWidget(m_chemGroup);

    // 3. Casting conditions: pouring and cooling on the left, the machine on the right.
    m_condGroup = new QGroupBox(QStringLiteral("Условия разливки стали "), this);
    auto* condLay = new QHBoxLayout(m_condGroup);
    condLay->setContentsMargins(0, 4, 0, 4);
    condLay->setSpacing(0);

    auto* left = new QWidget(m_condGroup);
    left->setObjectName(QStringLiteral("PanelLeft"));
    auto* lg = new QGridLayout(left);
    lg->setContentsMargins(8, 2, 8, 2);
    lg->addWidget(label(QString::fromUtf8(findDef(QStringLiteral("T0"))->caption), left), 0, 0, 1, 2);
    CurrencyT0 = field("T0");
    lg->addWidget(CurrencyT0, 0, 2);
    lg->addWidget(label(QString::fromUtf8(findDef(QStringLiteral("Vlit"))->caption), left), 1, 0, 1, 2);
    CurrencyVlit = field("Vlit");
    lg->addWidget(CurrencyVlit, 1, 2);
    lg->addWidget(label(QStringLiteral("Расход воды на секцию, м3/ч:"), left), 2, 0, 1, 2);
    auto* nozzleHead = label(QStringLiteral("Количество форсунок на секцию, шт"), left);
    nozzleHead->setWordWrap(true);
    lg->addWidget(nozzleHead, 2, 2);
    const char* flows[4] = {"Q1", "Q2", "Q3", "Q4"};
    const char* nozzles[4] = {"Nn1", "Nn2", "Nn3", "Nn4"};
    NumericEdit** flowFields[4] = {&CurrencyQ1, &CurrencyQ2, &CurrencyQ3, &CurrencyQ4};
    NumericEdit** nozzleFields[4] = {&CurrencyNn1, &CurrencyNn2, &CurrencyNn3, &CurrencyNn4};
    for (int k = 0; k < 4; ++k) {
        lg->addWidget(label(QString::fromUtf8(findDef(QLatin1String(flows[k]))->caption), left), 3 + k, 0,
                      Qt::AlignRight);
        *flowFields[k] = field(flows[k]);
        lg->addWidget(*flowFields[k], 3 + k, 1);
        *nozzleFields[k] = field(nozzles[k]);
        lg->addWidget(*nozzleFields[k], 3 + k, 2);
    }
    lg->setRowStretch(7, 1);
    condLay->addWidget(left, 0);
    m_condHalves[0] = left;

    auto* right = new QWidget(m_condGroup);
    right->setObjectName(QStringLiteral("PanelRight"));
    auto* rg = new QGridLayout(right);
    rg->setContentsMargins(8, 2, 8, 2);
    const char* machine[3] = {"Rkorvel", "Lkrist", "Lzvo"};
    NumericEdit** machineFields[3] = {&CurrencyRkorvel, &CurrencyLkrist, &CurrencyLzvo};
    for (int k = 0; k < 3; ++k) {
        rg->addWidget(label(QString::fromUtf8(findDef(QLatin1String(machine[k]))->caption), right), k, 0, 1,
                      2);
        *machineFields[k] = field(machine[k]);
        rg->addWidget(*machineFields[k], k, 2);
    }
    const char* sections[4] = {"l1", "l2", "l3", "l4"};
    NumericEdit** sectionFields[4] = {&Currencyl1, &Currencyl2, &Currencyl3, &Currencyl4};
    rg->setColumnMinimumWidth(0, 24); // the section lengths are indented
    for (int k = 0; k < 4; ++k) {
        rg->addWidget(label(QString::fromUtf8(findDef(QLatin1String(sections[k]))->caption), right), 3 + k,
                      1);
        *sectionFields[k] = field(sections[k]);
        rg->addWidget(*sectionFields[k], 3 + k, 2);
    }
    rg->setRowStretch(7, 1);
    condLay->addWidget(right, 1);
    m_condHalves[1] = right;
    root->addWidget(m_condGroup, 1);

    // 4. Buttons.
    auto* bottom = new QWidget(this);
    auto* bl = new QHBoxLayout(bottom);
    bl->setContentsMargins(8, 6, 8, 6);
    BitBtn2 =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("Принять"), bottom);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setDefault(true);
    BitBtn1 = new QPushButton(QStringLiteral("&Расчет"), bottom);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    QIcon abort = style()->standardIcon(QStyle::SP_DialogAbortButton);
    if (abort.isNull()) abort = style()->standardIcon(QStyle::SP_DialogCancelButton);
    BitBtn3 = new QPushButton(abort, QStringLiteral("Отменить"), bottom);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setAutoDefault(false);
    LabelModelParams = new QLabel(bottom);
    LabelModelParams->setObjectName(QStringLiteral("LabelModelParams"));
    // Takes the place of the stretch before the buttons, so they stay in the middle.
    bl->addWidget(LabelModelParams, 1);
    bl->addWidget(BitBtn2);
    bl->addSpacing(16);
    bl->addWidget(BitBtn1);
    bl->addSpacing(16);
    bl->addWidget(BitBtn3);
    bl->addStretch(1);
    root->addWidget(bottom);
    m_scroll->setWidget(m_page);
    // The narrowest the page can be with every column and half at its own smallest width.
    int column = 0, half = 0;
    for (QWidget* c : m_chemColumns)
        column = std::max(column, c->minimumSizeHint().width());
    for (QWidget* h : m_condHalves)
        half = std::max(half, h->minimumSizeHint().width());
    m_minPageWidth =
        std::max({6 * column, 2 * half, top->minimumSizeHint().width(), bottom->minimumSizeHint().width()});
    m_scroll->viewport()->installEventFilter(this);

    connect(BitBtn2, &QPushButton::clicked, this, &TFormIsxDan::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TFormIsxDan::BitBtn3Click);
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        if (m_solveAction) m_solveAction->trigger();
    });
    // Enter in any field accepts, as the window's default button.
    for (const FieldDef& d : kFields)
        connect(Field(QLatin1String(d.value)), &QLineEdit::returnPressed, BitBtn2, &QPushButton::click);
    // The grade choice follows the chemistry, whoever changes it.
    connect(ComboGrade, &QComboBox::activated, this, [this](int index) { ChooseGrade(index - 1); });
    for (NumericEdit* e : {CurrencyC, CurrencyMn, CurrencySi, CurrencyS, CurrencyP, CurrencyCr, CurrencyNi,
                           CurrencyCu, CurrencyAl, CurrencyV, CurrencyMg})
        connect(e, &NumericEdit::valueChanged, this, &TFormIsxDan::syncGradeChoice);
    syncGradeChoice();

    resize(780, 440);
}

NumericEdit* TFormIsxDan::makeField(const char* name, const QString& pattern, int decimals, double start) {
    auto* e = new NumericEdit(pattern, decimals, this);
    e->setObjectName(QStringLiteral("Currency") + QLatin1String(name));
    e->setValue(start);
    e->setMinimumWidth(56);
    return e;
}

NumericEdit* TFormIsxDan::Field(const QString& valueName) const {
    return findChild<NumericEdit*>(QStringLiteral("Currency") + valueName);
}

QString TFormIsxDan::FieldCaption(const QString& valueName) {
    if (valueName == QLatin1String("DlomX")) return QStringLiteral("Заготовка, X, мм");
    if (valueName == QLatin1String("DlomY")) return QStringLiteral("Заготовка, Y, мм");
    const FieldDef* d = findDef(valueName);
    if (!d) return valueName;
    QString c = QString::fromUtf8(d->caption).trimmed();
    if (c.endsWith(QLatin1Char('='))) c.chop(1);
    c = c.trimmed();
    if (valueName.startsWith(QLatin1Char('Q'))) c = QStringLiteral("Расход воды на %1 секцию, м3/ч").arg(c);
    if (valueName.startsWith(QLatin1String("Nn")))
        c = QStringLiteral("Количество форсунок на %1-ю секцию, шт").arg(valueName.mid(2));
    return c;
}

void TFormIsxDan::BindSolveAction(QAction* action) {
    if (m_solveAction) disconnect(m_solveAction, nullptr, this, nullptr);
    m_solveAction = action;
    if (action) {
        connect(action, &QAction::changed, this, &TFormIsxDan::syncSolveButton);
        connect(action, &QObject::destroyed, this, [this] {
            m_solveAction = nullptr;
            syncSolveButton();
        });
    }
    syncSolveButton();
}

void TFormIsxDan::syncSolveButton() {
    // The button shows the action's caption (with its accelerator), hint, picture and enabled state.
    if (!m_solveAction) {
        BitBtn1->setEnabled(false);
        return;
    }
    BitBtn1->setText(m_solveAction->text());
    BitBtn1->setToolTip(m_solveAction->toolTip());
    BitBtn1->setStatusTip(m_solveAction->statusTip());
    BitBtn1->setIcon(m_solveAction->icon());
    BitBtn1->setEnabled(m_solveAction->isEnabled());
}

void TFormIsxDan::ChooseGrade(int k) {
    const std::vector<korvel::SteelGrade>& grades = korvel::SteelGrades();
    const DataWindowValues now = Values();
    if (k >= 0 && k < int(grades.size())) {
        // The composition as typed is kept once, before the first grade replaces it.
        if (korvel::GradeOfChemistry(now) < 0) {
            m_ownChemistry = now;
            m_hasOwnChemistry = true;
        }
        m_applyingGrade = true;
        SetValues(korvel::WithGradeChemistry(now, grades[size_t(k)]));
        m_applyingGrade = false;
    } else if (m_hasOwnChemistry) {
        DataWindowValues w = now;
        for (double DataWindowValues::*m :
             {&DataWindowValues::C, &DataWindowValues::Mn, &DataWindowValues::Si, &DataWindowValues::S,
              &DataWindowValues::P, &DataWindowValues::Cr, &DataWindowValues::Ni, &DataWindowValues::Cu,
              &DataWindowValues::Al, &DataWindowValues::V, &DataWindowValues::Mg})
            w.*m = m_ownChemistry.*m;
        m_applyingGrade = true;
        SetValues(w);
        m_applyingGrade = false;
    }
    syncGradeChoice();
}

void TFormIsxDan::syncGradeChoice() {
    if (m_applyingGrade) return;
    const int grade = korvel::GradeOfChemistry(Values());
    // A composition of no grade is the user's own from now on.
    if (grade < 0) m_hasOwnChemistry = false;
    ComboGrade->setCurrentIndex(grade + 1);
}

DataWindowValues TFormIsxDan::Values() const {
    DataWindowValues w{};
    for (const FieldDef& d : kFields)
        w.*(d.member) = Field(QLatin1String(d.value))->value();
    return w;
}

void TFormIsxDan::SetValues(const DataWindowValues& w) {
    for (const FieldDef& d : kFields)
        Field(QLatin1String(d.value))->setValue(w.*(d.member));
}

QString TFormIsxDan::CheckFields() const {
    // Text that is not a number, in the window's order.
    for (const FieldDef& d : kFields) {
        const NumericEdit* e = Field(QLatin1String(d.value));
        if (!e->HasValidText())
            return QStringLiteral("Поле «%1»: %2.")
                .arg(FieldCaption(QLatin1String(d.value)), e->TextProblem());
    }
    const DataWindowValues w = Values();
    for (const FieldDef& d : kFields)
        if (!std::isfinite(w.*(d.member)))
            return QStringLiteral("Поле «%1» содержит не число.").arg(FieldCaption(QLatin1String(d.value)));
    // Every value within its physical range, named by its caption in the window.
    const std::string outside = korvel::CheckWindowRanges(w, nullptr, [](const korvel::FieldRange& r) {
        return "Поле «" + FieldCaption(QString::fromLatin1(r.key)).toStdString() + "»";
    });
    if (!outside.empty()) return QString::fromStdString(outside) + QLatin1Char('.');
    // Whatever else a run refuses of the casting data (e.g. values so large that the run's figures
    // are no longer numbers).
    korvel::CastingData candidate;
    korvel::AcceptDataWindow(w, candidate);
    const std::string refused = korvel::CheckRunInput(candidate, korvel::ModelParams{});
    if (!refused.empty()) return QString::fromStdString(refused);
    return QString();
}

bool TFormIsxDan::Accept() {
    const QString problem = CheckFields();
    if (!problem.isEmpty()) {
        const QString text = problem + QStringLiteral(" Исходные данные не приняты.");
        if (m_messageHandler)
            m_messageHandler(text);
        else
            QMessageBox::warning(this, windowTitle(), text);
        return false;
    }
    const DataWindowValues w = Values();
    {
        QMutexLocker lock(m_guard);
        korvel::AcceptDataWindow(w, m_data);
    }
    emit Accepted();
    return true;
}

void TFormIsxDan::BitBtn2Click() {
    Accept();
}

void TFormIsxDan::BitBtn3Click() {
    DataWindowValues w;
    {
        QMutexLocker lock(m_guard);
        w = korvel::RestoreDataWindow(m_data);
    }
    SetValues(w);
}

int TFormIsxDan::DivRoundHalfEven(int width, int parts) {
    const int q = width / parts;
    const int r = width % parts;
    if (2 * r > parts) return q + 1;
    if (2 * r == parts) return (q % 2 == 0) ? q : q + 1;
    return q;
}

void TFormIsxDan::FormResize() {
    // The client width is the scroll area's, never less than the page's narrowest.
    const int client = std::max(m_scroll->viewport()->width(), m_minPageWidth);
    const int w6 = DivRoundHalfEven(client, 6);
    const int w2 = DivRoundHalfEven(client, 2);
    // The last column and the right half are client-aligned: they take what is left.
    for (int k = 0; k < 5; ++k)
        m_chemColumns[k]->setFixedWidth(w6);
    m_condHalves[0]->setFixedWidth(w2);
}

bool TFormIsxDan::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_scroll->viewport() && e->type() == QEvent::Resize) FormResize();
    return QWidget::eventFilter(watched, e);
}

void TFormIsxDan::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    FormResize();
}
