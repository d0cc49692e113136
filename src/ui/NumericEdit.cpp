#include "NumericEdit.h"

#include <QFocusEvent>
#include <QRegularExpression>
#include <algorithm>
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

namespace {

// The most decimals a field shows.
constexpr int kMostDecimals = 9;

// The fewest decimals, at least `least` and at most kMostDecimals, that show v as it is (up to the
// binary noise of a difference such as 1.4 - 0.8).
int PlacesFor(double v, int least) {
    if (!std::isfinite(v)) return least;
    for (int d = std::max(0, least); d < kMostDecimals; ++d)
        if (std::fabs(NumericEdit::RoundTo(v, d) - v) <= 1e-12 * std::max(1.0, std::fabs(v))) return d;
    return std::max(least, kMostDecimals);
}

// The number of decimals the number part of a pattern shows.
int PatternPlaces(const QString& pattern) {
    int end = 0;
    while (end < pattern.size() && QStringLiteral("0#,.").contains(pattern[end]))
        ++end;
    const int dot = int(pattern.left(end).indexOf(QLatin1Char('.')));
    return dot < 0 ? 0 : end - dot - 1;
}

// The pattern with `places` decimals in its number part (more zeros after the point, or a point).
QString PatternWithPlaces(const QString& pattern, int places) {
    const int have = PatternPlaces(pattern);
    if (places <= have) return pattern;
    int end = 0;
    while (end < pattern.size() && QStringLiteral("0#,.").contains(pattern[end]))
        ++end;
    QString number = pattern.left(end);
    if (have == 0 && !number.contains(QLatin1Char('.'))) number += QLatin1Char('.');
    number += QString(places - have, QLatin1Char('0'));
    return number + pattern.mid(end);
}

} // namespace

void NumericEdit::setValue(double v) {
    // A value set from outside replaces whatever wrong text was typed.
    if (!m_textValid) {
        m_textValid = true;
        showValidity();
    }
    // Kept as given: more decimals than the field shows are shown, never rounded away.
    const double r = v;
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

QString NumericEdit::PatternSuffix(const QString& pattern) {
    int end = 0;
    while (end < pattern.size() && QStringLiteral("0#,.").contains(pattern[end]))
        ++end;
    return pattern.mid(end).trimmed();
}

namespace {

// The text as a plain C-locale number ("1 515,5%" gives "1515.5"), or a null string when it is not
// written as a number.
QString PlainNumber(const QString& text, const QString& suffix) {
    QString t = text.trimmed();
    const QString sfx = suffix.trimmed();
    if (!sfx.isEmpty() && t.endsWith(sfx)) t = t.left(t.size() - sfx.size()).trimmed();
    t.replace(QChar(0x2212), QLatin1Char('-'));
    // Digit groups of three separated by a space, a no-break space or a narrow no-break space.
    static const QRegularExpression number(QStringLiteral(
        "^[+-]?(?:\\d{1,3}(?:[ \\x{00A0}\\x{202F}]\\d{3})+|\\d*)(?:[.,]\\d*)?(?:[eE][+-]?\\d+)?$"));
    if (!number.match(t).hasMatch()) return QString();
    // At least one digit before the exponent.
    static const QRegularExpression digitFirst(QStringLiteral("^[^eE]*\\d"));
    if (!digitFirst.match(t).hasMatch()) return QString();
    QString plain;
    plain.reserve(t.size());
    for (QChar c : t) {
        if (c.isSpace() || c == QChar(0x00A0) || c == QChar(0x202F)) continue;
        plain.append(c == QLatin1Char(',') ? QLatin1Char('.') : c);
    }
    return plain;
}

} // namespace

bool NumericEdit::ParseText(const QString& text, double* v, const QString& suffix) {
    const QString plain = PlainNumber(text, suffix);
    if (plain.isNull()) return false;
    bool ok = false;
    const double d = QLocale::c().toDouble(plain, &ok);
    if (!ok || !std::isfinite(d)) return false;
    *v = d;
    return true;
}

QString NumericEdit::TextProblem() const {
    if (m_textValid) return QString();
    const QString t = text().trimmed();
    if (t.isEmpty()) return QStringLiteral("поле пусто, а нужно число");
    if (!PlainNumber(t, PatternSuffix(m_pattern)).isNull())
        return QStringLiteral("«%1» — слишком большое число").arg(t);
    return QStringLiteral("«%1» не является числом").arg(t);
}

void NumericEdit::onTextEdited(const QString& text) {
    double v = 0;
    if (!ParseText(text, &v, PatternSuffix(m_pattern))) {
        // The last good value stays; the text is kept and marked wrong when the field is left.
        m_textValid = false;
        return;
    }
    const bool wasInvalid = !m_textValid;
    m_textValid = true;
    if (wasInvalid) showValidity();
    // Used as typed: more decimals than the field shows are kept, and shown.
    const double r = v;
    if (r != m_value) {
        m_value = r;
        emit valueChanged(m_value);
    }
}

void NumericEdit::showValidity() {
    if (m_textValid) {
        setStyleSheet(QString());
        setToolTip(QString());
    } else {
        setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid #d00000; }"));
        setToolTip(QStringLiteral("Неверное значение: %1. Введите число, например 1515 или 0,035.")
                       .arg(TextProblem()));
    }
}

void NumericEdit::refreshText() {
    // A wrong text is kept until it is corrected or a value is set.
    if (!m_textValid) return;
    // A value with more decimals than the field shows is shown with all of them, never rounded.
    const QString t =
        hasFocus() ? FormatPlain(m_value, PlacesFor(m_value, m_decimals))
                   : FormatPattern(
                         m_value, PatternWithPlaces(m_pattern, PlacesFor(m_value, PatternPlaces(m_pattern))));
    if (t != text()) setText(t);
}

void NumericEdit::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    refreshText();
    if (e->reason() == Qt::TabFocusReason || e->reason() == Qt::BacktabFocusReason) selectAll();
}

void NumericEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    refreshText();
    showValidity();
}
