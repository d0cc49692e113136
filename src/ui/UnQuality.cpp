#include "UnQuality.h"

#include "UiFormat.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {
QDoubleSpinBox* Spin(QWidget* parent, double lo, double hi, int decimals, const QString& suffix) {
    auto* s = new QDoubleSpinBox(parent);
    s->setRange(lo, hi);
    s->setDecimals(decimals);
    s->setSuffix(suffix);
    s->setLocale(QLocale());
    s->setAccelerated(true);
    return s;
}
} // namespace

TfmQuality::TfmQuality(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmQuality"));
    setWindowTitle(QStringLiteral("Критерии качества"));
    SpinShell = Spin(this, 0, 200, 1, QStringLiteral(" мм"));
    SpinReheat = Spin(this, 0, 1000, 0, QStringLiteral(" К"));
    SpinDuctLow = Spin(this, 0, 1600, 0, QStringLiteral(" °C"));
    SpinDuctHigh = Spin(this, 0, 1600, 0, QStringLiteral(" °C"));
    CheckStraight = new QCheckBox(QStringLiteral("своя точка правки:"), this);
    SpinStraight = Spin(this, 0.01, 1000, 2, QStringLiteral(" м"));
    LabelStraightDefault = new QLabel(this);
    CheckCarbon = new QCheckBox(QStringLiteral("предел:"), this);
    SpinCarbon = Spin(this, 0.01, 100, 2, QString());
    CheckSulphur = new QCheckBox(QStringLiteral("предел:"), this);
    SpinSulphur = Spin(this, 0.01, 100, 2, QString());
    LabelError = new QLabel(this);
    LabelError->setStyleSheet(QStringLiteral("color: #c00000;"));
    LabelError->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Корочка на выходе из кристаллизатора, не менее"), SpinShell);
    form->addRow(QStringLiteral("Разогрев поверхности после охлаждения, не более"), SpinReheat);
    auto* duct = new QHBoxLayout;
    duct->addWidget(SpinDuctLow);
    duct->addWidget(new QLabel(QStringLiteral("–"), this));
    duct->addWidget(SpinDuctHigh);
    form->addRow(QStringLiteral("Зона низкой пластичности в точке правки"), duct);
    auto* straight = new QHBoxLayout;
    straight->addWidget(CheckStraight);
    straight->addWidget(SpinStraight);
    form->addRow(QStringLiteral("Точка правки (расстояние от мениска)"), straight);
    form->addRow(QString(), LabelStraightDefault);
    auto* carbon = new QHBoxLayout;
    carbon->addWidget(CheckCarbon);
    carbon->addWidget(SpinCarbon);
    form->addRow(QStringLiteral("Осевая ликвация углерода (C центра / C расплава)"), carbon);
    auto* sulphur = new QHBoxLayout;
    sulphur->addWidget(CheckSulphur);
    sulphur->addWidget(SpinSulphur);
    form->addRow(QStringLiteral("Осевая ликвация серы (S центра / S расплава)"), sulphur);

    auto* buttons = new QDialogButtonBox(this);
    ButtonOk = buttons->addButton(QStringLiteral("Принять"), QDialogButtonBox::AcceptRole);
    ButtonCancel = buttons->addButton(QStringLiteral("Отменить"), QDialogButtonBox::RejectRole);
    ButtonDefaults = buttons->addButton(QStringLiteral("По умолчанию"), QDialogButtonBox::ResetRole);
    ButtonOk->setDefault(true);
    connect(ButtonOk, &QPushButton::clicked, this, &TfmQuality::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &TfmQuality::reject);
    connect(ButtonDefaults, &QPushButton::clicked, this, &TfmQuality::RestoreDefaults);
    for (QCheckBox* c : {CheckStraight, CheckCarbon, CheckSulphur})
        connect(c, &QCheckBox::toggled, this, &TfmQuality::updateEnabled);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(LabelError);
    layout->addWidget(buttons);
    SetLimits({}, {});
}

void TfmQuality::SetLimits(const korvel::QualityLimits& l, const korvel::CastingData& data) {
    m_data = data;
    SpinShell->setValue(l.mouldExitShell);
    SpinReheat->setValue(l.reheating);
    SpinDuctLow->setValue(l.ductilityLow);
    SpinDuctHigh->setValue(l.ductilityHigh);
    const double arcEnd = korvel::StraighteningPoint(data, {});
    CheckStraight->setChecked(std::isfinite(l.straightening));
    SpinStraight->setValue(std::isfinite(l.straightening) ? l.straightening : arcEnd);
    LabelStraightDefault->setText(
        QStringLiteral("без своей точки — конец дуги машины, Lkrist + π·Rkorvel/2 = %1 м")
            .arg(FormatFixed(arcEnd, 0, 2)));
    CheckCarbon->setChecked(std::isfinite(l.centreCarbon));
    SpinCarbon->setValue(std::isfinite(l.centreCarbon) ? l.centreCarbon : 1.2);
    CheckSulphur->setChecked(std::isfinite(l.centreSulphur));
    SpinSulphur->setValue(std::isfinite(l.centreSulphur) ? l.centreSulphur : 1.5);
    LabelError->clear();
    LabelError->hide();
    updateEnabled();
}

korvel::QualityLimits TfmQuality::Limits() const {
    korvel::QualityLimits l;
    l.mouldExitShell = SpinShell->value();
    l.reheating = SpinReheat->value();
    l.ductilityLow = SpinDuctLow->value();
    l.ductilityHigh = SpinDuctHigh->value();
    l.straightening = CheckStraight->isChecked() ? SpinStraight->value() : NAN;
    l.centreCarbon = CheckCarbon->isChecked() ? SpinCarbon->value() : NAN;
    l.centreSulphur = CheckSulphur->isChecked() ? SpinSulphur->value() : NAN;
    return l;
}

void TfmQuality::updateEnabled() {
    SpinStraight->setEnabled(CheckStraight->isChecked());
    SpinCarbon->setEnabled(CheckCarbon->isChecked());
    SpinSulphur->setEnabled(CheckSulphur->isChecked());
}

void TfmQuality::RestoreDefaults() {
    SetLimits({}, m_data);
}

void TfmQuality::accept() {
    const std::string why = korvel::CheckQualityLimits(Limits());
    if (!why.empty()) {
        LabelError->setText(QString::fromStdString(why));
        LabelError->show();
        return;
    }
    QDialog::accept();
}

int TfmQuality::execDialog() {
    return exec();
}

bool TfmQuality::EditLimits(korvel::QualityLimits& limits, const korvel::CastingData& data) {
    SetLimits(limits, data);
    if (execDialog() != QDialog::Accepted) return false;
    limits = Limits();
    return true;
}
