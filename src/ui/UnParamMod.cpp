#include "UnParamMod.h"

#include "cases/FieldRanges.h"
#include "model/PhysicalBoundary.h"
#include "run/HeadlessRun.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

TNodeSpinBox::TNodeSpinBox(QWidget* parent) : QSpinBox(parent) {}

namespace {
// Whole numbers of up to this many digits may be typed whatever the range.
constexpr int kMaxTypedDigits = 6;

// The typed text as a whole number, if it is one (an optional sign and digits, spaces around).
bool TypedWhole(const QString& text, const QString& prefix, const QString& suffix, int* v) {
    QString t = text;
    if (!prefix.isEmpty() && t.startsWith(prefix)) t.remove(0, prefix.size());
    if (!suffix.isEmpty() && t.endsWith(suffix)) t.chop(suffix.size());
    t = t.trimmed();
    const QString digits = t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+')) ? t.mid(1) : t;
    if (digits.isEmpty() || digits.size() > kMaxTypedDigits) return false;
    for (QChar c : digits)
        if (!c.isDigit() || c.unicode() > 127) return false;
    bool ok = false;
    *v = t.toInt(&ok);
    return ok;
}
} // namespace

QValidator::State TNodeSpinBox::validate(QString& text, int& pos) const {
    int v = 0;
    if (TypedWhole(text, prefix(), suffix(), &v))
        return v >= minimum() && v <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
    return QSpinBox::validate(text, pos);
}

void TNodeSpinBox::fixup(QString& text) const {
    int v = 0;
    if (TypedWhole(text, prefix(), suffix(), &v)) {
        text = prefix() + locale().toString(std::clamp(v, minimum(), maximum())) + suffix();
        return;
    }
    QSpinBox::fixup(text);
}

namespace {

QSpinBox* nodeSpin(QWidget* parent) {
    auto* s = new TNodeSpinBox(parent);
    s->setRange(korvel::kMinNodes, korvel::kMaxNodes);
    // A typed value outside the range is brought into it rather than thrown away.
    s->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    s->setKeyboardTracking(false);
    QFont f = s->font();
    f.setBold(true);
    s->setFont(f);
    return s;
}

} // namespace

TfmParamMod::TfmParamMod(korvel::Model& model, std::function<void()> gridChanged, QWidget* parent)
    : QDialog(parent), m_model(model), m_gridChanged(std::move(gridChanged)) {
    setObjectName(QStringLiteral("fmParamMod"));
    setWindowTitle(QStringLiteral("Расчетные параметры модели"));
    setModal(true);

    auto* root = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    CurrencyDt = new NumericEdit(QStringLiteral(",0.0"), 1, this);
    CurrencyDt->setObjectName(QStringLiteral("CurrencyDt"));
    CurrencyDt->setValue(model.params.Dt);
    SpinEditL = nodeSpin(this);
    SpinEditL->setObjectName(QStringLiteral("SpinEditL"));
    SpinEditL->setValue(model.params.L);
    SpinEditM = nodeSpin(this);
    SpinEditM->setObjectName(QStringLiteral("SpinEditM"));
    SpinEditM->setValue(model.params.M);
    form->addRow(QStringLiteral("Шаг расчета, с ="), CurrencyDt);
    form->addRow(QStringLiteral("Количество узлов по оси X ="), SpinEditL);
    form->addRow(QStringLiteral("Количество узлов по оси Y ="), SpinEditM);
    root->addLayout(form);

    RadioButton1 = new QRadioButton(QStringLiteral("Сечение на коротком радиусе"), this);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton2 = new QRadioButton(QStringLiteral("Сечение на длинном радиусе"), this);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton1->setChecked(true);
    root->addWidget(RadioButton1);
    root->addWidget(RadioButton2);
    connect(RadioButton1, &QRadioButton::clicked, this, &TfmParamMod::RadioButton1Click);
    connect(RadioButton2, &QRadioButton::clicked, this, &TfmParamMod::RadioButton2Click);

    GroupBoundary = new QGroupBox(QStringLiteral("Граничные условия"), this);
    GroupBoundary->setObjectName(QStringLiteral("GroupBoundary"));
    auto* boundary = new QVBoxLayout(GroupBoundary);
    RadioBoundaryText = new QRadioButton(QStringLiteral("по исходной методике"), GroupBoundary);
    RadioBoundaryText->setObjectName(QStringLiteral("RadioBoundaryText"));
    RadioBoundaryPhysical = new QRadioButton(QStringLiteral("физические"), GroupBoundary);
    RadioBoundaryPhysical->setObjectName(QStringLiteral("RadioBoundaryPhysical"));
    boundary->addWidget(RadioBoundaryText);
    boundary->addWidget(RadioBoundaryPhysical);
    auto* inputs = new QFormLayout;
    auto edit = [this](const char* name, const char* pattern, int decimals) {
        auto* e = new NumericEdit(QString::fromLatin1(pattern), decimals, this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    CurrencyMouldA = edit("CurrencyMouldA", ",0.000", 3);
    CurrencyMouldB = edit("CurrencyMouldB", ",0.000", 3);
    CurrencyMouldWater = edit("CurrencyMouldWater", ",0.0", 1);
    CurrencySprayWaterT = edit("CurrencySprayWaterT", ",0.0", 1);
    ComboSprayLaw = new QComboBox(GroupBoundary);
    ComboSprayLaw->setObjectName(QStringLiteral("ComboSprayLaw"));
    for (int k = 0; k < korvel::kSprayLawCount; ++k)
        ComboSprayLaw->addItem(QString::fromUtf8(korvel::SprayLawName(static_cast<korvel::SprayLaw>(k))));
    inputs->addRow(QStringLiteral("Кристаллизатор: q = A − B·√t, A, МВт/м² ="), CurrencyMouldA);
    inputs->addRow(QStringLiteral("B, МВт/(м²·с^½) ="), CurrencyMouldB);
    inputs->addRow(QStringLiteral("Расход воды кристаллизатора, м³/ч ="), CurrencyMouldWater);
    inputs->addRow(QStringLiteral("Температура воды ЗВО, °C ="), CurrencySprayWaterT);
    inputs->addRow(QStringLiteral("Теплоотдача форсунок ЗВО:"), ComboSprayLaw);
    boundary->addLayout(inputs);
    root->addWidget(GroupBoundary);
    connect(RadioBoundaryText, &QRadioButton::toggled, this, [this] { UpdateBoundaryInputs(); });

    root->addStretch(1);
    auto* strip = new QHBoxLayout;
    BitBtn2 =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("Принять"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setDefault(true);
    QIcon abort = style()->standardIcon(QStyle::SP_DialogAbortButton);
    if (abort.isNull()) abort = style()->standardIcon(QStyle::SP_DialogCancelButton);
    BitBtn3 = new QPushButton(abort, QStringLiteral("Отменить"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setAutoDefault(false);
    strip->addWidget(BitBtn2);
    strip->addStretch(1);
    strip->addWidget(BitBtn3);
    root->addLayout(strip);
    connect(BitBtn2, &QPushButton::clicked, this, &TfmParamMod::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, [this] { done(ResultAbort); });
}

void TfmParamMod::UpdateBoundaryInputs() {
    const bool physical = RadioBoundaryPhysical->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{CurrencyMouldA, CurrencyMouldB, CurrencyMouldWater,
                                                      CurrencySprayWaterT, ComboSprayLaw})
        w->setEnabled(physical);
}

void TfmParamMod::BitBtn2Click() {
    const std::pair<NumericEdit*, const char*> fields[] = {
        {CurrencyMouldA, "Кристаллизатор: A"},
        {CurrencyMouldB, "Кристаллизатор: B"},
        {CurrencyMouldWater, "Расход воды кристаллизатора"},
        {CurrencySprayWaterT, "Температура воды ЗВО"}};
    QString problem;
    NumericEdit* bad = nullptr;
    for (const auto& [e, name] : fields) {
        if (!e->HasValidText()) {
            problem = QStringLiteral("Поле «%1»: %2. Параметры не приняты.")
                          .arg(QString::fromUtf8(name), e->TextProblem());
            bad = e;
            break;
        }
    }
    if (!bad && RadioBoundaryPhysical->isChecked()) {
        korvel::ModelParams candidate = m_model.params;
        candidate.Boundary = korvel::BoundaryModel::Physical;
        candidate.MouldA = CurrencyMouldA->value();
        candidate.MouldB = CurrencyMouldB->value();
        candidate.MouldWater = CurrencyMouldWater->value();
        candidate.SprayWaterT = CurrencySprayWaterT->value();
        candidate.Spray = static_cast<korvel::SprayLaw>(ComboSprayLaw->currentIndex());
        if (const std::string why = korvel::CheckBoundaryInput(candidate); !why.empty()) {
            problem = QString::fromStdString(why) + QStringLiteral(" Параметры не приняты.");
            bad = CurrencyMouldA;
        }
    }
    if (bad) {
        if (m_messageHandler)
            m_messageHandler(problem);
        else
            QMessageBox::warning(this, windowTitle(), problem);
        bad->setFocus();
        return;
    }
    QString dtProblem;
    if (!CurrencyDt->HasValidText())
        dtProblem = QStringLiteral("Поле «Шаг расчета, с»: %1").arg(CurrencyDt->TextProblem());
    else if (const std::string why =
                 korvel::CheckFieldValue("Dt", CurrencyDt->value(), "Поле «Шаг расчета, с»");
             !why.empty())
        dtProblem = QString::fromStdString(why);
    if (!dtProblem.isEmpty()) {
        const QString text = dtProblem + QStringLiteral(". Параметры не приняты.");
        if (m_messageHandler)
            m_messageHandler(text);
        else
            QMessageBox::warning(this, windowTitle(), text);
        CurrencyDt->setFocus();
        return;
    }
    accept();
}

void TfmParamMod::RadioButton1Click() {
    if (RadioButton1->isChecked()) m_model.params.SideFlag = 1;
}

void TfmParamMod::RadioButton2Click() {
    if (RadioButton2->isChecked()) m_model.params.SideFlag = -1;
}

int TfmParamMod::execDialog() {
    adjustSize();
    if (QScreen* screen = this->screen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    return exec();
}

bool TfmParamMod::EditModelParams() {
    korvel::ModelParams& p = m_model.params;
    // The radio buttons keep the side last chosen in this dialog.
    CurrencyDt->setValue(p.Dt);
    SpinEditL->setValue(p.L);
    SpinEditM->setValue(p.M);
    (p.Boundary == korvel::BoundaryModel::Physical ? RadioBoundaryPhysical : RadioBoundaryText)
        ->setChecked(true);
    CurrencyMouldA->setValue(p.MouldA);
    CurrencyMouldB->setValue(p.MouldB);
    CurrencyMouldWater->setValue(p.MouldWater);
    CurrencySprayWaterT->setValue(p.SprayWaterT);
    ComboSprayLaw->setCurrentIndex(static_cast<int>(p.Spray));
    UpdateBoundaryInputs();
    if (execDialog() != QDialog::Accepted) return false;
    // A value still being typed counts as entered.
    SpinEditL->interpretText();
    SpinEditM->interpretText();
    p.Dt = CurrencyDt->value();
    p.Boundary =
        RadioBoundaryPhysical->isChecked() ? korvel::BoundaryModel::Physical : korvel::BoundaryModel::Text;
    p.MouldA = CurrencyMouldA->value();
    p.MouldB = CurrencyMouldB->value();
    p.MouldWater = CurrencyMouldWater->value();
    p.SprayWaterT = CurrencySprayWaterT->value();
    p.Spray = static_cast<korvel::SprayLaw>(ComboSprayLaw->currentIndex());
    if (SpinEditL->value() == p.L && SpinEditM->value() == p.M) return true;
    p.L = SpinEditL->value();
    p.M = SpinEditM->value();
    korvel::SizeState(m_model);
    if (m_gridChanged) m_gridChanged();
    return true;
}
