#include "UnCalibration.h"

#include "cases/CaseFile.h"

#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString Show(double v, int decimals) {
    return std::isfinite(v) ? QLocale().toString(v, 'f', decimals) : QStringLiteral("—");
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

TFormCalibration::TFormCalibration(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormCalibration"));
    setWindowTitle(QStringLiteral("Калибровка по измерениям"));
    auto* v = new QVBoxLayout(this);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("Файл измерений (z_m,point,T_C):"), this));
    EditFile = new QLineEdit(this);
    EditFile->setObjectName(QStringLiteral("EditFile"));
    fileRow->addWidget(EditFile, 1);
    ButtonBrowse = new QPushButton(QStringLiteral("Обзор..."), this);
    ButtonBrowse->setObjectName(QStringLiteral("ButtonBrowse"));
    fileRow->addWidget(ButtonBrowse);
    v->addLayout(fileRow);
    auto* buttons = new QHBoxLayout;
    ButtonStart = new QPushButton(QStringLiteral("Калибровать"), this);
    ButtonStart->setObjectName(QStringLiteral("ButtonStart"));
    ButtonCancel = new QPushButton(QStringLiteral("Отмена"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonApply = new QPushButton(QStringLiteral("Применить"), this);
    ButtonApply->setObjectName(QStringLiteral("ButtonApply"));
    ButtonApply->setToolTip(QStringLiteral("Поставить подобранные значения в параметры модели"));
    ButtonSave = new QPushButton(QStringLiteral("Сохранить вариант..."), this);
    ButtonSave->setObjectName(QStringLiteral("ButtonSave"));
    for (QPushButton* b : {ButtonStart, ButtonCancel, ButtonApply, ButtonSave})
        buttons->addWidget(b);
    buttons->addStretch(1);
    v->addLayout(buttons);
    LabelProgress = new QLabel(this);
    LabelProgress->setObjectName(QStringLiteral("LabelProgress"));
    LabelProgress->setWordWrap(true);
    v->addWidget(LabelProgress);
    TableFactors = new QTableWidget(4, 4, this);
    TableFactors->setObjectName(QStringLiteral("TableFactors"));
    TableFactors->setHorizontalHeaderLabels({QStringLiteral("Секция"), QStringLiteral("Множитель до"),
                                             QStringLiteral("Множитель после"),
                                             QStringLiteral("Теплоотдача секции")});
    TableFactors->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableFactors->horizontalHeader()->setStretchLastSection(true);
    TableFactors->setMaximumHeight(170);
    v->addWidget(TableFactors);
    LabelMouldA = new QLabel(this);
    LabelMouldA->setObjectName(QStringLiteral("LabelMouldA"));
    LabelMouldA->setWordWrap(true);
    LabelMouldA->hide();
    v->addWidget(LabelMouldA);
    TableReadings = new QTableWidget(0, 6, this);
    TableReadings->setObjectName(QStringLiteral("TableReadings"));
    TableReadings->setHorizontalHeaderLabels({QStringLiteral("Строка"), QStringLiteral("z, м"),
                                              QStringLiteral("Точка"), QStringLiteral("Измерено, °C"),
                                              QStringLiteral("Отклонение до, К"),
                                              QStringLiteral("Отклонение после, К")});
    TableReadings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableReadings->horizontalHeader()->setStretchLastSection(true);
    v->addWidget(TableReadings, 1);
    connect(ButtonBrowse, &QPushButton::clicked, this, [this] {
        const QString path =
            m_fileChooser
                ? m_fileChooser(false)
                : QFileDialog::getOpenFileName(this, QStringLiteral("Файл измерений"), EditFile->text(),
                                               QStringLiteral("Измерения (*.csv);;Все файлы (*)"));
        if (!path.isEmpty()) EditFile->setText(path);
    });
    connect(ButtonStart, &QPushButton::clicked, this, &TFormCalibration::Start);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormCalibration::Cancel);
    connect(ButtonApply, &QPushButton::clicked, this, &TFormCalibration::Apply);
    connect(ButtonSave, &QPushButton::clicked, this, &TFormCalibration::SaveCase);
    updateButtons();
}

TFormCalibration::~TFormCalibration() {
    m_cancel.store(true);
    if (m_thread.joinable()) m_thread.join();
}

void TFormCalibration::Start() {
    if (Running()) return;
    std::vector<korvel::Measurement> readings;
    std::string error;
    if (EditFile->text().trimmed().isEmpty()) {
        showMessage(QStringLiteral("Укажите файл измерений. Калибровка не запущена."));
        return;
    }
    if (!korvel::ReadMeasurementFile(LocalPath(EditFile->text().trimmed()), readings, error)) {
        showMessage(QString::fromStdString(error) + QStringLiteral(". Калибровка не запущена."));
        return;
    }
    const korvel::Case base = m_caseSource ? m_caseSource() : korvel::Case();
    m_readings = readings;
    m_cancel.store(false);
    LabelProgress->setText(QStringLiteral("Калибровка начата..."));
    m_thread = std::thread([this, base, readings] {
        const korvel::CalibrationResult r =
            korvel::Calibrate(base, readings, {}, &m_cancel, [this](int runs, double rms) {
                QMetaObject::invokeMethod(
                    this,
                    [this, runs, rms] {
                        if (Running())
                            LabelProgress->setText(QStringLiteral("Расчетов: %1, лучшее среднеквадратичное "
                                                                  "отклонение %2 К")
                                                       .arg(runs)
                                                       .arg(Show(rms, 1)));
                    },
                    Qt::QueuedConnection);
            });
        QMetaObject::invokeMethod(
            this, [this, r] { ended(r); }, Qt::QueuedConnection);
    });
    updateButtons();
}

void TFormCalibration::Cancel() {
    if (!Running()) return;
    m_cancel.store(true);
    ButtonCancel->setEnabled(false);
}

void TFormCalibration::ended(const korvel::CalibrationResult& r) {
    if (m_thread.joinable()) m_thread.join();
    if (!r.ok) {
        LabelProgress->setText(QStringLiteral("Калибровка не выполнена."));
        updateButtons();
        showMessage(QStringLiteral("Калибровка не выполнена: %1").arg(QString::fromStdString(r.message)));
        emit Finished();
        return;
    }
    m_result = r;
    for (int k = 0; k < 4; ++k) {
        const double effect = (r.multipliers[k] / r.before[k] - 1) * 100;
        const QString cells[4] = {
            QString::number(k + 1), Show(r.before[k], 3), Show(r.multipliers[k], 3),
            r.fitted[k] ? QStringLiteral("%1%2 %").arg(effect >= 0 ? "+" : "").arg(Show(effect, 1))
            : r.dry[k]  ? QStringLiteral("нет воды")
                        : QStringLiteral("нет измерений")};
        for (int c = 0; c < 4; ++c)
            TableFactors->setItem(k, c, new QTableWidgetItem(cells[c]));
    }
    LabelMouldA->setVisible(r.mouldAFitted);
    LabelMouldA->setText(
        r.mouldAFitted
            ? QStringLiteral(
                  "Кристаллизатор: A до %1 МВт/м², после %2 МВт/м² (теплоотвод кристаллизатора %3%4 %)")
                  .arg(Show(r.mouldABefore, 3), Show(r.mouldAAfter, 3),
                       r.mouldHeatChange >= 0 ? QStringLiteral("+") : QString(), Show(r.mouldHeatChange, 1))
            : QString());
    TableReadings->setRowCount(int(m_readings.size()));
    for (int k = 0; k < int(m_readings.size()); ++k) {
        const korvel::Measurement& m = m_readings[std::size_t(k)];
        const QString cells[6] = {QString::number(m.line),
                                  Show(m.z, 2),
                                  QString::fromLatin1(korvel::MeasuredPointKey(m.point)),
                                  Show(m.temperature, 1),
                                  Show(r.residualsBefore[std::size_t(k)], 1),
                                  Show(r.residualsAfter[std::size_t(k)], 1)};
        for (int c = 0; c < 6; ++c)
            TableReadings->setItem(k, c, new QTableWidgetItem(cells[c]));
    }
    LabelProgress->setText(
        QStringLiteral("Среднеквадратичное отклонение: %1 К до, %2 К после (расчетов %3).%4")
            .arg(Show(r.rmsBefore, 1), Show(r.rmsAfter, 1))
            .arg(r.runs)
            .arg(r.message.empty() ? QString() : QStringLiteral(" ") + QString::fromStdString(r.message)));
    updateButtons();
    emit Finished();
}

void TFormCalibration::Apply() {
    if (!m_result.ok) return;
    if (!m_apply) return;
    if (const QString why = m_apply(m_result); !why.isEmpty()) showMessage(why);
}

bool TFormCalibration::SaveCase() {
    if (!m_result.ok) return false;
    const QString path =
        m_fileChooser ? m_fileChooser(true)
                      : QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить вариант"), QString(),
                                                     QStringLiteral("Варианты Korvel (*.korvel)"));
    if (path.isEmpty()) return false;
    std::string error;
    if (!korvel::WriteCaseFile(LocalPath(path), m_result.calibrated, error)) {
        showMessage(QString::fromStdString(error));
        return false;
    }
    return true;
}

void TFormCalibration::updateButtons() {
    ButtonStart->setEnabled(!Running());
    ButtonCancel->setEnabled(Running());
    ButtonApply->setEnabled(!Running() && m_result.ok);
    ButtonSave->setEnabled(!Running() && m_result.ok);
}

void TFormCalibration::showMessage(const QString& text) {
    if (m_messageHandler)
        m_messageHandler(text);
    else
        QMessageBox::warning(this, QStringLiteral("Korvel"), text);
}
