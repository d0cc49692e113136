#pragma once

#include "NumericEdit.h"
#include "model/Model.h"

#include <QDialog>
#include <functional>

class QPushButton;
class QRadioButton;
class QSpinBox;

// The model parameters dialog: time step, grid and the side of the section.
class TfmParamMod : public QDialog {
    Q_OBJECT

public:
    // "Abort", the result of "Отменить".
    static constexpr int ResultAbort = 3;

    // gridChanged runs after a change of grid has re-sized the model state (it resets the cross-section
    // window).
    explicit TfmParamMod(korvel::Model& model, std::function<void()> gridChanged = {},
                         QWidget* parent = nullptr);

    // Fills the dialog from the model parameters, shows it modally and applies the result; true when it
    // was closed with "Принять".
    bool EditModelParams();

    NumericEdit* CurrencyDt;
    QSpinBox* SpinEditL;
    QSpinBox* SpinEditM;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;

public slots:
    void RadioButton1Click();
    void RadioButton2Click();

protected:
    // The modal part; tests replace it.
    virtual int execDialog();

private:
    korvel::Model& m_model;
    std::function<void()> m_gridChanged;
};
