// korvel-render OUTPUT_DIR: paints the isotherm field, its colour scale and the machine schematic as the
// cross-section window shows them and writes each picture as a PNG file into OUTPUT_DIR.

#include "components/PaintIsoLine.h"
#include "components/PaintIsoZone.h"
#include "components/SchemaKorvel.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>

namespace {

constexpr long double Liquidus = 1510.465L;
constexpr long double Solidus = 1433.5735L;

// The six grades of the cross-section window: liquidus, two points of the freezing range, solidus, 1100.
void SetupScale(TpzPaintIsoLine& scale) {
    scale.resize(73, 201);
    QFont f = scale.font();
    f.setPixelSize(11);
    f.setBold(true);
    scale.setFont(f);
    scale.setColGrade(6);
    scale.SetGradeLevel(0, Liquidus);
    scale.SetGradeLevel(1, Solidus + 0.8L * (Liquidus - Solidus));
    scale.SetGradeLevel(2, Solidus + 0.3L * (Liquidus - Solidus));
    scale.SetGradeLevel(3, Solidus);
    scale.SetGradeLevel(4, 1100);
}

// A quarter section some way below the mould: cold surfaces (corner at 1100), liquid core at 1530 in the
// centre, node (n - 1, n - 1).
void FillField(TpzPaintIsoZone& field, int n) {
    field.setWidthNature(0.08);
    field.setHeightNature(0.08);
    field.setPointsRow(n);
    field.setPointsCol(n);
    for (int i = 1; i < n; ++i)
        field.SetRowCoord(i, field.RowCoord(i - 1) + field.WidthNature() / (n - 1));
    for (int j = 1; j < n; ++j)
        field.SetColCoord(j, field.ColCoord(j - 1) + field.HeightNature() / (n - 1));
    const double k = 3.5;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const double u = static_cast<double>(i) / (n - 1), v = static_cast<double>(j) / (n - 1);
            const double f = std::tanh(k * u) * std::tanh(k * v) / (std::tanh(k) * std::tanh(k));
            field.SetNodeValue(i, j, 1100.0L + (1530.0L - 1100.0L) * f);
        }
    }
}

bool Save(QWidget& w, const QString& path) {
    QImage img(w.size(), QImage::Format_RGB32);
    img.fill(w.palette().color(QPalette::Window));
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    const bool ok = img.save(path);
    std::printf("%s %s (%d x %d)\n", ok ? "wrote" : "FAILED", qPrintable(path), img.width(), img.height());
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out));
        return 1;
    }
    bool ok = true;

    TpzPaintIsoLine scale;
    SetupScale(scale);
    ok &= Save(scale, out + QStringLiteral("/scale.png"));

    for (int n : {10, 30}) {
        TpzPaintIsoZone field;
        field.resize(218, 217);
        field.setIsoLine(&scale);
        FillField(field, n);
        ok &= Save(field, out + QStringLiteral("/isotherms_%1x%1.png").arg(n));
    }

    TpzSchemaKorvel schema;
    schema.resize(785, 417);
    schema.setLkris(2);
    schema.setHkris(0.4L);
    schema.setZazorkris(0.25L);
    schema.setWidthMould(0.6L);
    schema.setRkorvel(14);
    schema.setLZoneVit(15);
    schema.setNZoneMould(80);
    schema.setColorNoMould(QColor(0, 255, 0));
    schema.setColorMould(QColor(255, 0, 0));
    schema.setColorKris(QColor(128, 128, 128));
    schema.setStyleKris(Qt::DiagCrossPattern);
    for (int lm : {0, 5, 40}) {
        schema.setLmenisk(lm);
        ok &= Save(schema, out + QStringLiteral("/schema_%1m.png").arg(lm));
    }
    return ok ? 0 : 1;
}
