#include "Un3DGraphS.h"

TFormGraphS::TFormGraphS(QWidget* parent)
    : SurfaceChartWindow(QStringLiteral("Распределение содержания S,% по сечению слитка"), QSize(542, 394),
                         QStringLiteral("Содержание S"), QColor(255, 0, 128), parent) {}

void TFormGraphS::AddLayer(const korvel::Model& m) {
    AddLayerFrom(m.state.SMean, m.params.L, m.params.M);
}
