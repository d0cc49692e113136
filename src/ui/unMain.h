#pragma once

#include "PictureCaption.h"
#include "cases/RunArchive.h"
#include "model/Model.h"
#include "results/DerivedResults.h"
#include "results/KeyFigures.h"
#include "results/MachineProfile.h"
#include "results/QualityVerdict.h"
#include "results/ResultsExport.h"
#include "results/StepCheck.h"
#include "strand/Schedule.h"

#include <QDateTime>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMutex>
#include <QPointer>
#include <functional>
#include <vector>

class QAction;
class QMdiArea;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;
class TAboutBox;
class TCaseFiles;
class TFormCasting;
class TFormCompare;
class TFormGraphC;
class TFormGraphS;
class TFormIsxDan;
class TFormSolve;
class TElidedLabel;
class TFormResults;
class TFormTempTau;
class TFormProfile;
class TfmQuality;
class TSolveThread;
class TfmParamMod;
class TFormStudy;
class TFormConvergence;
namespace korvel {
struct Case;
}

// A child window's frame that is never destroyed: closing it minimises it.
class TKeptSubWindow : public QMdiSubWindow {
    Q_OBJECT

public:
    explicit TKeptSubWindow(QWidget* parent = nullptr) : QMdiSubWindow(parent) {}

protected:
    void closeEvent(QCloseEvent* e) override;
};

// The program's frame: the child windows, the actions with their menu and tool bar, and the run.
class TFormMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormMain(korvel::Model& model, QWidget* parent = nullptr);
    ~TFormMain() override;

    // How a message to the user is shown; by default a warning box. Tests replace it.
    using MessageHandler = std::function<void(const QString& text)>;
    void SetMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }
    QString LastMessage() const { return m_lastMessage; }
    // Where the results are saved; by default a folder dialog. An empty answer saves nothing.
    using FolderChooser = std::function<QString()>;
    void SetFolderChooser(FolderChooser chooser) { m_folderChooser = std::move(chooser); }
    // Where the report is written; by default a file dialog. An empty answer writes nothing.
    void SetReportPathChooser(FolderChooser chooser) { m_reportPathChooser = std::move(chooser); }
    // A yes/no question to the user (replacing files); by default a question box.
    using QuestionHandler = std::function<bool(const QString& text)>;
    void SetQuestionHandler(QuestionHandler handler) { m_questionHandler = std::move(handler); }

    // The results of the latest run that came to its end, kept until the next run starts or the grid
    // changes.
    bool HasResults() const { return m_hasResults; }
    bool ResultsCompleted() const { return m_resultsCompleted; }
    const korvel::DerivedResults& Results() const { return m_results; }
    const std::vector<korvel::ChartSample>& ResultsHistory() const { return m_history; }
    // The pictures saved beside the CSV files, in this order: cross-section, temperature chart,
    // sulphur, carbon.
    static QStringList ResultImageFiles();
    // The size of each of those pictures, in the same order.
    static QSize ResultPictureSize(int k);

    korvel::Model& Model() { return m_model; }

    // Case files: the "Файл" menu, the case's name in the title.
    TCaseFiles* CaseFiles = nullptr;
    // Opens a case file into the data window and the model parameters; a file that cannot be taken is
    // refused with a message and nothing changes. False when refused.
    bool OpenCaseFile(const QString& path);
    // Opens the case named on the program's command line (the first argument after the program's
    // name that is not an option), if any. False when one was named and refused.
    bool OpenCaseFromArguments(const QStringList& arguments);

    // The latest runs of the session, kept for "Сравнение расчетов".
    const korvel::RunArchive& Archive() const { return m_archive; }
    TFormCompare* FormCompare = nullptr;
    QAction* WindowCompare = nullptr;
    void WindowCompareExecute();
    // The casting data the data window writes and a run reads at every step, and their lock.
    korvel::CastingData& SharedCastingData() { return m_castingData; }
    QMutex& CastingDataGuard() { return m_dataGuard; }

    // The frame around one of the child windows.
    QMdiSubWindow* SubWindowOf(QWidget* child) const;
    QMdiArea* MdiArea() const { return m_mdiArea; }
    // Whether a worker is still alive (it may be ending after Stop).
    bool WorkerAlive() const;
    // Whether the actions are in the running state.
    bool RunActive() const { return m_runActive; }

    // Child windows, in the order of their creation.
    TFormGraphS* FormGraphS = nullptr;
    TFormGraphC* FormGraphC = nullptr;
    TFormTempTau* FormTempTau = nullptr;
    TFormSolve* FormSolve = nullptr;
    TFormIsxDan* FormIsxDan = nullptr;
    TAboutBox* AboutBox = nullptr;
    TfmParamMod* fmParamMod = nullptr;
    TFormResults* FormResults = nullptr;
    TFormProfile* FormProfile = nullptr; // the profile along the machine with the quality verdict
    TfmQuality* fmQuality = nullptr;
    // The parameter study window, created at its first use.
    TFormStudy* FormStudy = nullptr;
    // The casting dynamics window (the whole strand under a schedule), created at its first use.
    TFormCasting* FormCasting = nullptr;
    // The convergence check window, created at its first use.
    TFormConvergence* FormConvergence = nullptr;

    // The worker of the latest run.
    QPointer<TSolveThread> SolveThread;

    QAction* ActionsEnter = nullptr;
    QAction* ActionsSolve = nullptr;
    QAction* ActionsPause = nullptr;
    QAction* ActionsStop = nullptr;
    QAction* ActionsResults = nullptr;
    QAction* ActionsSaveResults = nullptr;
    QAction* ActionsReport = nullptr; // "Файл" -> "Отчет о расчете..."
    QAction* ActionsExit = nullptr;
    QAction* WindowCascade1 = nullptr;
    QAction* WindowTileHorizontal1 = nullptr;
    QAction* WindowMinimizeAll1 = nullptr;
    QAction* WindowClose1 = nullptr;
    QAction* HelpAbout = nullptr;
    QAction* WindowIsxDan = nullptr;
    QAction* WindowOpenAll = nullptr;
    QAction* WindowTemTau = nullptr;
    QAction* Window3DSGraph = nullptr;
    QAction* ServisParamMod = nullptr;
    QAction* Window3DGraph = nullptr;
    QAction* WindowProfile = nullptr;
    QAction* ServisQuality = nullptr;
    QAction* ServisStudy = nullptr;
    QAction* ServisCasting = nullptr;
    QAction* ServisConvergence = nullptr;
    QToolBar* ToolBar1 = nullptr;

    // The profile along the machine and the quality verdict of the latest run with results, and the
    // limits the verdict is judged by.
    const korvel::MachineProfile& ResultsProfile() const { return m_profile; }
    const std::vector<korvel::CriterionResult>& ResultsVerdict() const { return m_verdict; }
    korvel::QualityLimits& QualityLimits() { return m_qualityLimits; }
    // The files the saved results add for them: profile and verdict tables, the profile's picture.
    static QStringList ProfileResultFiles();

    // Status bar: the latest run's summary, the slice's distance from the meniscus, the shell at the
    // middles of the faces and the run's progress.
    TElidedLabel* LabelSummary = nullptr;
    QLabel* LabelDistance = nullptr;
    QLabel* LabelShell = nullptr;
    QProgressBar* ProgressRun = nullptr;

public slots:
    void ActionsEnterExecute();
    void ActionsSolveExecute();
    void ActionsPauseExecute();
    void ActionsStopExecute();
    void ActionsResultsExecute();
    void ActionsSaveResultsExecute();
    void ActionsReportExecute();
    void ActionsExitExecute();
    void HelpAboutExecute();
    void WindowIsxDanExecute();
    void WindowOpenAllExecute();
    void WindowTemTauExecute();
    void Window3DSGraphExecute();
    void Window3DGraphExecute();
    void ServisParamModExecute();
    void WindowProfileExecute();
    void ServisQualityExecute();
    // Shows the parameter study window.
    void ServisStudyExecute();
    // Shows the casting dynamics window.
    void ServisCastingExecute();
    // The casting schedule of the case on screen (saved in case files), and setting it from a case.
    const korvel::Schedule& CaseSchedule() const { return m_caseSchedule; }
    void SetCaseSchedule(const korvel::Schedule& s);
    // Shows the convergence check window.
    void ServisConvergenceExecute();
    // Puts a case into the data window and the model parameters (not while a run is going).
    bool OpenStudyCase(const korvel::Case& c, int run);
    // Puts model parameters into the model and the parameters dialog; a new grid re-sizes the state,
    // prepares the cross-section window and discards the results, as a new grid in the dialog does.
    void SetModelParams(const korvel::ModelParams& p);
    void SolveThreadTerminate();
    void PrepareSolveWindow();
    // Tiles the child windows horizontally: every window that is not minimised gets the full width of
    // the frame and an equal share of its height, one above the other in the order of creation; the
    // minimised ones keep a row along the bottom edge.
    void TileHorizontal();
    void CascadeWindows();
    void MinimizeAll();

signals:
    // After each display hand-over of a run.
    void HandedOver(bool start, double tau);
    // When the worker of the current run has ended.
    void RunEnded();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    friend class TCaseFiles;
    korvel::Schedule m_caseSchedule;
    void FormCreate();
    void createActions();
    void createMenus();
    void createToolBars();
    void createStatusBar();
    void createChildWindows();
    void updateActions();
    QMdiSubWindow* addChild(QWidget* w);
    void showMaximizedChild(QWidget* w);
    void showMessage(const QString& text);
    // Empty when a run can start with the data window's values and the model parameters, otherwise
    // the reason it cannot.
    QString checkRunInput() const;
    void syncCastingDataIfIdle();
    void onWorkerFinished(TSolveThread* worker);
    // Checks the step and grid of the run about to start; asks whether to run when they cannot resolve
    // the machine. False when the run must not start.
    bool confirmStepCheck();
    // The caption of an exported picture of the latest results.
    PictureCaption pictureCaption(const QString& title) const;
    QDateTime m_resultsTime;      // when the latest results were taken
    korvel::StepCheck m_runCheck; // of the latest run started
    QString m_runWarning;         // its message as the windows show it; empty when sound
    void showRunProgress(TSolveThread* worker, bool start, double tau);
    void takeResults(TSolveThread* worker);
    void discardResults();
    // Writes the CSV files and the pictures into dir; empty on success, else what went wrong.
    QString saveResults(const QString& dir);
    void shutdownRun();
    // The verdict's lines for the summary of the run, and the profile's files in dir.
    QStringList verdictLines() const;

    korvel::Model& m_model;
    korvel::CastingData m_castingData;
    QMutex m_dataGuard;
    QMdiArea* m_mdiArea = nullptr;
    bool m_runActive = false;
    bool m_closing = false;
    MessageHandler m_messageHandler;
    QString m_lastMessage;
    FolderChooser m_folderChooser;
    FolderChooser m_reportPathChooser;
    QuestionHandler m_questionHandler;
    QString m_lastFolder;
    double m_lastDistance = 0;

    bool m_hasResults = false;
    bool m_resultsCompleted = false;
    korvel::DerivedResults m_results;
    std::vector<korvel::ChartSample> m_history;
    korvel::RunArchive m_archive;

    korvel::QualityLimits m_qualityLimits;
    korvel::MachineProfile m_profile;
    korvel::KeyFigures m_key;
    std::vector<korvel::CriterionResult> m_verdict;
};
