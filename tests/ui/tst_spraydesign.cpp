// The spray design and calibration windows: bad input refused with the reason and nothing on screen
// changed, a spray table over two speeds with its chart, "Применить" into the data window and the
// model parameters.
#include "design/Calibration.h"
#include "ui/UnCalibration.h"
#include "ui/UnIsxDan.h"
#include "ui/UnSprayDesign.h"
#include "ui/unMain.h"

#include <QAction>
#include <QChart>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

class TestSprayDesign : public QObject {
    Q_OBJECT

private slots:
    void designWindow() {
        korvel::Model model;
        TFormMain main(model);
        QStringList shown;
        korvel::ModelParams p = model.params;
        p.L = p.M = 6;
        main.SetModelParams(p);
        QAction* action = main.findChild<QAction*>(QStringLiteral("ServisSprayDesign"));
        QVERIFY(action);
        action->trigger();
        auto* w = main.findChild<TFormSprayDesign*>();
        QVERIFY(w);
        w->SetMessageHandler([&](const QString& t) { shown << t; });
        w->SetJobs(2);
        const korvel::DataWindowValues before = main.FormIsxDan->Values();

        // Bad input: nothing starts, nothing changes, the reason is named.
        w->EditFlowLow[0]->setText(QStringLiteral("5"));
        w->EditFlowHigh[0]->setText(QStringLiteral("2"));
        w->ButtonStart->click();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(QStringLiteral("Q1")) &&
                     shown[0].contains(QStringLiteral("больше верхней")),
                 qPrintable(shown[0]));
        w->EditFlowLow[0]->setText(QStringLiteral("0"));
        w->EditFlowHigh[0]->setText(QStringLiteral("8"));
        w->CheckSpeeds->setChecked(true);
        w->EditSpeedFrom->setText(QStringLiteral("2"));
        w->EditSpeedTo->setText(QStringLiteral("1"));
        w->EditSpeedStep->setText(QStringLiteral("0.2"));
        w->ButtonStart->click();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[1].contains(QStringLiteral("Скорости разливки")), qPrintable(shown[1]));
        w->EditSpeedFrom->setText(QStringLiteral("1.4"));
        w->EditSpeedTo->setText(QStringLiteral("1.8"));
        w->EditSpeedStep->setText(QStringLiteral("0.4"));
        w->EditBands->setText(QStringLiteral("3:1100"));
        w->ButtonStart->click();
        QCOMPARE(shown.size(), 3);
        QVERIFY2(shown[2].contains(QStringLiteral("3:1100")), qPrintable(shown[2]));
        QVERIFY(!w->Running());
        QCOMPARE(w->Table->rowCount(), 0);
        QCOMPARE(main.FormIsxDan->Values().Q1, before.Q1);

        // A table over two speeds.
        w->EditBands->clear();
        w->EditLimit[4]->setText(QStringLiteral("14"));
        QSignalSpy finished(w, &TFormSprayDesign::Finished);
        w->ButtonStart->click();
        QVERIFY(finished.wait(300000));
        QCOMPARE(shown.size(), 3);
        QCOMPARE(w->Table->rowCount(), 2);
        QCOMPARE(w->Rows()[1].vlit, 1.8);
        const auto series = w->FlowChart()->series();
        QCOMPARE(series.size(), 4);
        QCOMPARE(static_cast<QLineSeries*>(series[0])->count(), 2);
        w->Table->setCurrentCell(1, 0);
        QVERIFY(w->TableTargets->rowCount() >= 4);
        w->ButtonApply->click();
        // The data window keeps the practice exactly as found: no notice of rounding.
        QCOMPARE(shown.size(), 3);
        const korvel::DataWindowValues after = main.FormIsxDan->Values();
        QCOMPARE(after.Vlit, 1.8);
        QCOMPARE(after.Q1, w->Rows()[1].design.best.flows[0]);
        QCOMPARE(after.T0, before.T0);
        // The table as CSV: a header and a row per speed.
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("table.csv"));
        w->SetFileChooser([&] { return csv; });
        QVERIFY(w->SaveCsv());
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 4); // header, two rows, the empty piece after the last line break
        QVERIFY(lines[0].startsWith("Vlit,Q1,Q2,Q3,Q4,totalWater"));
        QVERIFY(lines[2].startsWith("1.8,"));
    }

    void calibrationWindow() {
        korvel::Model model;
        TFormMain main(model);
        korvel::ModelParams p = model.params;
        p.L = p.M = 6;
        main.SetModelParams(p);
        QStringList shown;
        main.findChild<QAction*>(QStringLiteral("ServisCalibration"))->trigger();
        auto* w = main.findChild<TFormCalibration*>();
        QVERIFY(w);
        w->SetMessageHandler([&](const QString& t) { shown << t; });
        QTemporaryDir dir;
        const QString bad = dir.filePath(QStringLiteral("bad.csv"));
        {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("z_m,point,T_C\n1.0,faceX,1000\n1.5,faceX\n");
        }
        w->EditFile->setText(bad);
        w->ButtonStart->click();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(QStringLiteral("строка 3")), qPrintable(shown[0]));
        QVERIFY(!w->Running());
        QVERIFY(!w->HasResult());
        QVERIFY(!w->ButtonApply->isEnabled());

        // Readings of the same case with section 2 cooling harder: the fit finds it and applies it.
        korvel::Case truth;
        truth.window = main.FormIsxDan->Values();
        truth.params = p;
        truth.params.SprayFactor[1] = 1.3;
        std::vector<korvel::Measurement> readings;
        for (double z : {1.0, 1.3, 1.6, 2.0, 2.4, 3.0, 4.0, 5.0, 6.0, 7.0})
            readings.push_back({z, korvel::MeasuredPoint::FaceX, 0, 0});
        const std::vector<double> t = korvel::ModelAtReadings(truth, readings);
        const QString good = dir.filePath(QStringLiteral("good.csv"));
        {
            QFile f(good);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("z_m,point,T_C\n");
            for (std::size_t k = 0; k < readings.size(); ++k)
                f.write(QByteArray::number(readings[k].z) + ",faceX," + QByteArray::number(t[k], 'g', 17) +
                        "\n");
        }
        w->EditFile->setText(good);
        QSignalSpy finished(w, &TFormCalibration::Finished);
        w->ButtonStart->click();
        QVERIFY(finished.wait(300000));
        QCOMPARE(shown.size(), 1);
        QVERIFY(w->HasResult());
        QVERIFY2(std::fabs(w->Result().multipliers[1] - 1.3) < 0.05,
                 qPrintable(QString::number(w->Result().multipliers[1])));
        QCOMPARE(w->TableReadings->rowCount(), int(readings.size()));
        QVERIFY(w->LabelMouldA->isHidden());
        w->ButtonApply->click();
        QCOMPARE(model.params.SprayFactor[1], w->Result().multipliers[1]);
        QCOMPARE(model.params.L, 6);
        QCOMPARE(model.params.MouldA, p.MouldA);

        // The physical model: the mould law's A is fitted too (readings in the mould tell it best),
        // shown with its unit and applied with the multipliers.
        p = model.params;
        p.Boundary = korvel::BoundaryModel::Physical;
        main.SetModelParams(p);
        truth.params = p;
        truth.params.MouldA = 2.5;
        readings.insert(readings.begin(), {{0.3, korvel::MeasuredPoint::FaceX, 0, 0},
                                           {0.6, korvel::MeasuredPoint::FaceX, 0, 0}});
        const std::vector<double> tp = korvel::ModelAtReadings(truth, readings);
        {
            QFile f(good);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write("z_m,point,T_C\n");
            for (std::size_t k = 0; k < readings.size(); ++k)
                f.write(QByteArray::number(readings[k].z) + ",faceX," + QByteArray::number(tp[k], 'g', 17) +
                        "\n");
        }
        w->ButtonStart->click();
        QVERIFY(finished.wait(300000));
        QCOMPARE(shown.size(), 1);
        QVERIFY(w->Result().mouldAFitted);
        QVERIFY2(std::fabs(w->Result().mouldAAfter - 2.5) < 0.05,
                 qPrintable(QString::number(w->Result().mouldAAfter)));
        QVERIFY(!w->LabelMouldA->isHidden());
        QVERIFY2(w->LabelMouldA->text().contains(QStringLiteral("МВт/м²")),
                 qPrintable(w->LabelMouldA->text()));
        w->ButtonApply->click();
        QCOMPARE(model.params.MouldA, w->Result().mouldAAfter);
        QCOMPARE(model.params.SprayFactor[1], w->Result().multipliers[1]);
    }
};

QTEST_MAIN(TestSprayDesign)
#include "tst_spraydesign.moc"
