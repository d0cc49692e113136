#pragma once

#include "results/ReportContent.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

// The report of a run as one PDF file on A4 pages: a heading with the case, the date and the program's
// version, the tables of the report's content, then its pictures (the chart along the machine on a
// landscape page of its own, the others two to a page), each under its title
// with the case, the date and the version. Every page carries the case, the date, the version and its
// number at the foot.

// The size at which the windows draw their pictures for the report: the charts' texts stay readable
// when the picture is printed about 18 cm wide.
QSize ReportPictureSize(korvel::ReportFigure figure);

// Draws the report and writes it to path through a temporary file renamed into place, so a failure
// leaves whatever was there. figures holds one picture per korvel::ReportFigure (a null image is drawn
// as a frame saying the picture is missing). Returns an empty string on success, else what went wrong;
// pages (when given) receives the number of pages written.
QString WriteReportPdf(const QString& path, const korvel::ReportContent& content,
                       const QList<QImage>& figures, int* pages = nullptr);
