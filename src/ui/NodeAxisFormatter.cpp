#include "NodeAxisFormatter.h"

#include "AxisTicks.h"

#include <QtDataVisualization/QValue3DAxis>

#include <cmath>

NodeAxisFormatter::NodeAxisFormatter(QObject* parent) : QValue3DAxisFormatter(parent) {}

void NodeAxisFormatter::SetMaxLabels(int n) {
    if (n == m_maxLabels) return;
    m_maxLabels = n;
    markDirty(true);
}

QValue3DAxisFormatter* NodeAxisFormatter::createNewInstance() const {
    return new NodeAxisFormatter;
}

void NodeAxisFormatter::populateCopy(QValue3DAxisFormatter& copy) const {
    QValue3DAxisFormatter::populateCopy(copy);
    if (auto* c = qobject_cast<NodeAxisFormatter*>(&copy)) c->m_maxLabels = m_maxLabels;
}

void NodeAxisFormatter::recalculate() {
    gridPositions().clear();
    subGridPositions().clear();
    labelPositions().clear();
    labelStrings().clear();
    const QValue3DAxis* a = axis();
    if (!a) return;
    const double lo = a->min(), hi = a->max();
    if (!(hi > lo)) return;
    const int count = int(std::lround(hi));
    for (int n : NodeAxisTicks(count, m_maxLabels)) {
        if (n < lo - 1e-6 || n > hi + 1e-6) continue;
        const float pos = float((n - lo) / (hi - lo));
        gridPositions().append(pos);
        labelPositions().append(pos);
        labelStrings().append(QString::number(n));
    }
}
