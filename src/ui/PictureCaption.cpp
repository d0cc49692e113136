#include "PictureCaption.h"

#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <algorithm>

namespace {

struct Line {
    QString text;
    QFont font;
    QColor colour;
};

} // namespace

QImage WithCaption(const QImage& picture, const PictureCaption& c) {
    if (picture.isNull()) return picture;
    const int width = picture.width();
    const int margin = std::max(8, width / 100);
    // Text about 1/60 of the width (27 px at 1600), never below 12 px.
    QFont body;
    body.setPixelSize(std::max(12, width / 60));
    QFont bold = body;
    bold.setBold(true);
    bold.setPixelSize(body.pixelSize() * 6 / 5);

    QList<Line> lines;
    lines.append({c.title.trimmed(), bold, QColor(0, 0, 0)});
    QString second = QStringLiteral("Вариант: %1").arg(c.caseName);
    if (c.when.isValid())
        second += QStringLiteral("    Расчет: %1")
                      .arg(QLocale().toString(c.when, QStringLiteral("dd.MM.yyyy HH:mm")));
    lines.append({second, body, QColor(40, 40, 40)});
    if (!c.stopped.isEmpty()) lines.append({c.stopped, bold, QColor(190, 0, 0)});
    if (!c.warning.isEmpty())
        lines.append({QStringLiteral("Внимание: ") + c.warning, body, QColor(190, 0, 0)});

    const int textWidth = width - 2 * margin;
    int band = margin;
    QList<QRect> boxes;
    for (const Line& l : lines) {
        const QRect r = QFontMetrics(l.font).boundingRect(QRect(0, 0, textWidth, 100000),
                                                          Qt::TextWordWrap | Qt::AlignLeft, l.text);
        boxes.append(QRect(margin, band, textWidth, r.height()));
        band += r.height() + margin / 2;
    }
    band += margin / 2;

    QImage out(width, picture.height() + band, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::white);
    QPainter p(&out);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    for (int k = 0; k < lines.size(); ++k) {
        p.setFont(lines[k].font);
        p.setPen(lines[k].colour);
        p.drawText(boxes[k], Qt::TextWordWrap | Qt::AlignLeft, lines[k].text);
    }
    p.setPen(QColor(180, 180, 180));
    p.drawLine(0, band - 1, width, band - 1);
    p.drawImage(0, band, picture);
    p.end();
    return out;
}
