#include "ChartTool.h"

#include <QFileDialog>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QToolBar>

namespace {

// Draws one picture on a 16 x 16 design grid scaled to the pixmap.
QPixmap DrawIcon(ChartToolIcon kind, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 16.0, size / 16.0);
    const QColor ink(40, 40, 40);
    const QColor blue(30, 90, 190);
    QPen pen(ink, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);

    auto magnifier = [&] {
        p.setBrush(QColor(220, 235, 255));
        p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
        p.setPen(QPen(blue, 1.6, Qt::SolidLine, Qt::RoundCap));
    };

    switch (kind) {
    case ChartToolIcon::ResetZoom: {
        // A frame with arrows pointing out to its corners: fit everything.
        p.drawRect(QRectF(4, 4, 8, 8));
        p.setPen(QPen(blue, 1.4, Qt::SolidLine, Qt::RoundCap));
        const QPointF corners[4] = {{1, 1}, {15, 1}, {15, 15}, {1, 15}};
        const QPointF inner[4] = {{4.5, 4.5}, {11.5, 4.5}, {11.5, 11.5}, {4.5, 11.5}};
        for (int k = 0; k < 4; ++k) {
            p.drawLine(inner[k], corners[k]);
            const QPointF c = corners[k];
            const double sx = c.x() < 8 ? 1 : -1, sy = c.y() < 8 ? 1 : -1;
            p.drawLine(c, c + QPointF(3 * sx, 0));
            p.drawLine(c, c + QPointF(0, 3 * sy));
        }
        break;
    }
    case ChartToolIcon::ZoomIn:
        magnifier();
        p.drawLine(QPointF(4.3, 6.5), QPointF(8.7, 6.5));
        p.drawLine(QPointF(6.5, 4.3), QPointF(6.5, 8.7));
        break;
    case ChartToolIcon::ZoomOut:
        magnifier();
        p.drawLine(QPointF(4.3, 6.5), QPointF(8.7, 6.5));
        break;
    case ChartToolIcon::Rotate: {
        QPainterPath arc;
        arc.arcMoveTo(QRectF(2.5, 2.5, 11, 11), 120);
        arc.arcTo(QRectF(2.5, 2.5, 11, 11), 120, -300);
        p.setPen(QPen(blue, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(arc);
        const QPointF tip = arc.currentPosition();
        p.setBrush(blue);
        p.setPen(Qt::NoPen);
        QPolygonF head;
        head << tip + QPointF(-3.5, -1.5) << tip + QPointF(1.5, -3) << tip + QPointF(0.5, 2.5);
        p.drawPolygon(head);
        break;
    }
    case ChartToolIcon::Save:
        // A diskette.
        p.setBrush(blue);
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
        p.setBrush(Qt::white);
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(4, 2, 8, 5));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(4, 10, 8, 4.5));
        p.setBrush(blue);
        p.drawRect(QRectF(9, 3, 2, 3));
        break;
    case ChartToolIcon::Copy:
        // Two sheets, one over the other.
        p.setBrush(QColor(235, 235, 235));
        p.drawRect(QRectF(1.5, 1.5, 8.5, 10));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6, 4.5, 8.5, 10));
        p.setPen(QPen(blue, 1));
        for (double y = 7.5; y < 14; y += 2)
            p.drawLine(QPointF(7.8, y), QPointF(12.8, y));
        break;
    }
    p.end();
    return pm;
}

} // namespace

QIcon MakeChartToolIcon(ChartToolIcon kind) {
    QIcon icon;
    icon.addPixmap(DrawIcon(kind, 16));
    icon.addPixmap(DrawIcon(kind, 32));
    return icon;
}

QToolBar* MakeChartToolBar(QWidget* parent) {
    auto* bar = new QToolBar(parent);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->setMovable(false);
    bar->setFloatable(false);
    return bar;
}

QString AskPngFileName(QWidget* parent) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Сохранить рисунок"), QString(),
                                        QStringLiteral("Рисунок PNG (*.png)"));
}
