#pragma once

#include "model/DerivedResults.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QPlainTextEdit;

// One line for the status bar: the metallurgical length (or that the centre is still liquid), the
// shell at the mould exit and the largest reheating of the surface.
QString ResultsSummary(const korvel::DerivedResults& r);

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
    QPlainTextEdit* TextResults = nullptr;

private:
    QStringList m_lines;
};
