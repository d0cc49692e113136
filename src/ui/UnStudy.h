#pragma once

#include "cases/Case.h"
#include "study/Study.h"

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class QCheckBox;
class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

// The parameter study window ("Серия расчетов"): one or two inputs of the case on screen, each over a
// range (from, to, step) or a list of values; the runs go in the background on every core, and the
// rows come into a table and a chart of any key figure against the first input, one curve per value
// of the second. A row opens its case in the data window; the table is saved as CSV.
class TFormStudy : public QWidget {
    Q_OBJECT

public:
    explicit TFormStudy(QWidget* parent = nullptr);
    ~TFormStudy() override;

    // The case the next study starts from (the data window's values and the model parameters).
    using CaseSource = std::function<korvel::Case()>;
    void SetCaseSource(CaseSource source) { m_caseSource = std::move(source); }
    // Where the table is saved; by default a file dialog. An empty answer saves nothing.
    using FileChooser = std::function<QString()>;
    void SetFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    // How a message is shown; by default a warning box.
    using MessageHandler = std::function<void(const QString&)>;
    void SetMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }
    // Threads of a study; by default one per core.
    void SetJobs(int jobs) { m_jobs = jobs; }

    // The most runs a study of this window may have (a larger one belongs to the batch runner).
    static constexpr std::size_t kMaxWindowRuns = 10000;

    // One varied input, as the window's controls describe it.
    struct InputRow {
        QCheckBox* use = nullptr; // the second input only; the first is always used
        QComboBox* field = nullptr;
        QComboBox* mode = nullptr; // 0: from, to, step; 1: a list
        QLineEdit* from = nullptr;
        QLineEdit* to = nullptr;
        QLineEdit* step = nullptr;
        QLineEdit* list = nullptr;
        QWidget* rangeBox = nullptr;
    };
    InputRow Inputs[2];

    // The study the controls describe, with the base case from the source; empty message when it can
    // run, else why not.
    korvel::Study StudyFromControls(QString& problem) const;

    bool Running() const { return m_thread.joinable(); }
    // How far the study is, e.g. "готово 3 из 12 расчетов".
    QString ProgressText() const;
    const korvel::Study& CurrentStudy() const { return m_study; }
    const std::vector<korvel::StudyRow>& StudyRows() const { return m_rows; }
    bool Cancelled() const { return m_cancelled; }
    // The chart's curves: one per value of the second input.
    QChart* Chart() const;

    QLabel* LabelCount = nullptr;
    QPushButton* ButtonStart = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QProgressBar* Progress = nullptr;
    QLabel* LabelTimeLeft = nullptr;
    QTableWidget* Table = nullptr;
    QComboBox* FigureChooser = nullptr;
    QChartView* ChartView = nullptr;
    QPushButton* ButtonOpenCase = nullptr;
    QPushButton* ButtonSaveCsv = nullptr;

public slots:
    void Start();
    void Cancel();
    // Opens the case of the selected row.
    void OpenSelectedCase();
    // Saves the table as CSV; true when a file was written.
    bool SaveCsv();
    void UpdateCount();

signals:
    void OpenCase(const korvel::Case& c, int run);
    void Finished();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void buildInputRow(int k, class QGridLayout* grid, int line);
    void fieldChosen(int k);
    void addRow(const korvel::StudyRow& row, std::size_t done, std::size_t total);
    void studyEnded();
    void showProgress();
    void rebuildTable();
    void rebuildChart();
    void updateButtons();
    void showMessage(const QString& text);
    void stopThread();

    CaseSource m_caseSource;
    FileChooser m_fileChooser;
    MessageHandler m_messageHandler;
    int m_jobs = 0;
    QString m_lastFile;

    korvel::Study m_study;
    std::vector<korvel::StudyRow> m_rows;
    std::size_t m_total = 0;
    bool m_cancelled = false;
    std::unique_ptr<korvel::StudyRunner> m_runner;
    std::thread m_thread;
    QElapsedTimer m_clock;
    QTimer* m_chartTimer = nullptr;
    QTimer* m_progressTimer = nullptr;
    static constexpr int kProgressSteps = 1000;
};
