#include "UnAbout.h"

#include "Version.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

QPixmap TAboutBox::ProgramPicture(QSize size) {
    QPixmap pm(size);
    pm.fill(QColor(230, 236, 245));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    const double w = size.width();
    const double h = size.height();

    // Mould walls at the top left.
    p.setPen(Qt::NoPen);
    p.setBrush(QBrush(QColor(110, 110, 110), Qt::DiagCrossPattern));
    p.drawRect(QRectF(0.08 * w, 0.04 * h, 0.08 * w, 0.25 * h));
    p.drawRect(QRectF(0.30 * w, 0.04 * h, 0.08 * w, 0.25 * h));

    // The strand: down through the mould, around the bend, out along the run; hot above, cold below.
    QPainterPath centre;
    const double x0 = 0.23 * w;
    const double r = 0.62 * w;
    centre.moveTo(x0, 0.02 * h);
    centre.lineTo(x0, 0.30 * h);
    const QRectF bend(x0, 0.30 * h - (0.88 * h - 0.30 * h), 2 * r, 2 * (0.88 * h - 0.30 * h));
    centre.arcTo(bend, 180, 90);
    centre.lineTo(w, 0.88 * h);
    QLinearGradient hot(0, 0, w, h);
    hot.setColorAt(0.0, QColor(255, 230, 60));
    hot.setColorAt(0.35, QColor(255, 60, 0));
    hot.setColorAt(1.0, QColor(120, 20, 20));
    p.setPen(QPen(QBrush(hot), 0.09 * w, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(centre);

    // Spray nozzles along the bend.
    p.setPen(QPen(QColor(40, 110, 220), 1.5));
    for (int k = 1; k <= 5; ++k) {
        const QPointF at = centre.pointAtPercent(0.22 + 0.09 * k);
        p.drawLine(at + QPointF(-0.10 * w, -0.02 * h), at + QPointF(-0.05 * w, 0));
        p.drawLine(at + QPointF(-0.10 * w, 0.03 * h), at + QPointF(-0.05 * w, 0));
    }
    p.end();
    return pm;
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("О программе"));

    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);

    ProgramIcon = new QLabel(panel);
    ProgramIcon->setFixedSize(96, 96);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(ProgramPicture(QSize(192, 192)));

    ProductName = new QLabel(QStringLiteral("Korvel"), panel);
    QFont title = ProductName->font();
    title.setPixelSize(24);
    title.setBold(true);
    ProductName->setFont(title);

    Version = new QLabel(QStringLiteral("Версия %1").arg(QString::fromUtf8(korvel::kVersion)), panel);

    Comments = new QLabel(QStringLiteral("Моделирование затвердевания непрерывнолитой заготовки\n"
                                         "на машине непрерывного литья радиального типа:\n"
                                         "температурное поле сечения, распределение серы и углерода."),
                          panel);
    Comments->setWordWrap(false);

    auto* textColumn = new QVBoxLayout;
    textColumn->addWidget(ProductName);
    textColumn->addWidget(Version);
    textColumn->addSpacing(8);
    textColumn->addWidget(Comments);
    textColumn->addStretch(1);

    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(12, 12, 12, 12);
    panelLayout->setSpacing(16);
    panelLayout->addWidget(ProgramIcon, 0, Qt::AlignTop);
    panelLayout->addLayout(textColumn, 1);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(panel);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}
