// The convergence check window: a check run in the background whose report is the Qt-free check's to
// the last bit, its tables with the locale's separator, its CSV, a bad case refused, cancel, closing while it
// runs, and the main window's "Сервис" entry that checks the case on screen.
#include "study/ConvergenceCheck.h"
#include "ui/UnConvergence.h"
#include "ui/UnIsxDan.h"
#include "ui/unMain.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <memory>

namespace {

// A 6 x 6 grid (coarse 4 x 4, fine 12 x 12) and one minute of process time.
korvel::Case SmallCase() {
    korvel::Case c;
    c.params.L = c.params.M = 6;
    c.window.Vp = 1;
    return c;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

class TestConvergence : public QObject {
    Q_OBJECT

    std::unique_ptr<TFormConvergence> w;
    QStringList messages;

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void init() {
        messages.clear();
        w = std::make_unique<TFormConvergence>();
        w->SetCaseSource([] { return SmallCase(); });
        w->SetMessageHandler([this](const QString& text) { messages << text; });
        w->SetJobs(2);
        w->resize(1200, 700);
        w->show();
    }
    void cleanup() { w.reset(); }

    void finishedCheckIsTheChecksToTheLastBit() {
        QSignalSpy finished(w.get(), &TFormConvergence::Finished);
        QVERIFY(!w->ButtonSaveCsv->isEnabled());
        w->Start();
        QVERIFY(w->Running());
        QVERIFY(!w->ButtonStart->isEnabled());
        QVERIFY(finished.wait(120000));
        QVERIFY(!w->Running());
        QCOMPARE(w->LabelState->text(), QStringLiteral("Проверка завершена."));
        QCOMPARE(w->Progress->value(), w->Progress->maximum());
        const korvel::ConvergenceReport& got = w->Report();
        QVERIFY(got.complete);

        korvel::ConvergenceCheck check(SmallCase(), korvel::QualityLimits(), 1);
        const korvel::ConvergenceReport want = check.Run();
        QCOMPARE(got.figures.size(), want.figures.size());
        for (std::size_t f = 0; f < want.figures.size(); ++f) {
            for (int k = 0; k < korvel::kConvergenceRuns; ++k)
                QVERIFY2(SameBits(got.figures[f].values[k], want.figures[f].values[k]),
                         want.figures[f].figure->key);
            QVERIFY(SameBits(got.figures[f].gridError, want.figures[f].gridError));
        }
        // The figures' table: a row per key figure, the case's run in the second column, with a comma
        // (the mould-exit shell; the metallurgical length is not reached in a minute).
        QCOMPARE(w->TableFigures->rowCount(), int(want.figures.size()));
        QCOMPARE(w->TableFigures->columnCount(), 8);
        QVERIFY2(w->TableFigures->horizontalHeaderItem(3)->text().contains("12 x 12"),
                 qPrintable(w->TableFigures->horizontalHeaderItem(3)->text()));
        QCOMPARE(w->TableFigures->item(0, 1)->text(), QStringLiteral("—"));
        const QString shell = w->TableFigures->item(1, 1)->text();
        QCOMPARE(shell, QLocale().toString(want.figures[1].values[korvel::kRunBase], 'f', 1));
        QVERIFY2(shell.contains(','), qPrintable(shell));
        QCOMPARE(w->TableCriteria->rowCount(), int(want.criteria.size()));
        QCOMPARE(w->TableCriteria->item(0, 5)->text(),
                 QString::fromStdString(korvel::DependenceCaption(want.criteria[0])));

        // The CSV as the check writes it.
        QTemporaryDir dir;
        const QString path = dir.filePath("convergence");
        w->SetFileChooser([&] { return path; });
        QVERIFY(w->SaveCsv());
        QFile file(path + ".csv");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().toStdString(), korvel::ConvergenceCsv(want));
        QVERIFY(messages.isEmpty());
    }

    void badCaseIsRefusedCancelAndClosingWhileRunningEndTheCheck() {
        w->SetCaseSource([] {
            korvel::Case c = SmallCase();
            c.window.Vlit = 0;
            return c;
        });
        w->Start();
        QVERIFY(!w->Running());
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].endsWith("Проверка сходимости не запущена."), qPrintable(messages[0]));
        // Cancelled: the runs going end, the report says so and the window is ready again.
        w->SetCaseSource([] { return korvel::Case(); });
        QSignalSpy finished(w.get(), &TFormConvergence::Finished);
        w->Start();
        QVERIFY(w->Running());
        w->Cancel();
        QVERIFY(!w->ButtonCancel->isEnabled());
        QVERIFY(finished.wait(120000));
        QVERIFY2(w->LabelState->text().startsWith("Проверка прервана"), qPrintable(w->LabelState->text()));
        QVERIFY(w->ButtonStart->isEnabled());
        w->Start();
        QVERIFY(w->Running());
        w.reset(); // must cancel and wait for the runs going, not crash or hang
    }

    void mainWindowChecksTheCaseOnScreen() {
        korvel::Model model;
        TFormMain main(model);
        QMenu* servis = main.menuBar()->findChild<QMenu*>("MenuServis");
        QVERIFY(servis && servis->actions().contains(main.ServisConvergence));
        QCOMPARE(main.ServisConvergence->text(), QStringLiteral("Проверка сходимости"));
        main.ServisConvergence->trigger();
        QVERIFY(main.FormConvergence);
        QVERIFY(main.SubWindowOf(main.FormConvergence));
        main.FormIsxDan->CurrencyVp->setValue(0.5);
        model.params.L = model.params.M = 5;
        main.QualityLimits().mouldExitShell = 3;
        QSignalSpy finished(main.FormConvergence, &TFormConvergence::Finished);
        main.FormConvergence->Start();
        QVERIFY(finished.wait(120000));
        QCOMPARE(main.FormConvergence->CheckedCase().window.Vp, 0.5);
        QCOMPARE(main.FormConvergence->CheckedCase().params.L, 5);
        const korvel::ConvergenceReport& r = main.FormConvergence->Report();
        QCOMPARE(r.plan.params[korvel::kRunFine].L, 10);
        QVERIFY(!r.criteria.empty());
        QCOMPARE(r.criteria[0].base.limit, 3.0);
    }
};

QTEST_MAIN(TestConvergence)
#include "tst_convergence.moc"
