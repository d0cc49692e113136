#include "UnSolve.h"

#include "UiFormat.h"
#include "components/PaintIsoLine.h"
#include "components/PaintIsoZone.h"
#include "components/SchemaKorvel.h"
#include "model/SteelProperties.h"

#include <QFrame>
#include <QLabel>

#include <algorithm>

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);

QFont PixelFont(const QFont& base, int pixels, bool bold) {
    QFont f(base);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// An opaque, self-sizing label at (x, y).
QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int pixels, bool bold,
                  const QColor& colour = QColor()) {
    auto* l = new QLabel(text, parent);
    l->setFont(PixelFont(parent->font(), pixels, bold));
    if (colour.isValid()) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, colour);
        l->setPalette(pal);
    }
    l->setAutoFillBackground(true);
    l->move(x, y);
    l->adjustSize();
    return l;
}

void SetText(QLabel* l, const QString& text) {
    l->setText(text);
    l->adjustSize();
}

QFrame* MakeBar(QWidget* parent, int x, int y) {
    auto* bar = new QFrame(parent);
    bar->setFrameShape(QFrame::HLine);
    bar->setFrameShadow(QFrame::Sunken);
    bar->setGeometry(x, y, 60, 3);
    return bar;
}

} // namespace

TFormSolve::TFormSolve(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Изменение температуры по сечению слитка "));
    resize(627, 364);

    // The schematic is created first so that everything else lies over it.
    pzSchemaKorvel1 = new TpzSchemaKorvel(this);
    pzSchemaKorvel1->setGeometry(0, 0, 785, 417);
    pzSchemaKorvel1->setLkris(2);
    pzSchemaKorvel1->setHkris(0.4L);
    pzSchemaKorvel1->setZazorkris(0.25L);
    pzSchemaKorvel1->setWidthMould(0.6L);
    pzSchemaKorvel1->setRkorvel(14);
    pzSchemaKorvel1->setLZoneVit(15);
    pzSchemaKorvel1->setNZoneMould(80);
    pzSchemaKorvel1->setColorNoMould(QColor(0, 255, 0));
    pzSchemaKorvel1->setColorMould(QColor(255, 0, 0));
    pzSchemaKorvel1->setColorKris(QColor(128, 128, 128));
    pzSchemaKorvel1->setStyleKris(Qt::DiagCrossPattern);

    Label1 = MakeLabel(this, QStringLiteral("Слиток"), 64, 24, 13, true);
    LabelSlitok = MakeLabel(this, QStringLiteral("160 х 160"), 129, 24, 13, true, kRed);
    Label2 = MakeLabel(this, QStringLiteral("Время процесса, с"), 64, 64, 13, false);
    TauProcess = MakeLabel(this, FormatFixed(0, 1, 1), 112, 88, 16, true, kGreen);
    Label3 = MakeLabel(this, QStringLiteral("Расстояние от мениска, м "), 56, 120, 13, false);
    LabLmenisk = MakeLabel(this, FormatFixed(0, 1, 2), 112, 144, 16, true, kGreen);

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setAutoFillBackground(true);
    Panel1->move(288, 32);

    pzPaintIsoLine1 = new TpzPaintIsoLine(Panel1);
    pzPaintIsoLine1->setGeometry(297, 17, 73, 201);
    pzPaintIsoLine1->setFont(PixelFont(font(), 11, true));
    pzPaintIsoLine1->setColGrade(6);
    pzPaintIsoLine1->setSimpleIsoLine(1600);

    pzPaintIsoZone1 = new TpzPaintIsoZone(Panel1);
    pzPaintIsoZone1->setGeometry(40, 16, 218, 217);
    pzPaintIsoZone1->setSimpleIsoZone(1000);
    pzPaintIsoZone1->setWidthNature(1);
    pzPaintIsoZone1->setHeightNature(1);
    pzPaintIsoZone1->setIsoLine(pzPaintIsoLine1);

    LabelTL = MakeLabel(Panel1, QStringLiteral("TL"), 371, 41, 13, true);
    BarTL = MakeBar(Panel1, 333, 57);
    LabelTS = MakeLabel(Panel1, QStringLiteral("TS"), 371, 140, 13, true);
    BarTS = MakeBar(Panel1, 334, 156);

    const QString t = QStringLiteral("1500");
    TemBound7 = MakeLabel(Panel1, t, 25, 1, 11, true, kRed);
    TemBound6 = MakeLabel(Panel1, t, 137, 1, 11, true, kRed);
    TemBound5 = MakeLabel(Panel1, t, 241, 1, 11, true, kRed);
    TemBound8 = MakeLabel(Panel1, t, 1, 113, 11, true, kRed);
    TemBound4 = MakeLabel(Panel1, t, 265, 113, 11, true, kRed);
    TemBound1 = MakeLabel(Panel1, t, 17, 233, 11, true, kRed);
    TemBound2 = MakeLabel(Panel1, t, 137, 233, 11, true, kRed);
    TemBound3 = MakeLabel(Panel1, t, 241, 233, 11, true, kRed);

    const QRect contents = Panel1->childrenRect();
    Panel1->resize(contents.right() + 1 + 2, contents.bottom() + 1 + 2);
}

TFormSolve::~TFormSolve() = default;

QLabel* TFormSolve::TemBound(int k) const {
    switch (k) {
    case 1:
        return TemBound1;
    case 2:
        return TemBound2;
    case 3:
        return TemBound3;
    case 4:
        return TemBound4;
    case 5:
        return TemBound5;
    case 6:
        return TemBound6;
    case 7:
        return TemBound7;
    case 8:
        return TemBound8;
    default:
        return nullptr;
    }
}

void TFormSolve::Prepare(const korvel::Model& m) {
    const korvel::CastingData& d = m.data;
    const double tliq = korvel::Tliq(d, d.C, d.S);
    const double tsol = korvel::Tsol(d, d.C, d.S);
    pzPaintIsoLine1->setColGrade(6);
    pzPaintIsoLine1->SetGradeLevel(0, tliq);
    pzPaintIsoLine1->SetGradeLevel(1, tsol + 0.8 * (tliq - tsol));
    pzPaintIsoLine1->SetGradeLevel(2, tsol + 0.3 * (tliq - tsol));
    pzPaintIsoLine1->SetGradeLevel(3, tsol);
    pzPaintIsoLine1->SetGradeLevel(4, 1100);

    TpzPaintIsoZone* f = pzPaintIsoZone1;
    f->setWidthNature(d.HalfX);
    f->setHeightNature(d.HalfY);
    f->setPointsRow(m.params.L);
    f->setPointsCol(m.params.M);
    f->SetRowCoord(0, 0);
    for (int i = 1; i <= f->PointsRow() - 1; ++i)
        f->SetRowCoord(i, f->RowCoord(i - 1) + f->WidthNature() / (f->PointsRow() - 1));
    f->SetColCoord(0, 0);
    for (int j = 1; j <= f->PointsCol() - 1; ++j)
        f->SetColCoord(j, f->ColCoord(j - 1) + f->HeightNature() / (f->PointsCol() - 1));
    for (int i = 0; i < f->PointsRow(); ++i)
        for (int j = 0; j < f->PointsCol(); ++j)
            f->SetNodeValue(i, j, d.T0);

    const QString t0 = FormatFixed(d.T0, 5, 0);
    for (int k = 1; k <= 8; ++k)
        SetText(TemBound(k), t0);

    pzPaintIsoLine1->update();
    f->update();
}

void TFormSolve::ShowSlice(const korvel::Model& m, double lmenisk) {
    pzSchemaKorvel1->setLmenisk(lmenisk);
    pzSchemaKorvel1->Paint();

    SetText(TauProcess, FormatFixed(m.state.Tau, 6, 1));
    TauProcess->update();
    SetText(LabLmenisk, FormatFixed(static_cast<double>(pzSchemaKorvel1->Lmenisk()), 6, 2));
    LabLmenisk->update();

    const korvel::NodeField& tem = m.state.Tem;
    TpzPaintIsoZone* f = pzPaintIsoZone1;
    // The field was prepared for the model's grid; never read past the state's arrays all the same.
    const int rows = std::min(f->PointsRow(), tem.Rows() - 1);
    const int cols = std::min(f->PointsCol(), tem.Cols() - 1);
    for (int i = 1; i <= rows; ++i)
        for (int j = 1; j <= cols; ++j)
            f->SetNodeValue(i - 1, j - 1, tem[i][j]);
    f->DrawField();

    const int L = std::min<int>(m.params.L, tem.Rows() - 1);
    const int M = std::min<int>(m.params.M, tem.Cols() - 1);
    if (L < 1 || M < 1) return;
    const int nodes[8][2] = {{1, 1}, {L / 2, 1}, {L, 1}, {L, M / 2}, {L, M}, {L / 2, M}, {1, M}, {1, M / 2}};
    for (int k = 0; k < 8; ++k) {
        QLabel* l = TemBound(k + 1);
        SetText(l, FormatFixed(tem[nodes[k][0]][nodes[k][1]], 5, 0));
        l->update();
    }
}

void TFormSolve::SetBilletSize(double dlomX, double dlomY) {
    SetText(LabelSlitok, FormatFixed(dlomX, 4, 0) + QStringLiteral(" x ") + FormatFixed(dlomY, 4, 0));
}
