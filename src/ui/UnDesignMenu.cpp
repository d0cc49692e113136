#include "UnDesignMenu.h"

#include "UnCalibration.h"
#include "UnIsxDan.h"
#include "UnSprayDesign.h"
#include "unMain.h"

#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QStatusBar>

namespace {

korvel::Case CaseOnScreen(TFormMain* main) {
    korvel::Case c;
    c.window = main->FormIsxDan->Values();
    c.params = main->Model().params;
    return c;
}

QString RefusedDuringRun(TFormMain* main) {
    if (main->RunActive() || main->WorkerAlive())
        return QStringLiteral("Во время расчета исходные данные и параметры модели не меняются. Примените "
                              "результат после окончания расчета.");
    return QString();
}

void ShowChild(TFormMain* main, QWidget* w) {
    QMdiSubWindow* sub = main->SubWindowOf(w);
    if (!sub) {
        sub = new TKeptSubWindow;
        sub->setWidget(w);
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        sub->setWindowTitle(w->windowTitle());
        main->MdiArea()->addSubWindow(sub);
    }
    sub->showMaximized();
    sub->raise();
    main->MdiArea()->setActiveSubWindow(sub);
}

} // namespace

void InstallDesignWindows(TFormMain* main, QMenu* servis) {
    auto make = [main](const char* name, const QString& caption, const QString& hint) {
        auto* a = new QAction(caption, main);
        a->setObjectName(QLatin1String(name));
        a->setProperty("category", QLatin1String("Servis"));
        a->setToolTip(hint);
        a->setStatusTip(hint);
        return a;
    };
    QAction* design =
        make("ServisSprayDesign", QStringLiteral("Подбор расходов воды"),
             QStringLiteral("Расходы воды по секциям, при которых выполнены все критерии, с наименьшим "
                            "общим расходом; таблица по скоростям разливки"));
    QAction* calibration =
        make("ServisCalibration", QStringLiteral("Калибровка по измерениям"),
             QStringLiteral("Множители теплоотдачи секций по измеренным температурам поверхности"));
    servis->addAction(design);
    servis->addAction(calibration);

    QObject::connect(design, &QAction::triggered, main, [main] {
        auto* w = main->findChild<TFormSprayDesign*>();
        if (!w) {
            w = new TFormSprayDesign;
            w->SetCaseSource([main] { return CaseOnScreen(main); });
            w->SetApplyHandler([main](double vlit, const std::array<double, 4>& q) {
                if (QString why = RefusedDuringRun(main); !why.isEmpty()) return why;
                korvel::DataWindowValues v = main->FormIsxDan->Values();
                v.Vlit = vlit;
                v.Q1 = q[0];
                v.Q2 = q[1];
                v.Q3 = q[2];
                v.Q4 = q[3];
                main->FormIsxDan->SetValues(v);
                // The data window shows a flow to its own decimals: a practice it rounds is not the one run.
                const korvel::DataWindowValues shown = main->FormIsxDan->Values();
                if (shown.Q1 != q[0] || shown.Q2 != q[1] || shown.Q3 != q[2] || shown.Q4 != q[3])
                    return QStringLiteral(
                        "Расходы поставлены в окно исходных данных округленными до его знаков; "
                        "округленный режим подбором не проверялся — проверьте его расчетом.");
                main->statusBar()->showMessage(
                    QStringLiteral("Подобранные расходы поставлены в окно исходных данных (еще не приняты)."),
                    10000);
                return QString();
            });
            ShowChild(main, w);
            return;
        }
        ShowChild(main, w);
    });
    QObject::connect(calibration, &QAction::triggered, main, [main] {
        auto* w = main->findChild<TFormCalibration*>();
        if (!w) {
            w = new TFormCalibration;
            w->SetCaseSource([main] { return CaseOnScreen(main); });
            w->SetApplyHandler([main](const korvel::CalibrationResult& fit) {
                if (QString why = RefusedDuringRun(main); !why.isEmpty()) return why;
                korvel::ModelParams p = main->Model().params;
                for (int s = 0; s < 4; ++s)
                    p.SprayFactor[s] = fit.multipliers[s];
                if (fit.mouldAFitted) p.MouldA = fit.mouldAAfter;
                main->SetModelParams(p);
                main->statusBar()->showMessage(
                    fit.mouldAFitted
                        ? QStringLiteral(
                              "Множители теплоотдачи секций и A кристаллизатора поставлены в параметры "
                              "модели.")
                        : QStringLiteral("Множители теплоотдачи секций поставлены в параметры модели."),
                    10000);
                return QString();
            });
        }
        ShowChild(main, w);
    });
}
