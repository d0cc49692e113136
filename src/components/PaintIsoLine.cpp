#include "components/PaintIsoLine.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <string>

TpzPaintIsoLine::TpzPaintIsoLine(QWidget* parent) : QWidget(parent) {
    resize(105, 105);
    FColor = palette().color(QPalette::Window);
    FSimpleIsoLine = 1600.0L;
    setColGrade(3);
    setWidthColorGrade(30);
    setDecimalIsoLine(0);
    setLengthIsoLine(7);
    setBevelOuter(bvNone);
}

TpzPaintIsoLine::~TpzPaintIsoLine() = default;

void TpzPaintIsoLine::setColGrade(int n) {
    if (n == FColGrade) return;
    FColGrade = std::max(n, 2);
    RebuildGrades();
    update();
}

void TpzPaintIsoLine::setWidthColorGrade(int n) {
    if (n <= 0 || n == FWidthColorGrade) return;
    FWidthColorGrade = n;
    update();
}

void TpzPaintIsoLine::setLengthIsoLine(int n) {
    if (n < 0 || n == FLengthIsoLine) return;
    FLengthIsoLine = n;
    update();
}

void TpzPaintIsoLine::setDecimalIsoLine(int n) {
    if (n < 0 || n == FDecimalIsoLine) return;
    FDecimalIsoLine = n;
    update();
}

void TpzPaintIsoLine::setSimpleIsoLine(long double v) {
    if (v == FSimpleIsoLine) return;
    FSimpleIsoLine = v;
    std::fill(FLevels.begin(), FLevels.end(), v);
    update();
}

void TpzPaintIsoLine::setBevelOuter(TBevelCut b) {
    FBevelOuter = b;
    update();
}

void TpzPaintIsoLine::setColor(const QColor& c) {
    if (c == FColor) return;
    FColor = c;
    update();
}

void TpzPaintIsoLine::setDesignMode(bool on) {
    if (on == FDesignMode) return;
    FDesignMode = on;
    update();
}

QColor TpzPaintIsoLine::FixedGradeColor(int k) {
    static const QColor table[] = {QColor(255, 255, 255), QColor(255, 255, 0), QColor(0, 255, 255),
                                   QColor(255, 0, 255),   QColor(255, 0, 0),   QColor(0, 0, 255)};
    if (k >= 0 && k < 6) return table[k];
    return QColor(0, 0, 0);
}

void TpzPaintIsoLine::RebuildGrades() {
    FColors.assign(FColGrade, QColor());
    for (int k = 0; k < FColGrade; ++k)
        FColors[k] = FixedGradeColor(k);
    FLevels.assign(FColGrade - 1, FSimpleIsoLine);
}

QColor TpzPaintIsoLine::GradeColor(int k) const {
    k = std::clamp(k, 0, FColGrade - 1);
    return FColors[k];
}

long double TpzPaintIsoLine::GradeLevel(int k) const {
    k = std::clamp(k, 0, FColGrade - 2);
    return FLevels[k];
}

void TpzPaintIsoLine::SetGradeLevel(int k, long double v) {
    if (k < 0 || k > FColGrade - 2) return;
    if (FLevels[k] == v) return;
    FLevels[k] = v;
}

QString TpzPaintIsoLine::LabelText(int k) const {
    const long double value = GradeLevel(k);
    const int length = std::snprintf(nullptr, 0, "%*.*Lf", FLengthIsoLine, FDecimalIsoLine, value);
    if (length <= 0) return QString();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%*.*Lf", FLengthIsoLine, FDecimalIsoLine, value);
    text.resize(static_cast<size_t>(length));
    // The C library writes the separator of its own numeric locale; show the user's one.
    QString result = QString::fromLocal8Bit(text);
    const QString cPoint = QString::fromLocal8Bit(std::localeconv()->decimal_point);
    const QString point = QLocale().decimalPoint();
    if (FDecimalIsoLine > 0 && !cPoint.isEmpty() && cPoint != point) {
        const qsizetype at = result.lastIndexOf(cPoint);
        if (at >= 0) result.replace(at, cPoint.size(), point);
    }
    return result;
}

void TpzPaintIsoLine::PaintScale(QPainter& p) {
    const int width = this->width();
    const int height = this->height();
    p.setFont(font());
    p.setPen(Qt::black);
    p.setBrush(FColor);

    if (FDesignMode) {
        p.setPen(QPen(Qt::black, 0, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, width - 1, height - 1);
        p.setPen(QPen(Qt::black, 0, Qt::SolidLine));
    }

    // Bar: equal bars of height div ColGrade, the last one absorbing the remainder.
    const int h = height / FColGrade;
    int top = 0;
    for (int k = 0; k < FColGrade; ++k) {
        const int bottom = k == FColGrade - 1 ? height : top + h;
        if (bottom > top && FWidthColorGrade > 0)
            p.fillRect(0, top, FWidthColorGrade, bottom - top, GradeColor(k));
        top = bottom;
    }

    // Labels, each centred vertically on the boundary below its grade.
    const QFontMetrics fm(p.font());
    const int th = fm.height();
    int y = h - th / 2;
    for (int k = 0; k <= FColGrade - 2; ++k) {
        const QString text = LabelText(k);
        const QRect box(FWidthColorGrade, y, fm.horizontalAdvance(text), th);
        p.fillRect(box, FColor);
        p.setPen(Qt::black);
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
        y += h;
    }

    if (FBevelOuter != bvNone && width > 0 && height > 0) {
        const QColor shadow = palette().color(QPalette::Dark);
        const QColor light = palette().color(QPalette::Light);
        const QColor topLeft = FBevelOuter == bvLowered ? shadow : light;
        const QColor bottomRight = FBevelOuter == bvLowered ? light : shadow;
        p.setPen(QPen(topLeft, 0, Qt::SolidLine));
        p.drawLine(0, height - 1, 0, 0);
        p.drawLine(0, 0, width - 1, 0);
        p.fillRect(0, height - 1, width, 1, bottomRight);
        p.fillRect(width - 1, 0, 1, height, bottomRight);
    }
    p.setBrush(FColor);
}

void TpzPaintIsoLine::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintScale(p);
}
