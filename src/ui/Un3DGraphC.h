#pragma once

#include "SurfaceChartWindow.h"
#include "model/Model.h"

// Distribution of carbon over the quarter section.
class TFormGraphC : public SurfaceChartWindow {
    Q_OBJECT

public:
    explicit TFormGraphC(QWidget* parent = nullptr);

    // One layer of the cells' mean carbon.
    void AddLayer(const korvel::Model& m);
};
