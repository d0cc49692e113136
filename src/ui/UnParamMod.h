#pragma once

#include "NumericEdit.h"
#include "model/Model.h"

#include <QDialog>
#include <QSpinBox>
#include <functional>

class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

// A spin field of whole numbers that lets a value outside its range be typed and brings it into the
// range when the value is taken (focus leaves the field, or Enter): 150 becomes the maximum, 3 the
// minimum. Text that is not a whole number counts as the minimum.
class TNodeSpinBox : public QSpinBox {
    Q_OBJECT

public:
    explicit TNodeSpinBox(QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
};

// The model parameters dialog: time step, grid, the side of the section and the boundary model with
// the physical model's inputs.
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

    // How a refused "Принять" is told to the user (the time step's text is not a number); by default a
    // warning box. Tests replace it.
    using MessageHandler = std::function<void(const QString& text)>;
    void SetMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }

    NumericEdit* CurrencyDt;
    QSpinBox* SpinEditL;
    QSpinBox* SpinEditM;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    // "Граничные условия": the original method or the physical model, and its inputs.
    QGroupBox* GroupBoundary;
    QRadioButton* RadioBoundaryText;
    QRadioButton* RadioBoundaryPhysical;
    NumericEdit* CurrencyMouldA;
    NumericEdit* CurrencyMouldB;
    NumericEdit* CurrencyMouldWater;
    NumericEdit* CurrencySprayWaterT;
    QComboBox* ComboSprayLaw;

public slots:
    void RadioButton1Click();
    void RadioButton2Click();
    // "Принять": closes the dialog with result OK, unless the time step's text is not a number; then it
    // says so, and the dialog stays open with the text as typed.
    void BitBtn2Click();

protected:
    // The modal part; tests replace it.
    virtual int execDialog();

private:
    // Enables the physical model's inputs while it is chosen.
    void UpdateBoundaryInputs();
    korvel::Model& m_model;
    std::function<void()> m_gridChanged;
    MessageHandler m_messageHandler;
};
