#pragma once

#include "cases/Case.h"
#include "design/SprayDesign.h"

#include <QWidget>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

class QChart;
class QChartView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TFormProfile;

// "Подбор расходов воды": the targets (the quality criteria's limits and surface bands) and each
// section's flow range; the design goes in the background, showing the runs done and the best practice
// so far; the practice found comes as a table of targets and as its profile along the machine, and a
// table over casting speeds as rows and a chart of each section's flow against speed. "Применить"
// puts the selected row's flows (and speed) into the data window; "Отмена" stops and keeps the best so
// far.
class TFormSprayDesign : public QWidget {
    Q_OBJECT

public:
    explicit TFormSprayDesign(QWidget* parent = nullptr);
    ~TFormSprayDesign() override;

    using CaseSource = std::function<korvel::Case()>;
    void SetCaseSource(CaseSource source) { m_caseSource = std::move(source); }
    using MessageHandler = std::function<void(const QString&)>;
    void SetMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }
    // Puts a practice into the data window; empty when done, else why it was refused.
    using ApplyHandler = std::function<QString(double vlit, const std::array<double, 4>& flows)>;
    void SetApplyHandler(ApplyHandler handler) { m_apply = std::move(handler); }
    void SetJobs(int jobs) { m_jobs = jobs; }
    // Where the table is saved; by default a file dialog. An empty answer saves nothing.
    using FileChooser = std::function<QString()>;
    void SetFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }

    // The settings and speeds the controls describe; empty problem when they can be used.
    korvel::SprayDesignSettings SettingsFromControls(const korvel::Case& base, std::vector<double>& speeds,
                                                     QString& problem) const;

    bool Running() const { return m_thread.joinable(); }
    const std::vector<korvel::SprayTableRow>& Rows() const { return m_rows; }
    QChart* FlowChart() const;

    QLineEdit* EditLimit[7] = {}; // mouldExitShell, reheating, ductilityLow, ductilityHigh, straightening,
                                  // centreCarbon, centreSulphur (empty: the default / no limit)
    QCheckBox* CheckSectionEnds = nullptr;
    QLineEdit* EditBandLow = nullptr;
    QLineEdit* EditBandHigh = nullptr;
    QLineEdit* EditBands = nullptr; // more bands: "Z:LOW:HIGH; ..."
    QLineEdit* EditFlowLow[4] = {};
    QLineEdit* EditFlowHigh[4] = {};
    QCheckBox* CheckSpeeds = nullptr;
    QLineEdit* EditSpeedFrom = nullptr;
    QLineEdit* EditSpeedTo = nullptr;
    QLineEdit* EditSpeedStep = nullptr;
    QPushButton* ButtonStart = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonApply = nullptr;
    QPushButton* ButtonSaveCsv = nullptr;
    QLabel* LabelProgress = nullptr;
    QTableWidget* Table = nullptr;        // one row per speed
    QTableWidget* TableTargets = nullptr; // the targets of the selected row
    QChartView* ChartView = nullptr;
    TFormProfile* Profile = nullptr;

public slots:
    void Start();
    void Cancel();
    // Puts the selected row's practice into the data window.
    void Apply();
    // Saves the rows as CSV; true when written.
    bool SaveCsv();

signals:
    void Finished();

private:
    void addRow(const korvel::SprayTableRow& row);
    void showBest(int runs, const korvel::PracticeRun& best);
    void showRow(int line);
    void designEnded();
    void rebuildChart();
    void updateButtons();
    void showMessage(const QString& text);

    CaseSource m_caseSource;
    MessageHandler m_messageHandler;
    ApplyHandler m_apply;
    FileChooser m_fileChooser;
    int m_jobs = 0;
    korvel::SprayDesignSettings m_settings;
    std::vector<korvel::SprayTableRow> m_rows;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};
