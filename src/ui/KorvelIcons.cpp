#include "KorvelIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace {

void drawWindowFrame(QPainter& p, const QRectF& r) {
    p.setPen(QPen(QColor(40, 60, 110), 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.fillRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 0.5, 2.5), QColor(50, 90, 180));
}

void drawSurface(QPainter& p, const QColor& top, const QColor& low) {
    // A small grid seen from above at an angle, with a hump in the middle.
    p.setPen(QPen(QColor(60, 60, 60), 0.7));
    p.drawLine(QPointF(2, 14), QPointF(14, 14));
    p.drawLine(QPointF(2, 14), QPointF(2, 3));
    const int n = 4;
    auto pt = [](double u, double v) {
        const double h = 4.5 * (1 - ((u - 1.5) * (u - 1.5) + (v - 1.5) * (v - 1.5)) / 4.5);
        return QPointF(3 + u * 2.4 + v * 1.2, 12.5 - v * 1.5 - h);
    };
    for (int a = 0; a < n - 1; ++a)
        for (int b = 0; b < n - 1; ++b) {
            QPolygonF cell;
            cell << pt(a, b) << pt(a + 1, b) << pt(a + 1, b + 1) << pt(a, b + 1);
            const bool high = (a == 1 || b == 1);
            p.setBrush(high ? top : low);
            p.drawPolygon(cell);
        }
}

void paintIcon(QPainter& p, int index) {
    switch (index) {
    case 0: { // data entry: a sheet with lines and a pencil
        p.setPen(QPen(QColor(80, 80, 80), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2.5, 1.5, 9, 13));
        p.setPen(QPen(QColor(70, 110, 200), 1));
        for (int k = 0; k < 4; ++k)
            p.drawLine(QPointF(4, 4.5 + 2.5 * k), QPointF(10, 4.5 + 2.5 * k));
        p.setPen(QPen(QColor(150, 80, 0), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, 5), QPointF(8.5, 12.5));
        p.setPen(QPen(QColor(30, 30, 30), 1.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8.7, 12.3), QPointF(7.8, 14));
        break;
    }
    case 1: { // run
        QPolygonF tri;
        tri << QPointF(4, 2) << QPointF(14, 8) << QPointF(4, 14);
        p.setPen(QPen(QColor(0, 100, 0), 1));
        p.setBrush(QColor(40, 170, 40));
        p.drawPolygon(tri);
        break;
    }
    case 2: // pause
        p.setPen(QPen(QColor(20, 50, 120), 1));
        p.setBrush(QColor(60, 110, 210));
        p.drawRect(QRectF(3.5, 2.5, 3, 11));
        p.drawRect(QRectF(9.5, 2.5, 3, 11));
        break;
    case 3: // stop
        p.setPen(QPen(QColor(120, 0, 0), 1));
        p.setBrush(QColor(210, 40, 40));
        p.drawRect(QRectF(3.5, 3.5, 9, 9));
        break;
    case 4: { // exit: a door and an arrow
        p.setPen(QPen(QColor(90, 60, 30), 1));
        p.setBrush(QColor(190, 140, 80));
        p.drawRect(QRectF(2.5, 1.5, 7, 13));
        p.setBrush(QColor(40, 40, 40));
        p.drawEllipse(QPointF(8, 8.5), 0.7, 0.7);
        p.setPen(QPen(QColor(200, 30, 30), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(9, 8), QPointF(15, 8));
        p.drawLine(QPointF(12.5, 5.5), QPointF(15, 8));
        p.drawLine(QPointF(12.5, 10.5), QPointF(15, 8));
        break;
    }
    case 5: { // about: an "i" in a blue disc
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 90, 200));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 4.6), 1.3, 1.3);
        p.drawRect(QRectF(6.8, 6.8, 2.4, 6.2));
        break;
    }
    case 6: { // temperature chart: axes and a falling curve
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(QPointF(2.5, 1.5), QPointF(2.5, 13.5));
        p.drawLine(QPointF(2.5, 13.5), QPointF(14.5, 13.5));
        QPainterPath path(QPointF(3.5, 3));
        path.cubicTo(QPointF(6, 3), QPointF(8, 10), QPointF(14, 11));
        p.setPen(QPen(QColor(210, 30, 30), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        QPainterPath path2(QPointF(3.5, 6));
        path2.cubicTo(QPointF(6, 6), QPointF(8, 12), QPointF(14, 12.5));
        p.setPen(QPen(QColor(30, 140, 30), 1.2));
        p.drawPath(path2);
        break;
    }
    case 8: { // model parameters: a grid with a pair of dividers
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(QColor(255, 250, 220));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(QColor(120, 120, 170), 0.8));
        for (int k = 1; k < 4; ++k) {
            p.drawLine(QPointF(1.5 + 3.25 * k, 1.5), QPointF(1.5 + 3.25 * k, 14.5));
            p.drawLine(QPointF(1.5, 1.5 + 3.25 * k), QPointF(14.5, 1.5 + 3.25 * k));
        }
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 40, 40));
        for (int a = 0; a < 5; ++a)
            for (int b = 0; b < 5; ++b)
                p.drawEllipse(QPointF(1.5 + 3.25 * a, 1.5 + 3.25 * b), 0.9, 0.9);
        break;
    }
    case 9: // carbon surface
        drawSurface(p, QColor(90, 90, 90), QColor(180, 180, 180));
        break;
    case 12: // sulphur surface
        drawSurface(p, QColor(230, 200, 0), QColor(255, 240, 140));
        break;
    case 13: // tile: windows one above the other
        drawWindowFrame(p, QRectF(1.5, 1.5, 13, 6));
        drawWindowFrame(p, QRectF(1.5, 8.5, 13, 6));
        break;
    case 14: // cascade
        drawWindowFrame(p, QRectF(1.5, 1.5, 9, 7));
        drawWindowFrame(p, QRectF(3.5, 4.5, 9, 7));
        drawWindowFrame(p, QRectF(5.5, 7.5, 9, 7));
        break;
    default:
        break;
    }
}

QPixmap renderIcon(int index, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    paintIcon(p, index);
    return pm;
}

} // namespace

QIcon KorvelIcon(int imageIndex) {
    static const int known[] = {0, 1, 2, 3, 4, 5, 6, 8, 9, 12, 13, 14};
    bool ok = false;
    for (int k : known)
        ok = ok || k == imageIndex;
    if (!ok) return QIcon();
    QIcon icon;
    icon.addPixmap(renderIcon(imageIndex, 16));
    icon.addPixmap(renderIcon(imageIndex, 32));
    return icon;
}
