// Random data sets typed into the data window, then Run: each one is either refused with a message
// (and nothing starts), or runs to its end showing only finite values, or is stopped with the message
// that the state stopped being finite. None may crash or hang the program.
#include "run/UnSolveThread.h"
#include "ui/NumericEdit.h"
#include "ui/UnIsxDan.h"
#include "ui/UnTemTau.h"
#include "ui/unMain.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineSeries>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <limits>
#include <memory>
#include <random>

namespace {

const char* const kFields[] = {"DlomX", "DlomY",   "Vp",     "C",    "Mn", "Si",  "S",   "P",
                               "Cr",    "Ni",      "Cu",     "Al",   "V",  "Mg",  "H2",  "T0",
                               "Vlit",  "Q1",      "Q2",     "Q3",   "Q4", "Nn1", "Nn2", "Nn3",
                               "Nn4",   "Rkorvel", "Lkrist", "Lzvo", "l1", "l2",  "l3",  "l4"};

// Where the window shows a number that came from the run: labels (the cross-section window, the status
// bar, the chart legend) and the temperature chart's points.
QString nonFiniteShown(TFormMain& w) {
    static const QRegularExpression bad(QStringLiteral("\\b(nan|inf)\\b"),
                                        QRegularExpression::CaseInsensitiveOption);
    for (const QLabel* l : w.findChildren<QLabel*>())
        if (l->text().contains(bad)) return QStringLiteral("label %1: %2").arg(l->objectName(), l->text());
    for (int k = 1; k <= 6; ++k)
        for (const QPointF& p : w.FormTempTau->Series(k)->points())
            if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
                return QStringLiteral("a point of series %1").arg(k);
    return QString();
}

} // namespace

class TestRandomInput : public QObject {
    Q_OBJECT

private slots:
    void randomDataSets() {
        constexpr int kSets = 100;
        std::mt19937 rng(7177);
        auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
        auto chance = [&](double p) { return uniform(0, 1) < p; };
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        const double specials[] = {0.0, -1.0, -1e6, nan, inf, -inf, 1e300, -1e300, 1e-300, 1e12};

        korvel::Model model;
        model.params.L = 6;
        model.params.M = 6;
        QStringList messages;
        auto w = std::make_unique<TFormMain>(model);
        // Runs on the coarse grids of the tests go ahead without the question.
        w->SetQuestionHandler([](const QString&) { return true; });
        w->SetMessageHandler([&](const QString& text) { messages << text; });
        w->show();
        const korvel::DataWindowValues start = korvel::DataWindowStartValues();

        int refused = 0, completed = 0, stopped = 0, failed = 0;
        for (int set = 0; set < kSets; ++set) {
            // Start from the program's values, then: every field scaled at random (one set in three), a
            // few fields given extreme or invalid values (the others), and a short process time.
            w->FormIsxDan->SetValues(start);
            const bool scaled = set % 3 == 0;
            QStringList changed;
            for (const char* name : kFields) {
                NumericEdit* f = w->FormIsxDan->Field(QLatin1String(name));
                QVERIFY2(f, name);
                const double given = f->value();
                double v = given;
                if (scaled) v *= uniform(0, 3);
                if (!scaled && chance(0.08)) v = specials[std::uniform_int_distribution<int>(0, 9)(rng)];
                if (QLatin1String(name) == QLatin1String("Vp") && std::isfinite(v) && std::fabs(v) < 1e6)
                    v = uniform(-0.05, 0.5); // up to 30 s
                f->setValue(v);
                if (!(f->value() == given))
                    changed << QStringLiteral("%1=%2").arg(QLatin1String(name)).arg(f->value());
            }
            const QString description = QStringLiteral("set %1: %2").arg(set).arg(changed.join(' '));
            messages.clear();

            QSignalSpy ended(w.get(), &TFormMain::RunEnded);
            w->ActionsSolve->trigger();
            if (!w->RunActive()) {
                // Refused: a message naming the reason and that nothing started, and no worker.
                QVERIFY2(messages.size() == 1 && messages[0].contains(QStringLiteral("Расчет не запущен")),
                         qPrintable(description + " / " + messages.join('|')));
                QVERIFY2(!w->WorkerAlive(), qPrintable(description));
                QVERIFY(w->ActionsSolve->isEnabled());
                ++refused;
                continue;
            }
            // A run: bounded in time; a very long process time is stopped after a while.
            bool stoppedByUser = false;
            if (!ended.wait(20000)) {
                w->ActionsStop->trigger();
                stoppedByUser = true;
                QVERIFY2(ended.wait(60000), qPrintable(QStringLiteral("hangs: ") + description));
            }
            QVERIFY2(!w->RunActive() && w->ActionsSolve->isEnabled(), qPrintable(description));
            if (!messages.isEmpty()) {
                QVERIFY2(messages.size() == 1 && messages[0].contains(QStringLiteral("Расчет остановлен")),
                         qPrintable(description + " / " + messages.join('|')));
                ++failed;
            } else if (stoppedByUser) {
                ++stopped;
            } else {
                QVERIFY2(w->HasResults() && w->ResultsCompleted(), qPrintable(description));
                ++completed;
            }
            const QString shown = nonFiniteShown(*w);
            QVERIFY2(shown.isEmpty(), qPrintable(description + " / " + shown));
        }
        qInfo("%d data sets: %d refused, %d completed, %d stopped as not finite, %d stopped after 20 s",
              kSets, refused, completed, failed, stopped);
        QVERIFY(refused > 0 && completed > 0);
    }
};

QTEST_MAIN(TestRandomInput)
#include "tst_randominput.moc"
