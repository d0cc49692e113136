#include "Un3DGraphC.h"

TFormGraphC::TFormGraphC(QWidget* parent)
    : SurfaceChartWindow(QStringLiteral("Распределение углерода по сечению заготовки, %"), QSize(544, 375),
                         QStringLiteral("Содержание C"), std::nullopt, parent) {}

void TFormGraphC::AddLayer(const korvel::Model& m) {
    AddLayerFrom(m.state.CMean, m.params.L, m.params.M);
}
