#include "unMain.h"
#include "ReportWriter.h"
#include "WindowArrangement.h"

#include "KorvelIcons.h"
#include "PictureCaption.h"
#include "UiFormat.h"
#include "Un3DGraphC.h"
#include "Un3DGraphS.h"
#include "UnAbout.h"
#include "UnCaseFile.h"
#include "UnCasting.h"
#include "UnCompare.h"
#include "UnConvergence.h"
#include "UnDesignMenu.h"
#include "UnIsxDan.h"
#include "UnParamMod.h"
#include "UnProfile.h"
#include "UnQuality.h"
#include "UnResults.h"
#include "UnSolve.h"
#include "UnStudy.h"
#include "UnTemTau.h"
#include "Version.h"
#include "cases/CaseReport.h"
#include "results/FileWrite.h"
#include "results/ProfileExport.h"
#include "results/StepCheck.h"
#include "run/UnSolveThread.h"

#include <QAction>
#include <QBuffer>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMutexLocker>
#include <QProgressBar>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

void TKeptSubWindow::closeEvent(QCloseEvent* e) {
    e->ignore();
    showMinimized();
}

TFormMain::TFormMain(korvel::Model& model, QWidget* parent)
    : QMainWindow(parent), m_model(model), m_castingData(model.data) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Korvel"));
    FormCreate();

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("MdiArea"));
    // Showing one window in its normal state must not maximise it because another one is maximised.
    m_mdiArea->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);

    createActions();
    createMenus();
    createToolBars();
    createStatusBar();
    createChildWindows();
    CaseFiles = new TCaseFiles(this);
    QMenu* fileMenu = CaseFiles->CreateMenu(menuBar(), ActionsSaveResults);
    ActionsReport = new QAction(QStringLiteral("Отчет о расчете..."), this);
    ActionsReport->setObjectName(QStringLiteral("ActionsReport"));
    ActionsReport->setProperty("category", QStringLiteral("Actions"));
    ActionsReport->setStatusTip(QStringLiteral(
        "Записать отчет о последнем расчете в файл PDF: исходные данные, показатели, оценка и рисунки"));
    ActionsReport->setToolTip(ActionsReport->statusTip());
    connect(ActionsReport, &QAction::triggered, this, &TFormMain::ActionsReportExecute);
    fileMenu->addAction(ActionsReport);
    // The comparison of the session's runs, at the end of the window menu.
    FormCompare = new TFormCompare(m_archive, this);
    FormCompare->hide();
    WindowCompare = new QAction(QStringLiteral("Сравнение р&асчетов"), this);
    WindowCompare->setObjectName(QStringLiteral("WindowCompare"));
    WindowCompare->setProperty("category", QStringLiteral("Window"));
    WindowCompare->setStatusTip(
        QStringLiteral("Температура по длине машины и основные результаты последних расчетов"));
    WindowCompare->setToolTip(WindowCompare->statusTip());
    connect(WindowCompare, &QAction::triggered, this, &TFormMain::WindowCompareExecute);
    if (auto* windowMenu = menuBar()->findChild<QMenu*>(QStringLiteral("MenuWindow"))) {
        windowMenu->addSeparator();
        windowMenu->addAction(WindowCompare);
    }
    updateActions();
    setWindowState(windowState() | Qt::WindowMaximized);
}

TFormMain::~TFormMain() {
    shutdownRun();
}

void TFormMain::FormCreate() {
    korvel::SizeState(m_model);
}

// ---------------------------------------------------------------------------------------------------------
// Actions, menus, tool bar

void TFormMain::createActions() {
    struct Def {
        QAction** action;
        const char* name;
        const char* category;
        const char* caption;
        const char* hint;
        int image;
        void (TFormMain::*slot)();
    };
    const Def defs[] = {
        {&ActionsEnter, "ActionsEnter", "Actions", "&Ввод данных", "Ввод и корректировка данных для расчета",
         0, &TFormMain::ActionsEnterExecute},
        {&ActionsSolve, "ActionsSolve", "Actions", "&Расчет", "Запуск варианта на расчет ", 1,
         &TFormMain::ActionsSolveExecute},
        {&ActionsPause, "ActionsPause", "Actions", "&Пауза", "Приостановить расчет для анализа", 2,
         &TFormMain::ActionsPauseExecute},
        {&ActionsStop, "ActionsStop", "Actions", "&Завершить расчет",
         "Завершить расчет, возможность редактировать исходные данные", 3, &TFormMain::ActionsStopExecute},
        {&ActionsResults, "ActionsResults", "Actions", "Результаты расчета",
         "Металлургическая длина, толщина корочки и разогрев поверхности по последнему расчету", -1,
         &TFormMain::ActionsResultsExecute},
        {&ActionsSaveResults, "ActionsSaveResults", "Actions", "Сохранить результаты...",
         "Сохранить результаты последнего расчета в папку: таблицы CSV и рисунки окон", -1,
         &TFormMain::ActionsSaveResultsExecute},
        {&ActionsExit, "ActionsExit", "Actions", "В&ыход", "Выход из программы", 4,
         &TFormMain::ActionsExitExecute},
        {&WindowCascade1, "WindowCascade1", "Window", "&Каскад", "Каскадное расположение окон", 14,
         &TFormMain::CascadeWindows},
        {&WindowTileHorizontal1, "WindowTileHorizontal1", "Window", "Мозаика ", "Мозаика", 13,
         &TFormMain::TileHorizontal},
        {&WindowMinimizeAll1, "WindowMinimizeAll1", "Window", "&Минимизировать все", "Свернуть все окна", -1,
         &TFormMain::MinimizeAll},
        {&WindowClose1, "WindowClose1", "Window", "З&акрыть", "Закрыть текущее окно", -1, nullptr},
        {&HelpAbout, "HelpAbout", "Help", "&О программе", "О нашей программе", 5,
         &TFormMain::HelpAboutExecute},
        {&WindowIsxDan, "WindowIsxDan", "Window", "Исходные данные для расчета", nullptr, 0,
         &TFormMain::WindowIsxDanExecute},
        {&WindowOpenAll, "WindowOpenAll", "Window", "О&ткрыть все окна", nullptr, -1,
         &TFormMain::WindowOpenAllExecute},
        {&WindowTemTau, "WindowTemTau", "Window", "&Изменение температуры слитка",
         "График изменения температуры в слитке", 6, &TFormMain::WindowTemTauExecute},
        {&Window3DSGraph, "Window3DSGraph", "Window", "&Содержание серы",
         "График трехмерный распределения содержания серы", 12, &TFormMain::Window3DSGraphExecute},
        {&ServisParamMod, "ServisParamMod", "Servis", "&Расчетные параметры модели",
         "Параметры дискретизации математической модели", 8, &TFormMain::ServisParamModExecute},
        {&Window3DGraph, "Window3DGraph", "Window", "Содержание углерода",
         "График трехмерный распределения содержания углерода", 9, &TFormMain::Window3DGraphExecute},
    };
    for (const Def& d : defs) {
        auto* a = new QAction(QString::fromUtf8(d.caption), this);
        a->setObjectName(QLatin1String(d.name));
        a->setProperty("category", QLatin1String(d.category));
        a->setProperty("imageIndex", d.image);
        if (d.hint) {
            a->setToolTip(QString::fromUtf8(d.hint));
            a->setStatusTip(QString::fromUtf8(d.hint));
        }
        if (d.image >= 0) a->setIcon(KorvelIcon(d.image));
        if (d.slot) connect(a, &QAction::triggered, this, d.slot);
        *d.action = a;
    }
    connect(WindowClose1, &QAction::triggered, m_mdiArea, &QMdiArea::closeActiveSubWindow);
    // Parameter study.
    ServisStudy = new QAction(QStringLiteral("Серия расчетов"), this);
    ServisStudy->setObjectName(QStringLiteral("ServisStudy"));
    ServisStudy->setProperty("category", QLatin1String("Servis"));
    ServisStudy->setToolTip(QStringLiteral("Серия расчетов с изменением одного или двух параметров"));
    ServisStudy->setStatusTip(ServisStudy->toolTip());
    connect(ServisStudy, &QAction::triggered, this, &TFormMain::ServisStudyExecute);
    ServisCasting = new QAction(QStringLiteral("Динамика разливки"), this);
    ServisCasting->setObjectName(QStringLiteral("ServisCasting"));
    ServisCasting->setProperty("category", QLatin1String("Servis"));
    ServisCasting->setToolTip(
        QStringLiteral("Весь ручей при скорости и расходах воды, меняющихся по расписанию"));
    ServisCasting->setStatusTip(ServisCasting->toolTip());
    connect(ServisCasting, &QAction::triggered, this, &TFormMain::ServisCastingExecute);
    ServisConvergence = new QAction(QStringLiteral("Проверка сходимости"), this);
    ServisConvergence->setObjectName(QStringLiteral("ServisConvergence"));
    ServisConvergence->setProperty("category", QLatin1String("Servis"));
    ServisConvergence->setToolTip(
        QStringLiteral("Расчет варианта на грубой и мелкой сетке и с половинным шагом: насколько итоги и "
                       "критерии качества зависят от сетки и шага"));
    ServisConvergence->setStatusTip(ServisConvergence->toolTip());
    connect(ServisConvergence, &QAction::triggered, this, &TFormMain::ServisConvergenceExecute);
    // The pause button stays down while pressed; menu entry and button share that state.
    ActionsPause->setCheckable(true);

    // The profile along the machine and the limits of its quality verdict.
    WindowProfile = new QAction(QStringLiteral("Параметры по длине машины"), this);
    WindowProfile->setObjectName(QStringLiteral("WindowProfile"));
    WindowProfile->setProperty("category", QStringLiteral("Window"));
    WindowProfile->setStatusTip(
        QStringLiteral("Температуры поверхности и центра, корочка по длине машины и критерии качества"));
    connect(WindowProfile, &QAction::triggered, this, &TFormMain::WindowProfileExecute);
    ServisQuality = new QAction(QStringLiteral("Критерии качества"), this);
    ServisQuality->setObjectName(QStringLiteral("ServisQuality"));
    ServisQuality->setProperty("category", QStringLiteral("Servis"));
    ServisQuality->setStatusTip(QStringLiteral("Пределы критериев, по которым оценивается режим охлаждения"));
    connect(ServisQuality, &QAction::triggered, this, &TFormMain::ServisQualityExecute);
}

void TFormMain::createMenus() {
    QMenu* actions = menuBar()->addMenu(QStringLiteral("&Действия"));
    actions->setObjectName(QStringLiteral("MenuActions"));
    actions->addAction(ActionsEnter);
    actions->addAction(ActionsSolve);
    actions->addAction(ActionsPause);
    actions->addAction(ActionsStop);
    actions->addAction(ActionsResults);
    actions->addSeparator();
    actions->addAction(ActionsExit);

    QMenu* servis = menuBar()->addMenu(QStringLiteral("Сервис"));
    servis->setObjectName(QStringLiteral("MenuServis"));
    servis->addAction(ServisParamMod);
    servis->addAction(ServisQuality);
    servis->addAction(ServisStudy);
    servis->addAction(ServisCasting);
    servis->addAction(ServisConvergence);
    InstallDesignWindows(this, servis);

    QMenu* window = menuBar()->addMenu(QStringLiteral("&Окно"));
    window->setObjectName(QStringLiteral("MenuWindow"));
    window->addAction(WindowTileHorizontal1);
    window->addAction(WindowCascade1);
    window->addAction(WindowMinimizeAll1);
    // The menu entry of "close" has a caption of its own; it runs the same action.
    QAction* closeEntry = window->addAction(QStringLiteral("З&акрыть окно"));
    closeEntry->setObjectName(QStringLiteral("WindowClose1MenuItem"));
    closeEntry->setStatusTip(WindowClose1->statusTip());
    connect(closeEntry, &QAction::triggered, WindowClose1, &QAction::trigger);
    connect(WindowClose1, &QAction::changed, closeEntry,
            [this, closeEntry] { closeEntry->setEnabled(WindowClose1->isEnabled()); });
    window->addAction(WindowOpenAll);
    window->addSeparator();
    window->addAction(WindowIsxDan);
    window->addAction(WindowTemTau);
    window->addAction(Window3DSGraph);
    window->addAction(Window3DGraph);
    window->addAction(WindowProfile);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&?"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    help->addAction(HelpAbout);
}

void TFormMain::createToolBars() {
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setMovable(false);
    ToolBar1->addAction(ActionsEnter);
    ToolBar1->addAction(ActionsSolve);
    ToolBar1->addAction(ActionsPause);
    ToolBar1->addAction(ActionsStop);
    ToolBar1->addSeparator();
    ToolBar1->addAction(WindowTemTau);
    ToolBar1->addAction(Window3DSGraph);
    ToolBar1->addAction(Window3DGraph);
    ToolBar1->addSeparator();
    ToolBar1->addAction(WindowCascade1);
    ToolBar1->addAction(WindowTileHorizontal1);
    ToolBar1->addSeparator();
    ToolBar1->addAction(ActionsExit);
    ToolBar1->addAction(HelpAbout);

    // Two buttons carry tool tips of their own; a tool button takes its action's tool tip again whenever
    // the action changes, so set them back afterwards.
    auto ownTip = [this](QAction* a, const QString& tip) {
        QWidget* button = ToolBar1->widgetForAction(a);
        if (!button) return;
        button->setToolTip(tip);
        connect(a, &QAction::changed, button, [button, tip] { button->setToolTip(tip); });
    };
    ownTip(WindowTemTau, QStringLiteral("График изменения температуры поверхности слитка"));
    ownTip(Window3DSGraph, QStringLiteral("График трехмерный распределения серы"));
}

void TFormMain::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    LabelSummary = new TElidedLabel(bar);
    LabelSummary->setObjectName(QStringLiteral("LabelSummary"));
    bar->addWidget(LabelSummary, 1);
    LabelDistance = new QLabel(bar);
    LabelDistance->setObjectName(QStringLiteral("LabelDistance"));
    bar->addPermanentWidget(LabelDistance);
    LabelShell = new QLabel(bar);
    LabelShell->setObjectName(QStringLiteral("LabelShell"));
    bar->addPermanentWidget(LabelShell);
    ProgressRun = new QProgressBar(bar);
    ProgressRun->setObjectName(QStringLiteral("ProgressRun"));
    ProgressRun->setRange(0, 100);
    ProgressRun->setValue(0);
    ProgressRun->setFormat(QStringLiteral("%p %"));
    ProgressRun->setMaximumWidth(160);
    ProgressRun->setToolTip(QStringLiteral("Ход расчета: доля заданного времени процесса"));
    bar->addPermanentWidget(ProgressRun);
    bar->showMessage(QString());
}

void TFormMain::updateActions() {
    ActionsSolve->setEnabled(!m_runActive);
    ServisParamMod->setEnabled(!m_runActive);
    ActionsPause->setEnabled(m_runActive);
    ActionsStop->setEnabled(m_runActive);
    const bool results = m_hasResults && !m_runActive;
    ActionsResults->setEnabled(results);
    ActionsSaveResults->setEnabled(results);
    if (ActionsReport) ActionsReport->setEnabled(results);
    if (CaseFiles) CaseFiles->SetRunActive(m_runActive);
}

// ---------------------------------------------------------------------------------------------------------
// Child windows

QMdiSubWindow* TFormMain::addChild(QWidget* w) {
    auto* sub = new TKeptSubWindow;
    sub->setWidget(w);
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    sub->setWindowTitle(w->windowTitle());
    sub->setWindowIcon(w->windowIcon());
    m_mdiArea->addSubWindow(sub);
    sub->show();
    return sub;
}

void TFormMain::createChildWindows() {
    FormGraphS = new TFormGraphS;
    addChild(FormGraphS);
    FormGraphC = new TFormGraphC;
    addChild(FormGraphC);
    FormTempTau = new TFormTempTau;
    addChild(FormTempTau);
    FormSolve = new TFormSolve;
    addChild(FormSolve);
    FormProfile = new TFormProfile;
    addChild(FormProfile);
    FormIsxDan = new TFormIsxDan(m_castingData);
    FormIsxDan->SetDataGuard(&m_dataGuard);
    FormIsxDan->BindSolveAction(ActionsSolve);
    FormIsxDan->SetMessageHandler([this](const QString& text) { showMessage(text); });
    connect(FormIsxDan, &TFormIsxDan::Accepted, this, &TFormMain::syncCastingDataIfIdle);
    QMdiSubWindow* data = addChild(FormIsxDan);
    data->showMaximized();
    m_mdiArea->setActiveSubWindow(data);

    AboutBox = new TAboutBox(this);
    AboutBox->hide();
    // A new grid re-sizes the state the results were read from.
    fmParamMod = new TfmParamMod(
        m_model,
        [this] {
            PrepareSolveWindow();
            discardResults();
        },
        this);
    fmParamMod->hide();
    FormResults = new TFormResults(this);
    FormResults->hide();
    fmQuality = new TfmQuality(this);
    fmQuality->hide();
}

QMdiSubWindow* TFormMain::SubWindowOf(QWidget* child) const {
    for (QMdiSubWindow* sub : m_mdiArea->subWindowList())
        if (sub->widget() == child) return sub;
    return nullptr;
}

void TFormMain::showMaximizedChild(QWidget* w) {
    QMdiSubWindow* sub = SubWindowOf(w);
    if (!sub) return;
    sub->showMaximized();
    sub->raise();
    m_mdiArea->setActiveSubWindow(sub);
}

void TFormMain::ActionsEnterExecute() {
    showMaximizedChild(FormIsxDan);
}
void TFormMain::WindowIsxDanExecute() {
    showMaximizedChild(FormIsxDan);
}
void TFormMain::WindowTemTauExecute() {
    showMaximizedChild(FormTempTau);
}
void TFormMain::Window3DSGraphExecute() {
    showMaximizedChild(FormGraphS);
}

void TFormMain::Window3DGraphExecute() {
    QMdiSubWindow* sub = SubWindowOf(FormGraphC);
    if (!sub) return;
    sub->showNormal();
    sub->raise();
    m_mdiArea->setActiveSubWindow(sub);
}

void TFormMain::WindowOpenAllExecute() {
    const QList<QMdiSubWindow*> subs = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    for (auto it = subs.crbegin(); it != subs.crend(); ++it)
        (*it)->showMaximized();
}

void TFormMain::TileHorizontal() {
    const QList<QMdiSubWindow*> subs = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    QList<QMdiSubWindow*> tiled;
    QList<QMdiSubWindow*> minimised;
    for (QMdiSubWindow* sub : subs) {
        if (sub->isHidden()) continue;
        (sub->isMinimized() ? minimised : tiled).append(sub);
    }
    for (QMdiSubWindow* sub : tiled)
        if (sub->isMaximized()) sub->showNormal();

    const QRect area = m_mdiArea->viewport()->rect();
    // The minimised windows in a row along the bottom edge.
    int iconHeight = 0;
    int x = 0;
    for (QMdiSubWindow* sub : minimised) {
        const QSize s = sub->size();
        iconHeight = std::max(iconHeight, s.height());
        sub->move(x, area.bottom() + 1 - s.height());
        x += s.width();
    }
    if (tiled.isEmpty()) return;
    const int height = std::max(0, area.height() - iconHeight);
    const int n = int(tiled.size());
    int y = 0;
    for (int k = 0; k < n; ++k) {
        const int h = height / n + (k < height % n ? 1 : 0);
        tiled[k]->setGeometry(0, y, area.width(), h);
        y += h;
    }
}

void TFormMain::CascadeWindows() {
    // Every window that is not minimised, each offset by a title bar from the one before and all as large
    // as the frame allows, the last created on top; the minimised ones keep their row along the bottom.
    const QList<QMdiSubWindow*> subs = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    QList<QMdiSubWindow*> cascaded;
    int iconHeight = 0;
    for (QMdiSubWindow* sub : subs) {
        if (sub->isHidden()) continue;
        if (sub->isMinimized())
            iconHeight = std::max(iconHeight, sub->height());
        else
            cascaded.append(sub);
    }
    for (QMdiSubWindow* sub : cascaded)
        if (sub->isMaximized()) sub->showNormal();
    if (cascaded.isEmpty()) return;
    const QRect area = m_mdiArea->viewport()->rect();
    const int n = int(cascaded.size());
    const int step = std::max(
        18, cascaded.first()->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, cascaded.first()) + 4);
    const int w = std::max(area.width() - (n - 1) * step, area.width() * 2 / 3);
    const int h = std::max(area.height() - iconHeight - (n - 1) * step, (area.height() - iconHeight) / 2);
    for (int k = 0; k < n; ++k) {
        cascaded[k]->setGeometry(k * step, k * step, w, h);
        cascaded[k]->raise();
    }
    m_mdiArea->setActiveSubWindow(cascaded.last());
}

void TFormMain::MinimizeAll() {
    for (QMdiSubWindow* sub : m_mdiArea->subWindowList())
        sub->showMinimized();
}

void TFormMain::HelpAboutExecute() {
    AboutBox->exec();
}

void TFormMain::ActionsExitExecute() {
    close();
}

void TFormMain::ServisParamModExecute() {
    if (!m_runActive) fmParamMod->EditModelParams();
    if (CaseFiles) CaseFiles->Update();
}

void TFormMain::ServisStudyExecute() {
    if (!FormStudy) {
        FormStudy = new TFormStudy;
        FormStudy->SetCaseSource([this] {
            korvel::Case c;
            c.window = FormIsxDan->Values();
            c.params = m_model.params;
            return c;
        });
        FormStudy->SetMessageHandler([this](const QString& text) { showMessage(text); });
        connect(FormStudy, &TFormStudy::OpenCase, this, &TFormMain::OpenStudyCase);
        addChild(FormStudy);
    }
    showMaximizedChild(FormStudy);
}

void TFormMain::ServisCastingExecute() {
    if (!FormCasting) {
        FormCasting = new TFormCasting;
        FormCasting->SetModelSource([this] {
            korvel::Case c;
            c.window = FormIsxDan->Values();
            c.params = m_model.params;
            korvel::Model m;
            korvel::ApplyCase(c, m);
            return m;
        });
        FormCasting->SetLimitsSource([this] { return m_qualityLimits; });
        FormCasting->SetMessageHandler([this](const QString& text) { showMessage(text); });
        FormCasting->SetSchedule(m_caseSchedule);
        connect(FormCasting, &TFormCasting::ScheduleChanged, this, [this] {
            m_caseSchedule = FormCasting->CurrentSchedule();
            if (CaseFiles) CaseFiles->Update();
        });
        addChild(FormCasting);
    }
    showMaximizedChild(FormCasting);
}

void TFormMain::SetCaseSchedule(const korvel::Schedule& s) {
    m_caseSchedule = s;
    if (FormCasting) FormCasting->SetSchedule(s);
}

void TFormMain::ServisConvergenceExecute() {
    if (!FormConvergence) {
        FormConvergence = new TFormConvergence;
        FormConvergence->SetCaseSource([this] {
            korvel::Case c;
            c.window = FormIsxDan->Values();
            c.params = m_model.params;
            return c;
        });
        FormConvergence->SetLimitsSource([this] { return m_qualityLimits; });
        FormConvergence->SetMessageHandler([this](const QString& text) { showMessage(text); });
        addChild(FormConvergence);
    }
    showMaximizedChild(FormConvergence);
}

bool TFormMain::OpenStudyCase(const korvel::Case& c, int run) {
    if (m_runActive || WorkerAlive()) {
        showMessage(QStringLiteral("Вариант %1 серии не открыт: во время расчета исходные данные и параметры "
                                   "модели не меняются. Откройте его после окончания расчета.")
                        .arg(run));
        return false;
    }
    if (c.params.L < korvel::kMinNodes || c.params.L > korvel::kMaxNodes || c.params.M < korvel::kMinNodes ||
        c.params.M > korvel::kMaxNodes) {
        showMessage(
            QStringLiteral("Вариант %1 серии не открыт: количество узлов сетки должно быть от 4 до 100.")
                .arg(run));
        return false;
    }
    FormIsxDan->SetValues(c.window);
    SetModelParams(c.params);
    showMaximizedChild(FormIsxDan);
    statusBar()->showMessage(
        QStringLiteral("В окне исходных данных — вариант %1 серии расчетов (еще не принят).").arg(run),
        10000);
    return true;
}

void TFormMain::SetModelParams(const korvel::ModelParams& p) {
    const bool newGrid = p.L != m_model.params.L || p.M != m_model.params.M;
    m_model.params = p;
    // The parameters dialog shows the side it holds.
    fmParamMod->RadioButton1->setChecked(p.SideFlag >= 0);
    fmParamMod->RadioButton2->setChecked(p.SideFlag < 0);
    if (newGrid) {
        korvel::SizeState(m_model);
        PrepareSolveWindow();
        discardResults();
    }
    if (CaseFiles) CaseFiles->Update();
}

void TFormMain::PrepareSolveWindow() {
    FormSolve->Prepare(m_model);
}

// ---------------------------------------------------------------------------------------------------------
// The run

bool TFormMain::WorkerAlive() const {
    return SolveThread && SolveThread->isRunning();
}

void TFormMain::showMessage(const QString& text) {
    m_lastMessage = text;
    if (m_closing) return;
    if (m_messageHandler)
        m_messageHandler(text);
    else
        QMessageBox::warning(this, QStringLiteral("Korvel"), text);
}

QString TFormMain::checkRunInput() const {
    const korvel::DataWindowValues w = FormIsxDan->Values();
    const QString notRun = QStringLiteral(" Расчет не запущен.");
    // Text that is not a number, and what an accept refuses.
    if (const QString fields = FormIsxDan->CheckFields(); !fields.isEmpty()) return fields + notRun;
    auto field = [](const char* name) { return TFormIsxDan::FieldCaption(QLatin1String(name)); };
    // Every value must be a number.
    const struct {
        const char* name;
        double v;
    } all[] = {{"DlomX", w.DlomX},     {"DlomY", w.DlomY},   {"Vp", w.Vp},     {"C", w.C},     {"Mn", w.Mn},
               {"Si", w.Si},           {"S", w.S},           {"P", w.P},       {"Cr", w.Cr},   {"Ni", w.Ni},
               {"Cu", w.Cu},           {"Al", w.Al},         {"V", w.V},       {"Mg", w.Mg},   {"H2", w.H2},
               {"T0", w.T0},           {"Vlit", w.Vlit},     {"Q1", w.Q1},     {"Q2", w.Q2},   {"Q3", w.Q3},
               {"Q4", w.Q4},           {"Nn1", w.Nn1},       {"Nn2", w.Nn2},   {"Nn3", w.Nn3}, {"Nn4", w.Nn4},
               {"Rkorvel", w.Rkorvel}, {"Lkrist", w.Lkrist}, {"Lzvo", w.Lzvo}, {"l1", w.l1},   {"l2", w.l2},
               {"l3", w.l3},           {"l4", w.l4}};
    for (const auto& f : all)
        if (!std::isfinite(f.v))
            return QStringLiteral("Поле «%1» окна исходных данных содержит не число.").arg(field(f.name)) +
                   notRun;
    // The model divides by these.
    const struct {
        const char* name;
        double v;
    } positive[] = {{"DlomX", w.DlomX}, {"DlomY", w.DlomY}, {"Vlit", w.Vlit}};
    for (const auto& f : positive)
        if (!(f.v > 0))
            return QStringLiteral("Поле «%1» окна исходных данных: значение должно быть больше нуля.")
                       .arg(field(f.name)) +
                   notRun;
    const korvel::ModelParams& p = m_model.params;
    if (!std::isfinite(p.Dt) || !(p.Dt > 0))
        return QStringLiteral("Расчетные параметры модели: «Шаг расчета, с» должен быть больше нуля.") +
               notRun;
    if (p.L < korvel::kMinNodes || p.L > korvel::kMaxNodes)
        return QStringLiteral(
                   "Расчетные параметры модели: «Количество узлов по оси X» должно быть от 4 до 100.") +
               notRun;
    if (p.M < korvel::kMinNodes || p.M > korvel::kMaxNodes)
        return QStringLiteral(
                   "Расчетные параметры модели: «Количество узлов по оси Y» должно быть от 4 до 100.") +
               notRun;
    return QString();
}

void TFormMain::syncCastingDataIfIdle() {
    // While a worker lives it copies the shared record itself at every step.
    if (WorkerAlive()) return;
    QMutexLocker lock(&m_dataGuard);
    m_model.data = m_castingData;
}

void TFormMain::ActionsSolveExecute() {
    if (m_runActive) return;
    const QString problem = checkRunInput();
    if (!problem.isEmpty()) {
        showMessage(problem);
        return;
    }
    // A step or grid that cannot resolve the machine: the user decides, and the results say so.
    if (!confirmStepCheck()) return;
    // 1. Actions to the running state, the pause button up.
    m_runActive = true;
    ActionsPause->setChecked(false);
    updateActions();
    // A stopped worker may still be finishing its last step on the state about to be re-sized.
    if (SolveThread && SolveThread->isRunning()) SolveThread->StopAndWait();
    discardResults();
    ProgressRun->setValue(0);
    LabelDistance->clear();
    LabelShell->clear();
    // 2. Accept the data window.
    FormIsxDan->Accept();
    {
        QMutexLocker lock(&m_dataGuard);
        m_model.data = m_castingData;
    }
    // 3.-4. Size the state and prepare the cross-section window.
    korvel::SizeState(m_model);
    PrepareSolveWindow();
    // 5.-6. Data window away, result windows tiled.
    if (QMdiSubWindow* sub = SubWindowOf(FormIsxDan)) sub->showMinimized();
    ArrangeRunWindows(m_mdiArea, {FormGraphS, FormGraphC, FormTempTau, FormSolve, FormProfile});
    // 7. Billet label, sizes in mm as the fields hold them.
    FormSolve->SetBilletSize(FormIsxDan->CurrencyDlomX->value(), FormIsxDan->CurrencyDlomY->value());
    // 8. The worker.
    RunWindows windows;
    windows.solve = FormSolve;
    windows.tempTau = FormTempTau;
    windows.graphS = FormGraphS;
    windows.graphC = FormGraphC;
    windows.profile = FormProfile;
    auto* worker = new TSolveThread(m_model, m_castingData, m_dataGuard, windows, this);
    SolveThread = worker;
    worker->SetQualityLimits(m_qualityLimits);
    // The status bar shows the moment the cross-section window shows.
    connect(worker, &TSolveThread::SliceShown, this,
            [this, worker](double tau) { showRunProgress(worker, tau == 0, tau); });
    connect(worker, &TSolveThread::HandedOver, this, &TFormMain::HandedOver);
    connect(
        worker, &QThread::finished, this, [this, worker] { onWorkerFinished(worker); }, Qt::QueuedConnection);
    worker->start();
}

bool TFormMain::confirmStepCheck() {
    korvel::CastingData data;
    korvel::AcceptDataWindow(FormIsxDan->Values(), data);
    const korvel::StepCheck check = korvel::CheckStep(data, m_model.params);
    m_runCheck = check;
    m_runWarning = LocaliseFigures(QString::fromStdString(check.message));
    if (check.Ok()) return true;
    const QString text = m_runWarning + QStringLiteral("\n\nВсе равно выполнить расчет? Его результаты будут "
                                                       "помечены этим предупреждением.");
    const bool run = m_questionHandler ? m_questionHandler(text)
                                       : QMessageBox::question(this, QStringLiteral("Korvel"), text,
                                                               QMessageBox::Yes | QMessageBox::No,
                                                               QMessageBox::No) == QMessageBox::Yes;
    if (!run) {
        statusBar()->showMessage(QStringLiteral("Расчет не запущен: выберите шаг расчета или сетку."), 10000);
        m_runWarning.clear();
        m_runCheck = {};
    }
    return run;
}

void TFormMain::onWorkerFinished(TSolveThread* worker) {
    const bool current = (worker == SolveThread);
    // A worker that is no longer the latest one must not put a newer run's actions back to idle.
    if (current) {
        SolveThreadTerminate();
        syncCastingDataIfIdle();
    }
    const bool failed = worker->Failed();
    const QString why = worker->FailureMessage();
    if (current && !failed && !m_closing && worker->HasResults()) takeResults(worker);
    worker->deleteLater();
    if (current) {
        emit RunEnded();
        if (failed) showMessage(why);
    }
}

void TFormMain::SolveThreadTerminate() {
    m_runActive = false;
    ActionsPause->setChecked(false);
    updateActions();
}

void TFormMain::ActionsStopExecute() {
    if (SolveThread) SolveThread->RequestStop();
    SolveThreadTerminate();
}

void TFormMain::ActionsPauseExecute() {
    if (!SolveThread) return;
    SolveThread->SetPaused(ActionsPause->isChecked());
}

void TFormMain::shutdownRun() {
    m_closing = true;
    if (!SolveThread) return;
    TSolveThread* worker = SolveThread;
    if (worker->isRunning()) worker->StopAndWait();
    // Deliver the worker's queued completion now, so it cannot arrive later.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void TFormMain::closeEvent(QCloseEvent* e) {
    // Edits not saved in a case file are not lost without a question, nor a study going on.
    if (!m_closing && CaseFiles && !CaseFiles->MaybeSaveOnClose()) {
        e->ignore();
        return;
    }
    if (!m_closing && FormStudy && FormStudy->Running()) {
        const QString text = QStringLiteral("Идет серия расчетов: %1. Прервать ее и выйти из программы? "
                                            "Строки серии, не сохраненные в CSV, будут потеряны.")
                                 .arg(FormStudy->ProgressText());
        const bool quit = m_questionHandler ? m_questionHandler(text)
                                            : QMessageBox::question(this, QStringLiteral("Korvel"), text,
                                                                    QMessageBox::Yes | QMessageBox::No,
                                                                    QMessageBox::No) == QMessageBox::Yes;
        if (!quit) {
            e->ignore();
            return;
        }
    }
    shutdownRun();
    QMainWindow::closeEvent(e);
}

// ---------------------------------------------------------------------------------------------------------
// Results of a run

void TFormMain::showRunProgress(TSolveThread* worker, bool start, double tau) {
    // When the cross-section window has been drawn: the figures of the state it shows.
    // The casting data of that state: the worker's own record may be changing meanwhile.
    const korvel::CastingData& data = worker->DisplayData();
    const double tauEnd = data.TauEnd;
    const double share = tauEnd > 0 ? std::clamp(tau / tauEnd, 0.0, 1.0) : 1.0;
    ProgressRun->setValue(int(std::floor(share * 100 + 1e-9)));
    const double z = start ? 0 : std::max(0.0, data.Vlit * tau / 60);
    m_lastDistance = z;
    LabelDistance->setText(QStringLiteral("Расстояние от мениска: %1 м").arg(FormatFixed(z, 6, 2)));
    // The latest hand-over's shell: the state the cross-section window has just drawn.
    const korvel::ShellThickness shell = worker->ShellNow();
    LabelShell->setText(QStringLiteral("Корочка: X %1 мм, Y %2 мм")
                            .arg(FormatFixed(shell.faceX, 5, 1), FormatFixed(shell.faceY, 5, 1)));
}

void TFormMain::takeResults(TSolveThread* worker) {
    m_results = worker->Results();
    m_history = worker->History();
    m_resultsCompleted = worker->Completed();
    m_resultsTime = QDateTime::currentDateTime();
    m_hasResults = true;
    const QString where = QStringLiteral("время процесса %1 с, расстояние от мениска %2 м")
                              .arg(FormatFixed(m_model.state.Tau, 0, 1), FormatFixed(m_lastDistance, 0, 2));
    QString heading = m_resultsCompleted ? QStringLiteral("Расчет завершен: %1.").arg(where)
                                         : QStringLiteral("Расчет остановлен: %1.").arg(where);
    if (!m_runWarning.isEmpty()) heading += QStringLiteral(" Внимание: ") + m_runWarning;
    QStringList lines;
    for (const std::string& line : korvel::DescribeResults(m_results))
        lines << LocaliseFigures(QString::fromStdString(line));
    m_profile = worker->Profile();
    m_key = worker->KeyFiguresNow();
    m_verdict = korvel::JudgeQuality(m_key, m_profile, m_model.data, m_qualityLimits);
    lines << verdictLines();
    FormResults->SetResults(heading, lines);
    LabelSummary->SetFullText(
        (m_runWarning.isEmpty() ? QString()
                                : QStringLiteral("Внимание: шаг расчета или сетка не разрешают машину, "
                                                 "результаты искажены (см. «Результаты расчета»). ")) +
        (m_resultsCompleted ? QString() : QStringLiteral("Расчет остановлен. ")) + ResultsSummary(m_results));
    updateActions();
    // The figures wait behind their action (the summary is in the status bar): the end of a run never
    // covers the charts nor takes the keyboard from where the user is typing.
    // Kept for the comparison, named by its case ("*": with edits not saved in the case file).
    QString caseName = CaseFiles->CaseName();
    if (!caseName.isEmpty() && CaseFiles->IsModified()) caseName += QLatin1Char('*');
    m_archive.Add(caseName.toStdString(), korvel::ComputeKeyFigures(m_model, m_results, m_resultsCompleted),
                  m_model.data.Vlit, m_history, m_runWarning.toStdString());
    FormCompare->Refresh();
}

void TFormMain::discardResults() {
    m_hasResults = false;
    m_resultsCompleted = false;
    m_results = korvel::DerivedResults();
    m_history.clear();
    m_profile = {};
    m_verdict.clear();
    LabelSummary->SetFullText(QString());
    if (FormResults) {
        FormResults->hide();
        FormResults->Clear();
    }
    updateActions();
}

void TFormMain::ActionsResultsExecute() {
    if (!m_hasResults) return;
    FormResults->show();
    FormResults->raise();
    FormResults->activateWindow();
}

QStringList TFormMain::ResultImageFiles() {
    return {QStringLiteral("cross_section.png"), QStringLiteral("temperature.png"),
            QStringLiteral("sulphur.png"), QStringLiteral("carbon.png")};
}

QSize TFormMain::ResultPictureSize(int k) {
    // The cross-section at twice its design size, the charts at a print-worthy size.
    return k == 0 ? TFormSolve::DesignSize() * 2 : QSize(1600, 1000);
}

void TFormMain::ActionsSaveResultsExecute() {
    if (!m_hasResults || m_runActive || WorkerAlive()) return;
    const QString dir = m_folderChooser
                            ? m_folderChooser()
                            : QFileDialog::getExistingDirectory(
                                  this, QStringLiteral("Папка для результатов расчета"), m_lastFolder);
    if (dir.isEmpty()) return;

    QStringList names;
    for (const std::string& name : korvel::ResultsCsvFiles())
        names << QString::fromStdString(name);
    names << ResultImageFiles();
    names << ProfileResultFiles();
    QStringList present;
    for (const QString& name : names)
        if (QFileInfo::exists(QDir(dir).filePath(name))) present << name;
    if (!present.isEmpty()) {
        const QString text = present.size() == 1
                                 ? QStringLiteral("Файл %1 уже есть в папке. Заменить?").arg(present.first())
                                 : QStringLiteral("Файлы %1 уже есть в папке. Заменить?")
                                       .arg(present.join(QStringLiteral(", ")));
        const bool replace = m_questionHandler ? m_questionHandler(text)
                                               : QMessageBox::question(this, QStringLiteral("Korvel"), text,
                                                                       QMessageBox::Yes | QMessageBox::No,
                                                                       QMessageBox::No) == QMessageBox::Yes;
        if (!replace) {
            statusBar()->showMessage(QStringLiteral("Результаты не сохранены."), 5000);
            return;
        }
    }
    const QString error = saveResults(dir);
    if (!error.isEmpty()) {
        showMessage(QStringLiteral("Результаты не сохранены: %1.").arg(error));
        return;
    }
    m_lastFolder = dir;
    statusBar()->showMessage(
        QStringLiteral("Результаты сохранены в папку %1").arg(QDir::toNativeSeparators(dir)), 10000);
}

void TFormMain::ActionsReportExecute() {
    if (!m_hasResults || m_runActive || WorkerAlive()) return;
    const korvel::ArchivedRun* run = m_archive.Latest();
    const QString caseName = run ? QString::fromStdString(run->name) : QString();
    QString suggested = CaseFiles->CaseName();
    if (suggested.isEmpty()) suggested = QStringLiteral("отчет");
    const QString path =
        m_reportPathChooser
            ? m_reportPathChooser()
            : QFileDialog::getSaveFileName(this, QStringLiteral("Отчет о расчете"),
                                           QDir(m_lastFolder).filePath(suggested + QStringLiteral(".pdf")),
                                           QStringLiteral("Документ PDF (*.pdf)"));
    if (path.isEmpty()) return;

    korvel::ReportSource source;
    source.caseName = caseName.toStdString();
    source.date =
        QLocale().toString(QDateTime::currentDateTime(), QStringLiteral("dd.MM.yyyy HH:mm")).toStdString();
    source.version = korvel::kVersion;
    // The case as the run used it.
    korvel::Case c;
    c.window = korvel::RestoreDataWindow(m_model.data);
    c.params = m_model.params;
    source.inputs = korvel::CaseReportRows(c);
    source.results = m_results;
    source.key = m_key;
    source.verdict = m_verdict;
    source.completed = m_resultsCompleted;
    source.tau = m_model.state.Tau;
    source.distance = m_lastDistance;
    using korvel::ReportFigure;
    const QList<QImage> figures{
        FormProfile->RenderImage(ReportPictureSize(ReportFigure::Profile)),
        FormSolve->RenderPicture(ReportPictureSize(ReportFigure::CrossSection)),
        FormTempTau->RenderPicture(ReportPictureSize(ReportFigure::TemperatureHistory)),
        FormGraphS->RenderPicture(ReportPictureSize(ReportFigure::Sulphur)),
        FormGraphC->RenderPicture(ReportPictureSize(ReportFigure::Carbon))};
    const QString error = WriteReportPdf(path, korvel::MakeReportContent(source), figures);
    if (!error.isEmpty()) {
        showMessage(QStringLiteral("Отчет не записан: %1.").arg(error));
        return;
    }
    m_lastFolder = QFileInfo(path).absolutePath();
    statusBar()->showMessage(QStringLiteral("Отчет записан в файл %1").arg(QDir::toNativeSeparators(path)),
                             10000);
}

QString TFormMain::saveResults(const QString& dir) {
    const QFileInfo folder(dir);
    if (!folder.isDir()) return QStringLiteral("папки «%1» нет").arg(QDir::toNativeSeparators(dir));
    std::vector<korvel::FileContent> files;
    const auto add = [&](const QString& name, std::string bytes) {
        files.push_back({QFile::encodeName(QDir(dir).filePath(name)).toStdString(), std::move(bytes)});
    };
    for (korvel::CsvFile& f : korvel::ResultsCsv(
             korvel::RunRecord{m_model, m_history, m_results, m_resultsCompleted, m_runCheck.message}))
        add(QString::fromStdString(f.name), std::move(f.text));
    for (korvel::CsvFile& f : korvel::ProfileCsv(m_profile, m_verdict, &m_runCheck))
        add(QString::fromStdString(f.name), std::move(f.text));

    // Pictures at a fixed size, drawn for the file whatever the windows' size and state, each with its
    // caption.
    const QStringList images = ResultImageFiles();
    const QImage pictures[] = {
        WithCaption(FormSolve->RenderPicture(ResultPictureSize(0)), pictureCaption(FormSolve->windowTitle())),
        WithCaption(FormTempTau->RenderPicture(ResultPictureSize(1)),
                    pictureCaption(FormTempTau->windowTitle())),
        WithCaption(FormGraphS->RenderPicture(ResultPictureSize(2)),
                    pictureCaption(FormGraphS->windowTitle())),
        WithCaption(FormGraphC->RenderPicture(ResultPictureSize(3)),
                    pictureCaption(FormGraphC->windowTitle())),
        WithCaption(FormProfile->RenderImage(QSize(1600, 1000)), pictureCaption(FormProfile->windowTitle()))};
    for (int k = 0; k < int(std::size(pictures)); ++k) {
        const QString name = k < int(images.size()) ? images[k] : QStringLiteral("profile.png");
        QByteArray png;
        QBuffer buffer(&png);
        if (pictures[k].isNull() || !buffer.open(QIODevice::WriteOnly) || !pictures[k].save(&buffer, "PNG"))
            return QStringLiteral("не удалось нарисовать рисунок %1").arg(name);
        add(name, png.toStdString());
    }
    for (const korvel::FileContent& f : files)
        if (QFileInfo(QFile::decodeName(QByteArray::fromStdString(f.path))).isDir())
            return QStringLiteral("в папке уже есть папка с именем %1")
                .arg(QFileInfo(QFile::decodeName(QByteArray::fromStdString(f.path))).fileName());
    // All the files or none: the old ones stay as they were when anything fails.
    return QString::fromStdString(korvel::WriteFilesAtomically(files));
}

// ---------------------------------------------------------------------------------------------------------
// Case files

bool TFormMain::OpenCaseFile(const QString& path) {
    return CaseFiles->OpenCaseFile(path);
}

bool TFormMain::OpenCaseFromArguments(const QStringList& arguments) {
    for (const QString& arg : arguments.mid(1))
        if (!arg.startsWith(QLatin1Char('-'))) return OpenCaseFile(arg);
    return true;
}

void TFormMain::WindowCompareExecute() {
    FormCompare->Refresh();
    FormCompare->show();
    FormCompare->raise();
    FormCompare->activateWindow();
}

// ---------------------------------------------------------------------------------------------------------
// Profile along the machine and quality verdict

void TFormMain::WindowProfileExecute() {
    showMaximizedChild(FormProfile);
}

void TFormMain::ServisQualityExecute() {
    korvel::CastingData data;
    {
        QMutexLocker lock(&m_dataGuard);
        data = m_castingData;
    }
    if (!fmQuality->EditLimits(m_qualityLimits, data)) return;
    // A run going on judges its next hand-overs by the new limits; finished results are judged again.
    if (SolveThread && SolveThread->isRunning()) SolveThread->SetQualityLimits(m_qualityLimits);
    if (!m_hasResults) return;
    m_verdict = korvel::JudgeQuality(m_key, m_profile, m_model.data, m_qualityLimits);
    FormProfile->ShowVerdict(m_verdict);
    QStringList lines = FormResults->Lines();
    const qsizetype at = lines.indexOf(verdictLines().value(0));
    if (at >= 0) lines.erase(lines.begin() + at, lines.end());
    lines << verdictLines();
    FormResults->SetResults(FormResults->Heading(), lines);
}

QStringList TFormMain::verdictLines() const {
    QStringList lines{QStringLiteral("Критерии качества:")};
    for (const std::string& line : korvel::DescribeVerdict(m_verdict, m_runWarning.toStdString()))
        lines << QStringLiteral("   ") + LocaliseFigures(QString::fromStdString(line));
    return lines;
}

PictureCaption TFormMain::pictureCaption(const QString& title) const {
    PictureCaption c;
    c.title = title;
    c.caseName = CaseFiles->CaseName();
    if (c.caseName.isEmpty()) c.caseName = QStringLiteral("новый вариант, не сохраненный в файле");
    if (CaseFiles->IsModified() && !CaseFiles->CaseName().isEmpty())
        c.caseName += QStringLiteral(" (с изменениями, не сохраненными в файле)");
    c.when = m_resultsTime;
    if (!m_resultsCompleted)
        c.stopped =
            QStringLiteral("Расчет остановлен: время процесса %1 с из %2 с, расстояние от мениска %3 м")
                .arg(FormatFixed(m_model.state.Tau, 0, 1), FormatFixed(m_model.data.TauEnd, 0, 1),
                     FormatFixed(m_lastDistance, 0, 2));
    c.warning = m_runWarning;
    return c;
}

QStringList TFormMain::ProfileResultFiles() {
    QStringList names;
    for (const std::string& name : korvel::ProfileCsvFiles())
        names << QString::fromStdString(name);
    names << QStringLiteral("profile.png");
    return names;
}
