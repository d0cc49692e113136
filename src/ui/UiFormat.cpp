#include "UiFormat.h"

#include <QLocale>

QString FormatFixed(double v, int width, int decimals) {
    QString s = QString::asprintf("%*.*f", width, decimals, v);
    const QString point = QLocale().decimalPoint();
    if (point != QLatin1String(".")) s.replace(QLatin1Char('.'), point);
    return s;
}
