#pragma once

#include <QLineEdit>
#include <QLocale>
#include <QString>

// A numeric field with no limits. Without the focus it shows its value through a display pattern
// ("," groups the digits, "0" is a digit, "." the decimal separator, anything else a literal suffix,
// e.g. ",0.00%"); with the focus it edits the plain number with its decimals. A value typed or set with
// more decimals than that is kept as it is and shown with them (up to nine): 0.715 in a field of two
// decimals stays 0.715. The locale's decimal separator is shown; both ',' and '.' are taken when
// typing.
//
// Typed text that is not a number is never replaced by a value: the field keeps the text, keeps the
// last good value() and reports HasValidText() false; when it loses the focus it shows a red frame and
// a tool tip saying what is wrong. Whoever reads the field refuses it while the text is wrong.
class NumericEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(double value READ value WRITE setValue NOTIFY valueChanged)

public:
    explicit NumericEdit(QWidget* parent = nullptr);
    NumericEdit(const QString& displayFormat, int decimals, QWidget* parent = nullptr);

    void setDisplayFormat(const QString& pattern);
    QString displayFormat() const { return m_pattern; }
    void setDecimals(int decimals);
    int decimals() const { return m_decimals; }

    double value() const { return m_value; }
    void setValue(double v);

    // The value as the pattern shows it, in the given locale.
    static QString FormatPattern(double v, const QString& pattern, const QLocale& locale = QLocale());
    // The plain number as the field edits it.
    static QString FormatPlain(double v, int decimals, const QLocale& locale = QLocale());
    // Reads typed text: an optional sign, digits optionally grouped by threes with spaces, one ',' or
    // '.' as the decimal separator, an optional exponent, and the pattern's literal suffix (e.g. "%")
    // at the end. Returns false for text that is not such a number (an empty one included) or whose
    // value is not a finite double.
    static bool ParseText(const QString& text, double* v, const QString& suffix = QString());
    // The literal text after the number part of a pattern (",0.00%" gives "%").
    static QString PatternSuffix(const QString& pattern);

    // False while the typed text is not a number; value() then still holds the last good value.
    bool HasValidText() const { return m_textValid; }
    // What is wrong with the text, for messages (empty while it is valid).
    QString TextProblem() const;
    // v rounded to the given number of decimals (unchanged where rounding would overflow).
    static double RoundTo(double v, int decimals);

signals:
    void valueChanged(double v);

protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void onTextEdited(const QString& text);
    void refreshText();
    void showValidity();

    double m_value = 0;
    QString m_pattern = QStringLiteral(",0.00");
    int m_decimals = 2;
    bool m_textValid = true;
};
