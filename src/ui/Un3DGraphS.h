#pragma once

#include "SurfaceChartWindow.h"
#include "model/Model.h"

// Distribution of sulphur over the quarter section.
class TFormGraphS : public SurfaceChartWindow {
    Q_OBJECT

public:
    explicit TFormGraphS(QWidget* parent = nullptr);

    // One layer of the cells' mean sulphur.
    void AddLayer(const korvel::Model& m);
};
