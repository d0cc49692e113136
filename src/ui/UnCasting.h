#pragma once

#include "model/Model.h"
#include "strand/Schedule.h"
#include "strand/Strand.h"

#include <QWidget>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

class QChart;
class QChartView;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTableWidget;
class QTimer;

// The casting dynamics window ("Динамика разливки"): the casting schedule as a table (time, speed and,
// where they differ from the case, the water flows), the whole strand computed under it in the background
// on every core, and its pictures: the strand along the machine at one moment (following the run while it
// goes, chosen with the time slider afterwards), the crater end, the pyrometers' readings (at the case's
// own distances or at those typed in) and the quality criteria against time, violations marked.
class TFormCasting : public QWidget {
    Q_OBJECT

public:
    explicit TFormCasting(QWidget* parent = nullptr);
    ~TFormCasting() override;

    // The case the strand runs with: casting data as accepted and the model parameters.
    using ModelSource = std::function<korvel::Model()>;
    void SetModelSource(ModelSource source) { m_modelSource = std::move(source); }
    // The limits the quality criteria are judged by; by default the built-in ones.
    using LimitsSource = std::function<korvel::QualityLimits()>;
    void SetLimitsSource(LimitsSource source) { m_limitsSource = std::move(source); }
    // How a message is shown; by default a warning box.
    using MessageHandler = std::function<void(const QString&)>;
    void SetMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }
    // Which file a schedule is opened from (save = false) or saved to; by default a file dialog. An empty
    // answer does nothing.
    using FileChooser = std::function<QString(bool save)>;
    void SetFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    void SetJobs(int jobs) { m_jobs = jobs; }

    // Puts a schedule into the table (an empty one gives the table of one point at the case's speed).
    void SetSchedule(const korvel::Schedule& s);
    // The schedule the table holds, read as it stands; `problem` says what is wrong (naming the line).
    korvel::Schedule ScheduleFromTable(QString& problem) const;
    // The distances in the pyrometers' field, read as it stands: empty for the case's own; `problem` says
    // what is wrong (naming the field). `length` is how far the strand is followed, m.
    std::vector<double> PyrometersFromField(double length, QString& problem) const;
    // The pyrometers the last run was made with, m.
    const std::vector<double>& RunPyrometers() const { return m_pyrometers; }
    // The last schedule the table held whole (what a case file saves).
    const korvel::Schedule& CurrentSchedule() const { return m_schedule; }

    bool Running() const { return m_thread.joinable(); }
    const std::vector<korvel::StrandMoment>& Moments() const { return m_moments; }
    int ShownMoment() const { return m_shown; }
    QChart* StrandChart() const;
    QChart* CraterChart() const;

    QTableWidget* TableSchedule = nullptr;
    QPushButton* ButtonAddRow = nullptr;
    QPushButton* ButtonRemoveRow = nullptr;
    QPushButton* ButtonOpenCsv = nullptr;
    QPushButton* ButtonSaveCsv = nullptr;
    QLineEdit* EditLaunch = nullptr;   // s
    QLineEdit* EditDuration = nullptr; // min
    // The pyrometers' distances from the meniscus, m, separated by ";" or spaces; empty or untouched: the
    // case's own (the mould exit, the ends of the spray sections, the straightening point).
    QLineEdit* EditPyrometers = nullptr;
    QPushButton* ButtonDefaultPyrometers = nullptr;
    QPushButton* ButtonStart = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QLabel* LabelStatus = nullptr;
    QSlider* SliderTime = nullptr;
    QLabel* LabelMoment = nullptr;
    QChartView* ViewStrand = nullptr;
    QChartView* ViewCrater = nullptr;
    QChartView* ViewPyrometers = nullptr;
    QChartView* ViewVerdict = nullptr;

public slots:
    void Start();
    void Cancel();
    bool OpenCsv();
    bool SaveCsv();
    void ShowMoment(int index);

signals:
    void Finished();
    // The table now holds another whole schedule.
    void ScheduleChanged();

private:
    void addMoment(korvel::StrandMoment&& m);
    void runEnded(korvel::StrandOutcome outcome);
    void tableEdited();
    void refreshCharts();
    void updateButtons();
    void showEvent(QShowEvent* event) override;
    // Puts the case's own pyrometers into the field: always (force) or while the field holds the ones put
    // there last (or nothing), so that it follows the case until the engineer types distances of his own.
    void fillDefaultPyrometers(bool force);
    void showMessage(const QString& text);
    void stopThread();

    ModelSource m_modelSource;
    LimitsSource m_limitsSource;
    MessageHandler m_messageHandler;
    FileChooser m_fileChooser;
    int m_jobs = 0;
    bool m_filling = false;

    korvel::Schedule m_schedule;
    korvel::Model m_base;
    korvel::StrandOptions m_options;
    std::vector<double> m_pyrometers;
    QString m_defaultPyrometersText; // what fillDefaultPyrometers put into the field last
    double m_straightening = 0;
    std::vector<korvel::StrandMoment> m_moments;
    int m_shown = -1;
    bool m_dirty = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    QTimer* m_refresh = nullptr;
};
