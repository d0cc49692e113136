#pragma once

#include "cases/Case.h"
#include "design/Calibration.h"

#include <QWidget>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// "Калибровка по измерениям": a file of measured surface temperatures and the case on screen; the fit
// of one multiplier per spray section (and, with the physical boundary model, the mould law's A) goes in
// the background; the readings' residuals before and after, the multipliers and their effect on each
// section's heat transfer, A before and after and its effect on the mould's heat. "Применить" puts the
// fitted values into the model parameters; "Сохранить вариант..." writes the calibrated case.
class TFormCalibration : public QWidget {
    Q_OBJECT

public:
    explicit TFormCalibration(QWidget* parent = nullptr);
    ~TFormCalibration() override;

    using CaseSource = std::function<korvel::Case()>;
    void SetCaseSource(CaseSource source) { m_caseSource = std::move(source); }
    using MessageHandler = std::function<void(const QString&)>;
    void SetMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }
    // A file to read or write; by default a file dialog. An empty answer does nothing.
    using FileChooser = std::function<QString(bool save)>;
    void SetFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    // Puts the fitted multipliers (and A where it was fitted) into the model parameters; empty when
    // done, else why it was refused.
    using ApplyHandler = std::function<QString(const korvel::CalibrationResult& fit)>;
    void SetApplyHandler(ApplyHandler handler) { m_apply = std::move(handler); }

    bool Running() const { return m_thread.joinable(); }
    bool HasResult() const { return m_result.ok; }
    const korvel::CalibrationResult& Result() const { return m_result; }

    QLineEdit* EditFile = nullptr;
    QPushButton* ButtonBrowse = nullptr;
    QPushButton* ButtonStart = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonApply = nullptr;
    QPushButton* ButtonSave = nullptr;
    QLabel* LabelProgress = nullptr;
    QTableWidget* TableFactors = nullptr;
    QLabel* LabelMouldA = nullptr; // the mould law's A before and after; shown only where it was fitted
    QTableWidget* TableReadings = nullptr;

public slots:
    void Start();
    void Cancel();
    void Apply();
    // Writes the calibrated case; true when written.
    bool SaveCase();

signals:
    void Finished();

private:
    void ended(const korvel::CalibrationResult& r);
    void updateButtons();
    void showMessage(const QString& text);

    CaseSource m_caseSource;
    MessageHandler m_messageHandler;
    FileChooser m_fileChooser;
    ApplyHandler m_apply;
    std::vector<korvel::Measurement> m_readings;
    korvel::CalibrationResult m_result;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};
