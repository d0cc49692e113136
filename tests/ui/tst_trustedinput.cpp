// What is typed is never silently replaced: wrong text in a numeric field is kept and marked, accept
// and run refuse it naming the field, an accept during a run gets the run's own check, spin fields
// bring a typed value into range; runs in one program repeat a fresh run bit for bit; a run that goes
// numerically unstable is stopped with advice.
#include "../model/StateCompare.h"
#include "model/TimeStep.h"
#include "run/HeadlessRun.h"
#include "run/UnSolveThread.h"
#include "ui/NumericEdit.h"
#include "ui/QtTranslations.h"
#include "ui/UnIsxDan.h"
#include "ui/UnParamMod.h"
#include "ui/unMain.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <cstring>
#include <memory>

namespace {

// Replaces the field's text by typing, as a user does (an empty text by deleting everything).
void typeInto(QLineEdit* e, const QString& text) {
    e->setFocus();
    e->selectAll();
    if (text.isEmpty())
        QTest::keyClick(e, Qt::Key_Delete);
    else
        QTest::keyClicks(e, text);
}

QString compareStates(const korvel::Model& a, const korvel::Model& b) {
    return QString::fromStdString(korvel::FirstStateDifference(a, b));
}

} // namespace

class TestTrustedInput : public QObject {
    Q_OBJECT

    korvel::Model m_model;
    std::unique_ptr<TFormMain> w;
    QStringList m_messages;
    QList<double> m_handOvers;

    void startMain() {
        m_model = korvel::Model();
        m_messages.clear();
        m_handOvers.clear();
        w = std::make_unique<TFormMain>(m_model);
        // Runs on the coarse grids of the tests go ahead without the question.
        w->SetQuestionHandler([](const QString&) { return true; });
        w->SetMessageHandler([this](const QString& text) { m_messages << text; });
        connect(w.get(), &TFormMain::HandedOver, this, [this](bool, double tau) { m_handOvers << tau; });
        w->show();
    }
    bool waitForEnd(int ms = 60000) {
        QSignalSpy ended(w.get(), &TFormMain::RunEnded);
        return w->WorkerAlive() ? ended.wait(ms) : true;
    }
    void runMinutes(double minutes) {
        w->FormIsxDan->CurrencyVp->setValue(minutes);
        m_handOvers.clear();
        w->ActionsSolve->trigger();
    }

private slots:
    void cleanup() {
        w.reset();
        TSolveThread::WaitAtEveryHandOver = false;
    }

    void wrongTextIsKeptMarkedAndRefused_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("letter in the number") << "15l5";
        QTest::newRow("comma grouping and dot") << "1,234.5";
        QTest::newRow("beyond a double") << "1e400";
        QTest::newRow("letters") << "abc";
        QTest::newRow("empty") << "";
        QTest::newRow("nan") << "nan";
    }

    void wrongTextIsKeptMarkedAndRefused() {
        QFETCH(QString, typed);
        korvel::CastingData data;
        TFormIsxDan win(data);
        QStringList messages;
        win.SetMessageHandler([&](const QString& t) { messages << t; });
        win.show();
        QVERIFY(QTest::qWaitForWindowExposed(&win));
        win.BitBtn2Click();
        QVERIFY(messages.isEmpty());
        const korvel::CastingData before = data;
        QSignalSpy accepted(&win, &TFormIsxDan::Accepted);

        typeInto(win.CurrencyT0, typed);
        win.CurrencyVlit->setFocus(); // leaving the field shows it is wrong
        QVERIFY(!win.CurrencyT0->HasValidText());
        QCOMPARE(win.CurrencyT0->text(), typed);
        QVERIFY2(win.CurrencyT0->styleSheet().contains(QStringLiteral("border")),
                 qPrintable(win.CurrencyT0->styleSheet()));
        QVERIFY2(!win.CurrencyT0->toolTip().isEmpty(), "no tool tip");

        QTest::mouseClick(win.BitBtn2, Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QStringLiteral("«Температура разливки, град С»")),
                 qPrintable(messages[0]));
        QVERIFY2(messages[0].contains(QStringLiteral("не приняты")), qPrintable(messages[0]));
        QCOMPARE(accepted.count(), 0);
        QCOMPARE(std::memcmp(&before, &data, sizeof data), 0); // nothing in the casting data changed
        QCOMPARE(win.CurrencyT0->text(), typed);               // nothing typed is lost

        // Correcting the text clears the mark, and accept goes through.
        typeInto(win.CurrencyT0, QStringLiteral("1530"));
        win.CurrencyVlit->setFocus();
        QVERIFY(win.CurrencyT0->HasValidText());
        QVERIFY(win.CurrencyT0->styleSheet().isEmpty());
        win.BitBtn2Click();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(data.T0, 1530.0);
    }

    void numbersAreAccepted_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "T0"
                               << "1515" << 1515.0;
        QTest::newRow("grouped with a space") << "T0"
                                              << "1 515" << 1515.0;
        QTest::newRow("comma and the percent suffix") << "P"
                                                      << "0,035%" << 0.035;
        QTest::newRow("dot") << "P"
                             << "0.035" << 0.035;
        QTest::newRow("exponent") << "Vlit"
                                  << "2.5e0" << 2.5;
    }

    void numbersAreAccepted() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(double, value);
        korvel::CastingData data;
        TFormIsxDan win(data);
        QStringList messages;
        win.SetMessageHandler([&](const QString& t) { messages << t; });
        win.show();
        QVERIFY(QTest::qWaitForWindowExposed(&win));
        NumericEdit* e = win.Field(field);
        typeInto(e, typed);
        win.CurrencyDlomX->setFocus();
        QVERIFY2(e->HasValidText(), qPrintable(e->text()));
        QVERIFY(e->styleSheet().isEmpty());
        QVERIFY(win.Accept());
        QVERIFY(messages.isEmpty());
        korvel::CastingData expected;
        korvel::DataWindowValues v = korvel::DataWindowStartValues();
        korvel::AcceptDataWindow(v, expected);
        const double got = field == "T0" ? data.T0 : field == "P" ? data.P : data.Vlit;
        QCOMPARE(got, value);
    }

    // A number outside its physical range is refused naming the field's caption, the value and the range;
    // the text stays as typed and the casting data do not change.
    void outOfRangeRefusedNamingTheCaption_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("says");
        QTest::newRow("carbon") << "C" << -0.2 << "Поле «C»: значение -0.2 % вне диапазона 0..2 %";
        QTest::newRow("speed") << "Vlit" << -10.0 << "«Скорость разливки, м/мин»: значение -10 м/мин";
        QTest::newRow("nozzles") << "Nn2" << 0.5
                                 << "«Количество форсунок на 2-ю секцию, шт»: нужно целое число";
        QTest::newRow("duration") << "Vp" << -1.0 << "«Время процесса непрерывной разливки, мин»";
        QTest::newRow("section") << "l2" << -100.0 << "«Длина 2-й секции ЗВО, м»";
    }

    void outOfRangeRefusedNamingTheCaption() {
        QFETCH(QString, field);
        QFETCH(double, value);
        QFETCH(QString, says);
        korvel::CastingData data;
        TFormIsxDan win(data);
        QStringList messages;
        win.SetMessageHandler([&](const QString& t) { messages << t; });
        const korvel::CastingData before = data;
        win.Field(field)->setValue(value);
        QVERIFY(!win.Accept());
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(says), qPrintable(messages[0]));
        QVERIFY2(messages[0].contains(QStringLiteral("не приняты")), qPrintable(messages[0]));
        QCOMPARE(std::memcmp(&before, &data, sizeof data), 0);
        QCOMPARE(win.Field(field)->value(), value);
    }

    void runRefusesWrongTextNamingTheField() {
        startMain();
        typeInto(w->FormIsxDan->CurrencyVlit, QStringLiteral("1,5,0"));
        w->FormIsxDan->CurrencyT0->setFocus();
        const korvel::CastingData before = w->SharedCastingData();
        w->ActionsSolve->trigger();
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].contains(QStringLiteral("«Скорость разливки, м/мин»")),
                 qPrintable(m_messages[0]));
        QVERIFY2(m_messages[0].contains(QStringLiteral("Расчет не запущен")), qPrintable(m_messages[0]));
        QVERIFY(!w->SolveThread);
        QVERIFY(!w->RunActive());
        QCOMPARE(w->SharedCastingData().Vlit, before.Vlit);
        QCOMPARE(w->FormIsxDan->CurrencyVlit->text(), QStringLiteral("1,5,0"));
    }

    // "nan" typed into the duration and accepted while a run goes: refused with the message; the run
    // goes on to the end it had.
    void acceptDuringARunGetsTheRunsCheck() {
        startMain();
        bool tried = false;
        connect(w.get(), &TFormMain::HandedOver, this, [&](bool start, double) {
            if (start || tried) return;
            tried = true;
            typeInto(w->FormIsxDan->CurrencyVp, QStringLiteral("nan"));
            w->FormIsxDan->BitBtn2->click();
            // A zero speed is refused the same way.
            w->FormIsxDan->SetValues(korvel::DataWindowStartValues());
            w->FormIsxDan->CurrencyVp->setValue(0.25);
            w->FormIsxDan->CurrencyVlit->setValue(0);
            w->FormIsxDan->BitBtn2->click();
        });
        runMinutes(0.25); // 15 s
        QVERIFY(waitForEnd());
        QVERIFY(tried);
        QCOMPARE(m_messages.size(), 2);
        QVERIFY2(m_messages[0].contains(QStringLiteral("«Время процесса непрерывной разливки, мин»")),
                 qPrintable(m_messages[0]));
        QVERIFY2(m_messages[1].contains(QStringLiteral("«Скорость разливки, м/мин»")),
                 qPrintable(m_messages[1]));
        QCOMPARE(w->SharedCastingData().TauEnd, 15.0);
        QCOMPARE(w->SharedCastingData().Vlit, 1.5);
        QCOMPARE(m_model.state.Tau, 15.0);
        QVERIFY(w->HasResults() && w->ResultsCompleted());
        QCOMPARE(m_handOvers.last(), 15.0);
    }

    void spinFieldsBringATypedValueIntoRange() {
        korvel::Model m;
        korvel::SizeState(m);
        TfmParamMod d(m);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QLineEdit* l = d.SpinEditL->findChild<QLineEdit*>();
        d.SpinEditL->setFocus();
        l->selectAll();
        QTest::keyClicks(d.SpinEditL, "150");
        QCOMPARE(l->text(), QStringLiteral("150")); // typing is not cut short at the limit
        d.SpinEditM->setFocus();                    // the value is taken when the focus leaves
        QCOMPARE(d.SpinEditL->value(), 100);
        QCOMPARE(l->text(), QStringLiteral("100"));

        d.SpinEditL->setFocus();
        l->selectAll();
        QTest::keyClicks(d.SpinEditL, "3");
        d.SpinEditM->setFocus();
        QCOMPARE(d.SpinEditL->value(), 4);

        d.SpinEditL->setFocus();
        l->selectAll();
        QTest::keyClicks(d.SpinEditL, "57");
        d.SpinEditM->setFocus();
        QCOMPARE(d.SpinEditL->value(), 57);

        // Confirmed with Enter while the field has the focus: the dialog takes it in range.
        QLineEdit* lm = d.SpinEditM->findChild<QLineEdit*>();
        d.SpinEditM->setFocus();
        lm->selectAll();
        QTest::keyClicks(d.SpinEditM, "999");
        QTest::keyClick(d.SpinEditM, Qt::Key_Return);
        QCOMPARE(d.SpinEditM->value(), 100);
    }

    // The time step of the parameters dialog: text that is no number is refused, not replaced.
    void timeStepTextIsRefused() {
        korvel::Model m;
        korvel::SizeState(m);
        TfmParamMod d(m);
        QStringList messages;
        d.SetMessageHandler([&](const QString& t) { messages << t; });
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        typeInto(d.CurrencyDt, QStringLiteral("0,2x"));
        QTest::mouseClick(d.BitBtn2, Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QStringLiteral("«Шаг расчета, с»")), qPrintable(messages[0]));
        QVERIFY(d.isVisible());
        QCOMPARE(d.CurrencyDt->text(), QStringLiteral("0,2x"));
        typeInto(d.CurrencyDt, QStringLiteral("0,25"));
        QTest::mouseClick(d.BitBtn2, Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.CurrencyDt->value(), 0.25); // as typed, though the field shows one decimal
    }

    // Qt's own dialogs speak the program's language.
    void qtDialogsSpeakRussian() {
        QVERIFY2(InstallQtTranslations(qApp),
                 "Qt's Russian translations (qt6-translations-l10n) are missing");
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Да"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Перейти к:"));
    }

    // Runs in one program: completed, stopped half way, completed; the fourth equals a fresh run of the
    // same case (what korvel-batch computes) bit for bit.
    void everyRunEqualsAFreshRun() {
        TSolveThread::WaitAtEveryHandOver = true; // the stop lands at 117 s
        startMain();
        runMinutes(1);
        QVERIFY(waitForEnd());
        QVERIFY(w->ResultsCompleted());
        bool stopped = false;
        auto c = connect(w.get(), &TFormMain::HandedOver, this, [&](bool start, double tau) {
            if (!start && tau >= 117 && !stopped) {
                stopped = true;
                w->ActionsStop->trigger();
            }
        });
        runMinutes(4);
        QVERIFY(waitForEnd());
        disconnect(c);
        QVERIFY(stopped);
        QVERIFY(m_model.state.Tau < 240);
        QVERIFY(m_model.state.Tenv != 0); // what the stopped run leaves is not the start state
        runMinutes(1);
        QVERIFY(waitForEnd());
        runMinutes(1.5);
        QVERIFY(waitForEnd());
        QVERIFY(w->ResultsCompleted());
        QVERIFY(m_messages.isEmpty());

        korvel::Model fresh;
        fresh.data = w->SharedCastingData();
        fresh.params = m_model.params;
        QCOMPARE(fresh.data.TauEnd, 90.0);
        const korvel::RunOutcome out = korvel::RunHeadless(fresh, [](const korvel::Model&, bool) {});
        QCOMPARE(out.end, korvel::RunEnd::Finished);
        const QString diff = compareStates(m_model, fresh);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    // The 130 mm billet at 2.0 m/min on an 80 x 80 grid goes numerically unstable: stopped with the
    // advice; the windows keep the last sound display and there are no results.
    void unstableRunStopsWithAdvice() {
        startMain();
        m_model.params.L = 80;
        m_model.params.M = 80;
        korvel::DataWindowValues v = korvel::DataWindowStartValues();
        v.DlomX = v.DlomY = 130;
        v.C = 0.42;
        v.Vlit = 2.0;
        v.Lkrist = 0.715;
        v.T0 = 1520;
        w->FormIsxDan->SetValues(v);
        runMinutes(0.5);
        QVERIFY(waitForEnd(120000));
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].contains(QStringLiteral("неустойчив")), qPrintable(m_messages[0]));
        QVERIFY2(m_messages[0].contains(QStringLiteral("на шаге ")), qPrintable(m_messages[0]));
        QVERIFY2(m_messages[0].contains(QStringLiteral("вдвое")), qPrintable(m_messages[0]));
        // Half the step as the parameters dialog (one decimal) takes it.
        QVERIFY2(m_messages[0].contains(QStringLiteral("0.2 с вместо 0.5 с")) ||
                     m_messages[0].contains(QStringLiteral("0,2 с вместо 0,5 с")),
                 qPrintable(m_messages[0]));
        QVERIFY2(m_messages[0].contains(QStringLiteral("грубая сетка")), qPrintable(m_messages[0]));
        QVERIFY(!w->HasResults());
        QVERIFY(!w->RunActive());
        // Only sound states were shown: the start and the update after step 10 (5 s).
        QCOMPARE(m_handOvers.size(), 2);
        QCOMPARE(m_handOvers.last(), 5.0);
    }
};

QTEST_MAIN(TestTrustedInput)
#include "tst_trustedinput.moc"
