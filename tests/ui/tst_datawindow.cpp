// The data window and its numeric field: start values, display patterns, accept and restore against the
// casting data, Enter as accept, the run button bound to its action, and the resize rule.
#include "cases/SteelGrades.h"
#include "ui/NumericEdit.h"
#include "ui/UnIsxDan.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

namespace {

// Fails with both values printed when they differ by more than tol.
#define EXPECT_NEAR(actual, expected, tol)                                                                   \
    do {                                                                                                     \
        const double a_ = (actual), e_ = (expected);                                                         \
        if (!(std::fabs(a_ - e_) <= (tol)))                                                                  \
            QFAIL(qPrintable(QStringLiteral("%1 = %2, expected %3 (tolerance %4)")                           \
                                 .arg(QLatin1String(#actual))                                                \
                                 .arg(a_, 0, 'g', 17)                                                        \
                                 .arg(e_, 0, 'g', 17)                                                        \
                                 .arg(double(tol))));                                                        \
    } while (0)

const char* kAllValues[] = {"DlomX", "DlomY",   "Vp",     "C",    "Mn", "Si",  "S",   "P",
                            "Cr",    "Ni",      "Cu",     "Al",   "V",  "Mg",  "H2",  "T0",
                            "Vlit",  "Q1",      "Q2",     "Q3",   "Q4", "Nn1", "Nn2", "Nn3",
                            "Nn4",   "Rkorvel", "Lkrist", "Lzvo", "l1", "l2",  "l3",  "l4"};

} // namespace

class TestDataWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void displayPatterns() {
        const QLocale ru(QLocale::Russian, QLocale::Russia);
        const QString g = ru.groupSeparator();
        QCOMPARE(NumericEdit::FormatPattern(160, ",0", ru), QStringLiteral("160"));
        QCOMPARE(NumericEdit::FormatPattern(1515, ",0", ru), QStringLiteral("1") + g + QStringLiteral("515"));
        QCOMPARE(NumericEdit::FormatPattern(0.2, ",0.00%", ru), QStringLiteral("0,20%"));
        QCOMPARE(NumericEdit::FormatPattern(0.035, ",0.000%", ru), QStringLiteral("0,035%"));
        QCOMPARE(NumericEdit::FormatPattern(14, ",0.0", ru), QStringLiteral("14,0"));
        QCOMPARE(NumericEdit::FormatPattern(-0.001, ",0.00", ru), QStringLiteral("0,00"));
        QCOMPARE(NumericEdit::FormatPattern(-12345.678, ",0.00", ru),
                 QStringLiteral("-12") + g + QStringLiteral("345,68"));
        QCOMPARE(NumericEdit::FormatPattern(1515, ",0", QLocale::c()), QStringLiteral("1,515"));
        QCOMPARE(NumericEdit::FormatPattern(1515, "0", ru), QStringLiteral("1515"));
    }

    void parsingAndRounding() {
        double v = -1;
        QVERIFY(NumericEdit::ParseText("1,5", &v));
        QCOMPARE(v, 1.5);
        QVERIFY(NumericEdit::ParseText(" 2.25 %", &v, "%"));
        QCOMPARE(v, 2.25);
        QVERIFY(NumericEdit::ParseText(QStringLiteral("1\u00a0515"), &v));
        QCOMPARE(v, 1515.0);
        // An empty field is no number: it is refused, not read as 0.
        v = 7;
        QVERIFY(!NumericEdit::ParseText("", &v));
        QCOMPARE(v, 7.0);
        QVERIFY(!NumericEdit::ParseText("abc", &v));
        QVERIFY(!NumericEdit::ParseText("1,2,3", &v));
        QCOMPARE(NumericEdit::RoundTo(2.975, 1), 3.0);
        QCOMPARE(NumericEdit::RoundTo(0.0351, 3), 0.035);
        QCOMPARE(NumericEdit::RoundTo(1e300, 2), 1e300); // no overflow into infinity
    }

    void fieldEditsThePlainNumberWithFocus() {
        QWidget host;
        auto* other = new QLineEdit(&host);
        auto* e = new NumericEdit(",0.00%", 2, &host);
        e->move(0, 40);
        e->setValue(0.2);
        host.show();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        QCOMPARE(e->text(), QStringLiteral("0,20%"));
        QVERIFY(e->font().bold());
        e->setFocus();
        QCOMPARE(e->text(), QStringLiteral("0,20"));
        e->selectAll();
        QTest::keyClicks(e, "0.456");
        QCOMPARE(e->value(), 0.456); // used as typed, though the field shows two decimals
        other->setFocus();
        QCOMPARE(e->text(), QStringLiteral("0,456%")); // and shown as typed
        e->setValue(0.46);
        QCOMPARE(e->text(), QStringLiteral("0,46%"));
        // Text that is no number leaves the last good value and is kept, marked wrong.
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, "x");
        QCOMPARE(e->value(), 0.46);
        other->setFocus();
        QCOMPARE(e->text(), QStringLiteral("x"));
        QVERIFY(!e->HasValidText());
    }

    void startValuesAndCaptions() {
        korvel::CastingData data;
        TFormIsxDan w(data);
        QCOMPARE(w.windowTitle(), QStringLiteral("Исходные данные для расчета"));
        const korvel::DataWindowValues start = korvel::DataWindowStartValues();
        const korvel::DataWindowValues shown = w.Values();
        QCOMPARE(shown.DlomX, 160.0);
        QCOMPARE(shown.Cr, 0.35);
        QCOMPARE(shown.Q1, 1.9);
        QCOMPARE(shown.l1, 0.4);
        QCOMPARE(shown.H2, 0.002);
        QCOMPARE(shown.T0, start.T0);
        QCOMPARE(w.CurrencyT0->text(),
                 QStringLiteral("1") + QLocale().groupSeparator() + QStringLiteral("515"));
        QCOMPARE(w.CurrencyP->text(), QStringLiteral("0,035%"));
        QCOMPARE(w.CurrencyRkorvel->text(), QStringLiteral("14,0"));
        QCOMPARE(w.CurrencyVp->text(), QStringLiteral("10,00"));
        for (const char* name : kAllValues) {
            NumericEdit* f = w.Field(QLatin1String(name));
            QVERIFY2(f, name);
            QVERIFY2(f->font().bold(), name);
        }
        QVERIFY(w.CurrencyH2->isHidden());
        QVERIFY(w.LabelH2->isHidden());
        QCOMPARE(w.BitBtn2->text(), QStringLiteral("Принять"));
        QVERIFY(w.BitBtn2->isDefault());
        QCOMPARE(w.BitBtn3->text(), QStringLiteral("Отменить"));
        QVERIFY(!w.BitBtn2->icon().isNull());
        QVERIFY(!w.BitBtn3->icon().isNull());
        // Nothing is written before an accept.
        QCOMPARE(data.Cr, 0.25);
        QCOMPARE(data.Lend1, 1.4);
    }

    void restoreRightAfterStartShowsBuiltInDefaults() {
        korvel::CastingData data;
        TFormIsxDan w(data);
        w.BitBtn3->click();
        QCOMPARE(w.CurrencyCr->value(), 0.25);
        QCOMPARE(w.CurrencyCr->text(), QStringLiteral("0,25%"));
        QCOMPARE(w.CurrencyQ1->value(), 2.2);
        QCOMPARE(w.CurrencyQ2->value(), 2.97);
        QCOMPARE(w.CurrencyQ3->value(), 2.2);
        QCOMPARE(w.CurrencyQ4->value(), 1.43);
        QCOMPARE(w.Currencyl1->value(), 0.6);
        QCOMPARE(w.Currencyl1->text(), QStringLiteral("0,60"));
        QCOMPARE(w.Currencyl2->value(), 0.95);
        QCOMPARE(w.Currencyl3->value(), 1.82);
        QCOMPARE(w.Currencyl4->value(), 3.11);
        QCOMPARE(w.CurrencyDlomX->value(), 160.0);
        QCOMPARE(w.CurrencyVp->value(), 10.0);
    }

    void acceptStartValues() {
        korvel::CastingData data;
        TFormIsxDan w(data);
        QSignalSpy accepted(&w, &TFormIsxDan::Accepted);
        w.BitBtn2->click();
        QCOMPARE(accepted.count(), 1);
        EXPECT_NEAR(data.HalfX, 0.08, 1e-15);
        EXPECT_NEAR(data.HalfY, 0.08, 1e-15);
        EXPECT_NEAR(data.TauEnd, 600, 1e-12);
        EXPECT_NEAR(data.Lend1, 1.2, 1e-12);
        EXPECT_NEAR(data.Lend2, 2.15, 1e-12);
        EXPECT_NEAR(data.Lend3, 3.97, 1e-12);
        EXPECT_NEAR(data.Lend4, 7.08, 1e-12);
        EXPECT_NEAR(data.Lend4, data.Lkrist + data.Lzvo, 1e-12);
        QCOMPARE(data.Cr, 0.35);
        QCOMPARE(data.Q4, 0.0);
        QCOMPARE(data.H2, 0.002);
    }

    void acceptThenRestoreKeepsEveryField() {
        korvel::CastingData data;
        TFormIsxDan w(data);
        // Values off the start ones, some needing rounding to the field's decimals.
        w.CurrencyDlomX->setValue(251.337);
        w.CurrencyVp->setValue(7.5);
        w.CurrencyP->setValue(0.0123);
        w.Currencyl1->setValue(0.37);
        w.Currencyl4->setValue(2.99);
        w.CurrencyT0->setValue(1530.6);
        const korvel::DataWindowValues before = w.Values();
        w.BitBtn2Click();
        // Edit every field, then restore.
        for (const char* name : kAllValues)
            w.Field(QLatin1String(name))->setValue(-99);
        w.BitBtn3Click();
        const korvel::DataWindowValues after = w.Values();
        const double* pb = &before.DlomX;
        const double* pa = &after.DlomX;
        const int n = int(sizeof(korvel::DataWindowValues) / sizeof(double));
        for (int k = 0; k < n; ++k)
            QVERIFY2(std::fabs(pa[k] - pb[k]) <= 1e-12,
                     qPrintable(QStringLiteral("%1: %2 after restore, %3 before")
                                    .arg(kAllValues[k])
                                    .arg(pa[k], 0, 'g', 17)
                                    .arg(pb[k], 0, 'g', 17)));
        QCOMPARE(w.CurrencyDlomX->value(), 251.337);
        QCOMPARE(w.CurrencyT0->value(), 1530.6);
    }

    void hiddenHydrogenTakesPart() {
        korvel::CastingData data;
        data.H2 = 0.005;
        TFormIsxDan w(data);
        w.BitBtn2Click();
        QCOMPARE(data.H2, 0.002); // what the hidden field holds
        data.H2 = 0.004;
        w.BitBtn3Click();
        QCOMPARE(w.CurrencyH2->value(), 0.004);
        data.H2 = 0;
        w.BitBtn2Click();
        QCOMPARE(data.H2, 0.004);
    }

    // A mould length typed with three decimals in a field of two is used and shown as typed.
    void moreDecimalsThanShownAreKept() {
        korvel::CastingData data;
        TFormIsxDan w(data);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.CurrencyLkrist->setFocus();
        w.CurrencyLkrist->selectAll();
        QTest::keyClicks(w.CurrencyLkrist, "0,715");
        QTest::keyClick(w.CurrencyLkrist, Qt::Key_Return);
        QCOMPARE(data.Lkrist, 0.715);
        QCOMPARE(data.Lend1, 0.715 + 0.4);
        w.CurrencyVlit->setFocus();
        QCOMPARE(w.CurrencyLkrist->text(), QStringLiteral("0,715"));
        w.BitBtn3Click();
        QCOMPARE(w.CurrencyLkrist->value(), 0.715);
        QCOMPARE(w.CurrencyLkrist->text(), QStringLiteral("0,715"));
    }

    void enterInAFieldAccepts() {
        korvel::CastingData data;
        TFormIsxDan w(data);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.CurrencyVlit->setFocus();
        w.CurrencyVlit->selectAll();
        QTest::keyClicks(w.CurrencyVlit, "2,5");
        QCOMPARE(data.Vlit, 1.5);
        QTest::keyClick(w.CurrencyVlit, Qt::Key_Return);
        QCOMPARE(data.Vlit, 2.5);
    }

    void runButtonFollowsItsAction() {
        korvel::CastingData data;
        TFormIsxDan w(data);
        QAction solve(QStringLiteral("&Расчет"));
        solve.setToolTip(QStringLiteral("Запуск варианта на расчет "));
        w.BindSolveAction(&solve);
        QSignalSpy triggered(&solve, &QAction::triggered);
        QCOMPARE(w.BitBtn1->text(), QStringLiteral("&Расчет"));
        QCOMPARE(w.BitBtn1->toolTip(), QStringLiteral("Запуск варианта на расчет "));
        QVERIFY(w.BitBtn1->isEnabled());
        w.BitBtn1->click();
        QCOMPARE(triggered.count(), 1);
        solve.setEnabled(false);
        QVERIFY(!w.BitBtn1->isEnabled());
        w.BitBtn1->click();
        QCOMPARE(triggered.count(), 1);
    }

    void steelGradeFillsTheChemistryAndCanBeTakenBack() {
        korvel::CastingData data;
        TFormIsxDan w(data);
        QCOMPARE(w.ComboGrade->currentIndex(), 0);
        QCOMPARE(w.ComboGrade->count(), int(korvel::SteelGrades().size()) + 1);
        w.CurrencyC->setValue(0.31);
        const korvel::DataWindowValues typed = w.Values();
        QSignalSpy edits(w.CurrencyMn, &NumericEdit::valueChanged);
        // The user picks 09Г2С: the chemistry becomes the grade's, as the fields keep it.
        const int k = 3;
        const korvel::SteelGrade& g = korvel::SteelGrades()[k];
        QCOMPARE(QString::fromStdString(g.name), QStringLiteral("09Г2С"));
        emit w.ComboGrade->activated(k + 1);
        QCOMPARE(w.ComboGrade->currentIndex(), k + 1);
        QCOMPARE(edits.count(), 1);
        EXPECT_NEAR(w.CurrencyMn->value(), 1.50, 1e-12);
        EXPECT_NEAR(w.CurrencySi->value(), 0.65, 1e-12);
        EXPECT_NEAR(w.CurrencyC->value(), 0.06, 1e-12);
        QCOMPARE(w.CurrencyT0->value(), typed.T0);
        QCOMPARE(w.CurrencyH2->value(), typed.H2);
        // Nothing reaches the casting data before accept.
        QCOMPARE(data.C, korvel::CastingData{}.C);
        // Another grade, then "свой состав": the composition typed before the first grade comes back.
        emit w.ComboGrade->activated(7);
        EXPECT_NEAR(w.CurrencyCr->value(), 0.95, 1e-12);
        emit w.ComboGrade->activated(0);
        QCOMPARE(w.ComboGrade->currentIndex(), 0);
        EXPECT_NEAR(w.CurrencyC->value(), 0.31, 0);
        EXPECT_NEAR(w.CurrencyCr->value(), typed.Cr, 0);
        EXPECT_NEAR(w.CurrencyAl->value(), typed.Al, 0);
        // A field edited by hand away from the grade's composition shows "свой состав".
        emit w.ComboGrade->activated(1);
        w.CurrencyS->setValue(0.01);
        QCOMPARE(w.ComboGrade->currentIndex(), 0);
        emit w.ComboGrade->activated(0);
        EXPECT_NEAR(w.CurrencyS->value(), 0.01, 0);
    }

    void resizeRule_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("w6");
        QTest::addColumn<int>("w2");
        QTest::newRow("exact") << 1200 << 200 << 600;
        QTest::newRow("w6 tie to even down") << 1203 << 200 << 602; // 200.5 -> 200; 601.5 -> 602
        QTest::newRow("w6 tie to even up") << 1209 << 202 << 604;   // 201.5 -> 202; 604.5 -> 604
        QTest::newRow("w6 below half") << 1202 << 200 << 601;       // 200.33 -> 200
        QTest::newRow("w6 above half") << 1204 << 201 << 602;       // 200.67 -> 201; 602
        QTest::newRow("w2 tie down") << 1201 << 200 << 600;         // 200.17; 600.5 -> 600
    }

    void resizeRule() {
        QFETCH(int, width);
        QFETCH(int, w6);
        QFETCH(int, w2);
        QCOMPARE(TFormIsxDan::DivRoundHalfEven(width, 6), w6);
        QCOMPARE(TFormIsxDan::DivRoundHalfEven(width, 2), w2);
        korvel::CastingData data;
        TFormIsxDan w(data);
        w.show();
        w.resize(width, 560);
        QTRY_COMPARE(w.width(), width);
        for (int k = 0; k < 5; ++k)
            QTRY_COMPARE(w.ChemistryColumn(k)->width(), w6);
        QTRY_COMPARE(w.ConditionsHalf(0)->width(), w2);
        // The client-aligned last column and right half take what is left.
        QTRY_VERIFY2(w.ChemistryColumn(5)->width() > 0 && w.ChemistryColumn(5)->width() <= width - 5 * w6,
                     qPrintable(QString::number(w.ChemistryColumn(5)->width())));
        QTRY_VERIFY2(w.ConditionsHalf(1)->width() > 0 && w.ConditionsHalf(1)->width() <= width - w2,
                     qPrintable(QString::number(w.ConditionsHalf(1)->width())));
    }
};

QTEST_MAIN(TestDataWindow)
#include "tst_datawindow.moc"
