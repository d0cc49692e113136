// The comparison of a session's runs: each run that ends is kept (six at most) under its case's name
// or "Расчет N", with its key figures side by side and its surface temperature along the machine
// overlaid on the current run's; runs can be hidden from the chart and removed.
#include "../run/HeldSteps.h"
#include "cases/CaseFile.h"
#include "ui/UnCaseFile.h"
#include "ui/UnCompare.h"
#include "ui/UnIsxDan.h"
#include "ui/unMain.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QComboBox>
#include <QDir>
#include <QLineSeries>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

class TestCompare : public QObject {
    Q_OBJECT

    korvel::Model m_model;
    std::unique_ptr<TFormMain> w;

    // A run of half a minute of process time at the given speed and first-section water.
    bool run(double vlit, double q1) {
        w->FormIsxDan->CurrencyVp->setValue(minutes());
        w->FormIsxDan->CurrencyVlit->setValue(vlit);
        w->FormIsxDan->CurrencyQ1->setValue(q1);
        QSignalSpy ended(w.get(), &TFormMain::RunEnded);
        w->ActionsSolve->trigger();
        return ended.wait(60000) && w->HasResults();
    }
    // Half a minute of process time; for the pictures, eight minutes, far into the spray sections.
    static double minutes() { return qEnvironmentVariableIsSet("KORVEL_SHOT_DIR") ? 8 : 0.5; }
    QStringList seriesNames() const {
        QStringList names;
        for (QAbstractSeries* s : w->FormCompare->Chart->series())
            names << s->name();
        return names;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        m_model = korvel::Model();
        w = std::make_unique<TFormMain>(m_model);
        // Runs on the coarse grids of the tests go ahead without the question.
        w->SetQuestionHandler([](const QString&) { return true; });
        w->SetMessageHandler([](const QString&) {});
        w->CaseFiles->SetChoiceHandler([](const QString&) { return int(QMessageBox::Discard); });
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup() {
        held::Release();
        w.reset();
        TSolveThread::TimeStepFunction = &korvel::TimeStep;
    }

    void threeRunsSideBySide() {
        TFormCompare* c = w->FormCompare;
        QCOMPARE(c->TableFigures->columnCount(), 0);
        QVERIFY(run(1.5, 1.9));
        // The second run from a case file: named after it.
        QTemporaryDir dir;
        korvel::Case fast;
        fast.window.Vlit = 2.2;
        fast.window.Q1 = 2.6;
        fast.window.Vp = minutes();
        std::string error;
        const QString file = dir.filePath(QStringLiteral("быстрая.korvel"));
        QVERIFY(korvel::WriteCaseFile(file.toStdString(), fast, error));
        QVERIFY(w->OpenCaseFile(file));
        QSignalSpy ended(w.get(), &TFormMain::RunEnded);
        w->ActionsSolve->trigger();
        QVERIFY(ended.wait(60000));
        QVERIFY(run(1.2, 1.5)); // edited after opening the case
        const auto& runs = w->Archive().Runs();
        QCOMPARE(runs.size(), std::size_t(3));
        QCOMPARE(QString::fromStdString(runs[0].name), QStringLiteral("Расчет 1"));
        QCOMPARE(QString::fromStdString(runs[1].name), QStringLiteral("быстрая"));
        QCOMPARE(QString::fromStdString(runs[2].name), QStringLiteral("быстрая*"));
        QCOMPARE(runs[1].vlit, 2.2);

        w->WindowCompare->trigger();
        QVERIFY(c->isVisible());
        QCOMPARE(c->ListRuns->count(), 3);
        QVERIFY(c->ListRuns->item(2)->text().contains(QStringLiteral("(текущий)")));
        // Table: one column per run, figures as the key figures give them.
        QCOMPARE(c->TableFigures->columnCount(), 3);
        QCOMPARE(c->TableFigures->rowCount(), int(TFormCompare::FigureNames().size()));
        QCOMPARE(c->TableFigures->horizontalHeaderItem(1)->text(), QStringLiteral("быстрая"));
        for (int col = 0; col < 3; ++col) {
            const korvel::KeyFigures& k = runs[col].figures;
            QCOMPARE(c->TableFigures->item(5, col)->text(), QStringLiteral("да"));
            QCOMPARE(c->TableFigures->item(2, col)->text(), QLocale().toString(k.maxReheat, 'f', 1));
            QCOMPARE(c->TableFigures->item(3, col)->text(), QLocale().toString(k.centreCarbonRatio, 'f', 3));
        }
        // Chart: every run, the current one last; distance from the meniscus = Vlit * tau / 60.
        QCOMPARE(seriesNames(), (QStringList{"Расчет 1", "быстрая", "быстрая*"}));
        auto* fastSeries = static_cast<QLineSeries*>(c->Chart->series()[1]);
        QVERIFY(fastSeries->count() > 2);
        const QPointF last = fastSeries->at(fastSeries->count() - 1);
        QVERIFY2(std::fabs(last.x() - 2.2 * minutes()) < 1e-9, qPrintable(QString::number(last.x())));
        QCOMPARE(last.y(), runs[1].history.back().midX);

        // Another point of the section.
        c->ComboPoint->setCurrentIndex(3);
        QCOMPARE(static_cast<QLineSeries*>(c->Chart->series()[1])->at(0).y(), runs[1].history.front().center);

        if (const QByteArray shots = qgetenv("KORVEL_SHOT_DIR"); !shots.isEmpty()) {
            c->ComboPoint->setCurrentIndex(0);
            for (const QSize size : {QSize(1366, 768), QSize(1920, 1080)}) {
                w->setGeometry(QRect(QPoint(0, 0), size));
                c->setGeometry(QRect(QPoint(size.width() / 8, size.height() / 10), size * 0.75));
                c->raise();
                QTest::qWait(300);
                const QPixmap shot = c->screen()->grabWindow(0);
                shot.save(
                    QDir(QString::fromLocal8Bit(shots))
                        .filePath(QStringLiteral("compare-%1x%2.png").arg(size.width()).arg(size.height())));
            }
        }

        // Unticked: off the chart, still in the table.
        c->ListRuns->item(0)->setCheckState(Qt::Unchecked);
        QCOMPARE(seriesNames(), (QStringList{"быстрая", "быстрая*"}));
        QCOMPARE(c->TableFigures->columnCount(), 3);
        // Removed: gone from the archive, the table and the chart.
        c->ListRuns->item(1)->setSelected(true);
        QVERIFY(c->ButtonRemove->isEnabled());
        c->ButtonRemove->click();
        QCOMPARE(w->Archive().Runs().size(), std::size_t(2));
        QCOMPARE(c->TableFigures->columnCount(), 2);
        QCOMPARE(seriesNames(), QStringList{"быстрая*"});
    }

    void stoppedRunIsKeptAsNotCompleted() {
        held::Use(0); // the run takes no step until it is stopped
        w->FormIsxDan->CurrencyVp->setValue(10);
        QSignalSpy handed(w.get(), &TFormMain::HandedOver);
        QSignalSpy ended(w.get(), &TFormMain::RunEnded);
        w->ActionsSolve->trigger();
        QVERIFY(handed.wait(30000));
        w->ActionsStop->trigger();
        QVERIFY(ended.count() > 0 || ended.wait(30000));
        QCOMPARE(w->Archive().Runs().size(), std::size_t(1));
        const korvel::ArchivedRun& r = w->Archive().Runs()[0];
        QVERIFY(!r.figures.completed);
        w->WindowCompare->trigger();
        QVERIFY(w->FormCompare->TableFigures->item(5, 0)->text().startsWith(QStringLiteral("нет")));
        QVERIFY(w->FormCompare->ListRuns->item(0)->text().contains(QStringLiteral("остановлен")));
    }

    void keepsTheLatestSix() {
        for (int k = 0; k < 7; ++k)
            QVERIFY(run(1.5, 1.9));
        QCOMPARE(w->Archive().Runs().size(), std::size_t(6));
        QCOMPARE(QString::fromStdString(w->Archive().Runs().front().name), QStringLiteral("Расчет 2"));
        QCOMPARE(w->FormCompare->TableFigures->columnCount(), 6);
    }
};

QTEST_MAIN(TestCompare)
#include "tst_compare.moc"
