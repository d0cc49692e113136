// The parameter study window: the inputs it reads, a study run in the background whose rows are the
// study runner's to the last bit, the chart, the CSV, cancel, and a row's case opened in the program.
#include "study/Study.h"
#include "ui/UnIsxDan.h"
#include "ui/UnParamMod.h"
#include "ui/UnStudy.h"
#include "ui/unMain.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <memory>

namespace {

// A short case: an 8 x 8 grid and half a minute of process time.
korvel::Case SmallCase() {
    korvel::Case c;
    c.params.L = c.params.M = 8;
    c.window.Vp = 0.5;
    return c;
}

void Choose(QComboBox* box, const QString& key) {
    const int k = box->findData(key);
    QVERIFY2(k >= 0, qPrintable(key));
    box->setCurrentIndex(k);
}

void SetRange(TFormStudy::InputRow& r, const QString& key, const QString& from, const QString& to,
              const QString& step) {
    Choose(r.field, key);
    r.mode->setCurrentIndex(0);
    r.from->setText(from);
    r.to->setText(to);
    r.step->setText(step);
}

void SetList(TFormStudy::InputRow& r, const QString& key, const QString& list) {
    Choose(r.field, key);
    r.mode->setCurrentIndex(1);
    r.list->setText(list);
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

class TestStudy : public QObject {
    Q_OBJECT

    std::unique_ptr<TFormStudy> w;
    QStringList messages;

    // A 2 x 3 study: casting speed 1,4 and 1,6 (a list), pouring temperature 1500 to 1540 by 20.
    void setUpTwoByThree() {
        w->Inputs[1].use->setChecked(true);
        SetList(w->Inputs[0], "Vlit", "1,4; 1,6");
        SetRange(w->Inputs[1], "T0", "1500", "1540", "20");
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void init() {
        messages.clear();
        w = std::make_unique<TFormStudy>();
        w->SetCaseSource([] { return SmallCase(); });
        w->SetMessageHandler([this](const QString& text) { messages << text; });
        w->SetJobs(2);
        w->resize(1300, 650);
        w->show();
    }
    void cleanup() { w.reset(); }

    void countsRunsAndRefusesBadInput() {
        SetRange(w->Inputs[0], "Vlit", "1,4", "1,6", "0,1");
        QCOMPARE(w->LabelCount->text(), QStringLiteral("Расчетов в серии: 3"));
        QVERIFY(w->ButtonStart->isEnabled());
        // The second input counts only when it is switched on.
        SetList(w->Inputs[1], "T0", "1500; 1520");
        QCOMPARE(w->LabelCount->text(), QStringLiteral("Расчетов в серии: 3"));
        w->Inputs[1].use->setChecked(true);
        QCOMPARE(w->LabelCount->text(), QStringLiteral("Расчетов в серии: 6"));
        // A decimal point is understood as well as the locale's comma.
        w->Inputs[0].step->setText("0.05");
        QCOMPARE(w->LabelCount->text(), QStringLiteral("Расчетов в серии: 10"));

        const struct {
            int input;
            const char* field;
            const char* text;
            const char* message;
        } bad[] = {
            {0, "step", "0", "Первый параметр: шаг не должен быть равен нулю."},
            {0, "step", "-0,1", "Первый параметр: шаг ведет от начала в сторону, противоположную концу."},
            {0, "to", "", "Первый параметр: в поле «до» нужно число."},
            {0, "from", "abc", "Первый параметр: в поле «от» нужно число."},
            {1, "list", "1500; x", "Второй параметр: «x» не является числом"},
        };
        for (const auto& b : bad) {
            TFormStudy::InputRow& r = w->Inputs[b.input];
            QLineEdit* e = QString(b.field) == "step"   ? r.step
                           : QString(b.field) == "to"   ? r.to
                           : QString(b.field) == "from" ? r.from
                                                        : r.list;
            const QString old = e->text();
            e->setText(QString::fromUtf8(b.text));
            QVERIFY2(w->LabelCount->text().startsWith(QString::fromUtf8(b.message)),
                     qPrintable(w->LabelCount->text()));
            QVERIFY(!w->ButtonStart->isEnabled());
            e->setText(old);
            QVERIFY(w->ButtonStart->isEnabled());
        }
        // A study too large for the window is sent to the batch runner.
        w->Inputs[0].to->setText("2");
        w->Inputs[0].step->setText("0,0001"); // 6001 x 2 runs
        QVERIFY2(w->LabelCount->text().contains("korvel-batch"), qPrintable(w->LabelCount->text()));
        QVERIFY(!w->ButtonStart->isEnabled());
        w->Inputs[0].to->setText("1,6");
        w->Inputs[0].step->setText("0,1");
        // The same input twice, and grids that are not whole numbers.
        SetList(w->Inputs[1], "Vlit", "1; 2");
        QVERIFY2(w->LabelCount->text().contains("дважды"), qPrintable(w->LabelCount->text()));
        SetList(w->Inputs[1], "L", "8; 8,5");
        QVERIFY2(w->LabelCount->text().contains("целое число"), qPrintable(w->LabelCount->text()));
        w->Start();
        QVERIFY(!w->Running());
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].endsWith("Серия не запущена."), qPrintable(messages[0]));
    }

    void finishedStudyIsTheRunnersToTheLastBit() {
        setUpTwoByThree();
        QSignalSpy finished(w.get(), &TFormStudy::Finished);
        w->Start();
        QVERIFY(w->Running());
        QVERIFY(!w->ButtonStart->isEnabled());
        QVERIFY(w->ButtonCancel->isEnabled());
        QVERIFY(finished.wait(120000));
        QVERIFY(!w->Running());
        QVERIFY2(w->LabelTimeLeft->text().startsWith("Серия завершена"),
                 qPrintable(w->LabelTimeLeft->text()));
        QCOMPARE(w->Progress->value(), w->Progress->maximum());
        QCOMPARE(w->Progress->text(), QStringLiteral("6 из 6"));

        // The same study through the runner on one thread.
        korvel::Study s = w->CurrentStudy();
        QCOMPARE(korvel::StudyRunCount(s), std::size_t(6));
        korvel::StudyRunner runner(s, {0, 6}, 1);
        runner.Run();
        const auto& rows = w->StudyRows();
        QCOMPARE(rows.size(), std::size_t(6));
        for (std::size_t k = 0; k < 6; ++k) {
            QCOMPARE(rows[k].index, k);
            QCOMPARE(rows[k].status, korvel::StudyRunStatus::Completed);
            for (const korvel::StudyFigure& f : korvel::StudyFigures())
                QVERIFY2(SameBits(f.get(rows[k].figures), f.get(runner.Rows()[k].figures)),
                         qPrintable(QStringLiteral("run %1 %2: %3 vs %4")
                                        .arg(k + 1)
                                        .arg(f.key)
                                        .arg(f.get(rows[k].figures), 0, 'g', 17)
                                        .arg(f.get(runner.Rows()[k].figures), 0, 'g', 17)));
        }
        QCOMPARE(rows[3].inputs, (std::vector<double>{1.6, 1500}));

        // The table: one row per run; number, two inputs, result, seven figures, remark.
        QCOMPARE(w->Table->rowCount(), 6);
        QCOMPARE(w->Table->columnCount(), 12);
        for (int c = 0; c < 4; ++c)
            QVERIFY2(w->Table->item(3, c), qPrintable(QString::number(c)));
        QCOMPARE(w->Table->item(3, 1)->text(), QStringLiteral("1,6"));
        QCOMPARE(w->Table->item(3, 2)->text(), QStringLiteral("1500"));
        QCOMPARE(w->Table->item(3, 3)->text(), QStringLiteral("завершен"));

        // The centre is still liquid after half a minute: no metallurgical length to draw.
        QVERIFY2(w->Chart()->title().endsWith("нет значений"), qPrintable(w->Chart()->title()));
        // The chart: one curve per pouring temperature, its points at the two speeds.
        w->FigureChooser->setCurrentIndex(w->FigureChooser->findData("centreTemperature"));
        const QList<QAbstractSeries*> series = w->Chart()->series();
        QCOMPARE(series.size(), 3);
        for (int k = 0; k < 3; ++k) {
            auto* line = qobject_cast<QLineSeries*>(series[k]);
            QVERIFY(line);
            QCOMPARE(line->count(), 2);
            QCOMPARE(line->at(0).x(), 1.4);
            QCOMPARE(line->at(1).x(), 1.6);
        }
        QCOMPARE(series[1]->name(), QStringLiteral("T0 = 1520 °C"));
        // Another figure: the centre's sulphur of run 5 (1,6 m/min, 1520 °C).
        w->FigureChooser->setCurrentIndex(w->FigureChooser->findData("centreSulphurRatio"));
        QCOMPARE(w->Chart()->series().size(), 3);
        auto* second = qobject_cast<QLineSeries*>(w->Chart()->series()[1]);
        QVERIFY(second);
        QCOMPARE(second->count(), 2);
        QCOMPARE(second->at(1).y(), runner.Rows()[4].figures.centreSulphurRatio);

        // The CSV is the study's, byte for byte, written into place.
        QTemporaryDir dir;
        const QString path = dir.filePath("study");
        w->SetFileChooser([&] { return path; });
        QVERIFY(w->SaveCsv());
        QFile f(path + ".csv");
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().toStdString(), korvel::StudyCsv(s, runner.Rows()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"study.csv"});
        // A folder that does not exist: a message, nothing claimed.
        w->SetFileChooser([&] { return dir.filePath("none/study.csv"); });
        QVERIFY(!w->SaveCsv());
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith("Таблица не сохранена: не удалось записать файл"),
                 qPrintable(messages[0]));

        // A row opens its case.
        QSignalSpy opened(w.get(), &TFormStudy::OpenCase);
        w->Table->selectRow(4);
        w->OpenSelectedCase();
        QCOMPARE(opened.size(), 1);
        const auto c = opened[0][0].value<korvel::Case>();
        QCOMPARE(c.window.Vlit, 1.6);
        QCOMPARE(c.window.T0, 1520.0);
        QCOMPARE(c.window.Vp, 0.5);
        QCOMPARE(c.params.L, 8);
        QCOMPARE(opened[0][1].toInt(), 5);
    }

    void cancelKeepsTheRowsDone() {
        // 1001 runs on one background thread of lowered priority: the window takes its first row long
        // before they could all be done.
        SetRange(w->Inputs[0], "Vlit", "1", "2", "0,001");
        w->SetJobs(1);
        QSignalSpy finished(w.get(), &TFormStudy::Finished);
        bool cancelStayedOff = false;
        connect(w->Table->model(), &QAbstractItemModel::rowsInserted, w.get(), [&] {
            w->Cancel();
            // Once the row is in, the cancel button must not come back while the last runs end.
            QMetaObject::invokeMethod(
                w.get(), [&] { cancelStayedOff = !w->ButtonCancel->isEnabled(); }, Qt::QueuedConnection);
        });
        w->Start();
        QVERIFY(finished.wait(120000));
        QVERIFY(w->Cancelled());
        QTRY_VERIFY(cancelStayedOff);
        const std::size_t done = w->StudyRows().size();
        QVERIFY2(done >= 1 && done < 1001, qPrintable(QString::number(done)));
        QCOMPARE(w->Table->rowCount(), int(done));
        QCOMPARE(w->Progress->text(), QStringLiteral("%1 из 1001").arg(done));
        for (std::size_t k = 0; k < done; ++k)
            QCOMPARE(w->StudyRows()[k].index, k);
        QVERIFY2(w->LabelTimeLeft->text().startsWith(
                     QStringLiteral("Серия прервана: готово %1 из 1001").arg(done)),
                 qPrintable(w->LabelTimeLeft->text()));
        QVERIFY(w->ButtonStart->isEnabled());
        QVERIFY(w->ButtonSaveCsv->isEnabled());
    }

    void closingWhileRunningEndsTheStudy() {
        SetRange(w->Inputs[0], "Vlit", "1", "2", "0,01");
        w->Start();
        QVERIFY(w->Running());
        w.reset(); // must cancel and wait for the runs going, not crash or hang
    }

    void mainWindowOpensTheStudyAndACase() {
        korvel::Model model;
        TFormMain main(model);
        QStringList shown;
        main.SetMessageHandler([&](const QString& text) { shown << text; });
        QMenu* servis = main.menuBar()->findChild<QMenu*>("MenuServis");
        QVERIFY(servis);
        QVERIFY(servis->actions().contains(main.ServisStudy));
        QCOMPARE(main.ServisStudy->text(), QStringLiteral("Серия расчетов"));
        main.ServisStudy->trigger();
        QVERIFY(main.FormStudy);
        QVERIFY(main.SubWindowOf(main.FormStudy));
        // Its base case is the case on screen: the data window's values and the model parameters.
        main.FormIsxDan->CurrencyVlit->setValue(1.8);
        model.params.Dt = 0.25;
        QString problem;
        const korvel::Study s = main.FormStudy->StudyFromControls(problem);
        QCOMPARE(s.base.window.Vlit, 1.8);
        QCOMPARE(s.base.params.Dt, 0.25);

        korvel::Case c = SmallCase();
        c.window.T0 = 1533;
        c.params.L = 12;
        c.params.SideFlag = -1;
        QVERIFY(main.OpenStudyCase(c, 3));
        QCOMPARE(main.FormIsxDan->Values().T0, 1533.0);
        QCOMPARE(main.FormIsxDan->Values().Vp, 0.5);
        QCOMPARE(model.params.L, 12);
        QCOMPARE(model.params.M, 8);
        QCOMPARE(model.state.Tem.Rows(), 13); // the state follows the new grid
        QCOMPARE(model.params.SideFlag, -1);
        QVERIFY(main.fmParamMod->RadioButton2->isChecked());
        QVERIFY(shown.isEmpty());
        // A grid outside 4..100 is not taken.
        c.params.L = 3;
        c.window.T0 = 1400;
        QVERIFY(!main.OpenStudyCase(c, 4));
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains("от 4 до 100"), qPrintable(shown[0]));
        QCOMPARE(main.FormIsxDan->Values().T0, 1533.0);
        QCOMPARE(model.params.L, 12);
    }
};

QTEST_MAIN(TestStudy)
#include "tst_study.moc"
