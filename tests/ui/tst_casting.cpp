// The casting dynamics window: a schedule typed into the table runs the strand in the background, the
// pictures follow it and the time slider chooses a moment afterwards; a bad schedule, typed or opened from
// a file, is refused naming the line and changes nothing on screen; the pyrometers are chosen in their
// field, bad distances refused; a run stopped half-way leaves the window ready for the next.
#include "../run/HeldSlices.h"
#include "strand/Schedule.h"
#include "strand/Strand.h"
#include "ui/UnCasting.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

korvel::Model Small() {
    korvel::Model m;
    m.params.L = m.params.M = 6;
    m.params.Dt = 1;
    m.data.HalfX = m.data.HalfY = 0.06;
    return m;
}

void Type(QTableWidget* t, int row, int col, const QString& text) {
    t->setItem(row, col, new QTableWidgetItem(text));
}

} // namespace

class TestCasting : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { held::Release(); }

    void runsFollowsAndRefusesBadSchedules() {
        TFormCasting w;
        QStringList messages;
        w.SetMessageHandler([&](const QString& m) { messages << m; });
        w.SetModelSource(Small);
        w.SetJobs(2);
        w.resize(1200, 800);
        w.show();

        // Two minutes at 2 m/min, slowing to 1.5 m/min at the third minute.
        w.TableSchedule->setRowCount(2);
        Type(w.TableSchedule, 0, 0, QStringLiteral("0"));
        Type(w.TableSchedule, 0, 1, QStringLiteral("2"));
        Type(w.TableSchedule, 1, 0, QStringLiteral("3"));
        Type(w.TableSchedule, 1, 1, QLocale().toString(1.5));
        w.EditDuration->setText(QStringLiteral("4"));
        QVERIFY2(w.CurrentSchedule().points.size() == 2, qPrintable(w.LabelStatus->text()));

        QSignalSpy finished(&w, &TFormCasting::Finished);
        w.Start();
        QVERIFY(!w.ButtonStart->isEnabled() || finished.count() == 1);
        QVERIFY(finished.count() == 1 || finished.wait(120000));
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
        QCOMPARE(int(w.Moments().size()), 25); // 0, 10 s, .., 4 min
        QVERIFY(w.SliderTime->isEnabled());
        QCOMPARE(w.SliderTime->maximum(), 24);
        QCOMPARE(w.ShownMoment(), 24);
        auto* surface = qobject_cast<QLineSeries*>(w.StrandChart()->series().at(0));
        QVERIFY(surface);
        QCOMPARE(surface->count(), int(w.Moments().back().slices.size()));

        w.SliderTime->setValue(6);
        QCOMPARE(w.ShownMoment(), 6);
        QCOMPARE(surface->count(), 7); // one minute in: seven slices from the meniscus down
        QVERIFY2(w.LabelMoment->text().contains(QLocale().toString(1.0, 'f', 2)),
                 qPrintable(w.LabelMoment->text()));

        // A speed of zero in the table: refused naming the line; the pictures stay.
        const std::size_t moments = w.Moments().size();
        Type(w.TableSchedule, 1, 1, QStringLiteral("0"));
        w.Start();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QStringLiteral("строка 2")), qPrintable(messages[0]));
        QVERIFY(!w.Running());
        QCOMPARE(w.Moments().size(), moments);
        QCOMPARE(surface->count(), 7);

        // A file with a time that goes back: refused naming its line; the table keeps what it held.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.csv"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("time_min,Vlit\n0,2\n2,1.8\n1,1.5\n");
        f.close();
        w.SetFileChooser([&](bool) { return path; });
        QVERIFY(!w.OpenCsv());
        QCOMPARE(messages.size(), 2);
        QVERIFY2(messages[1].contains(QStringLiteral("строка 4")), qPrintable(messages[1]));
        QCOMPARE(w.TableSchedule->item(1, 1)->text(), QStringLiteral("0"));
    }

    void choosesPyrometersAndRefusesBadOnes() {
        TFormCasting w;
        QStringList messages;
        w.SetMessageHandler([&](const QString& m) { messages << m; });
        w.SetModelSource(Small);
        w.SetJobs(2);
        w.resize(1200, 800);
        w.show();
        w.EditDuration->setText(QStringLiteral("1"));
        // The case's own, rounded to centimetres for the field.
        const std::vector<double> own = korvel::DefaultPyrometers(Small().data, korvel::QualityLimits{});
        const QString ownText = w.EditPyrometers->text();
        QCOMPARE(ownText.split(QStringLiteral("; ")).size(), int(own.size()));
        QVERIFY2(ownText.startsWith(QLocale().toString(own[0], 'g', 10)), qPrintable(ownText));

        // Refused naming the field; the field and the (empty) pictures stay as they were.
        const QString many = QStringLiteral("1 2 3 4 5 6 7 8 9 10 11 12 13");
        for (const QString& bad : {QStringLiteral("1; abc"), QStringLiteral("0"), QStringLiteral("2; -1"),
                                   QStringLiteral("1000"), QStringLiteral("nan"), many}) {
            w.EditPyrometers->setText(bad);
            messages.clear();
            w.Start();
            QCOMPARE(messages.size(), 1);
            QVERIFY2(messages[0].contains(QStringLiteral("«Пирометры, м»")), qPrintable(messages[0]));
            QVERIFY(!w.Running());
            QVERIFY(w.Moments().empty());
            QCOMPARE(w.EditPyrometers->text(), bad);
        }

        // Both decimal separators, ";" and spaces between: the run, its chart and its moments take them.
        messages.clear();
        w.EditPyrometers->setText(QLocale().toString(0.5) + QStringLiteral(" ;  1.5 3"));
        QSignalSpy finished(&w, &TFormCasting::Finished);
        w.Start();
        QVERIFY(finished.count() == 1 || finished.wait(120000));
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
        QCOMPARE(w.RunPyrometers(), (std::vector<double>{0.5, 1.5, 3}));
        QCOMPARE(w.Moments().back().pyrometers.size(), std::size_t(3));
        QStringList names;
        for (QAbstractSeries* series : w.ViewPyrometers->chart()->series())
            names << series->name();
        QCOMPARE(names, (QStringList{QLocale().toString(0.5, 'f', 2) + QStringLiteral(" м"),
                                     QLocale().toString(1.5, 'f', 2) + QStringLiteral(" м"),
                                     QLocale().toString(3.0, 'f', 2) + QStringLiteral(" м")}));

        // Back to the case's own: exactly the case's distances, not the rounded text.
        w.ButtonDefaultPyrometers->click();
        QCOMPARE(w.EditPyrometers->text(), ownText);
        w.Start();
        QVERIFY(finished.count() == 2 || finished.wait(120000));
        QCOMPARE(w.RunPyrometers(), own);
    }

    void stoppedRunLeavesTheWindowReady() {
        TFormCasting w;
        QStringList messages;
        w.SetMessageHandler([&](const QString& m) { messages << m; });
        w.SetModelSource(Small);
        w.SetJobs(1); // one slice after another: the steps below finish the first two slices, no more
        w.resize(1200, 800);
        w.show();
        // Slowing all the way: no slice is like another, every one is computed.
        w.TableSchedule->setRowCount(2);
        Type(w.TableSchedule, 0, 0, QStringLiteral("0"));
        Type(w.TableSchedule, 0, 1, QStringLiteral("2"));
        Type(w.TableSchedule, 1, 0, QStringLiteral("20"));
        Type(w.TableSchedule, 1, 1, QLocale().toString(1.5));
        w.EditDuration->setText(QStringLiteral("20"));

        held::UseSlices(1500); // a slice takes at most 1200 steps (20 min of 1 s); the run takes far more
        QSignalSpy finished(&w, &TFormCasting::Finished);
        w.Start();
        QVERIFY(w.Running());
        QVERIFY(!w.ButtonStart->isEnabled());
        QVERIFY(w.ButtonCancel->isEnabled());
        // Going: the first moment is on screen and the slice after waits for a step.
        QTRY_VERIFY_WITH_TIMEOUT(held::Allowed() <= 0 && !w.Moments().empty(), 120000);
        QVERIFY(w.Running());
        QCOMPARE(finished.count(), 0);

        w.ButtonCancel->click();
        QVERIFY(finished.count() == 1 || finished.wait(30000));
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
        QVERIFY(!w.Running());
        const int kept = int(w.Moments().size());
        QVERIFY(kept >= 1 && kept < 121);
        QVERIFY2(w.LabelStatus->text().contains(QStringLiteral("прерван")),
                 qPrintable(w.LabelStatus->text()));
        QVERIFY2(!w.LabelStatus->text().startsWith(QStringLiteral("Готово")),
                 qPrintable(w.LabelStatus->text()));
        QVERIFY(w.ButtonStart->isEnabled());
        QVERIFY(!w.ButtonCancel->isEnabled());
        for (QWidget* edit : {static_cast<QWidget*>(w.TableSchedule), static_cast<QWidget*>(w.EditDuration),
                              static_cast<QWidget*>(w.EditPyrometers)})
            QVERIFY(edit->isEnabled());
        // The moments computed stay to be looked at; the strand picture shows the last of them.
        QVERIFY(w.SliderTime->isEnabled());
        QCOMPARE(w.SliderTime->maximum(), kept - 1);
        QCOMPARE(w.ShownMoment(), kept - 1);

        // A new run starts afresh and completes.
        held::Release();
        w.EditDuration->setText(QStringLiteral("2"));
        w.Start();
        QVERIFY(w.Running());
        QVERIFY(finished.count() == 2 || finished.wait(120000));
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
        QCOMPARE(int(w.Moments().size()), 13);
        QVERIFY2(w.LabelStatus->text().startsWith(QStringLiteral("Готово")),
                 qPrintable(w.LabelStatus->text()));
        QVERIFY(w.ButtonStart->isEnabled());
        QVERIFY(!w.ButtonCancel->isEnabled());
    }
};

QTEST_MAIN(TestCasting)
#include "tst_casting.moc"
