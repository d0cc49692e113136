#include "UnResults.h"

#include "UiFormat.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

QString ResultsSummary(const korvel::DerivedResults& r) {
    QStringList parts;
    if (r.metallurgicalReached)
        parts << QStringLiteral("Металлургическая длина: %1 м").arg(FormatFixed(r.metallurgicalLength, 0, 2));
    else
        parts << QStringLiteral("Центр не затвердел (%1 °C)").arg(FormatFixed(r.centreTemperature, 0, 0));
    if (r.mouldExitSeen)
        parts << QStringLiteral("корочка на выходе из кристаллизатора: X %1 мм, Y %2 мм")
                     .arg(FormatFixed(r.mouldExit.faceX, 0, 1), FormatFixed(r.mouldExit.faceY, 0, 1));
    else
        parts << QStringLiteral("сечение не вышло из кристаллизатора");
    const bool xLarger = r.reheatFaceX >= r.reheatFaceY;
    const double reheat = xLarger ? r.reheatFaceX : r.reheatFaceY;
    const double where = xLarger ? r.reheatFaceXZ : r.reheatFaceYZ;
    if (reheat > 0)
        parts << QStringLiteral("наибольший разогрев: %1 К на %2 м")
                     .arg(FormatFixed(reheat, 0, 0), FormatFixed(where, 0, 2));
    else
        parts << QStringLiteral("разогрева поверхности нет");
    return parts.join(QStringLiteral("; "));
}

TFormResults::TFormResults(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormResults"));
    setWindowTitle(QStringLiteral("Результаты расчета"));
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    LabelHeading = new QLabel(this);
    LabelHeading->setObjectName(QStringLiteral("LabelHeading"));
    LabelHeading->setWordWrap(true);
    layout->addWidget(LabelHeading);

    TextResults = new QPlainTextEdit(this);
    TextResults->setObjectName(QStringLiteral("TextResults"));
    TextResults->setReadOnly(true);
    TextResults->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(TextResults, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    layout->addWidget(buttons);
    Clear();
}

void TFormResults::Clear() {
    SetResults(QStringLiteral("Расчет еще не проводился."), {});
}

QString TFormResults::Heading() const {
    return LabelHeading->text();
}

void TFormResults::SetResults(const QString& heading, const QStringList& lines) {
    m_lines = lines;
    LabelHeading->setText(heading);
    TextResults->setPlainText(lines.join(QLatin1Char('\n')));
    // Wide and tall enough for every line without scrolling.
    const QFontMetrics fm(TextResults->font());
    int width = fm.horizontalAdvance(heading) / 2;
    for (const QString& line : lines)
        width = std::max(width, fm.horizontalAdvance(line));
    const int rows = std::max<int>(int(lines.size()), 3);
    TextResults->setMinimumSize(width + 2 * fm.averageCharWidth() + 8, (rows + 1) * fm.lineSpacing() + 8);
    adjustSize();
}
