#include "UiFormat.h"

#include <QLocale>
#include <cmath>

QString FormatFixed(double v, int width, int decimals) {
    QString s = QString::asprintf("%*.*f", width, decimals, v);
    const QString point = QLocale().decimalPoint();
    if (point != QLatin1String(".")) s.replace(QLatin1Char('.'), point);
    return s;
}

bool ReadTypedNumber(const QString& text, double& v) {
    const QString t = text.trimmed();
    bool ok = false;
    v = QLocale().toDouble(t, &ok);
    if (!ok) v = QLocale::c().toDouble(t, &ok);
    return ok && std::isfinite(v);
}
