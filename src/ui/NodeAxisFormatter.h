#pragma once

#include <QStringList>
#include <QtDataVisualization/QValue3DAxisFormatter>

// Labels a 3-D value axis that counts grid nodes 1..N with whole node numbers, each once and in order
// (see NodeAxisTicks); the grid lines are at the labelled nodes.
class NodeAxisFormatter : public QValue3DAxisFormatter {
    Q_OBJECT

public:
    explicit NodeAxisFormatter(QObject* parent = nullptr);

    // About how many labels the axis has room for.
    void SetMaxLabels(int n);
    int MaxLabels() const { return m_maxLabels; }
    // The labels of the last recalculation.
    QStringList Labels() const { return labelStrings(); }
    // Recalculates now (the view does it before drawing).
    void Update() { recalculate(); }

protected:
    QValue3DAxisFormatter* createNewInstance() const override;
    void recalculate() override;
    void populateCopy(QValue3DAxisFormatter& copy) const override;

private:
    int m_maxLabels = 10;
};
