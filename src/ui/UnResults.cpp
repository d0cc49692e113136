#include "UnResults.h"

#include "UiFormat.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <algorithm>

QString ResultsSummary(const korvel::DerivedResults& r) {
    QStringList parts;
    if (r.metallurgicalReached)
        parts << QStringLiteral("Металлургическая длина: %1 м").arg(FormatFixed(r.metallurgicalLength, 0, 2));
    else
        parts << QStringLiteral("Центр не затвердел (%1 °C)").arg(FormatFixed(r.centreTemperature, 0, 0));
    if (r.mouldExitSeen)
        parts << QStringLiteral("корочка на выходе из кристаллизатора X %1, Y %2 мм")
                     .arg(FormatFixed(r.mouldExit.faceX, 0, 1), FormatFixed(r.mouldExit.faceY, 0, 1));
    else
        parts << QStringLiteral("сечение не вышло из кристаллизатора");
    const bool xLarger = r.reheatFaceX >= r.reheatFaceY;
    const double reheat = xLarger ? r.reheatFaceX : r.reheatFaceY;
    const double where = xLarger ? r.reheatFaceXZ : r.reheatFaceYZ;
    if (reheat > 0)
        parts << QStringLiteral("наибольший разогрев %1 К на %2 м")
                     .arg(FormatFixed(reheat, 0, 0), FormatFixed(where, 0, 2));
    else
        parts << QStringLiteral("разогрева поверхности нет");
    return parts.join(QStringLiteral("; "));
}

QString LocaliseFigures(const QString& line) {
    const QString point = QLocale().decimalPoint();
    if (point == QLatin1String(".")) return line;
    static const QRegularExpression figure(QStringLiteral("(\\d)\\.(\\d)"));
    QString out = line;
    return out.replace(figure, QStringLiteral("\\1") + point + QStringLiteral("\\2"));
}

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
}

void TElidedLabel::SetFullText(const QString& text) {
    m_full = text;
    setToolTip(text);
    setText(text);
    updateGeometry();
}

QSize TElidedLabel::minimumSizeHint() const {
    // Narrow if need be: the text wraps onto more lines instead of being cut.
    return QSize(fontMetrics().horizontalAdvance(QStringLiteral("Металлургическая")),
                 heightForWidth(std::max(1, width())));
}

QSize TElidedLabel::sizeHint() const {
    return QSize(fontMetrics().horizontalAdvance(m_full) + 4, heightForWidth(std::max(1, width())));
}

void TElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    // The height follows the number of lines the width gives.
    if (height() != heightForWidth(width())) updateGeometry();
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

    TextResults = new QLabel(this);
    TextResults->setObjectName(QStringLiteral("TextResults"));
    TextResults->setTextFormat(Qt::PlainText);
    TextResults->setTextInteractionFlags(Qt::TextSelectableByMouse);
    TextResults->setFrameShape(QFrame::StyledPanel);
    TextResults->setAutoFillBackground(true);
    TextResults->setBackgroundRole(QPalette::Base);
    TextResults->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    TextResults->setMargin(6);
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
    TextResults->setText(lines.join(QLatin1Char('\n')));
    adjustSize();
}
