// Many runs in one program instance: every run must end normally, and the resident memory must not grow
// from run to run.
#include "run/UnSolveThread.h"
#include "ui/NumericEdit.h"
#include "ui/UnIsxDan.h"
#include "ui/UnTemTau.h"
#include "ui/unMain.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers keep freed memory in quarantine and shadow it: the resident size says nothing then.
constexpr bool kMeasureMemory = false;
#else
constexpr bool kMeasureMemory = true;
#endif

namespace {

// Valgrind, too, keeps freed blocks back and adds red zones; it announces itself by its preload.
bool underValgrind() {
    return qEnvironmentVariable("LD_PRELOAD").contains(QLatin1String("vgpreload"));
}

// Resident set size in KiB, from /proc/self/statm.
long residentKiB() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QList<QByteArray> fields = f.readAll().simplified().split(' ');
    if (fields.size() < 2) return -1;
    return fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

class TestSoak : public QObject {
    Q_OBJECT

private slots:
    void fiftyRunsKeepMemoryFlat() {
        constexpr int kRuns = 50;
        // Allowed growth from run 5 to run 50. One run's own data (the 10 x 10 state, 7 chart points per
        // series) is a few KiB; a per-run leak of a chart, a window or a worker would exceed this by far
        // over 45 runs, while the allocator's and Qt's caches settle well within it.
        constexpr long kMaxGrowthKiB = 2048;
        korvel::Model model;
        QStringList messages;
        auto w = std::make_unique<TFormMain>(model);
        // Runs on the coarse grids of the tests go ahead without the question.
        w->SetQuestionHandler([](const QString&) { return true; });
        w->SetMessageHandler([&](const QString& text) { messages << text; });
        w->show();
        w->FormIsxDan->CurrencyVp->setValue(0.5); // 30 s of process time
        long after5 = 0, after50 = 0;
        for (int run = 1; run <= kRuns; ++run) {
            QSignalSpy ended(w.get(), &TFormMain::RunEnded);
            w->ActionsSolve->trigger();
            QVERIFY2(w->RunActive(), qPrintable(QStringLiteral("run %1 did not start").arg(run)));
            QVERIFY2(ended.wait(60000), qPrintable(QStringLiteral("run %1 did not end").arg(run)));
            QVERIFY(w->HasResults() && w->ResultsCompleted());
            QCOMPARE(w->FormTempTau->PointCount(), 7);
            QCOMPARE(model.state.Tau, 30.0);
            // The ended worker is deleted later: let that happen before measuring.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
            if (run == 5) after5 = residentKiB();
            if (run == kRuns) after50 = residentKiB();
        }
        QVERIFY(messages.isEmpty());
        qInfo("resident memory after run 5: %ld KiB, after run %d: %ld KiB, growth %ld KiB (bound %ld KiB)",
              after5, kRuns, after50, after50 - after5, kMaxGrowthKiB);
        QVERIFY(after5 > 0 && after50 > 0);
        if (kMeasureMemory && !underValgrind())
            QVERIFY2(after50 - after5 < kMaxGrowthKiB,
                     qPrintable(QStringLiteral("grew by %1 KiB").arg(after50 - after5)));
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
