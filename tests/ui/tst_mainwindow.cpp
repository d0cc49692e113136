// The main window: start-up, the actions with their menu and tool bar, and the arrangement of the child
// windows.
#include "ui/Un3DGraphC.h"
#include "ui/Un3DGraphS.h"
#include "ui/UnAbout.h"
#include "ui/UnIsxDan.h"
#include "ui/UnParamMod.h"
#include "ui/UnProfile.h"
#include "ui/UnSolve.h"
#include "ui/UnTemTau.h"
#include "ui/unMain.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <memory>

namespace {

QStringList actionNames(const QList<QAction*>& actions) {
    QStringList names;
    for (QAction* a : actions)
        names << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    return names;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    korvel::Model m_model;
    std::unique_ptr<TFormMain> w;

private slots:
    void init() {
        m_model = korvel::Model();
        w = std::make_unique<TFormMain>(m_model);
        // Runs on the coarse grids of the tests go ahead without the question.
        w->SetQuestionHandler([](const QString&) { return true; });
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup() { w.reset(); }

    void startUp() {
        // With a maximised child the frame shows its caption too: "Korvel - [..]".
        QVERIFY2(w->windowTitle() == QStringLiteral("Korvel") || w->windowTitle().startsWith("Korvel - ["),
                 qPrintable(w->windowTitle()));
        QVERIFY(w->windowState() & Qt::WindowMaximized);
        // FormCreate sized the state from the built-in defaults.
        QCOMPARE(m_model.state.Tem.Rows(), 11);
        QCOMPARE(m_model.state.Tem.Cols(), 11);
        const QList<QMdiSubWindow*> subs = w->MdiArea()->subWindowList(QMdiArea::CreationOrder);
        QCOMPARE(subs.size(), 6);
        QCOMPARE(subs[0]->widget(), static_cast<QWidget*>(w->FormGraphS));
        QCOMPARE(subs[1]->widget(), static_cast<QWidget*>(w->FormGraphC));
        QCOMPARE(subs[2]->widget(), static_cast<QWidget*>(w->FormTempTau));
        QCOMPARE(subs[3]->widget(), static_cast<QWidget*>(w->FormSolve));
        QCOMPARE(subs[4]->widget(), static_cast<QWidget*>(w->FormProfile));
        QCOMPARE(subs[5]->widget(), static_cast<QWidget*>(w->FormIsxDan));
        for (QMdiSubWindow* s : subs)
            QVERIFY2(s->isVisible(), qPrintable(s->windowTitle()));
        QVERIFY(subs[5]->isMaximized());
        QCOMPARE(w->MdiArea()->activeSubWindow(), subs[5]);
        QCOMPARE(w->MdiArea()->subWindowList(QMdiArea::StackingOrder).last(), subs[5]);
        QCOMPARE(subs[5]->windowTitle(), QStringLiteral("Исходные данные для расчета"));
        QCOMPARE(subs[4]->windowTitle(), QStringLiteral("Параметры по длине машины"));
        QVERIFY(!w->AboutBox->isVisible());
        QVERIFY(!w->fmParamMod->isVisible());
    }

    void actions_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<int>("image");
        QTest::addColumn<bool>("enabled");
        auto row = [](const char* n, const char* cat, const char* cap, const char* hint, int img, bool en) {
            QTest::newRow(n) << QString::fromUtf8(n) << QString::fromUtf8(cat) << QString::fromUtf8(cap)
                             << QString::fromUtf8(hint) << img << en;
        };
        row("ActionsEnter", "Actions", "&Ввод данных", "Ввод и корректировка данных для расчета", 0, true);
        row("ActionsSolve", "Actions", "&Расчет", "Запуск варианта на расчет ", 1, true);
        row("ActionsPause", "Actions", "&Пауза", "Приостановить расчет для анализа", 2, false);
        row("ActionsStop", "Actions", "&Завершить расчет",
            "Завершить расчет, возможность редактировать исходные данные", 3, false);
        row("ActionsExit", "Actions", "В&ыход", "Выход из программы", 4, true);
        row("WindowCascade1", "Window", "&Каскад", "Каскадное расположение окон", 14, true);
        row("WindowTileHorizontal1", "Window", "Мозаика ", "Мозаика", 13, true);
        row("WindowMinimizeAll1", "Window", "&Минимизировать все", "Свернуть все окна", -1, true);
        row("WindowClose1", "Window", "З&акрыть", "Закрыть текущее окно", -1, true);
        row("HelpAbout", "Help", "&О программе", "О нашей программе", 5, true);
        row("WindowIsxDan", "Window", "Исходные данные для расчета", "", 0, true);
        row("WindowOpenAll", "Window", "О&ткрыть все окна", "", -1, true);
        row("WindowTemTau", "Window", "&Изменение температуры слитка",
            "График изменения температуры в слитке", 6, true);
        row("Window3DSGraph", "Window", "&Содержание серы", "График трехмерный распределения содержания серы",
            12, true);
        row("ServisParamMod", "Servis", "&Расчетные параметры модели",
            "Параметры дискретизации математической модели", 8, true);
        row("Window3DGraph", "Window", "Содержание углерода",
            "График трехмерный распределения содержания углерода", 9, true);
    }

    void actions() {
        QFETCH(QString, name);
        QFETCH(QString, category);
        QFETCH(QString, caption);
        QFETCH(QString, hint);
        QFETCH(int, image);
        QFETCH(bool, enabled);
        auto* a = w->findChild<QAction*>(name);
        QVERIFY(a);
        QCOMPARE(a->text(), caption);
        QCOMPARE(a->property("category").toString(), category);
        QCOMPARE(a->statusTip(), hint);
        if (!hint.isEmpty()) QCOMPARE(a->toolTip(), hint);
        QCOMPARE(a->property("imageIndex").toInt(), image);
        QCOMPARE(a->icon().isNull(), image < 0);
        QCOMPARE(a->isEnabled(), enabled);
    }

    void menuBar() {
        QList<QAction*> top = w->menuBar()->actions();
        QStringList titles;
        for (QAction* a : top)
            titles << a->text();
        // "&Файл" (case files, the results' export) comes first.
        QCOMPARE(titles, (QStringList{"&Файл", "&Действия", "Сервис", "&Окно", "&?"}));
        top.removeFirst();
        QCOMPARE(actionNames(top[0]->menu()->actions()),
                 (QStringList{"ActionsEnter", "ActionsSolve", "ActionsPause", "ActionsStop", "ActionsResults",
                              "-", "ActionsExit"}));
        QCOMPARE(actionNames(top[1]->menu()->actions()),
                 (QStringList{"ServisParamMod", "ServisQuality", "ServisStudy", "ServisCasting",
                              "ServisConvergence", "ServisSprayDesign", "ServisCalibration"}));
        const QList<QAction*> window = top[2]->menu()->actions();
        QCOMPARE(actionNames(window),
                 (QStringList{"WindowTileHorizontal1", "WindowCascade1", "WindowMinimizeAll1",
                              "WindowClose1MenuItem", "WindowOpenAll", "-", "WindowIsxDan", "WindowTemTau",
                              "Window3DSGraph", "Window3DGraph", "WindowProfile", "-", "WindowCompare"}));
        QCOMPARE(window[3]->text(), QStringLiteral("З&акрыть окно"));
        QCOMPARE(actionNames(top[3]->menu()->actions()), QStringList{"HelpAbout"});
    }

    void toolBar() {
        QToolBar* tb = w->ToolBar1;
        QCOMPARE(tb->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QCOMPARE(actionNames(tb->actions()),
                 (QStringList{"ActionsEnter", "ActionsSolve", "ActionsPause", "ActionsStop", "-",
                              "WindowTemTau", "Window3DSGraph", "Window3DGraph", "-", "WindowCascade1",
                              "WindowTileHorizontal1", "-", "ActionsExit", "HelpAbout"}));
        auto* pause = qobject_cast<QToolButton*>(tb->widgetForAction(w->ActionsPause));
        QVERIFY(pause && pause->isCheckable());
        QVERIFY(pause->autoRaise());
        QCOMPARE(tb->widgetForAction(w->ActionsSolve)->toolTip(),
                 QStringLiteral("Запуск варианта на расчет "));
        QCOMPARE(tb->widgetForAction(w->WindowTemTau)->toolTip(),
                 QStringLiteral("График изменения температуры поверхности слитка"));
        QCOMPARE(tb->widgetForAction(w->Window3DSGraph)->toolTip(),
                 QStringLiteral("График трехмерный распределения серы"));
        // The own tips survive a change of their action.
        w->Window3DSGraph->setEnabled(false);
        w->Window3DSGraph->setEnabled(true);
        QCOMPARE(tb->widgetForAction(w->Window3DSGraph)->toolTip(),
                 QStringLiteral("График трехмерный распределения серы"));
    }

    void closingAChildMinimisesIt() {
        QMdiSubWindow* data = w->SubWindowOf(w->FormIsxDan);
        QVERIFY(data->isMaximized());
        w->WindowClose1->trigger();
        QVERIFY(data->isMinimized());
        QMdiSubWindow* solve = w->SubWindowOf(w->FormSolve);
        solve->close();
        QVERIFY(solve->isMinimized());
        QCOMPARE(w->MdiArea()->subWindowList().size(), 6);
        // The menu entry runs the same action.
        w->WindowOpenAll->trigger();
        w->MdiArea()->setActiveSubWindow(w->SubWindowOf(w->FormTempTau));
        w->findChild<QAction*>("WindowClose1MenuItem")->trigger();
        QVERIFY(w->SubWindowOf(w->FormTempTau)->isMinimized());
    }

    void showActions() {
        w->MinimizeAll();
        for (QMdiSubWindow* s : w->MdiArea()->subWindowList())
            QVERIFY(s->isMinimized());
        w->WindowTemTau->trigger();
        QVERIFY(w->SubWindowOf(w->FormTempTau)->isMaximized());
        QCOMPARE(w->MdiArea()->activeSubWindow(), w->SubWindowOf(w->FormTempTau));
        w->Window3DSGraph->trigger();
        QVERIFY(w->SubWindowOf(w->FormGraphS)->isMaximized());
        QCOMPARE(w->MdiArea()->activeSubWindow(), w->SubWindowOf(w->FormGraphS));
        w->Window3DGraph->trigger();
        QMdiSubWindow* carbon = w->SubWindowOf(w->FormGraphC);
        QVERIFY(!carbon->isMaximized() && !carbon->isMinimized());
        QCOMPARE(w->MdiArea()->activeSubWindow(), carbon);
        w->ActionsEnter->trigger();
        QVERIFY(w->SubWindowOf(w->FormIsxDan)->isMaximized());
        QCOMPARE(w->MdiArea()->activeSubWindow(), w->SubWindowOf(w->FormIsxDan));
        w->SubWindowOf(w->FormIsxDan)->showMinimized();
        w->WindowIsxDan->trigger();
        QVERIFY(w->SubWindowOf(w->FormIsxDan)->isMaximized());
        // Open all maximises every window, minimised ones included.
        w->SubWindowOf(w->FormSolve)->showMinimized();
        w->WindowOpenAll->trigger();
        for (QMdiSubWindow* s : w->MdiArea()->subWindowList())
            QVERIFY2(s->isMaximized(), qPrintable(s->windowTitle()));
    }

    void tileHorizontally() {
        w->SubWindowOf(w->FormIsxDan)->showMinimized();
        w->WindowTileHorizontal1->trigger();
        const QRect area = w->MdiArea()->viewport()->rect();
        const QList<QMdiSubWindow*> subs = w->MdiArea()->subWindowList(QMdiArea::CreationOrder);
        int y = 0;
        for (int k = 0; k < 5; ++k) {
            const QRect g = subs[k]->geometry();
            QVERIFY2(!subs[k]->isMinimized() && !subs[k]->isMaximized(), qPrintable(subs[k]->windowTitle()));
            QCOMPARE(g.left(), 0);
            QCOMPARE(g.width(), area.width());
            QCOMPARE(g.top(), y); // one above the other in the order of creation, no gaps or overlaps
            y = g.bottom() + 1;
        }
        // The minimised data window keeps a strip at the bottom that no tiled window covers.
        const QRect icon = subs[5]->geometry();
        QVERIFY(subs[5]->isMinimized());
        QVERIFY2(y <= icon.top(),
                 qPrintable(QStringLiteral("tiled down to %1, icon at %2").arg(y).arg(icon.top())));
        QCOMPARE(icon.bottom(), area.bottom());
        // All six tiled: each gets a sixth of the height.
        subs[5]->showNormal();
        w->TileHorizontal();
        for (QMdiSubWindow* s : subs)
            QVERIFY2(std::abs(s->height() - area.height() / 6) <= 1,
                     qPrintable(QString::number(s->height())));
        // A maximised window is restored before tiling.
        subs[2]->showMaximized();
        w->TileHorizontal();
        QVERIFY(!subs[2]->isMaximized());
        QCOMPARE(subs[2]->width(), area.width());
    }

    void cascade() {
        w->WindowCascade1->trigger();
        const QList<QMdiSubWindow*> subs = w->MdiArea()->subWindowList(QMdiArea::CreationOrder);
        for (QMdiSubWindow* s : subs)
            QVERIFY(!s->isMaximized());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
