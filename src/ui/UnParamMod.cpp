#include "UnParamMod.h"

#include "cases/FieldRanges.h"

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

void TfmParamMod::BitBtn2Click() {
    QString problem;
    if (!CurrencyDt->HasValidText())
        problem = QStringLiteral("Поле «Шаг расчета, с»: %1").arg(CurrencyDt->TextProblem());
    else if (const std::string why =
                 korvel::CheckFieldValue("Dt", CurrencyDt->value(), "Поле «Шаг расчета, с»");
             !why.empty())
        problem = QString::fromStdString(why);
    if (!problem.isEmpty()) {
        const QString text = problem + QStringLiteral(". Параметры не приняты.");
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
    if (execDialog() != QDialog::Accepted) return false;
    // A value still being typed counts as entered.
    SpinEditL->interpretText();
    SpinEditM->interpretText();
    p.Dt = CurrencyDt->value();
    if (SpinEditL->value() == p.L && SpinEditM->value() == p.M) return true;
    p.L = SpinEditL->value();
    p.M = SpinEditM->value();
    korvel::SizeState(m_model);
    if (m_gridChanged) m_gridChanged();
    return true;
}
