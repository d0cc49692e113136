// The casting dynamics window: a schedule typed into the table runs the strand in the background, the
// pictures follow it and the time slider chooses a moment afterwards; a bad schedule, typed or opened from
// a file, is refused naming the line and changes nothing on screen.
#include "strand/Schedule.h"
#include "ui/UnCasting.h"

#include <QChart>
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
};

QTEST_MAIN(TestCasting)
#include "tst_casting.moc"
