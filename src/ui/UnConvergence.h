#pragma once

#include "cases/Case.h"
#include "study/ConvergenceCheck.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <thread>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

// The convergence check window ("Проверка сходимости"): the case in the data window runs on its grid
// and step, on a coarser and a finer grid and at half the step, in the background on every core; a
// table gives each key figure per run with the estimated error of the case's own run, a second one the
// quality criteria, a criterion judged differently by the runs shown as depending on the grid or step.
class TFormConvergence : public QWidget {
    Q_OBJECT

public:
    explicit TFormConvergence(QWidget* parent = nullptr);
    ~TFormConvergence() override;

    // The case to check (the data window's values and the model parameters) and the verdict's limits.
    using CaseSource = std::function<korvel::Case()>;
    void SetCaseSource(CaseSource source) { m_caseSource = std::move(source); }
    using LimitsSource = std::function<korvel::QualityLimits()>;
    void SetLimitsSource(LimitsSource source) { m_limitsSource = std::move(source); }
    // Where the CSV is saved; by default a file dialog. An empty answer saves nothing.
    using FileChooser = std::function<QString()>;
    void SetFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    // How a message is shown; by default a warning box.
    using MessageHandler = std::function<void(const QString&)>;
    void SetMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }
    void SetJobs(int jobs) { m_jobs = jobs; }

    bool Running() const { return m_thread.joinable(); }
    // The report of the latest check (empty rows before the first one ends).
    const korvel::ConvergenceReport& Report() const { return m_report; }
    const korvel::Case& CheckedCase() const { return m_case; }

    QLabel* LabelRuns = nullptr;
    QPushButton* ButtonStart = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QProgressBar* Progress = nullptr;
    QLabel* LabelState = nullptr;
    QTableWidget* TableFigures = nullptr;
    QTableWidget* TableCriteria = nullptr;
    QPushButton* ButtonSaveCsv = nullptr;

public slots:
    void Start();
    void Cancel();
    bool SaveCsv();

signals:
    void Finished();

private:
    void checkEnded(const korvel::ConvergenceReport& report);
    void showReport();
    void updateButtons();
    void showMessage(const QString& text);

    CaseSource m_caseSource;
    LimitsSource m_limitsSource;
    FileChooser m_fileChooser;
    MessageHandler m_messageHandler;
    int m_jobs = 0;
    QString m_lastFile;

    korvel::Case m_case;
    korvel::ConvergenceReport m_report;
    bool m_haveReport = false;
    bool m_cancelled = false;
    std::unique_ptr<korvel::ConvergenceCheck> m_check;
    std::thread m_thread;
    QTimer* m_progressTimer = nullptr;
    static constexpr int kProgressSteps = 1000;
};
