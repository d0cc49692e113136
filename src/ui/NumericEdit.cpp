#include "NumericEdit.h"

#include <QFocusEvent>
#include <cmath>

NumericEdit::NumericEdit(QWidget* parent) : QLineEdit(parent) {
    QFont f = font();
    f.setBold(true);
    setFont(f);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, &QLineEdit::textEdited, this, &NumericEdit::onTextEdited);
    refreshText();
}

NumericEdit::NumericEdit(const QString& displayFormat, int decimals, QWidget* parent) : NumericEdit(parent) {
    m_pattern = displayFormat;
    m_decimals = decimals;
    refreshText();
}

void NumericEdit::setDisplayFormat(const QString& pattern) {
    m_pattern = pattern;
    refreshText();
}

void NumericEdit::setDecimals(int decimals) {
    m_decimals = decimals < 0 ? 0 : decimals;
    setValue(m_value);
    refreshText();
}

void NumericEdit::setValue(double v) {
    const double r = RoundTo(v, m_decimals);
    const bool changed = !(r == m_value) || std::signbit(r) != std::signbit(m_value);
    m_value = r;
    refreshText();
    if (changed) emit valueChanged(m_value);
}

double NumericEdit::RoundTo(double v, int decimals) {
    if (!std::isfinite(v)) return v;
    const double scale = std::pow(10.0, decimals);
    const double scaled = v * scale;
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9e15)
        return v; // already finer than a unit in the last place
    return std::round(scaled) / scale;
}

QString NumericEdit::FormatPattern(double v, const QString& pattern, const QLocale& locale) {
    // Split the pattern into its number part and the literal text after it.
    int end = 0;
    while (end < pattern.size() && QStringLiteral("0#,.").contains(pattern[end]))
        ++end;
    const QString number = pattern.left(end);
    const QString suffix = pattern.mid(end);
    const bool grouped = number.contains(QLatin1Char(','));
    const int dot = number.indexOf(QLatin1Char('.'));
    const int places = dot < 0 ? 0 : int(number.size() - dot - 1);

    QLocale loc = locale;
    QLocale::NumberOptions opts = loc.numberOptions();
    if (grouped)
        opts &= ~QLocale::OmitGroupSeparator;
    else
        opts |= QLocale::OmitGroupSeparator;
    loc.setNumberOptions(opts);
    QString text = loc.toString(v, 'f', places);
    // "-0" is shown as "0".
    if (std::isfinite(v) && text.startsWith(loc.negativeSign()) && RoundTo(v, places) == 0)
        text.remove(0, loc.negativeSign().size());
    return text + suffix;
}

QString NumericEdit::FormatPlain(double v, int decimals, const QLocale& locale) {
    QLocale loc = locale;
    loc.setNumberOptions(loc.numberOptions() | QLocale::OmitGroupSeparator);
    return loc.toString(v, 'f', decimals);
}

bool NumericEdit::ParseText(const QString& text, double* v) {
    QString t;
    t.reserve(text.size());
    for (QChar c : text) {
        if (c.isSpace() || c == QLatin1Char('%') || c == QChar(0x00A0) || c == QChar(0x202F)) continue;
        if (c == QLatin1Char(',')) c = QLatin1Char('.');
        if (c == QChar(0x2212)) c = QLatin1Char('-');
        t.append(c);
    }
    if (t.isEmpty()) {
        *v = 0;
        return true;
    }
    bool ok = false;
    const double d = QLocale::c().toDouble(t, &ok);
    if (!ok) return false;
    *v = d;
    return true;
}

void NumericEdit::onTextEdited(const QString& text) {
    double v = 0;
    if (!ParseText(text, &v)) return; // keep the last good value until the text is a number again
    const double r = RoundTo(v, m_decimals);
    if (r != m_value) {
        m_value = r;
        emit valueChanged(m_value);
    }
}

void NumericEdit::refreshText() {
    const QString t = hasFocus() ? FormatPlain(m_value, m_decimals) : FormatPattern(m_value, m_pattern);
    if (t != text()) setText(t);
}

void NumericEdit::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    refreshText();
    if (e->reason() == Qt::TabFocusReason || e->reason() == Qt::BacktabFocusReason) selectAll();
}

void NumericEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // Text that is no number gives way to the last good value.
    refreshText();
}
