#pragma once

#include "model/CastingData.h"
#include "results/QualityVerdict.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

// "Критерии качества": the limits the quality verdict holds a run against.
class TfmQuality : public QDialog {
    Q_OBJECT

public:
    explicit TfmQuality(QWidget* parent = nullptr);

    // Fills the dialog; the casting data give the default straightening point shown beside its field.
    void SetLimits(const korvel::QualityLimits& limits, const korvel::CastingData& data);
    // The limits as the fields hold them.
    korvel::QualityLimits Limits() const;
    // Shows the dialog modally; true with `limits` updated when it was closed with "Принять".
    bool EditLimits(korvel::QualityLimits& limits, const korvel::CastingData& data);

    QDoubleSpinBox* SpinShell = nullptr;
    QDoubleSpinBox* SpinReheat = nullptr;
    QDoubleSpinBox* SpinDuctLow = nullptr;
    QDoubleSpinBox* SpinDuctHigh = nullptr;
    QCheckBox* CheckStraight = nullptr; // a straightening point of the user's own
    QDoubleSpinBox* SpinStraight = nullptr;
    QLabel* LabelStraightDefault = nullptr;
    QCheckBox* CheckCarbon = nullptr;
    QDoubleSpinBox* SpinCarbon = nullptr;
    QCheckBox* CheckSulphur = nullptr;
    QDoubleSpinBox* SpinSulphur = nullptr;
    QLabel* LabelError = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonDefaults = nullptr;

public slots:
    // Keeps the dialog open with the reason when the limits do not make sense together.
    void accept() override;
    void RestoreDefaults();

protected:
    // The modal part; tests replace it.
    virtual int execDialog();

private:
    void updateEnabled();
    korvel::CastingData m_data;
};
