#include "ReportWriter.h"

#include "results/FileWrite.h"

#include <QBuffer>
#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <optional>

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// Lays the report out page by page, top to bottom.
class ReportPainter {
public:
    ReportPainter(QPdfWriter& writer, const korvel::ReportContent& content)
        : m_writer(writer), m_content(content), m_painter(&writer) {
        m_page = m_painter.viewport();
        m_mm = writer.resolution() / 25.4;
        m_body = font(10);
        m_small = font(8);
        m_bold = font(10, true);
        m_heading = font(13, true);
        m_title = font(18, true);
        m_bottom = m_page.height() - lineHeight(m_small) * 2;
    }

    bool ok() const { return m_painter.isActive(); }
    int pages() const { return m_pageNumber; }

    void heading() {
        m_painter.setFont(m_title);
        drawLine(q(m_content.title), m_title);
        m_y += m_mm * 2;
        const QString lines[] = {QStringLiteral("Вариант: %1").arg(q(m_content.caseName)),
                                 QStringLiteral("Дата: %1").arg(q(m_content.date)),
                                 QStringLiteral("Программа: %1").arg(q(m_content.version)),
                                 q(m_content.status)};
        for (const QString& l : lines)
            drawLine(l, m_body);
        m_y += m_mm * 4;
    }

    void table(const korvel::ReportTable& t) {
        const int n = int(t.columns.size());
        // The first column takes what the others leave.
        QList<double> widths;
        const double total = m_page.width();
        double others = 0;
        for (int k = 1; k < n; ++k) {
            double w = textWidth(q(t.columns[size_t(k)]), m_bold);
            for (const auto& row : t.rows)
                w = std::max(w, textWidth(q(row[size_t(k)]), m_body));
            w += m_mm * 4;
            widths.append(w);
            others += w;
        }
        // Long values wrap rather than push the first column out.
        const double firstMin = total * 0.35;
        if (total - others < firstMin && others > 0) {
            const double scale = (total - firstMin) / others;
            for (double& w : widths)
                w *= scale;
            others = total - firstMin;
        }
        widths.prepend(total - others);

        const double row = lineHeight(m_body) * 1.45;
        if (m_y + lineHeight(m_heading) * 1.6 + row * 3 > m_bottom) newPage();
        drawLine(q(t.title), m_heading);
        m_y += m_mm;
        drawRow(t.columns, widths, m_bold, true);
        for (const auto& cells : t.rows) {
            if (m_y + rowHeight(cells, widths) > m_bottom) {
                newPage();
                drawRow(t.columns, widths, m_bold, true);
            }
            drawRow(cells, widths, m_body, false);
        }
        m_y += m_mm * 6;
    }

    // One picture in half a page (or a whole landscape page): its title, the case, date and version,
    // then the picture as large as fits.
    void figure(const QString& title, const QImage& image, bool landscape = false) {
        if (landscape != m_landscape) {
            newPage(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
            m_landscape = landscape;
        }
        const double half = landscape ? m_bottom : (m_bottom - lineHeight(m_small)) / 2;
        if (m_y + half > m_bottom + 1) newPage();
        const double top = m_y;
        drawLine(title, m_heading);
        drawLine(QStringLiteral("Вариант: %1 · %2 · %3")
                     .arg(q(m_content.caseName), q(m_content.date), q(m_content.version)),
                 m_small);
        m_y += m_mm;
        const QRectF room(0, m_y, m_page.width(), top + half - m_y - m_mm * 3);
        if (image.isNull()) {
            m_painter.setPen(QPen(Qt::gray, m_mm * 0.3));
            m_painter.drawRect(room);
            m_painter.setFont(m_body);
            m_painter.drawText(room, Qt::AlignCenter, QStringLiteral("Рисунок недоступен"));
        } else {
            QSizeF s = QSizeF(image.size()).scaled(room.size(), Qt::KeepAspectRatio);
            const QRectF target(room.x() + (room.width() - s.width()) / 2, room.y(), s.width(), s.height());
            m_painter.drawImage(target, image);
            m_painter.setPen(QPen(Qt::lightGray, m_mm * 0.2));
            m_painter.drawRect(target);
        }
        m_y = top + half;
    }

    void finish() {
        footer();
        m_painter.end();
    }

private:
    QFont font(double points, bool bold = false) const {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPointSizeF(points);
        f.setBold(bold);
        return f;
    }
    double lineHeight(const QFont& f) { return QFontMetricsF(f, &m_writer).height(); }
    double textWidth(const QString& s, const QFont& f) {
        return QFontMetricsF(f, &m_writer).horizontalAdvance(s);
    }

    void drawLine(const QString& text, const QFont& f) {
        m_painter.setFont(f);
        m_painter.setPen(Qt::black);
        const QRectF r(0, m_y, m_page.width(), m_bottom - m_y);
        const QRectF used = m_painter.boundingRect(r, Qt::TextWordWrap, text);
        m_painter.drawText(r, Qt::TextWordWrap, text);
        m_y += used.height();
    }

    double rowHeight(const std::vector<std::string>& cells, const QList<double>& widths) {
        double h = lineHeight(m_body);
        for (int k = 0; k < int(cells.size()) && k < widths.size(); ++k) {
            const QRectF cell(0, 0, widths[k] - m_mm * 2, 1e6);
            h = std::max(h, QFontMetricsF(m_body, &m_writer)
                                .boundingRect(cell, Qt::TextWordWrap, q(cells[size_t(k)]))
                                .height());
        }
        return h + m_mm * 1.6;
    }

    void drawRow(const std::vector<std::string>& cells, const QList<double>& widths, const QFont& f,
                 bool head) {
        const double h = rowHeight(cells, widths);
        const QRectF band(0, m_y, m_page.width(), h);
        if (head) m_painter.fillRect(band, QColor(230, 230, 230));
        m_painter.setFont(f);
        m_painter.setPen(Qt::black);
        double x = 0;
        for (int k = 0; k < int(cells.size()) && k < widths.size(); ++k) {
            const QRectF cell(x + m_mm, m_y + m_mm * 0.8, widths[k] - m_mm * 2, h - m_mm * 1.6);
            m_painter.drawText(cell, Qt::TextWordWrap | (k == 0 ? Qt::AlignLeft : Qt::AlignLeft),
                               q(cells[size_t(k)]));
            x += widths[k];
        }
        m_painter.setPen(QPen(QColor(160, 160, 160), m_mm * 0.15));
        m_painter.drawLine(QPointF(0, m_y + h), QPointF(m_page.width(), m_y + h));
        m_y += h;
    }

    void footer() {
        m_painter.setFont(m_small);
        m_painter.setPen(Qt::darkGray);
        const double y = m_page.height() - lineHeight(m_small);
        const QRectF r(0, y, m_page.width(), lineHeight(m_small));
        m_painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter,
                           QStringLiteral("%1 · %2 · %3")
                               .arg(q(m_content.caseName), q(m_content.date), q(m_content.version)));
        m_painter.drawText(r, Qt::AlignRight | Qt::AlignVCenter,
                           QStringLiteral("Страница %1").arg(m_pageNumber));
    }

    void newPage(std::optional<QPageLayout::Orientation> orientation = std::nullopt) {
        footer();
        if (orientation) m_writer.setPageOrientation(*orientation);
        m_writer.newPage();
        ++m_pageNumber;
        m_y = 0;
        if (orientation) {
            // The painter keeps drawing in device pixels; the page's printable area is what changed.
            const QRect paint = m_writer.pageLayout().paintRectPixels(m_writer.resolution());
            m_page = QRect(0, 0, paint.width(), paint.height());
            m_bottom = m_page.height() - lineHeight(m_small) * 2;
        }
    }

    QPdfWriter& m_writer;
    const korvel::ReportContent& m_content;
    QPainter m_painter;
    QRect m_page;
    double m_mm = 1;
    double m_y = 0;
    double m_bottom = 0;
    int m_pageNumber = 1;
    bool m_landscape = false;
    QFont m_body, m_small, m_bold, m_heading, m_title;
};

} // namespace

QSize ReportPictureSize(korvel::ReportFigure figure) {
    switch (figure) {
    case korvel::ReportFigure::CrossSection:
        return QSize(1254, 728);
    case korvel::ReportFigure::Profile:
        return QSize(1250, 760);
    default:
        return QSize(1200, 760);
    }
}

QString WriteReportPdf(const QString& path, const korvel::ReportContent& content,
                       const QList<QImage>& figures, int* pages) {
    QByteArray bytes;
    int written = 0;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(18, 15, 15, 15), QPageLayout::Millimeter));
        writer.setTitle(QStringLiteral("%1: %2").arg(q(content.title), q(content.caseName)));
        writer.setCreator(q(content.version));
        ReportPainter p(writer, content);
        if (!p.ok()) return QStringLiteral("не удалось начать документ PDF");
        p.heading();
        for (const korvel::ReportTable& t : content.tables)
            p.table(t);
        for (int k = 0; k < korvel::kReportFigureCount; ++k) {
            const QString title =
                k < int(content.figureTitles.size()) ? q(content.figureTitles[size_t(k)]) : QString();
            // The chart along the machine is wide and dense: it gets a landscape page of its own.
            p.figure(title, k < figures.size() ? figures[k] : QImage(),
                     k == int(korvel::ReportFigure::Profile));
        }
        written = p.pages();
        p.finish();
    }
    const std::string error =
        korvel::WriteFileAtomically(QFile::encodeName(path).toStdString(), bytes.toStdString());
    if (!error.empty()) return QString::fromStdString(error);
    if (pages) *pages = written;
    return QString();
}
