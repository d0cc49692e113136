// The profile along the machine: its window live during a run and after it, the quality verdict in the
// window, the summary and the exported files, and the dialog of the criteria's limits.
#include "results/ProfileExport.h"
#include "results/QualityVerdict.h"
#include "run/UnSolveThread.h"
#include "ui/UnIsxDan.h"
#include "ui/UnProfile.h"
#include "ui/UnQuality.h"
#include "ui/UnResults.h"
#include "ui/unMain.h"

#include "ui/NumericEdit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QValueAxis>
#include <cmath>
#include <memory>

namespace {

korvel::ProfilePoint point(double z, double surface, double centre, double shell) {
    korvel::ProfilePoint p;
    p.z = z;
    p.tau = z * 40;
    p.surfaceX = p.surfaceY = surface;
    p.corner = surface - 100;
    p.centre = centre;
    p.shellX = p.shellY = shell;
    p.liquidusX = p.liquidusY = shell + 5;
    return p;
}

korvel::MachineProfile sampleProfile() {
    korvel::MachineProfile p;
    p.zones = korvel::ZonesOf(korvel::CastingData{});
    p.points = {point(0, 1515, 1515, 0), point(0.75, 1150, 1514, 10), point(1.5, 1050, 1512, 20.5),
                point(3, 1000, 1505, 30)};
    return p;
}

QStringList readLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

} // namespace

class TestProfile : public QObject {
    Q_OBJECT

    korvel::Model m_model;
    std::unique_ptr<TFormMain> w;
    QStringList m_messages;
    QString m_folder;

    bool runMinutes(double minutes) {
        w->FormIsxDan->CurrencyVp->setValue(minutes);
        QSignalSpy ended(w.get(), &TFormMain::RunEnded);
        w->ActionsSolve->trigger();
        return (w->WorkerAlive() ? ended.wait(60000) : true) && w->HasResults();
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void init() {
        m_model = korvel::Model();
        m_messages.clear();
        w = std::make_unique<TFormMain>(m_model);
        w->SetMessageHandler([this](const QString& text) { m_messages << text; });
        w->SetQuestionHandler([](const QString&) { return true; });
        w->SetFolderChooser([this] { return m_folder; });
        w->show();
    }
    void cleanup() {
        w.reset();
        TSolveThread::WaitAtEveryHandOver = false;
    }

    void windowShowsProfileZonesAndValues() {
        TFormProfile f;
        f.resize(900, 400);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QCOMPARE(f.windowTitle(), QStringLiteral("Параметры по длине машины"));
        // The same tool bar as the temperature chart: reset, zoom in, zoom out, save, copy.
        int buttons = 0;
        for (QAction* a : f.ChartTool1->actions())
            if (!a->isSeparator()) ++buttons;
        QCOMPARE(buttons, 5);
        QCOMPARE(TFormProfile::ZoneNames(),
                 (QStringList{"Кристаллизатор", "Секция 1", "Секция 2", "Секция 3", "Секция 4", "Воздух"}));
        // Temperatures on the left axis, thicknesses on the right.
        for (int k = 0; k < 8; ++k) {
            const auto axes = f.Chart1->axes(Qt::Vertical, f.Series(k));
            QCOMPARE(axes.size(), 1);
            QCOMPARE(axes.first(), static_cast<QAbstractAxis*>(k < 4 ? f.AxisLeft : f.AxisRight));
        }

        const korvel::MachineProfile p = sampleProfile();
        f.Start(p.zones, 15, 0.08, 22.79);
        QCOMPARE(f.PointCount(), 0);
        QCOMPARE(f.AxisBottom->max(), 15.0); // the whole run's length from the start
        korvel::DerivedResults r;
        r.mouldExitSeen = true;
        r.mouldExit.faceX = r.mouldExit.faceY = 10.5;
        std::vector<korvel::CriterionResult> verdict = korvel::JudgeQuality(
            korvel::KeyFigures{false, NAN, 10.5, 120, 1.1, 1.2, 1505, 120}, p, korvel::CastingData{}, {});
        f.ShowProfile(p, r, verdict);
        QCOMPARE(f.PointCount(), 4);
        QCOMPARE(f.Series(4)->at(2), QPointF(1.5, 20.5));
        QCOMPARE(f.Series(3)->at(3), QPointF(3, 1505));
        QVERIFY2(f.AxisLeft->min() <= 900 && f.AxisLeft->max() >= 1515,
                 qPrintable(QStringLiteral("%1..%2").arg(f.AxisLeft->min()).arg(f.AxisLeft->max())));
        QCOMPARE(f.AxisRight->min(), 0.0);
        QVERIFY(f.AxisRight->max() >= 80);

        // The values under the mouse, interpolated, with the zone and the locale's separator.
        const QString at = f.ValuesAt(1.2);
        QVERIFY2(at.startsWith(QStringLiteral("1,20 м (Секция 1)")), qPrintable(at));
        QVERIFY2(at.contains(QStringLiteral("Поверхность X 1090 °C")), qPrintable(at));
        QVERIFY2(at.contains(QStringLiteral("Корочка X 16,3 мм")), qPrintable(at));
        QVERIFY(f.ValuesAt(3.5).isEmpty()); // beyond the slice
        const QPointF mouse = f.Chart1->mapToPosition(QPointF(2, 1200), f.Series(0));
        QMouseEvent move(QEvent::MouseMove, mouse, f.ChartView1->viewport()->mapToGlobal(mouse), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(f.ChartView1->viewport(), &move);
        QTRY_VERIFY2(f.CursorText().contains(QStringLiteral("(Секция 2)")), qPrintable(f.CursorText()));

        // The verdict panel: shell in order, reheating over its limit, the rest not reached yet.
        QCOMPARE(f.StateText(0), QStringLiteral("в норме"));
        QCOMPARE(f.StateText(1), QStringLiteral("нарушено"));
        QCOMPARE(f.StateText(2), QStringLiteral("не достигнуто"));
        QCOMPARE(f.StateText(3), QStringLiteral("не достигнуто"));
        const QString panel = f.PanelVerdict->grab().isNull() ? QString() : QStringLiteral("ok");
        QCOMPARE(panel, QStringLiteral("ok"));

        // A picture at any size, with the curves.
        const QImage image = f.RenderImage(QSize(1200, 600));
        QCOMPARE(image.size(), QSize(1200, 600));
        QCOMPARE(f.size(), QSize(900, 400)); // the window itself is left as it was
        int coloured = 0;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                if (QColor(image.pixel(x, y)).saturation() > 150) ++coloured;
        QVERIFY2(coloured > 200, qPrintable(QString::number(coloured)));

        // Low strips give the axis titles' room to the curves.
        QVERIFY(f.AxisBottom->isTitleVisible());
        f.resize(900, 150);
        QTRY_VERIFY(!f.AxisBottom->isTitleVisible());
        QVERIFY(f.Chart1->plotArea().height() > 40);
    }

    void extremeRangesKeepAFewTicks() {
        // Absurd input makes absurd ranges; the axes must still carry a handful of ticks, going there
        // and coming back.
        TFormProfile f;
        f.resize(700, 300);
        f.show();
        korvel::MachineProfile p = sampleProfile();
        auto ticks = [](QValueAxis* a) { return (a->max() - a->min()) / a->tickInterval(); };
        for (double scale : {1.0, 1e12, 1.0, 1e-9, 1.0}) {
            korvel::MachineProfile q = p;
            for (korvel::ProfilePoint& pt : q.points) {
                pt.z *= scale;
                pt.centre *= scale;
            }
            f.Start(q.zones, 15 * scale, 0.08 * scale, NAN);
            f.ShowProfile(q, {}, {});
            for (QValueAxis* a : {f.AxisBottom, f.AxisLeft, f.AxisRight})
                QVERIFY2(ticks(a) >= 1 && ticks(a) <= 10, qPrintable(QStringLiteral("scale %1: %2..%3 by %4")
                                                                         .arg(scale)
                                                                         .arg(a->min())
                                                                         .arg(a->max())
                                                                         .arg(a->tickInterval())));
        }
        f.ZoomIn();
        f.ZoomReset();
        QCOMPARE(f.AxisBottom->max(), 15.0);
    }

    void liveDuringTheRunAndAfter() {
        TSolveThread::WaitAtEveryHandOver = true; // the profile as it stands at each hand-over
        QList<int> points;
        connect(w.get(), &TFormMain::HandedOver, this, [this, &points](bool, double) {
            if (w->SolveThread) points << int(w->SolveThread->Profile().points.size());
        });
        QVERIFY(runMinutes(1)); // 120 steps
        // The profile grows at every hand-over by its point and the surface extremes of the steps
        // since the last one; the final hand-over repeats the last periodic state and adds nothing.
        // The window draws it after the hand-overs, the final state at the end.
        QCOMPARE(points.size(), 14);
        QCOMPARE(points[0], 1);
        for (int k = 1; k < 13; ++k)
            QVERIFY2(points[k] > points[k - 1], qPrintable(QString::number(k)));
        QCOMPARE(points[13], points[12]);
        QCOMPARE(w->FormProfile->PointCount(), points[13]);

        const korvel::MachineProfile& p = w->ResultsProfile();
        QCOMPARE(int(p.points.size()), points[13]);
        QCOMPARE(p.points.back().z, 1.5);
        QCOMPARE(p.points.back().shellX, w->Results().solid.faceX);
        QCOMPARE(w->FormProfile->Series(4)->points().constLast(), QPointF(1.5, w->Results().solid.faceX));
        QCOMPARE(w->FormProfile->AxisBottom->max(), 1.5);
        // The slice has left the mould, not the spray zone.
        QCOMPARE(w->ResultsVerdict()[0].state, korvel::CriterionState::Ok);
        QCOMPARE(w->ResultsVerdict()[1].state, korvel::CriterionState::NotReached);
        QCOMPARE(w->FormProfile->StateText(0), QStringLiteral("в норме"));
        // Segregation has no limit by default: nothing judged, so never "в норме".
        QCOMPARE(w->FormProfile->StateText(4), QStringLiteral("не оценивается"));
        QVERIFY(w->FormResults->Lines().contains(QStringLiteral("Критерии качества:")));

        // Window menu and arrangement.
        w->WindowProfile->trigger();
        QVERIFY(w->SubWindowOf(w->FormProfile)->isMaximized());
        w->TileHorizontal();
        QVERIFY(!w->SubWindowOf(w->FormProfile)->isMaximized());
        QCOMPARE(w->SubWindowOf(w->FormProfile)->width(), w->MdiArea()->viewport()->width());
    }

    void newLimitsJudgeTheResultsAgain() {
        QVERIFY(runMinutes(1));
        const double shell = w->ResultsVerdict()[0].value;
        QVERIFY2(shell > 8 && shell < 30, qPrintable(QString::number(shell)));
        QTimer::singleShot(0, this, [this] {
            QVERIFY(w->fmQuality->isVisible());
            w->fmQuality->SpinShell->setValue(30);
            w->fmQuality->ButtonOk->click();
        });
        w->ServisQuality->trigger();
        QCOMPARE(w->QualityLimits().mouldExitShell, 30.0);
        QCOMPARE(w->ResultsVerdict()[0].state, korvel::CriterionState::Violated);
        QCOMPARE(w->FormProfile->StateText(0), QStringLiteral("нарушено"));
        const QStringList lines = w->FormResults->Lines();
        QCOMPARE(lines.count(QStringLiteral("Критерии качества:")), 1);
        QVERIFY2(lines.filter(QStringLiteral("(не менее 30,0 мм) — нарушено")).size() == 1,
                 qPrintable(lines.join('\n')));
        // Cancel keeps them.
        QTimer::singleShot(0, this, [this] {
            w->fmQuality->SpinShell->setValue(1);
            w->fmQuality->ButtonCancel->click();
        });
        w->ServisQuality->trigger();
        QCOMPARE(w->QualityLimits().mouldExitShell, 30.0);

        // The next run is judged by them from its first hand-over.
        QVERIFY(runMinutes(0.5));
        QCOMPARE(w->ResultsVerdict()[0].limit, 30.0);
    }

    void dialogDefaultsAndRefusal() {
        TfmQuality d;
        korvel::CastingData data; // radius 14 m, mould 0.8 m
        d.SetLimits({}, data);
        QCOMPARE(d.windowTitle(), QStringLiteral("Критерии качества"));
        QCOMPARE(d.SpinShell->value(), 8.0);
        QCOMPARE(d.SpinReheat->value(), 100.0);
        QCOMPARE(d.SpinDuctLow->value(), 700.0);
        QCOMPARE(d.SpinDuctHigh->value(), 900.0);
        QVERIFY(!d.CheckStraight->isChecked() && !d.SpinStraight->isEnabled());
        QVERIFY2(d.LabelStraightDefault->text().contains(QStringLiteral("22,79 м")),
                 qPrintable(d.LabelStraightDefault->text()));
        QVERIFY(!d.CheckCarbon->isChecked() && !d.CheckSulphur->isChecked());
        korvel::QualityLimits l = d.Limits();
        QVERIFY(std::isnan(l.straightening) && std::isnan(l.centreCarbon) && std::isnan(l.centreSulphur));

        d.CheckCarbon->setChecked(true);
        d.SpinCarbon->setValue(1.25);
        d.CheckStraight->setChecked(true);
        d.SpinStraight->setValue(12);
        l = d.Limits();
        QCOMPARE(l.centreCarbon, 1.25);
        QCOMPARE(l.straightening, 12.0);

        // An inverted range is refused with the reason; the dialog stays open.
        d.show();
        d.SpinDuctLow->setValue(950);
        d.ButtonOk->click();
        QVERIFY(d.isVisible());
        QVERIFY(d.LabelError->isVisibleTo(&d));
        QVERIFY2(d.LabelError->text().contains(QStringLiteral("пластичности")),
                 qPrintable(d.LabelError->text()));
        d.ButtonDefaults->click();
        QCOMPARE(d.SpinDuctLow->value(), 700.0);
        QVERIFY(!d.CheckCarbon->isChecked());
        d.ButtonOk->click();
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }

    void exportIncludesProfileAndVerdict() {
        QVERIFY(runMinutes(1));
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        m_folder = dir.path();
        w->ActionsSaveResults->trigger();
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
        const QStringList profile = readLines(dir.filePath("profile.csv"));
        QCOMPARE(int(profile.size()), int(w->ResultsProfile().points.size()) + 1);
        QVERIFY(profile.last().startsWith(QStringLiteral("1.5,60,")));
        const QStringList verdict = readLines(dir.filePath("verdict.csv"));
        QCOMPARE(verdict.size(), 7);
        QVERIFY2(verdict[2].startsWith(QStringLiteral("reheating,")) && verdict[2].endsWith(",K,not reached"),
                 qPrintable(verdict[2]));
        const QImage picture(dir.filePath("profile.png"));
        QCOMPARE(picture.width(), 1600);
        QVERIFY2(picture.height() > 1040, qPrintable(QString::number(picture.height()))); // under its caption
    }
};

QTEST_MAIN(TestProfile)
#include "tst_profile.moc"
