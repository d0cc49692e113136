// The model parameters dialog: what "Принять" and "Отменить" copy, when the grid is re-built, the side
// choice written at the click, and the range of the node counts.
#include "ui/UnParamMod.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <functional>

namespace {

// The dialog with its modal part replaced by a script that plays the user and returns the result.
class ScriptedParamMod : public TfmParamMod {
public:
    using TfmParamMod::TfmParamMod;
    std::function<int(ScriptedParamMod&)> script;
    int shown = 0;

protected:
    int execDialog() override {
        ++shown;
        return script ? script(*this) : QDialog::Rejected;
    }
};

} // namespace

class TestParamMod : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void captionsAndStart() {
        korvel::Model m;
        korvel::SizeState(m);
        TfmParamMod d(m);
        QCOMPARE(d.windowTitle(), QStringLiteral("Расчетные параметры модели"));
        QCOMPARE(d.CurrencyDt->value(), 0.5);
        QCOMPARE(d.CurrencyDt->text(), QStringLiteral("0,5"));
        QCOMPARE(d.SpinEditL->value(), 10);
        QCOMPARE(d.SpinEditM->value(), 10);
        QCOMPARE(d.SpinEditL->minimum(), 4);
        QCOMPARE(d.SpinEditL->maximum(), 100);
        QVERIFY(d.SpinEditL->font().bold());
        QVERIFY(d.RadioButton1->isChecked());
        QCOMPARE(d.RadioButton1->text(), QStringLiteral("Сечение на коротком радиусе"));
        QCOMPARE(d.RadioButton2->text(), QStringLiteral("Сечение на длинном радиусе"));
        QCOMPARE(d.BitBtn2->text(), QStringLiteral("Принять"));
        QVERIFY(d.BitBtn2->isDefault());
        QCOMPARE(d.BitBtn3->text(), QStringLiteral("Отменить"));
    }

    void acceptWithSameGridChangesOnlyDt() {
        korvel::Model m;
        korvel::SizeState(m);
        m.state.Tem[3][4] = 1234.5; // a result of the last run
        int prepared = 0;
        ScriptedParamMod d(m, [&] { ++prepared; });
        d.script = [](ScriptedParamMod& dlg) {
            dlg.CurrencyDt->setValue(0.25); // kept as given, though the field shows one decimal
            return int(QDialog::Accepted);
        };
        QVERIFY(d.EditModelParams());
        QCOMPARE(d.shown, 1);
        QCOMPARE(m.params.Dt, 0.25);
        QCOMPARE(m.params.L, 10);
        QCOMPARE(m.params.M, 10);
        QCOMPARE(prepared, 0);
        QCOMPARE(m.state.Tem[3][4], 1234.5);
    }

    // A step outside its range keeps the dialog open with the reason; the parameters stay.
    void stepOutsideItsRangeIsRefused() {
        korvel::Model m;
        korvel::SizeState(m);
        QStringList messages;
        ScriptedParamMod d(m, [] {});
        d.SetMessageHandler([&](const QString& t) { messages << t; });
        d.script = [](ScriptedParamMod& dlg) {
            dlg.CurrencyDt->setValue(0);
            dlg.BitBtn2Click();
            return dlg.result();
        };
        QVERIFY(!d.EditModelParams());
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QStringLiteral("«Шаг расчета, с»: значение 0 с вне диапазона")),
                 qPrintable(messages[0]));
        QCOMPARE(m.params.Dt, 0.5);
    }

    void acceptWithNewGridRebuildsState() {
        korvel::Model m;
        korvel::SizeState(m);
        m.state.Tem[3][4] = 1234.5;
        int prepared = 0;
        ScriptedParamMod d(m, [&] { ++prepared; });
        d.script = [](ScriptedParamMod& dlg) {
            dlg.SpinEditM->setValue(17);
            return int(QDialog::Accepted);
        };
        QVERIFY(d.EditModelParams());
        QCOMPARE(m.params.L, 10);
        QCOMPARE(m.params.M, 17);
        QCOMPARE(prepared, 1);
        QCOMPARE(m.state.Tem.Rows(), 11);
        QCOMPARE(m.state.Tem.Cols(), 18);
        QCOMPARE(m.state.Tem[3][4], 0.0);
    }

    void cancelAfterSwitchingSideKeepsTheSide() {
        korvel::Model m;
        korvel::SizeState(m);
        int prepared = 0;
        ScriptedParamMod d(m, [&] { ++prepared; });
        d.script = [](ScriptedParamMod& dlg) {
            dlg.CurrencyDt->setValue(2);
            dlg.SpinEditL->setValue(30);
            dlg.RadioButton2->click();
            return TfmParamMod::ResultAbort;
        };
        QVERIFY(!d.EditModelParams());
        QCOMPARE(m.params.SideFlag, -1);
        QCOMPARE(m.params.Dt, 0.5);
        QCOMPARE(m.params.L, 10);
        QCOMPARE(prepared, 0);
        // Clicking the first button again writes +1 at once, whatever the closing.
        d.script = [](ScriptedParamMod& dlg) {
            dlg.RadioButton1->click();
            return int(QDialog::Rejected);
        };
        QVERIFY(!d.EditModelParams());
        QCOMPARE(m.params.SideFlag, 1);
    }

    void reopenShowsCurrentValuesAndLastSide() {
        korvel::Model m;
        korvel::SizeState(m);
        ScriptedParamMod d(m);
        d.script = [](ScriptedParamMod& dlg) {
            dlg.RadioButton2->click();
            dlg.SpinEditL->setValue(20);
            return int(QDialog::Accepted);
        };
        QVERIFY(d.EditModelParams());
        // Parameters changed elsewhere; the side is not read back from the parameters.
        m.params.Dt = 0.2;
        m.params.M = 40;
        m.params.SideFlag = 1;
        double dt = 0;
        int l = 0, mm = 0;
        bool second = false;
        d.script = [&](ScriptedParamMod& dlg) {
            dt = dlg.CurrencyDt->value();
            l = dlg.SpinEditL->value();
            mm = dlg.SpinEditM->value();
            second = dlg.RadioButton2->isChecked();
            return int(QDialog::Rejected);
        };
        QVERIFY(!d.EditModelParams());
        QCOMPARE(dt, 0.2);
        QCOMPARE(l, 20);
        QCOMPARE(mm, 40);
        QVERIFY(second);
        QCOMPARE(m.params.SideFlag, 1);
    }

    void boundaryModelChoiceAndInputs() {
        korvel::Model m;
        korvel::SizeState(m);
        ScriptedParamMod d(m);
        QStringList messages;
        d.SetMessageHandler([&](const QString& text) { messages << text; });
        d.script = [&](ScriptedParamMod& dlg) {
            // Opens on the original method, the physical inputs disabled.
            if (!dlg.RadioBoundaryText->isChecked() || dlg.CurrencyMouldA->isEnabled())
                return int(QDialog::Rejected);
            dlg.RadioBoundaryPhysical->setChecked(true);
            if (!dlg.CurrencyMouldA->isEnabled()) return int(QDialog::Rejected);
            dlg.CurrencyMouldA->setValue(25); // beyond 20 MW/m²: refused, the dialog stays open
            dlg.BitBtn2Click();
            if (messages.size() != 1) return int(QDialog::Rejected);
            dlg.CurrencyMouldA->setValue(2.5);
            dlg.CurrencySprayWaterT->setValue(25);
            dlg.ComboSprayLaw->setCurrentIndex(1);
            return int(QDialog::Accepted);
        };
        QVERIFY(d.EditModelParams());
        QCOMPARE(d.GroupBoundary->title(), QStringLiteral("Граничные условия"));
        QCOMPARE(d.RadioBoundaryText->text(), QStringLiteral("по исходной методике"));
        QCOMPARE(d.RadioBoundaryPhysical->text(), QStringLiteral("физические"));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QStringLiteral("кристаллизатора")), qPrintable(messages[0]));
        QCOMPARE(m.params.Boundary, korvel::BoundaryModel::Physical);
        QCOMPARE(m.params.MouldA, 2.5);
        QCOMPARE(m.params.SprayWaterT, 25.0);
        QCOMPARE(m.params.Spray, korvel::SprayLaw::BolleMoureau);
        // Reopening shows the choice; "Отменить" keeps it.
        d.script = [](ScriptedParamMod& dlg) {
            return dlg.RadioBoundaryPhysical->isChecked() ? ScriptedParamMod::ResultAbort
                                                          : int(QDialog::Rejected);
        };
        QVERIFY(!d.EditModelParams());
        QCOMPARE(m.params.Boundary, korvel::BoundaryModel::Physical);
    }

    void nodeCountsStayInRange() {
        korvel::Model m;
        korvel::SizeState(m);
        TfmParamMod d(m);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        d.SpinEditL->setValue(150);
        QCOMPARE(d.SpinEditL->value(), 100);
        d.SpinEditL->setValue(1);
        QCOMPARE(d.SpinEditL->value(), 4);
        // A typed value below the range, confirmed with Enter, is brought up to it.
        d.SpinEditM->setFocus();
        d.SpinEditM->findChild<QLineEdit*>()->selectAll();
        QTest::keyClicks(d.SpinEditM, "2");
        QTest::keyClick(d.SpinEditM, Qt::Key_Return);
        QCOMPARE(d.SpinEditM->value(), 4);
        // Enter also closed the dialog through its default button.
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestParamMod)
#include "tst_parammod.moc"
