#pragma once

#include "NumericEdit.h"
#include "model/CastingData.h"

#include <QWidget>
#include <functional>

class QAction;
class QComboBox;
class QGroupBox;
class QScrollArea;
class QLabel;
class QMutex;
class QPushButton;

// The data window: one numeric field per input value of the casting data, accept, run and restore.
// It writes the casting data it is given only on accept; edits change nothing before that.
class TFormIsxDan : public QWidget {
    Q_OBJECT

public:
    explicit TFormIsxDan(korvel::CastingData& data, QWidget* parent = nullptr);

    // The lock that guards the casting data against a run reading them at the same time.
    void SetDataGuard(QMutex* guard) { m_guard = guard; }
    // "&Расчет" shows and triggers this action.
    void BindSolveAction(QAction* action);
    // How a refused accept is told to the user; by default a warning box. The main window and tests
    // replace it.
    using MessageHandler = std::function<void(const QString& text)>;
    void SetMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }

    // Empty when every field holds a number and the values can run (each a finite number, the billet
    // sizes and the casting speed above zero, and whatever else a run refuses); otherwise the reason,
    // naming the field by its caption. Accept and the run action refuse while it is not empty.
    QString CheckFields() const;
    // Accept: copies the window into the casting data, or, when CheckFields() finds a problem, tells
    // the user, changes nothing and returns false. Fields keep what was typed either way.
    bool Accept();

    // What the fields hold, in the window's units.
    korvel::DataWindowValues Values() const;
    void SetValues(const korvel::DataWindowValues& w);

    // The field that writes a named value ("DlomX", "Vp", "C", .., "l4"); nullptr for an unknown name.
    NumericEdit* Field(const QString& valueName) const;
    // The window's caption of that field (for messages).
    static QString FieldCaption(const QString& valueName);

    // The column panels the resize rule spreads: six of the chemistry group, two of the conditions group.
    QWidget* ChemistryColumn(int k) const { return m_chemColumns[k]; }
    QWidget* ConditionsHalf(int k) const { return m_condHalves[k]; }

    // Integer division to the nearest integer with ties to even (the resize rule's rounding).
    static int DivRoundHalfEven(int width, int parts);

    NumericEdit *CurrencyDlomX, *CurrencyDlomY, *CurrencyVp;
    NumericEdit *CurrencyC, *CurrencyMn, *CurrencySi, *CurrencyS, *CurrencyP, *CurrencyCr;
    NumericEdit *CurrencyNi, *CurrencyCu, *CurrencyAl, *CurrencyV, *CurrencyMg, *CurrencyH2;
    NumericEdit *CurrencyT0, *CurrencyVlit;
    NumericEdit *CurrencyQ1, *CurrencyQ2, *CurrencyQ3, *CurrencyQ4;
    NumericEdit *CurrencyNn1, *CurrencyNn2, *CurrencyNn3, *CurrencyNn4;
    NumericEdit *CurrencyRkorvel, *CurrencyLkrist, *CurrencyLzvo;
    NumericEdit *Currencyl1, *Currencyl2, *Currencyl3, *Currencyl4;
    QLabel* LabelH2;
    QPushButton* BitBtn2; // "Принять"
    QPushButton* BitBtn1; // "&Расчет", follows the run action
    QPushButton* BitBtn3; // "Отменить"
    // The model parameters the case runs with (set by the main window).
    QLabel* LabelModelParams;
    // "Марка стали": the first entry is the composition as typed, then the common grades. It shows
    // the grade whose typical composition the chemistry fields hold.
    QComboBox* ComboGrade;

    // Fills the chemistry with the typical composition of grade k of korvel::SteelGrades(); k = -1
    // puts back the composition the fields held before the first grade was chosen.
    void ChooseGrade(int k);

public slots:
    // Accept: the window into the casting data.
    void BitBtn2Click();
    // Restore: the casting data back into the window, discarding unaccepted edits.
    void BitBtn3Click();
    // Re-spreads the column panels over the client width.
    void FormResize();

signals:
    // Emitted after every accept that changed the casting data.
    void Accepted();

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    NumericEdit* makeField(const char* name, const QString& pattern, int decimals, double start);

    void syncSolveButton();
    void syncGradeChoice();

    korvel::CastingData& m_data;
    MessageHandler m_messageHandler;
    QAction* m_solveAction = nullptr;
    QMutex* m_guard = nullptr;
    QWidget* m_chemColumns[6] = {};
    QWidget* m_condHalves[2] = {};
    QGroupBox* m_chemGroup = nullptr;
    QGroupBox* m_condGroup = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_page = nullptr;
    int m_minPageWidth = 0;
    // The chemistry as typed before a grade replaced it, for choosing "свой состав" again.
    bool m_hasOwnChemistry = false;
    bool m_applyingGrade = false;
    korvel::DataWindowValues m_ownChemistry{};
};
