#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QTest>
#include <QWidget>

#include <cmath>

// Fails with the actual and expected values when |actual - expected| > tol.
#define CHECK_NEAR(actual, expected, tol)                                                                    \
    do {                                                                                                     \
        const long double a_ = static_cast<long double>(actual);                                             \
        const long double e_ = static_cast<long double>(expected);                                           \
        QVERIFY2(std::fabs(a_ - e_) <= static_cast<long double>(tol),                                        \
                 qPrintable(QStringLiteral("%1: actual %2, expected %3, tolerance %4")                       \
                                .arg(QStringLiteral(#actual))                                                \
                                .arg(static_cast<double>(a_), 0, 'g', 19)                                    \
                                .arg(static_cast<double>(e_), 0, 'g', 19)                                    \
                                .arg(static_cast<double>(tol))));                                            \
    } while (false)

// Fails with both colours when the pixel (x, y) of img is not the expected colour.
#define CHECK_PIXEL(img, x, y, expected)                                                                     \
    do {                                                                                                     \
        const QColor got_ = (img).pixelColor((x), (y));                                                      \
        const QColor want_ = (expected);                                                                     \
        QVERIFY2(got_.rgb() == want_.rgb(),                                                                  \
                 qPrintable(QStringLiteral("pixel (%1, %2): actual %3, expected %4")                         \
                                .arg(x)                                                                      \
                                .arg(y)                                                                      \
                                .arg(got_.name())                                                            \
                                .arg(want_.name())));                                                        \
    } while (false)

// Background a rendering starts from, a colour no component paints by default.
inline QColor CanvasColour() {
    return QColor(1, 2, 3);
}

// The widget's own painting over a canvas of CanvasColour(), without any background of the widget.
inline QImage RenderWidget(QWidget& w) {
    QImage img(w.size(), QImage::Format_RGB32);
    img.fill(CanvasColour());
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}
