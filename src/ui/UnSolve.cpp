#include "UnSolve.h"

#include "UiFormat.h"
#include "components/PaintIsoLine.h"
#include "components/PaintIsoZone.h"
#include "components/SchemaKorvel.h"
#include "model/SteelProperties.h"

#include <QFrame>
#include <QLabel>

#include <algorithm>
#include <cmath>

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
    resize(DesignSize());
    // The composition keeps its proportions at every size; this is as small as it stays legible.
    setMinimumSize(300, 90);

    // The schematic is created first so that everything else lies over it.
    pzSchemaKorvel1 = new TpzSchemaKorvel(this);
    place(pzSchemaKorvel1, QRect(0, 0, 785, 417), 0, false);
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
    place(Label1, QRect(64, 24, 0, 0), 13, true);
    place(LabelSlitok, QRect(129, 24, 0, 0), 13, true);
    place(Label2, QRect(64, 64, 0, 0), 13, false);
    place(TauProcess, QRect(112, 88, 0, 0), 16, true);
    place(Label3, QRect(56, 120, 0, 0), 13, false);
    place(LabLmenisk, QRect(112, 144, 0, 0), 16, true);

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setAutoFillBackground(true);
    place(Panel1, QRect(288, 32, 0, 0), 0, false);

    pzPaintIsoLine1 = new TpzPaintIsoLine(Panel1);
    place(pzPaintIsoLine1, QRect(297, 17, 73, 201), 11, true);
    pzPaintIsoLine1->setColGrade(6);
    pzPaintIsoLine1->setSimpleIsoLine(1600);

    pzPaintIsoZone1 = new TpzPaintIsoZone(Panel1);
    place(pzPaintIsoZone1, QRect(40, 16, 218, 217), 0, false);
    pzPaintIsoZone1->setSimpleIsoZone(1000);
    pzPaintIsoZone1->setWidthNature(1);
    pzPaintIsoZone1->setHeightNature(1);
    pzPaintIsoZone1->setIsoLine(pzPaintIsoLine1);

    LabelTL = MakeLabel(Panel1, QStringLiteral("TL"), 371, 41, 13, true);
    place(LabelTL, QRect(371, 41, 0, 0), 13, true);
    BarTL = MakeBar(Panel1, 333, 57);
    place(BarTL, QRect(333, 57, 60, 3), 0, false);
    LabelTS = MakeLabel(Panel1, QStringLiteral("TS"), 371, 140, 13, true);
    place(LabelTS, QRect(371, 140, 0, 0), 13, true);
    BarTS = MakeBar(Panel1, 334, 156);
    place(BarTS, QRect(334, 156, 60, 3), 0, false);

    const QString t = QStringLiteral("1500");
    const struct {
        QLabel** label;
        int x, y;
    } bounds[] = {{&TemBound7, 25, 1},    {&TemBound6, 137, 1},   {&TemBound5, 241, 1},
                  {&TemBound8, 1, 113},   {&TemBound4, 265, 113}, {&TemBound1, 17, 233},
                  {&TemBound2, 137, 233}, {&TemBound3, 241, 233}};
    for (const auto& b : bounds) {
        *b.label = MakeLabel(Panel1, t, b.x, b.y, 11, true, kRed);
        place(*b.label, QRect(b.x, b.y, 0, 0), 11, true);
    }

    applyScale(1.0);
    m_designPanelWidth = Panel1->width();
}

void TFormSolve::place(QWidget* w, const QRect& design, int textPixels, bool bold) {
    m_placements.push_back({w, design, textPixels, bold});
}

double TFormSolve::CompositionScale(QSize client) const {
    const QSize design = DesignSize();
    if (client.width() <= 0 || client.height() <= 0) return 0.05;
    const double w = client.width();
    const double byHeight = client.height() / double(design.height());
    // The whole width of the composition reaches past the design's frame (the panel with the scale's
    // marks). Far from the design width it is all fitted in; at the design width the design's own frame
    // holds, and in between the factor passes smoothly from one to the other.
    const double whole = double(288 + m_designPanelWidth);
    const double designW = design.width();
    double byWidth = w / whole;
    if (whole > designW) {
        const double blendFrom = designW * designW / whole; // where fitting the whole gives the blend's start
        if (w >= designW)
            byWidth = std::max(1.0, w / whole);
        else if (w > blendFrom)
            byWidth = blendFrom / whole + (w - blendFrom) / (designW - blendFrom) * (1.0 - blendFrom / whole);
    }
    return std::max(0.05, std::min(byHeight, byWidth));
}

void TFormSolve::applyScale(double s) {
    m_scale = s;
    auto at = [s](int v) { return int(std::lround(v * s)); };
    auto rectAt = [&at](const QRect& r) {
        const int left = at(r.x()), top = at(r.y());
        return QRect(left, top, std::max(1, at(r.x() + r.width()) - left),
                     std::max(1, at(r.y() + r.height()) - top));
    };
    for (const Placement& p : m_placements) {
        if (p.textPixels > 0) {
            const int pixels = std::max(kMinTextPixels, at(p.textPixels));
            if (p.widget->font().pixelSize() != pixels) p.widget->setFont(PixelFont(font(), pixels, p.bold));
        }
        if (p.design.width() > 0)
            p.widget->setGeometry(rectAt(p.design));
        else
            p.widget->move(at(p.design.x()), at(p.design.y()));
        if (auto* l = qobject_cast<QLabel*>(p.widget)) l->adjustSize();
    }
    // The bars stay visible and the scale's colour bar keeps its share of the scale's width.
    for (QFrame* bar : {BarTL, BarTS})
        if (bar->height() < 2) bar->resize(bar->width(), 2);
    pzPaintIsoLine1->setWidthColorGrade(std::max(1, at(30)));
    if (s != 1.0) makeRoomForTexts();
    const QRect contents = Panel1->childrenRect();
    Panel1->resize(contents.right() + 1 + 2, contents.bottom() + 1 + 2);
}

void TFormSolve::makeRoomForTexts() {
    // Texts kept at their legible minimum are larger than the scaled design leaves room for: each is
    // moved just clear of its neighbour, so nothing covers anything (at the design size nothing moves).
    auto moveRightOf = [](QWidget* w, const QWidget* left, int gap) {
        const int x = left->geometry().right() + 1 + gap;
        if (w->x() < x) w->move(x, w->y());
    };
    moveRightOf(LabelSlitok, Label1, 3);
    // The left block's lines one below the other.
    const QLabel* above = Label1;
    for (QLabel* l : {Label2, TauProcess, Label3, LabLmenisk}) {
        const int y = above->geometry().bottom() + 1;
        if (l->y() < y) l->move(l->x(), y);
        above = l;
    }
    // The panel clear of the texts on its left.
    int leftTexts = 0;
    for (const QLabel* l : {Label1, LabelSlitok, Label2, TauProcess, Label3, LabLmenisk})
        leftTexts = std::max(leftTexts, l->geometry().right() + 1);
    if (Panel1->x() < leftTexts + 4) Panel1->move(leftTexts + 4, Panel1->y());
    // Inside the panel: the field clear of the left label and of the top row.
    const int dx = std::max(0, TemBound8->width() + 2 - pzPaintIsoZone1->x());
    int topRow = 0;
    for (const QLabel* l : {TemBound5, TemBound6, TemBound7})
        topRow = std::max(topRow, l->geometry().bottom() + 1);
    const int dy = std::max(0, topRow + 1 - pzPaintIsoZone1->y());
    if (dx > 0 || dy > 0) {
        for (QObject* o : Panel1->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (!w || w == TemBound8 || w == TemBound5 || w == TemBound6 || w == TemBound7) continue;
            w->move(w->x() + dx, w->y() + dy);
        }
        for (QLabel* l : {TemBound5, TemBound6, TemBound7})
            l->move(l->x() + dx, l->y());
        TemBound8->move(TemBound8->x(), TemBound8->y() + dy);
    }
    // The right label clear of the field, the bottom row below it, the top row's labels apart.
    moveRightOf(TemBound4, pzPaintIsoZone1, 1);
    const int below = pzPaintIsoZone1->geometry().bottom() + 1;
    for (QLabel* l : {TemBound1, TemBound2, TemBound3})
        if (l->y() < below) l->move(l->x(), below);
    moveRightOf(TemBound6, TemBound7, 2);
    moveRightOf(TemBound5, TemBound6, 2);
    moveRightOf(TemBound2, TemBound1, 2);
    moveRightOf(TemBound3, TemBound2, 2);
    // The scale wide enough for its figures beside the colour bar, clear of the right label; the marks
    // beside it.
    moveRightOf(pzPaintIsoLine1, TemBound4, 2);
    const QFontMetrics fm(pzPaintIsoLine1->font());
    const int textWidth = fm.horizontalAdvance(pzPaintIsoLine1->LabelText(0)) + 2;
    if (pzPaintIsoLine1->width() < pzPaintIsoLine1->WidthColorGrade() + textWidth)
        pzPaintIsoLine1->resize(pzPaintIsoLine1->WidthColorGrade() + textWidth, pzPaintIsoLine1->height());
    moveRightOf(LabelTL, pzPaintIsoLine1, 2);
    moveRightOf(LabelTS, pzPaintIsoLine1, 2);
}

void TFormSolve::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitTo(size());
}

void TFormSolve::fitTo(QSize client) {
    double s = CompositionScale(client);
    if (s != m_scale) applyScale(s);
    // Texts kept at their legible minimum can make the composition larger than its share: scale it
    // down until it fits (the design's own frame excepted, which cuts the panel at the design width).
    const double designW = DesignSize().width();
    const double whole = double(288 + m_designPanelWidth);
    const bool designClips = client.width() > designW * designW / whole && client.width() < whole;
    auto fits = [&] {
        QRect used = Panel1->geometry();
        for (const QLabel* l : {Label1, LabelSlitok, Label2, TauProcess, Label3, LabLmenisk})
            used |= l->geometry();
        return (designClips || used.right() < client.width()) && used.bottom() < client.height();
    };
    if (fits()) return;
    // The largest factor that fits, by bisection.
    double lo = 0.05, hi = s;
    for (int k = 0; k < 12; ++k) {
        const double mid = 0.5 * (lo + hi);
        applyScale(mid);
        (fits() ? lo : hi) = mid;
    }
    applyScale(lo);
}

void TFormSolve::copyDisplayFrom(const TFormSolve& other) {
    for (std::size_t k = 0; k < m_placements.size(); ++k)
        if (auto* to = qobject_cast<QLabel*>(m_placements[k].widget))
            if (auto* from = qobject_cast<QLabel*>(other.m_placements[k].widget)) to->setText(from->text());

    const TpzPaintIsoLine* scale = other.pzPaintIsoLine1;
    pzPaintIsoLine1->setColGrade(scale->ColGrade());
    for (int k = 0; k + 1 < scale->ColGrade(); ++k)
        pzPaintIsoLine1->SetGradeLevel(k, scale->GradeLevel(k));

    const TpzPaintIsoZone* from = other.pzPaintIsoZone1;
    TpzPaintIsoZone* to = pzPaintIsoZone1;
    to->setWidthNature(from->WidthNature());
    to->setHeightNature(from->HeightNature());
    to->setPointsRow(from->PointsRow());
    to->setPointsCol(from->PointsCol());
    for (int i = 0; i < from->PointsRow(); ++i)
        to->SetRowCoord(i, from->RowCoord(i));
    for (int j = 0; j < from->PointsCol(); ++j)
        to->SetColCoord(j, from->ColCoord(j));
    for (int i = 0; i < from->PointsRow(); ++i)
        for (int j = 0; j < from->PointsCol(); ++j)
            to->SetNodeValue(i, j, from->NodeValue(i, j));

    pzSchemaKorvel1->setLmenisk(other.pzSchemaKorvel1->Lmenisk());
}

QImage TFormSolve::RenderPicture(QSize size) const {
    if (size.isEmpty()) return QImage();
    // A twin of this window at the picture's size: the window itself is left as it is.
    TFormSolve twin;
    twin.setAttribute(Qt::WA_DontShowOnScreen);
    twin.copyDisplayFrom(*this);
    twin.resize(size);
    twin.fitTo(size);
    QImage image(size, QImage::Format_RGB32);
    image.fill(palette().window().color());
    twin.render(&image);
    return image;
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
