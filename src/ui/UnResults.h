#pragma once

#include "results/DerivedResults.h"

#include <QDialog>
#include <QLabel>
#include <QString>
#include <QStringList>

// One line for the status bar: the metallurgical length (or that the centre is still liquid), the
// shell at the mould exit and the largest reheating of the surface.
QString ResultsSummary(const korvel::DerivedResults& r);

// Writes the decimal points of the figures in a line with the locale's decimal separator.
QString LocaliseFigures(const QString& line);

// A label that always shows its whole text: on one line when it fits, else wrapped onto further lines
// (never cut with an ellipsis). The text is also its tool tip.
class TElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit TElidedLabel(QWidget* parent = nullptr);
    void SetFullText(const QString& text);
    QString FullText() const { return m_full; }
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString m_full;
};

// The figures of the latest run in a small window of its own, which stays open beside the others.
class TFormResults : public QDialog {
    Q_OBJECT

public:
    explicit TFormResults(QWidget* parent = nullptr);

    // heading: how the run ended; lines: one figure each.
    void SetResults(const QString& heading, const QStringList& lines);
    void Clear();
    QString Heading() const;
    QStringList Lines() const { return m_lines; }

    QLabel* LabelHeading = nullptr;
    QLabel* TextResults = nullptr; // one figure a line, selectable for copying

private:
    QStringList m_lines;
};
